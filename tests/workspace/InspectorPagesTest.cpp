// The Focus, Cursor and Audio pages over a real editor model (fake clock and player): what they
// show, what their controls store, and that they update in place without losing a drag or a
// half-typed number. Each page is also grabbed in light and dark.
#include "editor/EditorTestSupport.h"
#include "workspace/WorkspaceTestSupport.h"

#include "components/StudioButton.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioMusicRow.h"
#include "components/StudioPaint.h"
#include "components/StudioSegments.h"
#include "components/StudioSlider.h"
#include "components/StudioSwitch.h"
#include "components/StudioTheme.h"
#include "components/StudioTile.h"
#include "document/Project.h"
#include "document/ResourceLookup.h"
#include "workspace/AudioTab.h"
#include "workspace/ContentState.h"
#include "workspace/DurationControl.h"
#include "workspace/FocusTab.h"
#include "workspace/InspectorBindings.h"
#include "workspace/InspectorText.h"
#include "workspace/PointerInspector.h"
#include "workspace/SecondsField.h"
#include "workspace/ZoomSegmentOptions.h"

#include <QPushButton>
#include <QTest>

namespace sablewick::test {
namespace {

FocusPoint zoomAt(double time, FocusKind kind = FocusKind::click)
{
    return {QUuid::createUuid(), time, 0.3, 0.6, kind};
}

class InspectorTabsTest : public ::testing::Test {
protected:
    // A recording as the recorder leaves it: the movie, its clicks and the pointer path.
    void openRecording(bool editablePointer = true)
    {
        const QString movie = bench.path("Recording-1.mp4");
        QFile::remove(movie);
        ASSERT_TRUE(QFile::copy(Clips::get().threeSeconds, movie));
        FocusSidecar sidecar;
        sidecar.events = {zoomAt(0.5), zoomAt(1.2, FocusKind::typing)};
        sidecar.pointerSamples = std::vector<PointerSample>{{0.0, 0.2, 0.2, true}, {2.0, 0.6, 0.6, true}};
        sidecar.editablePointer = editablePointer;
        ProjectFile::writeSidecar(bench.path("Recording-1.sablewick.json"), sidecar);
        ASSERT_TRUE(bench.open(movie));
        editor().document().flushPendingEdits();
    }
    EditorModel& editor() { return bench.model(); }
    // Shows a page in an inspector frame, as the window does.
    template <class Page>
    Page* show(Page* page, StudioColorScheme scheme = StudioColorScheme::light)
    {
        inspector = std::make_unique<StudioInspector>("Page", "scope", "A page under test");
        StudioEnvironment environment;
        environment.scheme = scheme;
        StudioTheme::setEnvironment(inspector.get(), environment);
        inspector->setContent(page);
        inspector->resize(332, 1400);
        inspector->show();
        QCoreApplication::processEvents();
        return page;
    }
    template <class W>
    W* named(const QString& name) const
    {
        for (W* w : inspector->findChildren<W*>())
            if (w->accessibleName() == name && w->isVisibleTo(inspector.get()))
                return w;
        return nullptr;
    }
    bool showsText(const QString& text) const
    {
        for (QLabel* label : inspector->findChildren<QLabel*>())
            if (label->isVisibleTo(inspector.get()) && label->text() == text)
                return true;
        return false;
    }
    StudioButton* button(const QString& title) const
    {
        for (StudioButton* b : inspector->findChildren<StudioButton*>())
            if (b->text() == title && b->isVisibleTo(inspector.get()))
                return b;
        return nullptr;
    }
    static void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void commit(QLineEdit* field) { QTest::keyClick(field, Qt::Key_Return); }

