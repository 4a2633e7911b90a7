#include "mainwindow/ContentView.h"

#include "components/StudioButton.h"
#include "components/StudioEditorWorkspace.h"
#include "components/StudioIcons.h"
#include "components/StudioInspector.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioToolRail.h"
#include "components/WindowSheet.h"
#include "editor/EditorModel.h"
#include "mainwindow/ContentPresenter.h"
#include "mainwindow/ExportProgressPanel.h"
#include "mainwindow/ExportSheet.h"
#include "mainwindow/FileManager.h"
#include "mainwindow/MainWindowText.h"
#include "mainwindow/PreviewColumn.h"
#include "mainwindow/StatusBanner.h"
#include "mainwindow/StudioWelcome.h"
#include "mainwindow/UpdateDecision.h"
#include "platform/PreferencesStore.h"
#include "preferences/AppPreferences.h"
#include "workspace/PlainWorkspaceViews.h"

#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace sablewick {

namespace {

using Sheet = WindowSheet;

QWidget* bannerRow(QWidget* parent, QMargins margins)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(margins);
    layout->setSpacing(10);
    return row;
}

}  // namespace

ContentView::ContentView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_editor(*services.editor)
    , m_preferences(*services.preferences)
    , m_session(*services.session)
    , m_ownDialogs(services.dialogs ? nullptr : std::make_unique<QtStudioDialogs>(this))
    , m_dialogs(services.dialogs ? services.dialogs : m_ownDialogs.get())
    , m_defaults(services.defaults)
    , m_views(withPlainStandIns(std::move(services.views)))
    , m_state(*services.editor)
    , m_flow(*services.editor, *services.session, *m_dialogs)
{
    setAcceptDrops(true);
    setMinimumSize(720, 700);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    // Update banner.
    m_updateBanner = bannerRow(this, {20, 9, 20, 9});
    auto* updateLayout = static_cast<QHBoxLayout*>(m_updateBanner->layout());
    updateLayout->addWidget(new StudioSymbolView(QStringLiteral("arrow.clockwise.circle.fill"), 13,
                                                 StudioLabelRole::secondary, m_updateBanner));
    updateLayout->addWidget(new StudioLabel(MainWindowText::updateReady, StudioTextStyle::caption,
                                            StudioLabelRole::secondary, m_updateBanner));
    updateLayout->addStretch(1);
    auto* reopen = new StudioButton(MainWindowText::saveAndReopen, QString(), StudioButtonVariant::primary,
                                    StudioControlSize::compact, m_updateBanner);
    reopen->setObjectName(QStringLiteral("saveAndReopen"));
    connect(reopen, &QAbstractButton::clicked, this, [this] { m_session.saveAndReopenForUpdate(); });
    updateLayout->addWidget(reopen);
    root->addWidget(m_updateBanner);

    // Welcome or workspace, with the inspector beside.
    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    m_stack = new QStackedWidget(this);
    auto* welcomePage = new QWidget(m_stack);
    auto* welcomeLayout = new QVBoxLayout(welcomePage);
    welcomeLayout->setContentsMargins(0, 0, 0, 0);
    welcomeLayout->setSpacing(0);
    m_welcome = new StudioWelcome(welcomePage);
    welcomeLayout->addWidget(m_welcome, 1);
    m_welcomeBanner = new StatusBanner(welcomePage);
    welcomeLayout->addWidget(m_welcomeBanner);
    m_stack->addWidget(welcomePage);
    middle->addWidget(m_stack, 1);

    m_inspectorColumn = new QWidget(this);
    m_inspectorColumn->setMinimumWidth(300);
    m_inspectorColumn->setMaximumWidth(420);
    auto* inspectorLayout = new QVBoxLayout(m_inspectorColumn);
    inspectorLayout->setContentsMargins(0, 0, 0, 0);
    const ContentPresenter::InspectorHeader header = ContentPresenter::inspectorHeader(m_state.inspectorTab());
    m_inspector = new StudioInspector(header.title, header.symbol, header.subtitle, m_inspectorColumn);
    m_inspector->setIdealWidth(332);
    inspectorLayout->addWidget(m_inspector);
    middle->addWidget(m_inspectorColumn);
    root->addLayout(middle, 1);

    // Capture strip.
    m_captureStrip = bannerRow(this, {12, 12, 12, 12});
    auto* stripLayout = static_cast<QHBoxLayout*>(m_captureStrip->layout());
    auto* spinner = new QProgressBar(m_captureStrip);
    spinner->setRange(0, 0);
    spinner->setFixedSize(60, 8);
    spinner->setTextVisible(false);
    stripLayout->addWidget(spinner);
    m_captureStatus = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, m_captureStrip);
    stripLayout->addWidget(m_captureStatus);
    stripLayout->addStretch(1);
    auto* cancelCapture = new StudioButton(MainWindowText::cancelCapture, QString(), StudioButtonVariant::secondary,
                                           StudioControlSize::regular, m_captureStrip);
    connect(cancelCapture, &QAbstractButton::clicked, this, [this] { m_session.cancelCapture(); });
    stripLayout->addWidget(cancelCapture);
    root->addWidget(m_captureStrip);

    // Welcome actions.
    connect(m_welcome, &StudioWelcome::record, this, &ContentView::showRecordingSetup);
    connect(m_welcome, &StudioWelcome::screenshot, this, [this] { m_session.requestScreenshot(); });
    connect(m_welcome, &StudioWelcome::openVideo, this, [this] { m_flow.openMovie(); });
    connect(m_welcome, &StudioWelcome::openImage, this, [this] { m_session.importImage(); });
    connect(m_welcome, &StudioWelcome::openProject, this, [this] { m_flow.openProject(); });
    // The welcome screen shows only while nothing is open: there is no edit to ask about.
    connect(m_welcome, &StudioWelcome::recover, this, &ContentView::restoreRecovery);
    connect(m_welcome, &StudioWelcome::openRecent, this,
            [this](const QUrl& url) { m_editor.document().openProject(url); });
    connect(m_welcomeBanner, &StatusBanner::buttonClicked, this, &ContentView::statusButton);

    buildToolbar();
    buildShortcuts();

    // Everything that changes what the window shows.
    for (auto signal : {&EditorDocument::movieURLChanged, &EditorDocument::hasUnsavedEditsChanged,
                        &EditorDocument::canUndoChanged, &EditorDocument::canRedoChanged,
                        &EditorDocument::recentProjectsChanged, &EditorDocument::recoveryAvailableChanged,
                        &EditorDocument::sourceSizeChanged, &EditorDocument::settingsChanged})
        connect(&m_editor.document(), signal, this, &ContentView::scheduleRefresh);
    connect(&m_editor, &EditorModel::noticeChanged, this, &ContentView::scheduleRefresh);
    connect(&m_editor.exporter(), &EditorExport::exportURLChanged, this, &ContentView::scheduleRefresh);
    connect(&m_editor.exporter(), &EditorExport::isExportingChanged, this, [this] {
        updateExportProgress();
        scheduleRefresh();
    });
    connect(&m_editor.exporter(), &EditorExport::exportProgressChanged, this, &ContentView::updateExportProgress);
    connect(&m_editor.exporter(), &EditorExport::isCancellingExportChanged, this, &ContentView::updateExportProgress);
    connect(&m_state, &ContentState::changed, this, &ContentView::scheduleRefresh);
    connect(&m_session, &MainWindowSession::recorderStateChanged, this, &ContentView::recorderChanged);
    connect(&m_session, &MainWindowSession::captureStateChanged, this, &ContentView::scheduleRefresh);
    connect(&m_session, &MainWindowSession::recordingSetupRequested, this, [this] {
        if (m_session.takeRecordingSetupRequest())
            showRecordingSetup();
    });
    connect(&m_session, &MainWindowSession::screenshotSetupRequested, this, [this] {
        if (m_session.takeScreenshotSetupRequest())
            presentScreenshotSetup();
    });
    connect(&m_preferences, &AppPreferences::shortcutOverridesChanged, this, &ContentView::scheduleRefresh);
    connect(&m_preferences, &AppPreferences::shortcutCaptureChanged, this, &ContentView::scheduleRefresh);
    connect(&m_preferences, &AppPreferences::applicationAppearanceApplied, this, &ContentView::restyleIcons);

    m_updateTimer = new QTimer(this);
    m_updateTimer->setInterval(updateCheckInterval);
    connect(m_updateTimer, &QTimer::timeout, this, &ContentView::checkForInstalledUpdate);
    m_updateTimer->start();

    m_lastRecorder = m_session.recorderState();
    refresh();
}

