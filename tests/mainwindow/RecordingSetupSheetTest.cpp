#include "mainwindow/RecordingSetupSheet.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "components/StudioMenuPicker.h"
#include "components/WidgetFit.h"
#include "components/WindowSheet.h"
#include "recording/FakeCaptureBackend.h"
#include "recording/Recorder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QTest>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using test::FakeCaptureBackend;

class RecordingSetupSheetTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeCaptureBackend backend;
    Recorder recorder{backend, dir.filePath("Recordings")};
    RecordingOptions options;
    std::unique_ptr<RecordingSetupSheet> sheet;

    void open()
    {
        sheet = std::make_unique<RecordingSetupSheet>(StudioBinding<RecordingOptions>::to(options), recorder,
                                                      [this] { return RecordingCapabilities::read(backend); });
    }
    QStringList texts() const
    {
        QStringList all;
        for (const QLabel* l : sheet->findChildren<QLabel*>())
            if (l->isVisibleTo(sheet.get()) || !l->isHidden())
                all << l->text();
        return all;
    }
    StudioButton* button(const QString& title) const
    {
        for (StudioButton* b : sheet->findChildren<StudioButton*>())
            if (b->text() == title)
                return b;
        return nullptr;
    }
    QAbstractButton* toggle(const QString& title) const { return sheet->findChild<QAbstractButton*>(title); }
};

TEST_F(RecordingSetupSheetTest, ShowsTheDisplaysAndTheSizeTheRecorderWillUse)
{
    options.displayID = 404;  // unplugged since: the main display is chosen instead
    open();
    EXPECT_EQ(options.displayID, 7u);
    auto* picker = sheet->findChild<StudioMenuPicker*>();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->labels(), QStringList({"Display 7", "Display 9"}));
    EXPECT_TRUE(texts().contains("1280 × 720 · 60 fps"));
    EXPECT_TRUE(texts().contains("System audio"));  // the footer's summary
    EXPECT_TRUE(button("Start recording")->isEnabled());

    // The main display's number is not listed: the first display is chosen.
    backend.mainDisplay = 1234;
    options.displayID = 404;
    sheet->refreshCapabilities();
    EXPECT_EQ(options.displayID, 7u);

    // No displays left: none is chosen, the sheet says so and start is off.
    backend.displayList.clear();
    sheet->refreshCapabilities();
    EXPECT_FALSE(options.displayID);
    EXPECT_TRUE(texts().contains("Connect a display to start recording."));
    EXPECT_FALSE(sheet->findChild<StudioMenuPicker*>());
    EXPECT_FALSE(button("Start recording")->isEnabled());
}

TEST_F(RecordingSetupSheetTest, SwitchesEditTheOptionsAndTheirNotes)
{
    open();
    ASSERT_TRUE(toggle("Microphone"));
    toggle("Microphone")->click();
    EXPECT_TRUE(options.microphone);
    EXPECT_TRUE(texts().contains("System audio + microphone"));
    EXPECT_TRUE(texts().contains("Desk microphone"));

    // No microphone connected: the note, and start is off until Microphone is turned off.
    backend.microphone.reset();
    sheet->refreshCapabilities();
    EXPECT_TRUE(texts().contains("No microphone connected"));
    EXPECT_TRUE(texts().contains("Connect a microphone or turn Microphone off to continue."));
    EXPECT_FALSE(sheet->canStart());
    toggle("Microphone")->click();
    EXPECT_FALSE(texts().contains("Connect a microphone or turn Microphone off to continue."));
    EXPECT_TRUE(sheet->canStart());

    // Access refused: the note and its settings button, start stays on (the recorder reports).
    backend.microphone = QStringLiteral("mic-1");
    backend.microphoneStatus = MicrophoneAuthorization::denied;
    sheet->refreshCapabilities();
    toggle("Microphone")->click();
    EXPECT_TRUE(texts().contains("Microphone access is turned off."));
    QSignalSpy settings(sheet.get(), &RecordingSetupSheet::settingsRequested);
    ASSERT_TRUE(button("Open Microphone Settings"));
    button("Open Microphone Settings")->click();
    ASSERT_EQ(settings.count(), 1);
    EXPECT_EQ(settings.at(0).at(0).toString(), "Privacy_Microphone");
    EXPECT_TRUE(sheet->canStart());

    // Pointer off turns the highlight off for editing but keeps its value.
    options.showClicks = true;
    toggle("Show pointer")->click();
    EXPECT_FALSE(options.showCursor);
    EXPECT_FALSE(toggle("Highlight clicks")->isEnabled());
    EXPECT_TRUE(options.showClicks);

    toggle("System audio")->click();
    toggle("Microphone")->click();
    EXPECT_TRUE(texts().contains("Silent recording"));
}

