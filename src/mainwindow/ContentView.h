#pragma once

#include "mainwindow/ContentPresenter.h"
#include "mainwindow/DocumentFlow.h"
#include "mainwindow/MainWindowSession.h"
#include "mainwindow/ToolbarState.h"
#include "workspace/ContentState.h"
#include "workspace/WorkspaceViews.h"

#include <QPointer>
#include <QWidget>

#include <map>

class QAction;
class QDialog;
class QMenu;
class QStackedWidget;
class QTimer;
class QToolBar;

namespace sablewick {

class AppPreferences;
class EditorModel;
class ExportProgressPanel;
class ExportSheet;
class PreferencesStore;
class PreviewColumn;
class StatusBanner;
class StudioInspector;
class StudioLabel;
class StudioToolRail;
class StudioWelcome;

// The content of the main editor window: the welcome screen while nothing is open, the workspace
// once a movie is, the update banner above them, the inspector column beside them, the capture
// strip and status banners, the toolbar with its shortcuts, drops and pastes, the sheets and the
// export progress. It decides from the models and its ContentState; the models do the work.
//
// Main thread only. Everything given must outlive it; `defaults` (for the restore-after-update
// flags) may be null.
class ContentView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        EditorModel* editor = nullptr;
        AppPreferences* preferences = nullptr;
        MainWindowSession* session = nullptr;
        StudioDialogs* dialogs = nullptr;  // null: the desktop's own dialogs over this view
        PreferencesStore* defaults = nullptr;
        WorkspaceViews views;              // empty views get plain stand-ins
    };

    static inline const QString restoreAfterUpdateKey = QStringLiteral("restoreAfterUpdate");
    static inline const QString restoreScreenshotAfterUpdateKey = QStringLiteral("restoreScreenshotAfterUpdate");
    static constexpr int updateCheckInterval = 5000;  // ms

    explicit ContentView(Services services, QWidget* parent = nullptr);
    ~ContentView() override;

    ContentState& state() { return m_state; }
    DocumentFlow& flow() { return m_flow; }
    QToolBar* toolbar() const { return m_toolbar; }

    QString title() const;
    QString subtitle() const;
    ToolbarState toolbarState() const;
    bool isShowingWelcome() const;
    StudioWelcome* welcome() const { return m_welcome; }
    // The workspace while a movie is open, else null.
    QWidget* workspace() const;
    PreviewColumn* previewColumn() const { return m_preview; }
    StatusBanner* welcomeBanner() const { return m_welcomeBanner; }
    StudioInspector* inspector() const { return m_inspector; }
    bool isInspectorShown() const;
    // The export progress panel while an export runs, else null.
    ExportProgressPanel* exportProgressPanel() const;
    QAction* action(const QString& name) const;

    // The recording setup sheet, after the save prompt; nothing while a capture is busy.
    void showRecordingSetup();
    // Pauses playback and presents the export options.
    void showExportSheet();
    void showRecordingHelp();
    void checkForInstalledUpdate();

signals:
    // Title, subtitle or toolbar may read differently.
    void presentationChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolbar();
    void buildShortcuts();
    QAction* makeAction(const QString& name, const QString& text, const QString& symbol);
    void scheduleRefresh();
    void refresh();
    void refreshToolbar(const ToolbarState& toolbar);
    void refreshShortcuts();
    void refreshRecentMenu();
    void restyleIcons();
    void ensureWorkspace();
    void showWorkspace(bool show);
    void refreshInspector();
    void updateExportProgress();
    void recorderChanged();
    void statusButton(ContentPresenter::StatusButton button);
    void appeared();
    // Continues the last edit from its recovery copy.
    void restoreRecovery();
    void presentScreenshotSetup();
    QDialog* presentSheet(QWidget* content, bool dismissable);
    std::vector<ContentPresenter::StatusButtonInfo> statusButtons() const;

    EditorModel& m_editor;
    AppPreferences& m_preferences;
    MainWindowSession& m_session;
    std::unique_ptr<StudioDialogs> m_ownDialogs;
    StudioDialogs* m_dialogs;
    PreferencesStore* m_defaults;
    WorkspaceViews m_views;
    ContentState m_state;
    DocumentFlow m_flow;

    QWidget* m_updateBanner = nullptr;
    QStackedWidget* m_stack = nullptr;
    StudioWelcome* m_welcome = nullptr;
    StatusBanner* m_welcomeBanner = nullptr;
    QWidget* m_workspace = nullptr;
    PreviewColumn* m_preview = nullptr;
    StudioToolRail* m_rail = nullptr;
    QWidget* m_inspectorColumn = nullptr;
    StudioInspector* m_inspector = nullptr;
    std::optional<InspectorTab> m_inspectorPageTab;
    QWidget* m_captureStrip = nullptr;
    StudioLabel* m_captureStatus = nullptr;
    QToolBar* m_toolbar = nullptr;
    QMenu* m_openMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentMenuAction = nullptr;
    std::map<QString, QAction*> m_actions;
    std::map<QString, QAction*> m_toolbarItems;  // the toolbar's entries by action name
    std::map<HiddenCommand, QAction*> m_hidden;
    QPointer<QDialog> m_progressSheet;
    ExportProgressPanel* m_progressPanel = nullptr;
    QPointer<QDialog> m_exportSheet;
    QPointer<QDialog> m_recordingSheet;
    QPointer<QDialog> m_screenshotSheet;
    bool m_pendingExport = false;
    bool m_pendingScreenshot = false;
    bool m_refreshScheduled = false;
    bool m_appeared = false;
    RecorderState m_lastRecorder;
    QTimer* m_updateTimer = nullptr;
};

}  // namespace sablewick