ContentView::~ContentView()
{
    // Sheets are children of the window; they go first so that none reports back into a view
    // that is being taken apart.
    for (QDialog* sheet : {m_progressSheet.data(), m_exportSheet.data(), m_recordingSheet.data(), m_screenshotSheet.data()})
        delete sheet;
}

// --- refreshing

void ContentView::scheduleRefresh()
{
    // Bursts of model signals (an open publishes a dozen values) redraw once.
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshScheduled = false;
        refresh();
    });
}

ToolbarState ContentView::toolbarState() const
{
    ToolbarState::Inputs in;
    in.movieOpen = m_editor.document().movieURL().has_value();
    in.canUndo = m_editor.document().canUndo();
    in.canRedo = m_editor.document().canRedo();
    in.isExporting = m_editor.exporter().isExporting();
    in.hasRecentProjects = !m_editor.document().recentProjects().isEmpty();
    in.recorder = m_session.recorderState();
    in.isCapturing = m_session.captureState().isCapturing;
    return ToolbarState::make(in);
}

QString ContentView::title() const
{
    return ContentPresenter::windowTitle(m_editor.document().movieURL());
}

QString ContentView::subtitle() const
{
    return ContentPresenter::windowSubtitle(m_editor.document().movieURL().has_value(),
                                            m_editor.document().hasUnsavedEdits());
}

