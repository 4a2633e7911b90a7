#pragma once

#include "preferences/StudioAppearance.h"

#include <QColor>
#include <QWidget>

#include <memory>

namespace sablewick {

class AppPreferences;
class SystemAppearance;

// Everything the gallery's controls show; the gallery is their caller and owns it, as a window of
// the application owns its model.
struct GalleryState {
    int format = 0;
    int soundStyle = 0;
    int resolution = 1;
    bool pointer = true;
    bool sounds = false;
    double padding = 64;
    double corner = 18;
    double quality = 3;
    double volume = 0.6;
    int swatch = 2;
    int music = 1;
    int playing = 2;
    int page = 3;
    bool inspectorShown = true;
    int tile = 1;
    QString name = QStringLiteral("Launch teaser");
};

// One side of the gallery: every control of the kit in one colour scheme, laid out like an editor
// window with a sheet of the controls under it.
QWidget* makeGalleryPane(GalleryState& state, AppPreferences& preferences,
                         std::shared_ptr<SystemAppearance> system, StudioColorScheme scheme,
                         QWidget* parent = nullptr);

// Light and dark side by side.
class GalleryWindow final : public QWidget {
    Q_OBJECT

public:
    // `system` is the desktop appearance the preferences were made with.
    GalleryWindow(AppPreferences& preferences, std::shared_ptr<SystemAppearance> system,
                  QWidget* parent = nullptr);

    QWidget* pane(StudioColorScheme scheme) const;
    GalleryState& state() { return m_state; }
    // Re-reads the state everywhere (after a control wrote it).
    void refresh();

private:
    GalleryState m_state;
    QWidget* m_light;
    QWidget* m_dark;
};

} // namespace sablewick
