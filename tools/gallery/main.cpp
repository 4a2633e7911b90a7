// The kit gallery: every control in light and dark with the chosen accent. Test-only.
//   sablewick_gallery [--accent NAME] [--reduce-transparency] [--grab FOLDER]
// With --grab it saves light.png, dark.png and gallery.png (and, on X11, screen.png) into FOLDER
// and quits.
#include "GalleryWindow.h"

#include "components/StudioKit.h"
#include "platform/NumericLocale.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "preferences/SystemAppearance.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

// The gallery looks the same on every desktop: light, system blue, nothing reduced.
class FixedAppearance final : public sablewick::SystemAppearance {
public:
    sablewick::StudioColorScheme colorScheme() override { return sablewick::StudioColorScheme::light; }
    QColor accentColor() override { return QColor(0x007AFF); }
    bool reduceMotion() override { return false; }
    bool reduceTransparency() override { return false; }
    QPalette desktopPalette() override
    {
        return sablewick::studioPalette(sablewick::StudioColorScheme::light, accentColor());
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    sablewick::useCNumericLocale();
    QString accent = QStringLiteral("Violet");
    QString grabFolder;
    bool reduceTransparency = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--accent") && i + 1 < args.size())
            accent = args[++i];
        else if (args[i] == QLatin1String("--grab") && i + 1 < args.size())
            grabFolder = args[++i];
        else if (args[i] == QLatin1String("--reduce-transparency"))
            reduceTransparency = true;
        else {
            std::fprintf(stderr, "usage: sablewick_gallery [--accent NAME] [--reduce-transparency] [--grab FOLDER]\n");
            return 2;
        }
    }
    const auto chosen = sablewick::studioAccentFromRawValue(accent);
    if (!chosen) {
        std::fprintf(stderr, "unknown accent: %s\n", qPrintable(accent));
        return 2;
    }

    sablewick::MemoryPreferencesStore store;
    const auto desktop = std::make_shared<FixedAppearance>();
    sablewick::AppPreferences preferences(store, desktop);
    preferences.setAccent(*chosen);
    preferences.setReduceTransparency(reduceTransparency);
    preferences.applyApplicationAppearance();
    sablewick::installStudioKit(preferences);

    sablewick::GalleryWindow window(preferences, desktop);
    window.resize(1920, 1080);
    window.show();

    if (!grabFolder.isEmpty()) {
        QTimer::singleShot(600, &window, [&] {
            const QDir folder(grabFolder);
            bool ok = folder.exists() || QDir().mkpath(grabFolder);
            ok = ok && window.pane(sablewick::StudioColorScheme::light)->grab().save(folder.filePath(QStringLiteral("light.png")));
            ok = ok && window.pane(sablewick::StudioColorScheme::dark)->grab().save(folder.filePath(QStringLiteral("dark.png")));
            ok = ok && window.grab().save(folder.filePath(QStringLiteral("gallery.png")));
            // What the display shows, as a screenshot tool would take it (on a real X server).
            if (QScreen* screen = QGuiApplication::primaryScreen(); screen && QGuiApplication::platformName() == QLatin1String("xcb"))
                ok = ok && screen->grabWindow(0).save(folder.filePath(QStringLiteral("screen.png")));
            QApplication::exit(ok ? 0 : 1);
        });
    }
    return QApplication::exec();
}