    EditorBench bench;
    ContentState state{bench.model()};
    std::unique_ptr<StudioInspector> inspector;
};

// --- Cursor page

TEST_F(InspectorTabsTest, TheCursorPageShowsDefaultsAndStoresOnlyWhatIsTouched)
{
    openRecording();
    PointerInspector* page = show(new PointerInspector(editor().document()));
    const EditSettings before = editor().document().settings();
    EXPECT_TRUE(showsText(QString::fromUtf8("1.6×")));
    EXPECT_NEAR(page->sizeSlider()->displayedValue(), 1.6, 1e-3);
    EXPECT_EQ(page->stylePicker()->selectedIndex(), 0) << "Arrow";
    std::map<QString, bool> shown;
    for (StudioSwitch* s : page->switches())
        shown[s->text()] = s->isChecked();
    EXPECT_EQ(shown, (std::map<QString, bool>{{"Show cursor", true},
                                              {"Smooth movement", true},
                                              {"Press effect", true},
                                              {"Ripple animation", false}}));
    EXPECT_FALSE(showsText("This video has its cursor baked in."));
    EXPECT_EQ(editor().document().settings(), before) << "showing the page writes nothing";
    EXPECT_FALSE(editor().document().canUndo());

    // Choosing the style already shown stores it.
    QTest::mouseClick(page->stylePicker(), Qt::LeftButton, {}, page->stylePicker()->segmentRect(0).center());
    EXPECT_EQ(editor().document().settings().pointerStyle, PointerStyle::arrow);
    EXPECT_TRUE(editor().document().canUndo());
    QTest::mouseClick(page->switches().back(), Qt::LeftButton);
    EXPECT_EQ(editor().document().settings().pointerRipple, true);

    // A stored size beyond the slider shows as it is; the slider is the same one, updated.
    StudioSlider* slider = page->sizeSlider();
    EditSettings big = editor().document().settings();
    big.pointerSize = 5;
    editor().document().setSettings(big);
    EXPECT_TRUE(showsText(QString::fromUtf8("5.0×")));
    EXPECT_EQ(page->sizeSlider(), slider);
    EXPECT_NEAR(slider->displayedValue(), 4, 1e-3);
}

TEST_F(InspectorTabsTest, ABakedInCursorIsExplainedAndTakesNoInput)
{
    openRecording(false);
    PointerInspector* page = show(new PointerInspector(editor().document()));
    EXPECT_TRUE(showsText("This video has its cursor baked in."));
    for (StudioSwitch* s : page->switches()) {
        EXPECT_FALSE(s->isEnabledTo(inspector.get())) << s->text().toStdString();
        QTest::mouseClick(s, Qt::LeftButton);
    }
    QTest::mouseClick(page->stylePicker(), Qt::LeftButton, {}, page->stylePicker()->segmentRect(2).center());
    EXPECT_FALSE(page->sizeSlider()->isEnabledTo(inspector.get()));
    EXPECT_FALSE(editor().document().settings().pointerVisible.has_value());
    EXPECT_FALSE(editor().document().settings().pointerStyle.has_value());
    EXPECT_FALSE(editor().document().canUndo());
}

// --- Zoom options of the selected zoom

TEST_F(InspectorTabsTest, AZoomsOwnAmountAndApplyingItToAll)
{
    openRecording();
    const FocusPoint first = editor().document().events()[0];
    const FocusPoint second = editor().document().events()[1];
    EditSettings s = editor().document().settings();
    s.zoomStrength = 1.65;
    editor().document().setSettings(s);
    ZoomSegmentOptions* options = show(new ZoomSegmentOptions(editor().document(), editor().focus(), first));
    EXPECT_TRUE(showsText("165%"));
    EXPECT_TRUE(showsText("0.80 s")) << "no transition anywhere reads 0.8 s";

    // Dragging the amount gives this zoom its own strength and leaves the edit's alone.
    options->amountSlider()->setSliderDown(true);
    options->amountSlider()->setValue(options->amountSlider()->maximum());
    ASSERT_EQ(pointWithId(editor(), first.id)->zoomStrength, 4.0);
    EXPECT_DOUBLE_EQ(editor().document().settings().zoomStrength, 1.65);
    EXPECT_FALSE(pointWithId(editor(), second.id)->zoomStrength.has_value());
    options->amountSlider()->setSliderDown(false);
    EXPECT_TRUE(showsText("400%"));

    InspectorBindings::editPoint(editor().document(), first.id, [](FocusPoint& p) { p.zoomStrength = 3; });
    EXPECT_TRUE(showsText("300%"));
    editor().document().flushPendingEdits();
    QTest::mouseClick(options->applyToAllButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(editor().document().settings().zoomStrength, 3);
    for (const FocusPoint& p : editor().document().events())
        EXPECT_FALSE(p.zoomStrength.has_value());
    editor().document().undo();
    EXPECT_DOUBLE_EQ(editor().document().settings().zoomStrength, 1.65) << "applying to all is one undo step";
    EXPECT_EQ(pointWithId(editor(), first.id)->zoomStrength, 3.0);
}

TEST_F(InspectorTabsTest, FollowingThePointerNeedsARecordedPath)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{zoomAt(0.5)}));
    InspectorBindings::editPoint(editor().document(), editor().document().events()[0].id,
                                 [](FocusPoint& p) { p.zoomMode = ZoomMode::follow; });
    ZoomSegmentOptions* options =
        show(new ZoomSegmentOptions(editor().document(), editor().focus(), editor().document().events()[0]));
    EXPECT_FALSE(options->modePicker()->isEnabled());
    EXPECT_TRUE(showsText("Follow cursor is available for new Sablewick recordings."));
    EXPECT_EQ(options->modePicker()->selectedIndex(), 1) << "a zoom that follows keeps it";