bool ContentView::isShowingWelcome() const
{
    return m_stack->currentIndex() == 0;
}

bool ContentView::isInspectorShown() const
{
    return m_inspectorColumn->isVisibleTo(const_cast<ContentView*>(this));
}

std::vector<ContentPresenter::StatusButtonInfo> ContentView::statusButtons() const
{
    return ContentPresenter::statusButtons(m_session.recorderState(), m_editor.exporter().exportURL().has_value(),
                                           m_session.canOpenPrivacySettings());
}

void ContentView::refresh()
{
    const RecorderState recorder = m_session.recorderState();
    const CaptureState capture = m_session.captureState();
    const bool movieOpen = m_editor.document().movieURL().has_value();

    m_updateBanner->setVisible(m_state.updateAvailable());
    if (auto* reopen = m_updateBanner->findChild<QWidget*>(QStringLiteral("saveAndReopen")))
        reopen->setEnabled(!recorder.isBusy() && !m_editor.exporter().isExporting());

    showWorkspace(movieOpen);
    m_welcome->setRecentProjects(m_editor.document().recentProjects());
    m_welcome->setRecoveryAvailable(m_editor.document().recoveryAvailable());
    m_welcome->setCaptureBusy(ContentPresenter::isCaptureBusy(recorder, capture));

    const std::optional<QString> notice = ContentPresenter::currentNotice(recorder, m_editor.notice());
    for (StatusBanner* banner : {m_welcomeBanner, m_preview ? m_preview->statusBanner() : nullptr}) {
        if (!banner)
            continue;
        if (notice)
            banner->show(*notice, statusButtons());
        else
            banner->hide();
    }
    if (m_preview && movieOpen)
        m_preview->refresh();
    if (m_rail && movieOpen)
        m_rail->refresh();
    refreshInspector();

    m_captureStrip->setVisible(capture.isCapturing);
    m_captureStatus->setText(capture.status);

    refreshToolbar(toolbarState());
    refreshShortcuts();
    window()->setWindowTitle(title());
    if (auto* label = m_toolbar->findChild<StudioLabel*>(QStringLiteral("subtitle")))
        label->setText(subtitle());
    emit presentationChanged();
}

void ContentView::ensureWorkspace()
{
    if (m_workspace)
        return;
    QWidget* canvas = m_views.previewCanvas(m_editor, nullptr);
    m_preview = new PreviewColumn(m_editor.document(), m_state, canvas);
    connect(m_preview->statusBanner(), &StatusBanner::buttonClicked, this, &ContentView::statusButton);
    std::vector<InspectorTab> tabs(allInspectorTabs.begin(), allInspectorTabs.end());
    m_rail = StudioToolRail::make<InspectorTab>(
        StudioBinding<InspectorTab>{[this] { return m_state.inspectorTab(); },
                                    [this](const InspectorTab& tab) { m_state.setInspectorTab(tab); }},
        StudioBinding<bool>{[this] { return m_state.inspectorVisible(); },
                            [this](const bool& v) { m_state.setInspectorVisible(v); }},
        tabs, [](InspectorTab t) { return ContentPresenter::inspectorHeader(t).title; },
        [](InspectorTab t) { return ContentPresenter::inspectorHeader(t).symbol; }, [](const InspectorTab&) {});
    QWidget* timeline = m_views.timeline(m_editor, m_state, nullptr);
    m_workspace = new StudioEditorWorkspace(m_rail, m_preview, timeline, m_stack);
    m_stack->addWidget(m_workspace);
}

void ContentView::showWorkspace(bool show)
{
    if (show)
        ensureWorkspace();
    m_stack->setCurrentWidget(show ? m_workspace : m_stack->widget(0));
}

QWidget* ContentView::workspace() const
{
    return m_workspace && m_stack->currentWidget() == m_workspace ? m_workspace : nullptr;
}

