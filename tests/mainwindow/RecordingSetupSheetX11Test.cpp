// The setup sheet follows the machine while it is open, without the user doing anything: a
// microphone that appears or goes on the private audio server, a display whose size is changed on
// the program's own X server.
#include "mainwindow/RecordingSetupSheet.h"

#include "editor/EditorTestSupport.h"
#include "platform/DisplayList.h"
#include "recording/Recorder.h"
#include "recording/X11CaptureBackend.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << program.toStdString() << " did not finish";
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ' ' << arguments.join(' ').toStdString() << ": "
                                     << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A display switched to a mode of another size, as the desktop's display settings do; switched
// back, and the mode forgotten, when the object goes, also after a failed check.
class DisplayMode {
public:
    DisplayMode(const DisplayInfo& display, QSize size)
        : m_output(display.name)
        , m_name(QStringLiteral("sablewick-%1x%2").arg(size.width()).arg(size.height()))
        , m_original(QStringLiteral("%1x%2").arg(display.geometry.width()).arg(display.geometry.height()))
    {
        // Plain 60 Hz timings: Xvfb takes any consistent mode.
        const int width = size.width(), height = size.height(), hTotal = width + 160, vTotal = height + 30;
        QStringList timings{QString::number(hTotal * vTotal * 60 / 1e6, 'f', 3)};
        for (int value : {width, width + 48, width + 80, hTotal, height, height + 3, height + 8, vTotal})
            timings << QString::number(value);
        run(QStringLiteral("xrandr"), QStringList{"--newmode", m_name} + timings);
        run(QStringLiteral("xrandr"), {"--addmode", m_output, m_name});
        run(QStringLiteral("xrandr"), {"--output", m_output, "--mode", m_name});
    }
    ~DisplayMode()
    {
        run(QStringLiteral("xrandr"), {"--output", m_output, "--mode", m_original});
        run(QStringLiteral("xrandr"), {"--delmode", m_output, m_name});
        run(QStringLiteral("xrandr"), {"--rmmode", m_name});
    }
    DisplayMode(const DisplayMode&) = delete;
    DisplayMode& operator=(const DisplayMode&) = delete;

private:
    QString m_output;
    QString m_name;
    QString m_original;  // the mode Xvfb started with: it is named after its size
};

class RecordingSetupSheetX11Test : public ::testing::Test {
protected:
    bool shows(const QString& text) const
    {
        for (const QLabel* label : sheet.findChildren<QLabel*>())
            if (label->text() == text && !label->isHidden())
                return true;
        return false;
    }

    RecordingOptions options{.microphone = true};  // the sheet says what is missing
    QTemporaryDir dir;
    X11CaptureBackend backend;
    Recorder recorder{backend, dir.filePath("Recordings")};
    RecordingSetupSheet sheet{StudioBinding<RecordingOptions>::to(options), recorder,
                              [this] { return RecordingCapabilities::read(backend); }};
};

TEST_F(RecordingSetupSheetX11Test, AMicrophonePluggedInOrRemovedShowsWhileTheSheetIsOpen)
{
    sheet.followDevices([this](std::function<void()> changed) { return backend.watchMicrophones(std::move(changed)); });
    // The private server has only an output: its monitor is no microphone.
    ASSERT_TRUE(shows("No microphone connected"));
    EXPECT_FALSE(sheet.canStart());

    const QString module = run(
        QStringLiteral("pactl"),
        {"load-module", "module-null-source", "source_name=sablewick_test_microphone", "description=Desk_microphone"});
    ASSERT_FALSE(module.isEmpty());
    const bool appeared = test::waitUntil([&] { return shows("Desk_microphone"); });
    run(QStringLiteral("pactl"), {"unload-module", module});
    ASSERT_TRUE(appeared);
    EXPECT_TRUE(sheet.canStart());

    EXPECT_TRUE(test::waitUntil([&] { return shows("No microphone connected"); }));
    EXPECT_FALSE(sheet.canStart());
}

TEST_F(RecordingSetupSheetX11Test, ADisplayThatChangesItsSizeShowsItsNewSizeWhileTheSheetIsOpen)
{
    const DisplayLayout layout = DisplayList::current();
    ASSERT_EQ(layout.displays.size(), 1u);
    const DisplayInfo display = layout.displays.front();
    const QString before = RecordingSetupText::sizeLine(QSizeF(display.geometry.size()));
    ASSERT_TRUE(shows(before));

    const QSize smaller(1280, 720);
    ASSERT_NE(display.geometry.size(), smaller);
    {
        const DisplayMode mode(display, smaller);
        EXPECT_TRUE(test::waitUntil([&] { return shows(RecordingSetupText::sizeLine(QSizeF(smaller))); }));
        EXPECT_FALSE(shows(before));
    }
    EXPECT_TRUE(test::waitUntil([&] { return shows(before); }));
}

}  // namespace
}  // namespace sablewick