    openRecording();
    ZoomSegmentOptions* recorded =
        show(new ZoomSegmentOptions(editor().document(), editor().focus(), editor().document().events()[0]));
    EXPECT_TRUE(recorded->modePicker()->isEnabled());
    QTest::mouseClick(recorded->modePicker(), Qt::LeftButton, {}, recorded->modePicker()->segmentRect(1).center());
    EXPECT_EQ(editor().document().events()[0].zoomMode, ZoomMode::follow);
    EXPECT_TRUE(showsText("The camera follows the smoothed cursor path inside this block."));
}

TEST_F(InspectorTabsTest, WritesToADeletedZoomChangeNothing)
{
    openRecording();
    const FocusPoint gone = editor().document().events()[0];
    ZoomSegmentOptions* options = show(new ZoomSegmentOptions(editor().document(), editor().focus(), gone));
    editor().focus().removeFocusPoint(gone);
    editor().document().flushPendingEdits();
    const bool couldUndo = editor().document().canUndo();
    const auto events = editor().document().events();
    int edits = 0;
    QObject::connect(&editor().document(), &EditorDocument::eventsChanged, [&] { ++edits; });
    options->amountSlider()->setSliderDown(true);
    options->amountSlider()->setValue(options->amountSlider()->minimum());
    options->transitionSlider()->setSliderDown(true);
    options->transitionSlider()->setValue(options->transitionSlider()->maximum());
    InspectorBindings::pointPosition(editor().document(), gone.id, &FocusPoint::x).set(0.9);
    EXPECT_DOUBLE_EQ(InspectorBindings::pointPosition(editor().document(), gone.id, &FocusPoint::x).get(), 0.5);
    EXPECT_EQ(edits, 0);
    EXPECT_EQ(editor().document().events(), events);
    EXPECT_EQ(editor().document().canUndo(), couldUndo);
}

// --- Focus page

