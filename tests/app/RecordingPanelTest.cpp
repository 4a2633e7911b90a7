#include "app/RecordingPanel.h"

#include "components/StudioButton.h"
#include "components/StudioLabel.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "recording/FakeCaptureBackend.h"
#include "recording/Recorder.h"

#include <QCoreApplication>
#include <QStackedWidget>
#include <QDir>
#include <QTemporaryDir>

#include "document/Project.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

using test::FakeCaptureBackend;

TEST(RecordingPanelTest, TheClockCountsWholeSecondsWithoutALimitOnMinutes)
{
    const QDateTime start(QDate(2026, 12, 10), QTime(9, 0, 0));
    struct Row {
        qint64 milliseconds;
        const char* text;
    };
    const Row rows[] = {{0, "00:00"}, {999, "00:00"}, {65'400, "01:05"}, {(125 * 60 + 7) * 1000, "125:07"}, {-5000, "00:00"}};
    for (const Row& row : rows)
        EXPECT_EQ(RecordingPanel::elapsed(start, start.addMSecs(row.milliseconds)), row.text) << row.milliseconds;
}

TEST(RecordingPanelTest, SitsAtTheTopCentreOfTheAvailableArea)
{
    EXPECT_EQ(RecordingPanel::placement(QRect()), QRect(525, 18, 390, 64));
    EXPECT_EQ(RecordingPanel::placement(QRect(1920, 30, 1920, 1050)), QRect(1920 + 765, 48, 390, 64));
}

class RecordingPanelFlowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeCaptureBackend backend;
    Recorder recorder{backend, dir.filePath("Recordings")};
    MemoryPreferencesStore store;
    AppPreferences preferences{store};
    RecordingPanelController controller{preferences};

    void record()
    {
        recorder.start({});
        backend.completeStart(backend.clock);
        QCoreApplication::processEvents();
        ASSERT_TRUE(recorder.isRecording());
    }
    StudioButton* button(const QString& title) const
    {
        for (StudioButton* b : controller.panel()->findChildren<StudioButton*>())
            if (b->text() == title && b->isVisibleTo(controller.panel()))
                return b;
        return nullptr;
    }
    QString visibleText(int page) const
    {
        auto* rows = controller.panel()->findChildren<QStackedWidget*>().at(1);
        QStringList texts;
        for (const StudioLabel* l : rows->widget(page)->findChildren<StudioLabel*>())
            texts << l->text();
        return texts.join('|');
    }
};

TEST_F(RecordingPanelFlowTest, FollowsTheRecordingFromStartToReady)
{
    record();
    controller.show(recorder);
    RecordingPanel* panel = controller.panel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(panel->size(), QSize(390, 64));
    EXPECT_EQ(panel->row(), RecordingPanel::Row::recording);
    EXPECT_EQ(visibleText(0), "00:00");

    // Showing again reuses the panel.
    controller.show(recorder);
    EXPECT_EQ(controller.panel(), panel);

    // Mark zoom: a manual point at the pointer, on the recorded display only.
    backend.pointer = {640, 360};
    StudioIconButton* mark = nullptr;
    for (StudioIconButton* b : panel->findChildren<StudioIconButton*>())
        if (b->accessibleName() == "Mark zoom at pointer")
            mark = b;
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->toolTip(), preferences.help("Add zoom at pointer", StudioShortcutAction::markZoom));
    mark->click();
    backend.pointer = {5000, 5000};
    mark->click();
    ASSERT_EQ(recorder.events().size(), 1u);
    EXPECT_EQ(recorder.events()[0].kind, FocusKind::manual);

    ASSERT_TRUE(button("Stop recording"));
    button("Stop recording")->click();
    EXPECT_EQ(panel->row(), RecordingPanel::Row::finishing);
    backend.lastEvents.finished();
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->row(), RecordingPanel::Row::ready);
    EXPECT_EQ(visibleText(2), "Recording ready");

    // "Edit" opens the editor and closes the panel.
    int opened = 0;
    controller.openEditor = [&] { ++opened; };
    ASSERT_TRUE(button("Edit"));
    button("Edit")->click();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(controller.panel());
}

TEST_F(RecordingPanelFlowTest, ShowsWhyARecordingStopped)
{
    record();
    controller.show(recorder);
    backend.lastEvents.failed(CaptureError("The disk is full."));
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.panel()->row(), RecordingPanel::Row::stopped);
    EXPECT_EQ(visibleText(3), "Recording failed: The disk is full.");

    // The next start clears the notice: "Recording stopped" until the capture runs.
    recorder.start({});
    EXPECT_EQ(visibleText(3), "Recording stopped");
    backend.completeStart(backend.clock);
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.panel()->row(), RecordingPanel::Row::recording);

    // A finish whose sidecar could not be written says so on the ready row.
    QDir().mkpath(FocusSidecar::pathFor(backend.lastRequest->moviePath) + "/blocked");
    recorder.stop();
    backend.lastEvents.finished();
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.panel()->row(), RecordingPanel::Row::ready);
    EXPECT_TRUE(visibleText(2).startsWith("The recording was saved without its clicks and pointer path"));
}

}  // namespace
}  // namespace sablewick
