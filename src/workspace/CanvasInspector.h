#pragma once

#include "components/StudioBinding.h"
#include "document/EditSettings.h"

#include <QWidget>

#include <memory>

class QLineEdit;

namespace sablewick {

class CanvasPresets;
class InspectorSection;
class StudioDialogs;
class StudioLabel;
class StudioMenuPicker;

// The panel that styles an edit's canvas: its format, the background behind the card and the
// card's frame, with the saved presets. It serves the video editor and the image editor alike and
// keeps no edit of its own: every control reads the host's record and writes the whole record
// back, so the host's history folds quick writes into one undo step.
//
// The host calls refresh() after its record changed (an undo, another window); the controls then
// change in place, and a thumb being dragged or a number being typed is left alone.
//
// Main thread only; the binding's owner and the presets outlive the panel.
class CanvasInspector final : public QWidget {
    Q_OBJECT

public:
    // Without dialogs the desktop's own are used.
    CanvasInspector(StudioBinding<EditSettings> settings, CanvasPresets& presets, StudioDialogs* dialogs = nullptr,
                    QWidget* parent = nullptr);
    ~CanvasInspector() override;

    void refresh();

private:
    class RatioField;

    void buildFormat(InspectorSection* section);
    void refreshFormat(const EditSettings& settings);
    void write(const EditSettings& settings) { m_settings.set(settings); }

    StudioBinding<EditSettings> m_settings;
    CanvasPresets& m_presets;
    std::unique_ptr<StudioDialogs> m_ownDialogs;
    StudioDialogs* m_dialogs;

    StudioMenuPicker* m_aspect = nullptr;
    StudioLabel* m_fitNote = nullptr;
    QWidget* m_customRatio = nullptr;
    RatioField* m_ratioWidth = nullptr;
    RatioField* m_ratioHeight = nullptr;
    StudioLabel* m_ratioNote = nullptr;
};

}  // namespace sablewick
