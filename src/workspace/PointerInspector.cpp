#include "workspace/PointerInspector.h"

#include "components/StudioLabel.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "components/StudioSwitch.h"
#include "editor/EditorDocument.h"
#include "workspace/InspectorBindings.h"
#include "workspace/InspectorParts.h"
#include "workspace/InspectorSection.h"
#include "workspace/InspectorText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace sablewick {

namespace {

QString styleTitle(PointerStyle style)
{
    switch (style) {
    case PointerStyle::arrow:
        break;
    case PointerStyle::outline:
        return QStringLiteral("Outline");
    case PointerStyle::dot:
        return QStringLiteral("Dot");
    }
    return QStringLiteral("Arrow");
}

}  // namespace

PointerInspector::PointerInspector(EditorDocument& document, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
{
    using InspectorBindings::optionalSetting;
    QVBoxLayout* page = InspectorParts::page(this);
    QVBoxLayout* cursor = InspectorParts::section(page, QStringLiteral("Cursor"))->column();
    const auto addSwitch = [this](QVBoxLayout* into, QWidget* parent, const QString& title, StudioBinding<bool> value) {
        auto* toggle = new StudioSwitch(title, std::move(value), StudioControlSize::regular, parent);
        m_switches.push_back(toggle);
        into->addWidget(toggle);
    };

    m_bakedNotice = new QWidget(this);
    auto* notice = new QVBoxLayout(m_bakedNotice);
    notice->setContentsMargins(0, 0, 0, 0);
    notice->setSpacing(4);
    auto* headline = new QHBoxLayout;
    headline->setSpacing(6);
    headline->addWidget(new StudioSymbolView(QStringLiteral("info.circle"), textStylePixelSize(StudioTextStyle::caption),
                                             StudioLabelRole::primary, m_bakedNotice));
    headline->addWidget(new StudioLabel(QStringLiteral("This video has its cursor baked in."), StudioTextStyle::caption,
                                        StudioLabelRole::primary, m_bakedNotice),
                        1);
    notice->addLayout(headline);
    notice->addWidget(InspectorParts::note(QStringLiteral("New Sablewick recordings keep the cursor separate, so you can change its appearance here after "
                       "recording. Existing video pixels cannot be removed reliably.")));
    cursor->addWidget(m_bakedNotice);

    m_controls = new QWidget(this);
    auto* controls = new QVBoxLayout(m_controls);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(14);
    addSwitch(controls, m_controls, QStringLiteral("Show cursor"),
              optionalSetting(document, &EditSettings::pointerVisible, EditDefaults::pointerVisible));
    m_sizeText = InspectorParts::valueRow(controls, QStringLiteral("Size"));
    m_size = new StudioSlider(optionalSetting(document, &EditSettings::pointerSize, EditDefaults::pointerSize), 0.5, 4,
                              std::nullopt, m_controls);
    m_size->setAccessibleName(QStringLiteral("Cursor size"));
    controls->addWidget(m_size);
    m_style = StudioSegments::make<PointerStyle>(
        QStringLiteral("Style"), optionalSetting(document, &EditSettings::pointerStyle, EditDefaults::pointerStyle),
        {PointerStyle::arrow, PointerStyle::outline, PointerStyle::dot}, styleTitle, m_controls);
    controls->addWidget(m_style);
    addSwitch(controls, m_controls, QStringLiteral("Smooth movement"),
              optionalSetting(document, &EditSettings::pointerSmooth, EditDefaults::pointerSmooth));
    controls->addWidget(InspectorParts::note(QStringLiteral("Natural uses the recorded path. Smooth softens small movements at playback speed.")));
    cursor->addWidget(m_controls);

    QVBoxLayout* clicks = InspectorParts::section(page, QStringLiteral("Clicks"))->column();
    m_clicks = clicks->parentWidget();
    addSwitch(clicks, m_clicks, QStringLiteral("Press effect"),
              optionalSetting(document, &EditSettings::pointerPress, EditDefaults::pointerPress));
    addSwitch(clicks, m_clicks, QStringLiteral("Ripple animation"),
              optionalSetting(document, &EditSettings::pointerRipple, EditDefaults::pointerRipple));
    clicks->addWidget(InspectorParts::note(QStringLiteral("Click effects use the original click timings, even when you move or delete a zoom.")));

    connect(&document, &EditorDocument::settingsChanged, this, &PointerInspector::refresh);
    connect(&document, &EditorDocument::editablePointerChanged, this, &PointerInspector::refresh);
    refresh();
}

void PointerInspector::refresh()
{
    const bool editable = m_document.editablePointer();
    m_bakedNotice->setVisible(!editable);
    m_controls->setEnabled(editable);
    m_clicks->setEnabled(editable);
    // The stored size shows as it is, also beyond the slider's range.
    m_sizeText->setText(InspectorText::factor(m_document.settings().effectivePointerSize()));
    m_size->refresh();
    m_style->update();
    for (StudioSwitch* toggle : m_switches)
        toggle->refresh();
}

}  // namespace sablewick