TEST_F(InspectorTabsTest, TheFocusPageGuidesSelectsAndFallsBack)
{
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds, std::vector<FocusPoint>{}));
    FocusTab* page = show(new FocusTab(editor().document(), editor().focus(), state));
    EXPECT_TRUE(showsText("Bring a detail into focus"));
    EXPECT_TRUE(showsText("No zoom points yet. Move the playhead and choose Add zoom."));

    editor().playback().seek(1.0);
    QTest::mouseClick(button("Add zoom here"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(state.isPlacingFocus());
    EXPECT_EQ(state.pendingZoomTime(), 1.0);
    EXPECT_TRUE(showsText("Choose its subject"));
    QTest::mouseClick(button("Cancel placement"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(state.isPlacingFocus());

    editor().document().setEvents({zoomAt(12.9 / 10), zoomAt(2.5, FocusKind::manual)});
    QCoreApplication::processEvents();
    EXPECT_TRUE(showsText("Choose a zoom to fine-tune"));
    EXPECT_FALSE(showsText("No zoom points yet. Move the playhead and choose Add zoom."));
    EXPECT_NE(named<StudioIconButton>("Remove zoom at 00:02"), nullptr);

    // The list's time button selects the zoom and moves the playhead just inside it.
    const FocusPoint second = editor().document().events()[1];
    QTest::mouseClick(button("00:02"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(state.selectedPoint(), second.id);
    EXPECT_GT(editor().playback().currentTime(), 2.5);
    EXPECT_EQ(page->shownZoom(), second.id);
    EXPECT_TRUE(showsText(QString::fromUtf8("Selected zoom · 00:02")));

    // Deleted from elsewhere (the timeline), the card comes back at once.
    state.removeZoom(second);
    QCoreApplication::processEvents();
    EXPECT_FALSE(page->shownZoom().has_value());
    EXPECT_TRUE(showsText("Choose a zoom to fine-tune"));
}

TEST_F(InspectorTabsTest, TheSelectedZoomsStartLengthAndFocus)
{
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds, std::vector<FocusPoint>{}));
    editor().document().setEvents({zoomAt(0.5), zoomAt(2.0)});
    editor().focus().setTrimStart(0.4);
    editor().document().flushPendingEdits();
    const FocusPoint late = editor().document().events()[1];
    state.setSelectedPoint(late.id);
    show(new FocusTab(editor().document(), editor().focus(), state));

    // A start before the trim start lands on it, and the list is sorted again.
    auto* start = named<SecondsField>("Zoom start in seconds");
    ASSERT_NE(start, nullptr);
    type(start, "0.1");
    commit(start);
    EXPECT_DOUBLE_EQ(pointWithId(editor(), late.id)->time, 0.4);
    EXPECT_EQ(editor().document().events()[0].id, late.id);
    EXPECT_EQ(start->text(), QLocale().toString(0.4, 'f', 2));

    // Lengths are held within 0.3 s and the room left.
    auto* length = named<SecondsField>("This zoom length in seconds");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(button("Use default length"), nullptr);
    type(length, "0.05");
    commit(length);
    EXPECT_EQ(pointWithId(editor(), late.id)->zoomDuration, 0.3);
    type(length, "99");
    commit(length);
    EXPECT_DOUBLE_EQ(*pointWithId(editor(), late.id)->zoomDuration, editor().focus().maxZoomLength(late.id));
    ASSERT_NE(button("Use default length"), nullptr);
    QTest::mouseClick(button("Use default length"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(pointWithId(editor(), late.id)->zoomDuration.has_value());
    EXPECT_EQ(button("Use default length"), nullptr);

    // The focus sliders move this zoom only, in place.
    const auto order = editor().document().events();
    auto* horizontal = named<StudioSlider>("Horizontal focus");
    ASSERT_NE(horizontal, nullptr);
    horizontal->setSliderDown(true);
    horizontal->setValue((horizontal->minimum() + horizontal->maximum()) / 2);
    horizontal->setSliderDown(false);
    EXPECT_NEAR(pointWithId(editor(), late.id)->x, 0.5, 1e-3);
    EXPECT_TRUE(showsText("50%"));
    EXPECT_DOUBLE_EQ(editor().document().events()[1].x, order[1].x);
    EXPECT_EQ(editor().document().events()[0].id, order[0].id);

    // "Place in preview" re-aims the zoom from its start.
    QTest::mouseClick(button("Place in preview"), Qt::LeftButton);
    EXPECT_TRUE(state.isPlacingFocus());
    EXPECT_FALSE(state.pendingZoomTime().has_value());
    EXPECT_DOUBLE_EQ(editor().playback().currentTime(), 0.4);
}

TEST_F(InspectorTabsTest, EditsElsewhereKeepADragAndAHalfTypedNumber)
{
    ASSERT_TRUE(bench.open(Clips::get().threeSeconds, std::vector<FocusPoint>{zoomAt(1.0)}));
    state.setSelectedPoint(editor().document().events()[0].id);
    FocusTab* page = show(new FocusTab(editor().document(), editor().focus(), state));
    auto* start = named<SecondsField>("Zoom start in seconds");
    type(start, "1.7");
    auto* strength = named<StudioSlider>("Strength");
    strength->setSliderDown(true);
    strength->setValue(strength->maximum());
    const double dragged = strength->displayedValue();

    // The model changes underneath: another zoom, a new default length, the zoom's own amount.
    editor().document().setEvents({editor().document().events()[0], zoomAt(2.5)});
    EditSettings s = editor().document().settings();
    s.zoomDuration = 0.9;
    s.zoomStrength = 1.2;
    editor().document().setSettings(s);
    QCoreApplication::processEvents();
    EXPECT_EQ(start->text(), "1.7") << "the half-typed start survives";
    EXPECT_EQ(named<SecondsField>("Zoom start in seconds"), start) << "updated in place, not rebuilt";
    EXPECT_DOUBLE_EQ(strength->displayedValue(), dragged) << "the thumb stays under the pointer";
    strength->setSliderDown(false);
    strength->refresh();
    EXPECT_NEAR(strength->displayedValue(), 1.2, 1e-3);
    commit(start);
    EXPECT_DOUBLE_EQ(editor().document().events()[0].time, 1.7);
    EXPECT_EQ(page->shownZoom(), editor().document().events()[0].id);
}

TEST_F(InspectorTabsTest, ADefaultLengthOnAShortMovieHasNoRoomToMove)
{
    ASSERT_TRUE(bench.open(Clips::get().tiny, std::vector<FocusPoint>{}));
    show(new FocusTab(editor().document(), editor().focus(), state));
    auto* length = named<StudioSlider>("Default length");
    ASSERT_NE(length, nullptr);
    EXPECT_DOUBLE_EQ(length->scale().lower(), 0.3);
    EXPECT_DOUBLE_EQ(length->scale().upper(), 0.3);
    type(named<SecondsField>("Default length in seconds"), "2");
    commit(named<SecondsField>("Default length in seconds"));
    EXPECT_DOUBLE_EQ(editor().document().settings().zoomDuration, 0.3);
}

// --- Audio page

class AudioPageTest : public InspectorTabsTest {
protected:
    void SetUp() override
    {
        QDir(bench.path("assets/Music")).mkpath(".");
        makeTone(bench.path("assets/Music"), "daylight.m4a", 0.5);
    }
    AudioTab* showAudio(StudioColorScheme scheme = StudioColorScheme::light)
    {
        return show(new AudioTab(editor().document(), editor().playback(), state, [this](QWidget*) { return chosen; }),
                    scheme);
    }
    StudioMusicRow* row(MusicChoice choice, AudioTab* page)
    {
        const auto& library = Music::library;
        return page->libraryRows()[std::size_t(std::find(library.begin(), library.end(), choice) - library.begin())];
    }

    ResourceLookup::ScopedRoots roots{{bench.path("assets")}};
    std::optional<QUrl> chosen;
};

TEST_F(AudioPageTest, AFreshEditAndAChosenTrack)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{}));
    AudioTab* page = showAudio();
    EXPECT_NEAR(named<StudioSlider>("Recording volume")->displayedValue(), 1.0, 1e-3);
    EXPECT_TRUE(showsText("100%"));
    auto* follow = named<StudioSwitch>("Follow clicks & typing");
    EXPECT_FALSE(follow->isChecked());
    EXPECT_FALSE(follow->isEnabled()) << "no recorded timings";
    EXPECT_TRUE(showsText("None"));
    EXPECT_TRUE(showsText("No music bed"));
    EXPECT_EQ(button("Remove"), nullptr);
    EXPECT_EQ(named<StudioSlider>("Music volume"), nullptr);
    EXPECT_TRUE(row(MusicChoice::glass, page)->isVisibleTo(inspector.get())) << "the library starts open";

    QTest::mouseClick(row(MusicChoice::daylight, page)->tile(), Qt::LeftButton);
    EXPECT_EQ(editor().document().settings().musicChoice, MusicChoice::daylight);
    EXPECT_TRUE(row(MusicChoice::daylight, page)->isSelected());
    EXPECT_FALSE(row(MusicChoice::glass, page)->isSelected());
    EXPECT_NE(button("Remove"), nullptr);
    EXPECT_TRUE(showsText("28%"));
    EXPECT_NEAR(named<StudioSlider>("Music volume")->displayedValue(), 0.28, 1e-3);

    // Auditioning marks the row while it plays.
    QTest::mouseClick(row(MusicChoice::daylight, page)->auditionButton(), Qt::LeftButton);
    EXPECT_TRUE(row(MusicChoice::daylight, page)->isPlaying());
    QTest::mouseClick(row(MusicChoice::daylight, page)->auditionButton(), Qt::LeftButton);
    EXPECT_FALSE(row(MusicChoice::daylight, page)->isPlaying());

    // A stored volume above full shows full; moving the slider stores what it gives.
    EditSettings loud = editor().document().settings();
    loud.sourceVolume = 1.5;
    editor().document().setSettings(loud);
    auto* volume = named<StudioSlider>("Recording volume");
    EXPECT_NEAR(volume->displayedValue(), 1.0, 1e-3);
    volume->setSliderDown(true);
    volume->setValue(volume->minimum());
    volume->setSliderDown(false);
    EXPECT_EQ(editor().document().settings().sourceVolume, 0.0);

    QTest::mouseClick(button(InspectorText::musicLibraryTitle()), Qt::LeftButton);
    EXPECT_FALSE(state.musicLibraryExpanded());
    EXPECT_FALSE(row(MusicChoice::glass, page)->isVisibleTo(inspector.get()));
}

TEST_F(AudioPageTest, ImportingTheUsersOwnTrack)
{
    ASSERT_TRUE(bench.open(Clips::get().twoSeconds, std::vector<FocusPoint>{}));
    showAudio();
    const EditSettings before = editor().document().settings();

    // A file without sound leaves the edit alone and says so.
    chosen = QUrl::fromLocalFile(Clips::get().twoSeconds);
    QTest::mouseClick(button(QString::fromUtf8("Import your own audio…")), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return editor().notice().has_value(); }));
    EXPECT_EQ(editor().notice(), "Could not read audio from two.mp4.");
    EXPECT_EQ(editor().document().settings(), before);

    const QString tone = makeTone(bench.dir.path(), "my tune.wav", 0.4);
    chosen = QUrl::fromLocalFile(tone);
    QTest::mouseClick(button(QString::fromUtf8("Import your own audio…")), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return editor().document().settings().musicChoice == MusicChoice::custom; }));
    EXPECT_EQ(editor().document().settings().musicFileURL, chosen);
    EXPECT_TRUE(showsText("Imported audio"));
    editor().document().flushPendingEdits();
    editor().document().undo();
    EXPECT_EQ(editor().document().settings(), before) << "the import is one undo step";
    editor().document().redo();

    // After "Remove" the imported file stays one click away.
    QTest::mouseClick(button("Remove"), Qt::LeftButton);
    EXPECT_EQ(editor().document().settings().musicChoice, MusicChoice::none);
    QPushButton* imported = nullptr;
    for (QPushButton* b : inspector->findChildren<QPushButton*>())
        if (b->text() == "my tune.wav" && b->isVisibleTo(inspector.get()))
            imported = b;
    ASSERT_NE(imported, nullptr);
    QTest::mouseClick(imported, Qt::LeftButton);
    EXPECT_EQ(editor().document().settings().musicChoice, MusicChoice::custom);
}