void ContentView::refreshInspector()
{
    const bool shown =
        ContentPresenter::inspectorPresented(m_editor.document().movieURL().has_value(), m_state.inspectorVisible());
    m_inspectorColumn->setVisible(shown);
    if (!shown)
        return;
    const InspectorTab tab = m_state.inspectorTab();
    if (m_inspectorPageTab == tab)
        return;
    const ContentPresenter::InspectorHeader header = ContentPresenter::inspectorHeader(tab);
    m_inspector->setHeader(header.title, header.symbol, header.subtitle);
    m_inspector->setContent(m_views.inspectorPage(tab, m_editor, m_state, nullptr));
    m_inspectorPageTab = tab;
}

// --- status banner, recorder and update

void ContentView::statusButton(ContentPresenter::StatusButton button)
{
    switch (button) {
    case ContentPresenter::StatusButton::openSettings:
        m_session.openPrivacySettings(QStringLiteral("Privacy_ScreenCapture"));
        break;
    case ContentPresenter::StatusButton::microphoneSettings:
        m_session.openPrivacySettings(QStringLiteral("Privacy_Microphone"));
        break;
    case ContentPresenter::StatusButton::quit:
        m_session.requestQuit();
        break;
    case ContentPresenter::StatusButton::showExport:
        if (m_editor.exporter().exportURL())
            revealInFileManager(*m_editor.exporter().exportURL());
        break;
    }
}

void ContentView::recorderChanged()
{
    const RecorderState now = m_session.recorderState();
    const RecorderState before = std::exchange(m_lastRecorder, now);
    // The finished recording replaces the open edit as soon as it is written; unsaved work is
    // kept as a project first, whichever way the end of the recording is announced.
    // Edits made while the movie was being finished are kept too, at the end.
    const bool finishing = (now.isFinalizing && !before.isFinalizing) || (before.isBusy() && !now.isBusy());
    if (finishing)
        m_flow.keepEditBeforeRecording();
    scheduleRefresh();
}

void ContentView::checkForInstalledUpdate()
{
    UpdateInputs in;
    in.runningBuild = m_session.runningBuild();
    in.installedBuild = m_session.installedBuild();
    in.movieOpen = m_editor.document().movieURL().has_value();
    in.imageOpen = m_session.hasImageOpen();
    in.isCapturing = m_session.captureState().isCapturing;
    in.recorder = m_session.recorderState();
    switch (decideUpdate(in)) {
    case UpdateDecision::none:
        break;
    case UpdateDecision::showBanner:
        m_state.raiseUpdateAvailable();
        break;
    case UpdateDecision::relaunch:
        if (!m_session.reopenAfterSavingRecovery())
            m_state.raiseUpdateAvailable();
        break;
    }
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        QTimer::singleShot(0, this, &ContentView::appeared);
    }
}

void ContentView::appeared()
{
    // The workspace is made while the window is idle, not in the moment a movie opens.
    QTimer::singleShot(0, this, &ContentView::ensureWorkspace);
    if (m_session.takeScreenshotSetupRequest())
        presentScreenshotSetup();
    // Each flag is reset before its restore is tried, so a failing restore is not tried again.
    if (m_defaults && m_defaults->boolValue(restoreAfterUpdateKey)) {
        m_defaults->setValue(restoreAfterUpdateKey, false);
        restoreRecovery();
    }
    if (m_defaults && m_defaults->boolValue(restoreScreenshotAfterUpdateKey)) {
        m_defaults->setValue(restoreScreenshotAfterUpdateKey, false);
        m_session.restoreScreenshotEdit();
    }
    if (m_session.takeRecordingSetupRequest())
        showRecordingSetup();
}

// --- drops

void ContentView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ContentView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->setAccepted(!urls.isEmpty());
    // The drag source waits for the answer; the prompt runs after it has been given.
    QTimer::singleShot(0, this, [this, urls] { m_flow.drop(urls); });
}

// --- sheets

QDialog* ContentView::presentSheet(QWidget* content, bool dismissable)
{
    return WindowSheet::present(window(), content, dismissable);
}

void ContentView::showRecordingSetup()
{
    const RecorderState recorder = m_session.recorderState();
    if (recorder.isBusy() || m_session.captureState().isCapturing || m_recordingSheet)
        return;
    if (!m_flow.confirmReplacingEdit())
        return;
    m_session.clearRecorderNotice();
    QPointer<ContentView> self(this);
    QWidget* content = m_session.makeRecordingSetupSheet(nullptr, [self] {
        if (self && self->m_recordingSheet)
            static_cast<Sheet*>(self->m_recordingSheet.data())->closeFromCode();
    });
    if (content)
        m_recordingSheet = presentSheet(content, true);
}

