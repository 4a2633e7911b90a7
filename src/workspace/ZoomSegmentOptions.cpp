#include "workspace/ZoomSegmentOptions.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "editor/EditorDocument.h"
#include "editor/FocusEditor.h"
#include "workspace/InspectorBindings.h"
#include "workspace/InspectorParts.h"
#include "workspace/InspectorSection.h"
#include "workspace/InspectorText.h"

#include <QVBoxLayout>

namespace sablewick {

ZoomSegmentOptions::ZoomSegmentOptions(EditorDocument& document, FocusEditor& focus, const FocusPoint& point,
                                       QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_focus(focus)
    , m_point(point)
{
    using namespace InspectorBindings;
    const QUuid id = point.id;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    m_amountText = InspectorParts::valueRow(column, QStringLiteral("Zoom amount"));
    m_amount = new StudioSlider(pointOverride<double>(document, id, &FocusPoint::zoomStrength,
                                                      [&document] { return document.settings().zoomStrength; }),
                                1.05, 4, std::nullopt, this);
    m_amount->setAccessibleName(QStringLiteral("Selected zoom amount"));
    column->addWidget(m_amount);

    m_applyToAll = InspectorParts::button(QStringLiteral("Apply amount to all zooms"));
    connect(m_applyToAll, &QAbstractButton::clicked, this,
            [this] { m_focus.applyZoomAmountToAll(InspectorText::zoomAmount(m_point, m_document.settings())); });
    column->addWidget(m_applyToAll, 0, Qt::AlignLeft);

    m_mode = StudioSegments::make<ZoomMode>(
        QStringLiteral("Zoom mode"),
        pointOverride<ZoomMode>(document, id, &FocusPoint::zoomMode, [] { return ZoomMode::manual; }),
        {ZoomMode::manual, ZoomMode::follow},
        [](ZoomMode mode) {
            return mode == ZoomMode::follow ? QStringLiteral("Follow cursor") : QStringLiteral("Fixed");
        },
        this);
    column->addWidget(m_mode);
    m_modeNote = InspectorParts::note(QString());
    column->addWidget(m_modeNote);

    m_transitionText = InspectorParts::valueRow(column, QStringLiteral("Transition"));
    m_transition =
        new StudioSlider(pointOverride<double>(document, id, &FocusPoint::zoomTransition,
                                               [&document] { return document.settings().effectiveZoomTransition(); }),
                         0.15, 1.4, std::nullopt, this);
    m_transition->setAccessibleName(QStringLiteral("Selected zoom transition time"));
    column->addWidget(m_transition);
    column->addWidget(InspectorParts::note(QStringLiteral("Entry and exit use the same gentle easing and fit within the block’s length.")));
    for (auto signal :
         {&EditorDocument::eventsChanged, &EditorDocument::settingsChanged, &EditorDocument::pointerSamplesChanged})
        connect(&document, signal, this, &ZoomSegmentOptions::refresh);
    refresh();
}

void ZoomSegmentOptions::refresh()
{
    if (const FocusPoint* live = InspectorBindings::findPoint(m_document, m_point.id))
        m_point = *live;
    const EditSettings& settings = m_document.settings();
    const bool hasSamples = !m_document.pointerSamples().empty();
    m_amountText->setText(InspectorText::percent(InspectorText::zoomAmount(m_point, settings)));
    m_amount->refresh();
    m_mode->setEnabled(hasSamples);
    m_mode->update();
    m_modeNote->setText(InspectorText::zoomModeNote(hasSamples, m_point.zoomMode));
    m_transitionText->setText(InspectorText::seconds(InspectorText::zoomTransition(m_point, settings)));
    m_transition->refresh();
}

}  // namespace sablewick
