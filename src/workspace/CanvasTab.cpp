#include "workspace/CanvasTab.h"

#include "editor/EditorDocument.h"
#include "workspace/CanvasInspector.h"
#include "workspace/InspectorSection.h"
#include "workspace/SettingsBinding.h"

#include <QVBoxLayout>

namespace sablewick {

CanvasTab::CanvasTab(EditorDocument& document, CanvasPresets& presets, StudioDialogs* dialogs, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    const StudioBinding<EditSettings> settings = editorSettings(document);
    m_canvas = new CanvasInspector(settings, presets, dialogs, this);
    column->addWidget(m_canvas);

    auto* crop = new InspectorSection(QStringLiteral("Crop"), this);
    struct Side {
        const char* title;
        double EditSettings::*field;
    };
    const Side sides[] = {{"Left", &EditSettings::cropLeft},
                          {"Right", &EditSettings::cropRight},
                          {"Top", &EditSettings::cropTop},
                          {"Bottom", &EditSettings::cropBottom}};
    for (std::size_t i = 0; i < m_crop.size(); ++i)
        m_crop[i] = crop->add(new SettingSlider(QString::fromLatin1(sides[i].title),
                                                settingsField(settings, sides[i].field), 0, 0.4,
                                                wholeValueFormat(100, QStringLiteral("%")), crop));
    column->addWidget(crop);

    connect(&document, &EditorDocument::settingsChanged, this, &CanvasTab::refresh);
}

CanvasTab::~CanvasTab()
{
    // A field that loses its focus as the page goes stores what was typed; the page must not be
    // refreshed by that write while its widgets are being taken apart.
    disconnect(&m_document, nullptr, this, nullptr);
}

void CanvasTab::refresh()
{
    m_canvas->refresh();
    for (SettingSlider* slider : m_crop)
        slider->refresh();
}

}  // namespace sablewick
