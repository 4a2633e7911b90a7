// The preview, the timeline and the Canvas page in a real window on the private X server, over
// the real player and export: the preview shows what the export writes, xdotool's drags edit the
// movie, and its clicks on the Canvas, Focus and Audio pages reach the preview and the saved project.
#include "editor/EditorTestSupport.h"
#include "workspace/WorkspaceTestSupport.h"
#include "mainwindow/XdotoolDriver.h"
#include "media/PlaybackEngine.h"
#include "preferences/AppPreferences.h"
#include "rendering/ExportOptions.h"
#include "rendering/FrameComposer.h"
#include "components/StudioColorSwatch.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioSegments.h"
#include "platform/PreferencesStore.h"
#include "document/CanvasStyle.h"
#include "components/StudioMenuPicker.h"
#include "document/CanvasStyle.h"
#include "workspace/ContentState.h"
#include "mainwindow/PreviewColumn.h"
#include "workspace/CanvasTab.h"
#include "components/StudioMusicRow.h"
#include "components/StudioSlider.h"
#include "components/StudioTile.h"
#include "document/Project.h"
#include "document/ResourceLookup.h"
#include "workspace/AudioTab.h"
#include "workspace/EditorTimeline.h"
#include "workspace/FocusTab.h"
#include "workspace/ZoomSegmentOptions.h"
#include "workspace/PreviewCanvas.h"
#include "workspace/TimelineTrack.h"

#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

#include <nlohmann/json.hpp>

namespace sablewick::test {
namespace {

// Mean absolute difference per colour channel of two pictures of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

class WorkspaceX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "x11 tests run under the test command's Xvfb";
        bench.services = standardEditorServices(playback);
        bench.services.defaults = &bench.preferences;
        ASSERT_TRUE(bench.open(Clips::get().threeSeconds));
        // One zoom, holding still from 0.3 s to 1.7 s so that one frame's timing does not matter.
        zoom = {QUuid::createUuid(), 0.1, 0.7, 0.3, FocusKind::click, 1.8, 2.0, std::nullopt, 0.2};
        editor().document().setEvents({zoom});
        editor().document().flushPendingEdits();
        watchdog.reset(XdotoolDriver::watchdog(90));
    }

