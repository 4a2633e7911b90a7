// The main window on the private X server, driven by xdotool's real clicks and keys, over the real
// editor model, player and export pipeline. Only the recorder and image editor are stand-ins.
#include "editor/EditorTestSupport.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/ExportProgressPanel.h"
#include "mainwindow/ExportSheetText.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MainWindowTestSupport.h"
#include "mainwindow/StudioWelcome.h"
#include "mainwindow/XdotoolDriver.h"
#include "components/StudioButton.h"
#include "media/PlaybackEngine.h"
#include "preferences/AppPreferences.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QToolBar>

namespace sablewick::test {
namespace {

QAbstractButton* buttonTitled(QWidget* root, const QString& title)
{
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (b->text() == title && b->isVisible())
            return b;
    return nullptr;
}

bool isMessageBox(QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; }
bool isOpenPanel(QWidget* w)
{
    auto* d = qobject_cast<QFileDialog*>(w);
    return d && d->acceptMode() == QFileDialog::AcceptOpen;
}
bool isSavePanel(QWidget* w)
{
    auto* d = qobject_cast<QFileDialog*>(w);
    return d && d->acceptMode() == QFileDialog::AcceptSave;
}

class MainWindowX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "x11 tests run under the test command's Xvfb";
        // The test types into Qt's own file dialogs; a desktop's native one would be out of reach.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        bench.services = standardEditorServices(playback);
        bench.services.defaults = &bench.preferences;
        window = std::make_unique<MainWindow>(
            ContentView::Services{&bench.model(), &preferences, &session, nullptr, &bench.preferences, {}});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        watchdog.reset(XdotoolDriver::watchdog(90));
    }
    void TearDown() override { window.reset(); }

    ContentView& view() { return *window->content(); }
    EditorModel& editor() { return bench.model(); }

    // Types a full path into the file dialog that is up and confirms it.
    static void answerFileDialog(QWidget* dialog, const QString& path)
    {
        XdotoolDriver::type(dialog, path);
        XdotoolDriver::key(dialog, "Return");
    }

    EditorBench bench;
    PlaybackEngine playback;
    AppPreferences preferences{bench.preferences};
    FakeSession session;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QTimer> watchdog;
};

TEST_F(MainWindowX11Test, WelcomeThenOpeningAClipFromItsMenuShowsTheWorkspace)
{
    EXPECT_EQ(window->windowTitle(), "Sablewick");
    ASSERT_TRUE(view().welcome()->isVisible());
    EXPECT_FALSE(view().welcome()->isCompact()) << "1380 px is the side-by-side layout";

    QAbstractButton* openFile = buttonTitled(view().welcome(), "Open a file");
    ASSERT_NE(openFile, nullptr);
    XdotoolDriver::click(openFile);
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (QMenu* m : openFile->findChildren<QMenu*>())
            if (m->isVisible())
                menu = m;
        return menu != nullptr;
    }, 10000));
    QAction* openVideo = menu->actions().value(0);
    ASSERT_EQ(openVideo->text(), QString::fromUtf8("Open video…"));
    const QString clip = Clips::get().twoSeconds;
    XdotoolDriver::whenModal(isOpenPanel, [&](QWidget* d) { answerFileDialog(d, clip); });
    XdotoolDriver::clickAt(menu->mapToGlobal(menu->actionGeometry(openVideo).center()));
    ASSERT_TRUE(waitUntil([&] { return view().workspace() && view().workspace()->isVisible(); }, 30000));
    EXPECT_EQ(window->windowTitle(), "two");
    EXPECT_FALSE(view().welcome()->isVisible());
    EXPECT_TRUE(view().isInspectorShown());
}