TEST_F(AudioPageTest, InteractionSoundsFollowTheRecordedTimings)
{
    openRecording();
    showAudio();
    auto* follow = named<StudioSwitch>("Follow clicks & typing");
    ASSERT_TRUE(follow->isEnabled());
    EXPECT_EQ(named<StudioSwitch>("Clicks"), nullptr) << "details only while the sounds are on";
    QTest::mouseClick(follow, Qt::LeftButton);
    EXPECT_EQ(editor().document().settings().interactionSounds, true);
    ASSERT_NE(named<StudioSwitch>("Clicks"), nullptr);
    EXPECT_TRUE(named<StudioSwitch>("Typing")->isChecked());
    EXPECT_TRUE(showsText("45%"));
    EXPECT_TRUE(showsText(QString::fromUtf8("Soft notes follow the library track’s harmony.")));
    auto* style = inspector->findChild<StudioSegments*>();
    QTest::mouseClick(style, Qt::LeftButton, {}, style->segmentRect(1).center());
    EXPECT_EQ(editor().document().settings().interactionSoundStyle, InteractionSoundStyle::tactile);
    EXPECT_TRUE(showsText("Dry taps and light key textures, mixed under the music."));
    QTest::mouseClick(named<StudioSwitch>("Typing"), Qt::LeftButton);
    EXPECT_EQ(editor().document().settings().typingSounds, false);
}