    EditorModel& editor() { return bench.model(); }
    const FocusPoint* find(const QUuid& id) { return pointWithId(editor(), id); }
    // Presses at `from`, passes the move threshold, goes to `to` and lets go, as a hand would.
    static void dragOnScreen(QPoint from, QPoint to)
    {
        const int step = to.x() > from.x() ? 8 : -8;
        XdotoolDriver::run({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                            "mousemove", "--sync", QString::number(from.x() + step), QString::number(from.y()),
                            "mousemove", "--sync", QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    }

    // Opens the picker with a click and clicks the entry with this text.
    static void choose(StudioMenuPicker* picker, const QString& entry)
    {
        XdotoolDriver::click(picker);
        ASSERT_TRUE(waitUntil([&] { return picker->openMenu() && picker->openMenu()->isVisible(); }))
            << "the menu did not open";
        QMenu* menu = picker->openMenu();
        for (QAction* action : menu->actions())
            if (action->text() == entry) {
                XdotoolDriver::clickAt(menu->mapToGlobal(menu->actionGeometry(action).center()));
                return;
            }
        ADD_FAILURE() << "no entry " << entry.toStdString();
    }
    static StudioMenuPicker* picker(QWidget* page, const QString& title)
    {
        for (auto* p : page->findChildren<StudioMenuPicker*>())
            if (p->labels().contains(title))
                return p;
        return nullptr;
    }

    EditorBench bench;
    PlaybackEngine playback;
    FocusPoint zoom;
    std::unique_ptr<QTimer> watchdog;
};

TEST_F(WorkspaceX11Test, PreviewShowsTheExportedFrameScaled)
{
    QWidget window;
    auto* preview = new PreviewCanvas(editor().document(), editor().playback(), &window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(preview);
    window.resize(640, 360);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // A movie smaller than the preview, and one that the player hands the preview scaled down,
    // to as much as the zoom can show and, unzoomed, to the preview's own size.
    const QString large = bench.path("large.mp4");
    runFfmpeg({"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30:duration=3", "-c:v", "libx264", "-preset",
               "ultrafast", "-pix_fmt", "yuv420p", "-g", "30", large});
    const struct {
        QString movie;
        QSize zoomedPicture, unzoomedPicture;
    } cases[] = {
        {Clips::get().threeSeconds, {320, 180}, {320, 180}},
        {large, {1280, 720}, {640, 360}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.movie.toStdString());
        if (c.movie != Clips::get().threeSeconds) {
            ASSERT_TRUE(bench.open(c.movie));
            editor().document().setEvents({zoom});
            editor().document().flushPendingEdits();
        }
        // The preview is current as soon as it has composed the player's frame at the new time,
        // but until the seek has finished that frame is the one from before: the seek's own is
        // the next that the player hands over.
        QSignalSpy frames(&editor().playback().player(), &VideoPlayer::frameChanged);
        const auto showing = [&](QSize picture) {
            return waitUntil([&] {
                return !frames.isEmpty() && preview->isCurrent()
                       && editor().playback().player().currentFrame().size() == picture;
            });
        };
        editor().playback().seek(1.0);
        ASSERT_TRUE(showing(c.zoomedPicture)) << "the preview never showed the frame at the playhead; the player's is "
                                              << editor().playback().player().currentFrame().width() << " wide";
        const QImage shown = preview->frame().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(640, 360));

        const QString movie = bench.path("export.mp4");
        bool done = false;
        ExportOptions options;
        options.resolution = ExportResolution::p720;
        editor().exporter().export_(QUrl::fromLocalFile(movie), options, [&] { done = true; });
        ASSERT_TRUE(waitUntil([&] { return done; }, 60000));
        const QString still = bench.path("still.png");
        runFfmpeg({"-ss", "1.0", "-i", movie, "-frames:v", "1", still});
        const QImage exported = QImage(still).scaled(640, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(exported.isNull());

        const double difference = meanDifference(shown, exported);
        EXPECT_LT(difference, 6.0) << "mean difference per channel between preview and export";

        // The same check fails for a picture without the zoom: the comparison sees the card.
        editor().document().setEvents({});
        ASSERT_TRUE(showing(c.unzoomedPicture));
        const QImage unzoomed = preview->frame().convertToFormat(QImage::Format_RGB32);
        EXPECT_GT(meanDifference(unzoomed, exported), 12.0);
    }
}

TEST_F(WorkspaceX11Test, AMovieOfAnotherShapeIsShownLaidOutForItsOwnPictures)
{
    QWidget window;
    auto* preview = new PreviewCanvas(editor().document(), editor().playback(), &window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(preview);
    window.resize(480, 270);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    editor().playback().seek(1.0);
    ASSERT_TRUE(
        waitUntil([&] { return preview->isCurrent() && !editor().playback().player().currentFrame().isNull(); }));
    const QSize landscape = editor().playback().player().frameSize();

    // The upright movie has another size: the card is laid out afresh for it.
    ASSERT_TRUE(bench.open(Clips::get().rotated));
    editor().playback().seek(1.0);
    ASSERT_TRUE(waitUntil([&] {
        return preview->isCurrent() && !editor().playback().player().currentFrame().isNull()
            && editor().playback().player().frameSize() != landscape;
    })) << "the preview never showed the upright movie";
    const QImage shown = preview->frame().convertToFormat(QImage::Format_RGB32);
    QImage expected;
    Compositor::make(editor().document().scene(), shown.size())
        ->compose(editor().playback().player().currentFrame(), editor().playback().player().frameSize(),
                  preview->previewTime(), expected);
    expected = expected.convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(meanDifference(shown, expected), 0.5) << "the frame is the upright movie's, composed for its shape";
}

TEST_F(WorkspaceX11Test, DragsOnTheStripEditAndEachIsOneUndoStep)
{
    MemoryPreferencesStore store;
    AppPreferences preferences(store);
    std::optional<QUuid> selected;
    double scale = 1;
    EditorTimeline timeline(
        editor(), StudioBinding<std::optional<QUuid>>::to(selected), StudioBinding<double>::to(scale),
        [](std::optional<double>) {}, [](const FocusPoint&) {}, preferences);
    timeline.resize(1000, 420);
    timeline.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&timeline));
    TimelineTrack* track = timeline.track();
    ASSERT_TRUE(waitUntil([&] { return track->width() > 100; }));
    editor().playback().seek(2.9);
    QCoreApplication::processEvents();
    const TrackLayout strip = track->layout();
    const double perSecond = strip.axisWidth() / strip.clipDuration();
    const auto onScreen = [&](QPointF p) { return track->mapToGlobal(p.toPoint()); };

    struct Case {
        const char* name;
        std::function<QPointF()> grab;
        double travel;  // seconds
        std::function<double()> value;
        double expected;
    };
    const Case cases[] = {
        {"trim-in handle", [&] { return QPointF(strip.x(0), 53); }, 0.5,
         [&] { return editor().document().settings().trimStart; }, 0.5},
        {"segment body",
         [&] {
             return strip.segment({find(zoom.id)->time, editor().focus().zoomLength(zoom.id), false}).body.center();
         },
         0.4, [&] { return find(zoom.id)->time; }, 0.5},
        {"segment grip",
         [&] {
             return strip.segment({find(zoom.id)->time, editor().focus().zoomLength(zoom.id), false}).grip.center();
         },
         -0.6, [&] { return editor().focus().zoomLength(zoom.id); }, 1.2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto eventsBefore = editor().document().events();
        const EditSettings settingsBefore = editor().document().settings();
        const QPointF from = c.grab();
        const int travel = int(std::lround(c.travel * perSecond));
        dragOnScreen(onScreen(from), onScreen(from + QPointF(travel, 0)));
        ASSERT_TRUE(waitUntil([&] {
            return track->activeGesture() == TrackLayout::Part::none && std::abs(c.value() - c.expected) < 0.01;
        }, 10000)) << "value " << c.value() << ", expected " << c.expected;
        editor().document().undo();
        EXPECT_EQ(editor().document().events(), eventsBefore);
        EXPECT_EQ(editor().document().settings(), settingsBefore);
        editor().document().redo();
        EXPECT_NEAR(c.value(), c.expected, 0.01);
    }
}

TEST_F(WorkspaceX11Test, ClickedColourAndRatioReachThePreviewAndTheSavedProject)
{
    EditorModel& editor = bench.model();
    // Without the zoom the canvas shows around the card all the time.
    editor.document().setEvents({});
    MemoryPreferencesStore store;
    CanvasPresets presets(store);
    ContentState state(editor);

    QWidget window;
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(0, 0, 0, 0);
    auto* preview = new PreviewCanvas(editor.document(), editor.playback());
    auto* column = new PreviewColumn(editor.document(), state, preview, &window);
    row->addWidget(column, 1);
    auto* inspector = new StudioInspector(QStringLiteral("Canvas"), QStringLiteral("rectangle.inset.filled"),
                                          QStringLiteral("Shape the frame. Set the mood."), &window);
    auto* page = new CanvasTab(editor.document(), presets);
    inspector->setContent(page);
    inspector->setFixedWidth(340);
    row->addWidget(inspector);
    window.resize(1100, 900);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    editor.playback().seek(1.0);
    ASSERT_TRUE(waitUntil([&] { return preview->isCurrent() && !preview->frame().isNull(); }));
    const QSize wide = preview->frame().size();
    EXPECT_NEAR(double(wide.width()) / wide.height(), 16.0 / 9.0, 0.02);

    // A colour background: the kind from its menu, then a swatch.
    choose(picker(page, QStringLiteral("Gradient")), QStringLiteral("Color"));
    ASSERT_TRUE(waitUntil([&] { return editor.document().settings().backgroundKind == BackgroundKind::solid; }));
    StudioColorSwatch* red = nullptr;
    for (auto* swatch : page->findChildren<StudioColorSwatch*>())
        if (swatch->accessibleName() == QStringLiteral("Color #F24B59"))
            red = swatch;
    ASSERT_NE(red, nullptr);
    ASSERT_TRUE(waitUntil([&] { return red->isVisible(); }));
    inspector->form()->ensureWidgetVisible(red);
    QCoreApplication::processEvents();
    XdotoolDriver::click(red);
    ASSERT_TRUE(waitUntil([&] { return editor.document().settings().solidColor == 0xF24B59u; }));
    // The canvas around the card is that red.
    ASSERT_TRUE(waitUntil([&] {
        if (!preview->isCurrent())
            return false;
        const QColor corner = preview->frame().pixelColor(4, 4);
        return std::abs(corner.red() - 0xF2) + std::abs(corner.green() - 0x4B) + std::abs(corner.blue() - 0x59) < 12;
    })) << "the preview never showed the red canvas";

    // A square canvas.
    inspector->form()->ensureWidgetVisible(picker(page, QStringLiteral("Fit content")));
    QCoreApplication::processEvents();
    choose(picker(page, QStringLiteral("Fit content")), QString::fromUtf8("1:1 · Square"));
    ASSERT_TRUE(waitUntil([&] { return editor.document().settings().aspect == AspectRatio::square; }));
    ASSERT_TRUE(waitUntil([&] {
        const QSize size = preview->frame().size();
        return preview->isCurrent() && std::abs(size.width() - size.height()) <= 1;
    })) << "the preview never became square";

    // Both changes are in the saved project.
    const QString path = bench.path(QStringLiteral("canvas.sablewick.json"));
    editor.document().saveProject(QUrl::fromLocalFile(path));
    editor.document().finishSaving();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const nlohmann::json project = nlohmann::json::parse(file.readAll().toStdString());
    EXPECT_EQ(project.at("settings").at("aspect"), "1:1");
    EXPECT_EQ(project.at("settings").at("backgroundKind"), "Color");
    EXPECT_EQ(project.at("settings").at("solidColor"), 0xF24B59);
}

TEST_F(WorkspaceX11Test, ClicksInTheInspectorChangeTheZoomTheMusicThePreviewAndTheSavedProject)
{
    QDir(bench.path("assets/Music")).mkpath(".");
    makeTone(bench.path("assets/Music"), "daylight.m4a", 0.5);
    ResourceLookup::ScopedRoots roots{{bench.path("assets")}};
    ContentState state(editor());
    state.setSelectedPoint(zoom.id);

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* preview = new PreviewCanvas(editor().document(), editor().playback(), &window);
    preview->setFixedSize(480, 270);
    layout->addWidget(preview, 0, Qt::AlignTop);
    auto* focus = new FocusTab(editor().document(), editor().focus(), state, &window);
    focus->setFixedWidth(332);
    layout->addWidget(focus, 0, Qt::AlignTop);
    auto* audio = new AudioTab(
        editor().document(), editor().playback(), state, [](QWidget*) { return std::nullopt; }, &window);
    audio->setFixedWidth(332);
    layout->addWidget(audio, 0, Qt::AlignTop);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    editor().playback().seek(1.0);
    ASSERT_TRUE(
        waitUntil([&] { return preview->isCurrent() && !editor().playback().player().currentFrame().isNull(); }));
    const QImage before = preview->frame().convertToFormat(QImage::Format_RGB32);

    // A click at the far end of the selected zoom's amount track gives it the largest amount.
    StudioSlider* amount = focus->zoomOptions()->amountSlider();
    XdotoolDriver::clickAt(amount->mapToGlobal(QPoint(amount->width() - 3, amount->height() / 2)));
    ASSERT_TRUE(waitUntil([&] { return find(zoom.id)->zoomStrength.value_or(0) > 3.9; }))
        << "the zoom's own amount after the click: " << find(zoom.id)->zoomStrength.value_or(0);
    EXPECT_DOUBLE_EQ(editor().document().settings().zoomStrength, EditSettings().zoomStrength)
        << "the edit's amount stays";
    ASSERT_TRUE(waitUntil([&] { return preview->isCurrent(); }));
    const QImage closer = preview->frame().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(meanDifference(before, closer), 6.0) << "the preview zooms in further";

    // A click on a library track makes it the edit's music.
    StudioMusicRow* daylight = audio->libraryRows()[1];
    XdotoolDriver::click(daylight->tile());
    ASSERT_TRUE(waitUntil([&] { return editor().document().settings().musicChoice == MusicChoice::daylight; }));
    EXPECT_TRUE(daylight->isSelected());

    const QString saved = bench.path("Clicked.sablewick.json");
    editor().document().saveProject(QUrl::fromLocalFile(saved));
    editor().document().finishSaving();
    const FocusProject project = ProjectFile::readProject(saved);
    ASSERT_EQ(project.events.size(), 1u);
    EXPECT_GT(project.events[0].zoomStrength.value_or(0), 3.9);
    EXPECT_EQ(project.settings.musicChoice, MusicChoice::daylight);
}

TEST_F(WorkspaceX11Test, TheWheelScrollsTheInspectorOverItsControlsAndMovesOnlyAFocusedSlider)
{
    MemoryPreferencesStore store;
    CanvasPresets presets{store};
    StudioInspector inspector(QStringLiteral("Canvas"), QStringLiteral("rectangle.inset.filled"),
                              QStringLiteral("Shape the frame. Set the mood."));
    auto* tab = new CanvasTab(editor().document(), presets);
    inspector.setContent(tab);
    inspector.resize(340, 420);
    inspector.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&inspector));
    XdotoolDriver::focus(&inspector);

    StudioSlider* slider = nullptr;
    for (auto* field : tab->findChildren<StudioSliderField*>())
        for (auto* label : field->findChildren<StudioLabel*>())
            if (label->text() == QStringLiteral("Canvas spacing"))
                slider = field->slider();
    ASSERT_NE(slider, nullptr);
    QScrollArea* page = inspector.form();
    page->ensureWidgetVisible(slider, 0, 60);
    QScrollBar* bar = page->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the page is taller than the inspector";
    // Towards the side with room to scroll.
    const bool down = bar->value() < bar->maximum();
    const QString wheel = down ? QStringLiteral("5") : QStringLiteral("4");
    const auto wheelOver = [&](QWidget* w, int turns) {
        const QPoint at = w->mapToGlobal(w->rect().center());
        XdotoolDriver::run({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()), "click",
                            "--repeat", QString::number(turns), wheel});
    };

