#pragma once

#include "components/StudioBinding.h"
#include "document/EditSettings.h"

#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QLineEdit;

namespace sablewick {

class AdaptiveGrid;
class CanvasColorWell;
class CanvasPresets;
class StudioElidedLabel;
class InspectorSection;
class SettingSlider;
class StudioButton;
class StudioColorSwatch;
class StudioDialogs;
class StudioIconButton;
class StudioLabel;
class StudioMenuPicker;
class StudioStyledButton;
class StudioSwitch;

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
    // A random index below n > 0; the shuffle's source of chance.
    using Chance = std::function<std::size_t(std::size_t)>;

    // Without dialogs the desktop's own are used; without chance a uniform generator.
    CanvasInspector(StudioBinding<EditSettings> settings, CanvasPresets& presets, StudioDialogs* dialogs = nullptr,
                    QWidget* parent = nullptr);
    ~CanvasInspector() override;

    void refresh();
    void setChance(Chance chance) { m_chance = std::move(chance); }

    bool isLibraryExpanded() const { return m_expandedLibrary; }
    // The background tiles shown now (gradients, or patterns and pictures), in order.
    const std::vector<QWidget*>& backgroundTiles() const;
    // The presets menu as it is built when the user opens it; the save dialog while it is open.
    QMenu* presetsMenu();
    QDialog* presetNameDialog() const { return m_nameDialog; }
    // The name last typed into the save dialog; it stays until the next "Save current style…".
    QString typedPresetName() const { return m_name; }

private:
    class RatioField;

    void buildFormat(InspectorSection* section);
    void buildBackground(InspectorSection* section);
    void buildFrame(InspectorSection* section);
    void refreshFormat(const EditSettings& settings);
    void refreshBackground(const EditSettings& settings);
    void refreshFrame(const EditSettings& settings);
    void refreshGradients(const EditSettings& settings);
    void refreshArtworks(const EditSettings& settings);
    void write(const EditSettings& settings) { m_settings.set(settings); }
    void shuffle();
    void chooseImage();
    void askPresetName();

    StudioBinding<EditSettings> m_settings;
    CanvasPresets& m_presets;
    std::unique_ptr<StudioDialogs> m_ownDialogs;
    StudioDialogs* m_dialogs;
    Chance m_chance;
    bool m_expandedLibrary = false;
    QString m_name;

    // Format
    StudioButton* m_presetsButton = nullptr;
    QPointer<QMenu> m_presetsMenu;
    QPointer<QDialog> m_nameDialog;
    StudioMenuPicker* m_aspect = nullptr;
    StudioLabel* m_fitNote = nullptr;
    QWidget* m_customRatio = nullptr;
    RatioField* m_ratioWidth = nullptr;
    RatioField* m_ratioHeight = nullptr;
    StudioLabel* m_ratioNote = nullptr;

    // Background
    StudioMenuPicker* m_kind = nullptr;
    StudioIconButton* m_shuffle = nullptr;
    QWidget* m_gradientHeader = nullptr;
    StudioLabel* m_gradientName = nullptr;
    StudioStyledButton* m_gradientToggle = nullptr;
    AdaptiveGrid* m_gradients = nullptr;
    std::vector<BackgroundPreset> m_shownGradients;
    AdaptiveGrid* m_artworks = nullptr;
    std::vector<BackgroundArtwork> m_shownArtworks;
    StudioButton* m_imageButton = nullptr;
    QWidget* m_imageRow = nullptr;
    StudioElidedLabel* m_imageName = nullptr;
    SettingSlider* m_blur = nullptr;
    AdaptiveGrid* m_colors = nullptr;
    CanvasColorWell* m_customColor = nullptr;
    StudioLabel* m_hiddenNote = nullptr;

    // Frame
    SettingSlider* m_spacing = nullptr;
    SettingSlider* m_inset = nullptr;
    CanvasColorWell* m_insetColor = nullptr;
    StudioSwitch* m_balance = nullptr;
    SettingSlider* m_shadow = nullptr;
    SettingSlider* m_radius = nullptr;
};

}  // namespace sablewick