void ContentView::presentScreenshotSetup()
{
    if (m_screenshotSheet)
        return;
    QPointer<ContentView> self(this);
    QWidget* content = m_session.makeScreenshotSetupSheet(nullptr, [self] {
        if (!self || !self->m_screenshotSheet)
            return;
        self->m_pendingScreenshot = true;
        static_cast<Sheet*>(self->m_screenshotSheet.data())->closeFromCode();
    });
    if (!content)
        return;
    m_screenshotSheet = presentSheet(content, true);
    // The capture starts once the sheet is gone from the screen, so it is not in the picture.
    connect(m_screenshotSheet, &QDialog::finished, this, [this] {
        if (std::exchange(m_pendingScreenshot, false))
            QTimer::singleShot(0, this, [this] { m_session.startChosenScreenshot(); });
    });
}

void ContentView::showExportSheet()
{
    const ToolbarState toolbar = toolbarState();
    if (!toolbar.showsDocumentGroups || !toolbar.exportEnabled || m_exportSheet)
        return;
    m_editor.playback().pausePlayback();
    const double duration =
        std::max(m_editor.document().settings().trimEnd - m_editor.document().settings().trimStart, 0.0);
    auto* sheet =
        new ExportSheet(StudioBinding<ExportOptions>{[this] { return m_state.exportOptions(); },
                                                     [this](const ExportOptions& o) { m_state.setExportOptions(o); }},
                        m_editor.document().settings(), duration);
    sheet->setExporting(m_editor.exporter().isExporting());
    m_exportSheet = presentSheet(sheet, true);
    connect(sheet, &ExportSheet::exportRequested, this, [this] {
        m_editor.playback().pausePlayback();
        m_pendingExport = true;
        static_cast<Sheet*>(m_exportSheet.data())->closeFromCode();
    });
    connect(sheet, &ExportSheet::dismissRequested, this, [this] { static_cast<Sheet*>(m_exportSheet.data())->closeFromCode(); });
    // The destination is asked for once the sheet has closed.
    connect(m_exportSheet, &QDialog::finished, this, [this] {
        if (std::exchange(m_pendingExport, false))
            QTimer::singleShot(0, this, [this] { m_flow.exportMovie(m_state.exportOptions()); });
    });
}

void ContentView::restoreRecovery()
{
    // The recovery copy's file name is the application's own; the user knows the edit by its movie.
    QPointer<ContentView> self(this);
    m_editor.document().openProject(EditorDocument::recoveryURL(), [self](bool opened) {
        if (self && opened && self->m_editor.document().movieURL())
            self->m_editor.setNotice(MainWindowText::openedPrefix + self->m_editor.document().movieURL()->fileName());
    });
}

void ContentView::showRecordingHelp()
{
    // Buttons that would open settings pages this desktop does not have are left out.
    if (!m_session.canOpenPrivacySettings()) {
        m_dialogs->runAlert(
            {MainWindowText::permissionsTitle, MainWindowText::permissionsMessage, {MainWindowText::doneButton}, 0});
        return;
    }
    const std::optional<int> answer = m_dialogs->runAlert(
        {MainWindowText::permissionsTitle,
         MainWindowText::permissionsMessage,
         {MainWindowText::openScreenRecordingSettings, MainWindowText::openInputMonitoringSettings,
          MainWindowText::doneButton},
         2});
    if (answer == 0)
        m_session.openPrivacySettings(QStringLiteral("Privacy_ScreenCapture"));
    else if (answer == 1)
        m_session.openPrivacySettings(QStringLiteral("Privacy_ListenEvent"));
}

ExportProgressPanel* ContentView::exportProgressPanel() const
{
    return m_progressSheet ? m_progressPanel : nullptr;
}

void ContentView::updateExportProgress()
{
    if (m_editor.exporter().isExporting() && !m_progressSheet) {
        m_progressPanel = new ExportProgressPanel;
        connect(m_progressPanel, &ExportProgressPanel::cancelRequested, &m_editor.exporter(),
                &EditorExport::cancelExport);
        m_progressSheet = presentSheet(m_progressPanel, false);
    } else if (!m_editor.exporter().isExporting() && m_progressSheet) {
        static_cast<Sheet*>(m_progressSheet.data())->closeFromCode();
        m_progressSheet = nullptr;
        m_progressPanel = nullptr;
        return;
    }
    if (m_progressSheet)
        m_progressPanel->setProgress(m_editor.exporter().exportProgress(), m_editor.exporter().isCancellingExport());
}

}  // namespace sablewick
