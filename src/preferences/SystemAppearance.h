#pragma once

#include "preferences/StudioAppearance.h"

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace sablewick {

// What the desktop's settings portal (org.freedesktop.portal.Settings, namespace
// "org.freedesktop.appearance") says. A field the portal does not state stays none.
struct DesktopSettings {
    std::optional<StudioColorScheme> colorScheme;
    std::optional<bool> reduceMotion;
    std::optional<bool> highContrast;
    bool operator==(const DesktopSettings&) const = default;
};

// Reads the desktop settings; behind an interface so tests need no session bus.
class DesktopSettingsSource {
public:
    virtual ~DesktopSettingsSource() = default;
    // Blocks for at most the source's timeout; all fields none when nothing answers.
    virtual DesktopSettings read() = 0;
    // From now on calls `changed` with the new settings whenever the desktop changes one of them
    // (on the main thread). A source that cannot tell never calls it.
    virtual void watch(std::function<void(const DesktopSettings&)> changed) { (void)changed; }
};

// The portal with a short timeout, so a missing portal cannot stall start-up. An empty bus address
// means the session bus.
std::unique_ptr<DesktopSettingsSource> makePortalSettingsSource(int timeoutMilliseconds = 200,
                                                                const QString& busAddress = QString());

// Reads the members of the appearance namespace: "color-scheme" (1 dark, 2 light, 0 no
// preference), "reduced-motion" (1 reduced) and "contrast" (1 high).
DesktopSettings parsePortalAppearance(const QVariantMap& appearance);

// Dark when the palette's window colour is darker than mid grey.
StudioColorScheme colorSchemeOfPalette(const QPalette& palette);

// The desktop's appearance as the preferences need it.
class SystemAppearance : public QObject {
    Q_OBJECT

public:
    ~SystemAppearance() override = default;
    // Light or dark as the desktop prefers.
    virtual StudioColorScheme colorScheme() = 0;
    // The desktop's accent colour (the palette's highlight colour).
    virtual QColor accentColor() = 0;
    virtual bool reduceMotion() = 0;
    virtual bool reduceTransparency() = 0;
    // The palette the desktop gave the application before this program changed it; the system
    // palette of tests without a GUI application.
    virtual QPalette desktopPalette() = 0;

signals:
    // The desktop switched between light and dark or changed an accessibility setting.
    void changed();
};

// The desktop seen through the settings portal (asked once, on first use) and the palette the
// application started with. The palette is captured on first use, before the application's own
// appearance replaces it, so call it before applying an appearance. Main thread only.
class DesktopSystemAppearance final : public SystemAppearance {
public:
    explicit DesktopSystemAppearance(std::unique_ptr<DesktopSettingsSource> source);

    StudioColorScheme colorScheme() override;
    QColor accentColor() override;
    bool reduceMotion() override;
    // The desktop has no separate switch; its high-contrast setting asks for opaque surfaces too.
    bool reduceTransparency() override;
    QPalette desktopPalette() override;

private:
    const DesktopSettings& settings();

    std::unique_ptr<DesktopSettingsSource> m_source;
    std::optional<DesktopSettings> m_settings;
    std::optional<QPalette> m_palette;
};

// The process-wide desktop appearance, on the settings portal.
std::shared_ptr<SystemAppearance> standardSystemAppearance();

// The application palette for a scheme, built on the system colours; the highlight stays the given
// desktop accent.
QPalette studioPalette(StudioColorScheme scheme, const QColor& highlight);

}  // namespace sablewick