TEST_F(MainWindowX11Test, SavePromptButtonsInOrderAndEachAnswer)
{
    const QString first = Clips::get().twoSeconds;
    const QString second = Clips::get().threeSeconds;
    ASSERT_TRUE(waitUntil([&] { return true; }));
    std::optional<bool> opened;
    editor().document().open(QUrl::fromLocalFile(first), std::nullopt, [&](bool ok) { opened = ok; });
    ASSERT_TRUE(waitUntil([&] { return opened.has_value(); }));
    ASSERT_TRUE(*opened);
    EditSettings s = editor().document().settings();
    s.cornerRadius += 8;
    editor().document().setSettings(s);
    ASSERT_TRUE(waitUntil([&] { return view().workspace() != nullptr; }));

    // Cancel: the prompt goes, nothing else comes, the edit stays.
    QStringList order;
    XdotoolDriver::whenModal(isMessageBox, [&](QWidget* box) {
        auto buttons = box->findChildren<QAbstractButton*>();
        std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x(); });
        for (QAbstractButton* b : buttons)
            if (b->isVisible())
                order << b->text();
        EXPECT_EQ(static_cast<QMessageBox*>(box)->text(), "Save this edit before moving on?");
        XdotoolDriver::click(buttonTitled(box, "Cancel"));
    });
    XdotoolDriver::key(window.get(), "ctrl+o");
    ASSERT_TRUE(waitUntil([&] { return !order.isEmpty() && !QApplication::activeModalWidget(); }, 30000));
    EXPECT_EQ(order, (QStringList{"Save project", "Cancel", "Discard changes"}));
    EXPECT_EQ(editor().document().movieURL(), QUrl::fromLocalFile(first));
    EXPECT_TRUE(editor().document().hasUnsavedEdits());

    // Save project: the save panel proposes the default name; the project is written, then the
    // open panel comes and is dismissed with Escape, so the movie stays.
    const QString project = bench.path("Kept.sablewick.json");
    QString proposed;
    bool openPanelShown = false;
    XdotoolDriver::whenModal(isMessageBox, [&](QWidget* box) {
        XdotoolDriver::whenModal(isSavePanel, [&](QWidget* panel) {
            proposed = static_cast<QFileDialog*>(panel)->selectedFiles().value(0).section('/', -1);
            XdotoolDriver::whenModal(isOpenPanel, [&](QWidget* open) {
                openPanelShown = true;
                XdotoolDriver::key(open, "Escape");
            });
            answerFileDialog(panel, project);
        });
        XdotoolDriver::click(buttonTitled(box, "Save project"));
    });
    XdotoolDriver::key(window.get(), "ctrl+o");
    ASSERT_TRUE(waitUntil([&] { return openPanelShown && !QApplication::activeModalWidget(); }, 30000));
    EXPECT_EQ(proposed, "Sablewick Project.sablewick.json");
    EXPECT_TRUE(QFileInfo::exists(project));
    EXPECT_FALSE(editor().document().hasUnsavedEdits());
    EXPECT_EQ(editor().document().movieURL(), QUrl::fromLocalFile(first));

    // Discard: the open panel follows and the chosen movie replaces the edit.
    s.cornerRadius += 8;
    editor().document().setSettings(s);
    editor().document().flushPendingEdits();
    XdotoolDriver::whenModal(isMessageBox, [&](QWidget* box) {
        XdotoolDriver::whenModal(isOpenPanel, [&](QWidget* panel) { answerFileDialog(panel, second); });
        XdotoolDriver::click(buttonTitled(box, "Discard changes"));
    });
    XdotoolDriver::key(window.get(), "ctrl+o");
    ASSERT_TRUE(waitUntil([&] { return editor().document().movieURL() == QUrl::fromLocalFile(second); }, 30000));
    EXPECT_TRUE(waitUntil([&] { return window->windowTitle() == "three"; }));
}

TEST_F(MainWindowX11Test, ExportProgressPanelThroughARealExportThatPlays)
{
    std::optional<bool> opened;
    editor().document().open(QUrl::fromLocalFile(Clips::get().twoSeconds), std::nullopt, [&](bool ok) { opened = ok; });
    ASSERT_TRUE(waitUntil([&] { return opened.has_value(); }));
    ASSERT_TRUE(waitUntil([&] { return view().workspace() != nullptr; }));
    QWidget* exportButton = view().toolbar()->widgetForAction(view().action("export"));
    // Clicked where it is on the screen, so it must be there and take the click.
    ASSERT_TRUE(waitUntil([&] { return exportButton->isVisible() && exportButton->isEnabled(); }));
    const QString destination = bench.path("Demo export.mp4");
    QStringList titles, phases;
    bool cancelEnabled = false;
    XdotoolDriver::whenModal([](QWidget* w) { return buttonTitled(w, QString::fromUtf8("Export MP4…")) != nullptr; },
                             [&](QWidget* sheet) {
                                 XdotoolDriver::whenModal(isSavePanel, [&](QWidget* panel) {
                                     EXPECT_EQ(static_cast<QFileDialog*>(panel)->selectedFiles().value(0).section('/', -1),
                                               "Sablewick Video.mp4");
                                     answerFileDialog(panel, destination);
                                 });
                                 XdotoolDriver::click(buttonTitled(sheet, QString::fromUtf8("Export MP4…")));
                             });
    XdotoolDriver::click(exportButton);
    ASSERT_TRUE(waitUntil([&] { return editor().exporter().isExporting(); }, 30000));
    ASSERT_TRUE(waitUntil([&] {
        if (ExportProgressPanel* panel = view().exportProgressPanel()) {
            if (!titles.contains(panel->title()))
                titles << panel->title();
            if (!phases.contains(panel->phase()))
                phases << panel->phase();
            cancelEnabled = cancelEnabled || panel->cancelButton()->isEnabled();
        }
        return !editor().exporter().isExporting();
    }, 120000));
    EXPECT_EQ(titles, QStringList{"Exporting video"});
    EXPECT_TRUE(phases.contains(QString::fromUtf8("Rendering frames…"))) << phases.join(", ").toStdString();
    EXPECT_TRUE(cancelEnabled);
    EXPECT_EQ(view().exportProgressPanel(), nullptr);
    ASSERT_EQ(editor().exporter().exportURL(), QUrl::fromLocalFile(destination))
        << editor().notice().value_or("").toStdString();

    // The written movie decodes from its first frame to its last.
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-nostdin", "-i", destination, "-f", "null", "-"});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    EXPECT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();
    EXPECT_TRUE(ffmpeg.readAllStandardError().isEmpty());
}

}  // namespace
}  // namespace sablewick::test
