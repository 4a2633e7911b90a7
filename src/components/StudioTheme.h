#pragma once

#include "preferences/StudioAppearance.h"

#include <QColor>
#include <QMetaType>
#include <QObject>

class QWidget;

namespace sablewick {

class AppPreferences;

// What the interface kit learns from the theme: the colour scheme a window is drawn in, the accent
// and the two reduce switches. Kit widgets ask for it while they paint, so a change shows at once.
struct StudioEnvironment {
    StudioColorScheme scheme = StudioColorScheme::light;
    // The accent resolved for `scheme` (studioAccent; also the palette's highlight).
    QColor accent = QColor(0x00, 0x7A, 0xFF);
    // The application's own switches, and the result with the desktop's settings folded in.
    bool motionReduction = false;
    bool transparencyReduction = false;
    bool reduceMotion = false;
    bool reduceTransparency = false;

    bool isDark() const { return scheme == StudioColorScheme::dark; }
    bool operator==(const StudioEnvironment&) const = default;
};

// Carries the stored preferences into every window: the application palette's highlight becomes
// the accent, the application font takes the body size, and the environment that the kit reads is
// updated, after which every widget repaints. Lives as long as the application; main thread only.
class StudioTheme final : public QObject {
    Q_OBJECT

public:
    explicit StudioTheme(AppPreferences& preferences, QObject* parent = nullptr);

    // The environment made from the preferences as they are now.
    static StudioEnvironment environmentFrom(const AppPreferences& preferences);

    // Applies the preferences to the application now (also done on every change).
    void apply();
    const StudioEnvironment& environment() const { return m_environment; }

    // The environment of a widget: the nearest one set on it or an ancestor with setEnvironment(),
    // else the application's.
    static StudioEnvironment environment(const QWidget* widget);
    static StudioEnvironment applicationEnvironment();
    // Forces one window (or any subtree) into its own environment and matching palette, as sheets
    // and previews that must look a certain way do.
    static void setEnvironment(QWidget* root, const StudioEnvironment& environment);

    // The application font: the desktop's family at the body size.
    static constexpr int bodyPixelSize = 13;

signals:
    void environmentChanged(const sablewick::StudioEnvironment& environment);

private:
    AppPreferences& m_preferences;
    StudioEnvironment m_environment;
};

// Black or white, whichever reads better on the fill (white when they tie).
QColor studioInkOn(const QColor& fill);

// The palette of a scheme with the accent as its highlight, and text on the highlight that reads.
QPalette studioThemePalette(const StudioEnvironment& environment);

} // namespace sablewick

Q_DECLARE_METATYPE(sablewick::StudioEnvironment)