// --- light and dark

TEST_F(AudioPageTest, EveryPageDrawsInLightAndDark)
{
    openRecording();
    state.setSelectedPoint(editor().document().events()[0].id);
    const auto luminance = [](QColor c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); };
    const std::vector<std::pair<QString, std::function<QWidget*()>>> pages{
        {"focus", [&] { return new FocusTab(editor().document(), editor().focus(), state); }},
        {"cursor", [&] { return new PointerInspector(editor().document()); }},
        {"audio", [&] {
             return new AudioTab(editor().document(), editor().playback(), state,
                                 [](QWidget*) { return std::nullopt; });
         }}};
    for (const auto& [name, make] : pages) {
        for (const StudioColorScheme scheme : {StudioColorScheme::light, StudioColorScheme::dark}) {
            const bool dark = scheme == StudioColorScheme::dark;
            show(make(), scheme);
            const QImage image = inspector->grab().toImage();
            if (const QString folder = qEnvironmentVariable("SABLEWICK_GRAB_DIR"); !folder.isEmpty())
                image.save(QStringLiteral("%1/inspector-%2-%3.png").arg(folder, name, dark ? "dark" : "light"));
            // The form's backdrop is the scheme's window colour, and text stands out from it in
            // the scheme's own direction.
            const QColor window = StudioColors::from(StudioTheme::environment(inspector.get())).window;
            const QPoint corner(2, image.height() - 3);
            EXPECT_EQ(image.pixelColor(corner), window) << name.toStdString() << (dark ? " dark" : " light");
            double extreme = luminance(window);
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2)
                    extreme = dark ? std::max(extreme, luminance(image.pixelColor(x, y)))
                                   : std::min(extreme, luminance(image.pixelColor(x, y)));
            EXPECT_GT(std::abs(extreme - luminance(window)), 0.5) << name.toStdString() << ": text that reads";
        }
    }
}

}  // namespace
}  // namespace sablewick::test