    const EditSettings before = editor().document().settings();
    const int scrolledFrom = bar->value();
    wheelOver(slider, 2);
    ASSERT_TRUE(waitUntil([&] { return bar->value() != scrolledFrom; })) << "the page did not scroll";
    EXPECT_EQ(down, bar->value() > scrolledFrom);
    editor().document().flushPendingEdits();
    EXPECT_EQ(editor().document().settings(), before) << "the wheel crossed the slider without moving it";
    EXPECT_FALSE(slider->hasFocus());

    // The pickers and segments on the page let the wheel pass the same way.
    const auto visibleOnPage = [&](QWidget* w) {
        return w->isVisible()
            && page->viewport()->rect().contains(QRect(w->mapTo(page->viewport(), QPoint(0, 0)), w->size()));
    };
    QList<QWidget*> others;
    for (auto* w : tab->findChildren<StudioMenuPicker*>())
        others << w;
    for (auto* w : tab->findChildren<StudioSegments*>())
        others << w;
    for (QWidget* other : others) {
        page->ensureWidgetVisible(other, 0, 60);
        if (!visibleOnPage(other) || bar->value() == (down ? bar->maximum() : bar->minimum()))
            continue;
        const int from = bar->value();
        wheelOver(other, 1);
        EXPECT_TRUE(waitUntil([&] { return bar->value() != from; })) << other->metaObject()->className();
    }
    editor().document().flushPendingEdits();
    EXPECT_EQ(editor().document().settings(), before);
    // The only step is still the zoom that the set-up added.
    editor().document().undo();
    EXPECT_TRUE(editor().document().events().empty());
    EXPECT_FALSE(editor().document().canUndo());

    // Focused, the slider takes the wheel for itself and the page stays.
    page->ensureWidgetVisible(slider, 0, 60);
    slider->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(waitUntil([&] { return slider->hasFocus(); }));
    const int pageAt = bar->value();
    wheelOver(slider, 2);
    ASSERT_TRUE(waitUntil([&] { return editor().document().settings().canvasPadding != before.canvasPadding; }))
        << "a focused slider moves with the wheel";
    EXPECT_EQ(bar->value(), pageAt);
}

}  // namespace
}  // namespace sablewick::test