// Presented over a window as the main window presents it: every row of the form is seen whole
// without scrolling, down to "Highlight clicks", and the keyboard starts on the first choice of
// the form, the display, not on the close button.
TEST_F(RecordingSetupSheetTest, OpensWholeWithTheFocusOnTheDisplay)
{
    QWidget window;
    window.resize(1380, 900);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* content = new RecordingSetupSheet(StudioBinding<RecordingOptions>::to(options), recorder,
                                            [this] { return RecordingCapabilities::read(backend); });
    QDialog* sheet = WindowSheet::present(&window, content, true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    for (const char* name : {"System audio", "Microphone", "Show pointer", "Highlight clicks"}) {
        auto* toggle = content->findChild<QAbstractButton*>(name);
        ASSERT_TRUE(toggle) << name;
        EXPECT_EQ(test::clippingOf(toggle->parentWidget()), "") << name;
    }
    auto* picker = content->findChild<StudioMenuPicker*>();
    ASSERT_TRUE(picker);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == picker; }, 2000))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
    sheet->close();
}

TEST_F(RecordingSetupSheetTest, FollowsTheRecordersStartAndItsProblems)
{
    open();
    EXPECT_EQ(sheet->formHeight(), 350);  // typing can be seen: no typing section
    QSignalSpy start(sheet.get(), &RecordingSetupSheet::startRequested);
    button("Start recording")->click();
    EXPECT_EQ(start.count(), 1);

    recorder.start(options);  // held by the fake: the recorder is starting
    EXPECT_TRUE(button("Starting…"));
    EXPECT_FALSE(button("Starting…")->isEnabled());
    EXPECT_FALSE(button("Cancel")->isEnabled());
    EXPECT_FALSE(sheet->canDismiss());
    backend.failStart(CaptureError("The encoder is missing."));
    QCoreApplication::processEvents();
    EXPECT_TRUE(button("Start recording"));
    EXPECT_TRUE(sheet->canDismiss());
    EXPECT_TRUE(texts().contains("Could not start recording: The encoder is missing."));
    EXPECT_EQ(sheet->formHeight(), 310);

    // A refused permission offers its settings pane.
    backend.screenAllowed = {false};
    recorder.start(options);
    EXPECT_TRUE(button("Open Screen Recording Settings"));
    EXPECT_FALSE(button("Quit to finish permission setup"));
    backend.screenRequestGrants = true;
    recorder.start(options);
    EXPECT_TRUE(button("Quit to finish permission setup"));

    // Without typing access the typing section shows and the form grows.
    FakeCaptureBackend quiet;
    quiet.monitorError = CaptureError("no");
    Recorder idle(quiet, dir.filePath("Other"));
    RecordingSetupSheet other(StudioBinding<RecordingOptions>::to(options), idle,
                              [&] { return RecordingCapabilities::read(quiet); });
    EXPECT_EQ(other.formHeight(), 440);

    // Where no setting would help (a Wayland session), one line says so instead of promising
    // zooms on clicks, and nothing is offered.
    EXPECT_TRUE(texts().contains("Clicks become editable zooms. You can move, resize or remove them afterward."));
    backend.monitorError = CaptureError("no");
    backend.inputReason = QStringLiteral("On Wayland only the pointer's path is recorded, not clicks or typing.");
    sheet.reset();
    open();
    EXPECT_TRUE(texts().contains(*backend.inputReason));
    EXPECT_FALSE(texts().contains("Clicks become editable zooms. You can move, resize or remove them afterward."));
    EXPECT_FALSE(texts().contains("Want automatic zooms while typing?"));
    EXPECT_FALSE(button("Set up typing zooms"));
    recorder.clearNotice();
    EXPECT_EQ(sheet->formHeight(), 350);
}

}  // namespace
}  // namespace sablewick
