// The setup sheet follows the private audio server: a microphone that appears or goes while the
// sheet is open shows at once, without the user doing anything.
#include "mainwindow/RecordingSetupSheet.h"

#include "editor/EditorTestSupport.h"
#include "recording/Recorder.h"
#include "recording/X11CaptureBackend.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

QString pactl(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    EXPECT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST(RecordingSetupSheetX11Test, AMicrophonePluggedInOrRemovedShowsWhileTheSheetIsOpen)
{
    RecordingOptions options;
    options.microphone = true;  // the sheet says what is missing
    QTemporaryDir dir;
    X11CaptureBackend backend;
    Recorder recorder(backend, dir.filePath("Recordings"));
    RecordingSetupSheet sheet(StudioBinding<RecordingOptions>::to(options), recorder,
                              [&backend] { return RecordingCapabilities::read(backend); });
    sheet.followDevices(
        [&backend](std::function<void()> changed) { return backend.watchMicrophones(std::move(changed)); });
    auto shows = [&sheet](const QString& text) {
        for (const QLabel* label : sheet.findChildren<QLabel*>())
            if (label->text() == text && !label->isHidden())
                return true;
        return false;
    };
    // The private server has only an output: its monitor is no microphone.
    ASSERT_TRUE(shows("No microphone connected"));
    EXPECT_FALSE(sheet.canStart());

    const QString module = pactl(
        {"load-module", "module-null-source", "source_name=sablewick_test_microphone", "description=Desk_microphone"});
    ASSERT_FALSE(module.isEmpty());
    const bool appeared = test::waitUntil([&] { return shows("Desk_microphone"); });
    pactl({"unload-module", module});
    ASSERT_TRUE(appeared);
    EXPECT_TRUE(sheet.canStart());

    EXPECT_TRUE(test::waitUntil([&] { return shows("No microphone connected"); }));
    EXPECT_FALSE(sheet.canStart());
}

}  // namespace
}  // namespace sablewick
