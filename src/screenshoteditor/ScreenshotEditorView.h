#pragma once

#include "components/WindowActions.h"
#include "components/WindowSheet.h"
#include "platform/DisplayList.h"
#include "screenshoteditor/ImageExportSheet.h"
#include "screenshoteditor/ScreenshotEditorPresenter.h"
#include "screenshots/ScreenshotCaptureOptions.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTimer;
class QToolBar;

namespace sablewick {

class AppPreferences;
class CanvasPresets;
class ImageCanvasView;
class ImageEditorSession;
class ScreenshotModel;
class StudioButton;
class StudioInspector;
class StudioLabel;
class StudioToolRail;

// What the image editor window is made with. The pointers are not owned and must outlive it.
struct ScreenshotEditorServices {
    ImageEditorSession* session = nullptr;
    AppPreferences* preferences = nullptr;
    CanvasPresets* presets = nullptr;
    // Where an export goes; empty: the desktop's save panel over the window.
    ExportPathChooser chooseExportPath;
    // The displays the screenshot setup sheet offers; empty: the connected ones.
    std::function<DisplayLayout()> displays;
};

// The "Add text" prompt: one field, "Add" only once something is typed (a space counts).
class AddTextPrompt final : public QDialog {
    Q_OBJECT

public:
    explicit AddTextPrompt(const QString& text, QWidget* parent = nullptr);

    static constexpr int minimumWidth = 360;

    QLineEdit* field() const { return m_field; }
    QPushButton* addButton() const { return m_add; }

private:
    QLineEdit* m_field;
    QPushButton* m_add;
};

// The content of the image editor window: the open screenshot edit on its canvas with the page
// rail, the footer and the inspector pages, or the empty state while no picture is open; the
// toolbar with its shortcuts, the update banner, the "Add text" prompt, the capture and export
// sheets, the export's progress card and dropped files. Everything it changes goes through the
// screenshot model; it keeps only what the user is doing now (tool, page, selection, sheets).
//
// Main thread only.
class ScreenshotEditorView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int updateCheckInterval = 5000;  // ms
    static constexpr QSize minimumWindowSize{950, 650};

    explicit ScreenshotEditorView(ScreenshotEditorServices services, QWidget* parent = nullptr);
    ~ScreenshotEditorView() override;

    ScreenshotModel& model() const { return m_model; }
    QToolBar* toolbar() const { return m_toolbar; }
    QString title() const;
    QString subtitle() const;

    ScreenshotTool tool() const;
    // What picking a tool in the toolbar does: the inspector follows it.
    void pickTool(ScreenshotTool tool);
    ImagePanel panel() const { return m_panel; }
    // What picking a page on the rail does: the Crop page brings the crop tool along.
    void choosePanel(ImagePanel panel);
    bool isInspectorVisible() const { return m_inspectorVisible; }
    std::optional<QUuid> selected() const;

    // Removes the selected mark as one undo step; nothing without a selection.
    void deleteSelection();
    // Removes the crop as one undo step.
    void resetCrop();
    // Puts the edit, rendered at full size, on the clipboard as PNG.
    void copyImage();
    // Escape: ends the drag under way, drops the draft and returns to the select tool; the
    // selection stays.
    void cancelInteraction();
    // Opens the "Add text" prompt for a text at `anchor` (source coordinates).
    void promptForText(QPointF anchor);
    void showCaptureSheet();
    void showExportSheet();
    void checkForInstalledUpdate();

    // --- parts, for tests
    ImageCanvasView* canvas() const { return m_canvas; }
    bool isShowingEmptyState() const;
    StudioButton* continueButton() const { return m_continue; }
    StudioButton* takeScreenshotButton() const { return m_takeScreenshot; }
    StudioLabel* footerHint() const { return m_hint; }
    StudioLabel* footerSize() const { return m_size; }
    StudioLabel* footerNotice() const { return m_notice; }
    QWidget* updateBanner() const { return m_updateBanner; }
    StudioToolRail* rail() const { return m_rail; }
    StudioInspector* inspector() const { return m_inspector; }
    QWidget* inspectorPage() const { return m_page; }
    QAction* action(const QString& name) const;
    AddTextPrompt* textPrompt() const { return m_textPrompt; }
    WindowSheet* captureSheet() const { return m_captureSheet; }
    ImageExportSheet* exportSheet() const;
    ImageExportProgress* progressCard() const { return m_progress; }
    QWidget* body() const { return m_body; }

signals:
    // Title or subtitle may read differently.
    void presentationChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* buildEmptyState();
    QWidget* buildEditor();
    void buildToolbar();
    void buildShortcuts();
    QAction* makeAction(const QString& name, const QString& text, const QString& symbol);
    void restyleIcons();
    void scheduleRefresh();
    void refresh();
    void refreshCommands();
    void refreshInspector();
    void sourceChanged();
    void annotationsChanged();
    void toolChanged();
    void addText();
    void placeProgressCard();
    void showContextMenu(QPoint position);

    ScreenshotEditorServices m_services;
    ImageEditorSession& m_session;
    ScreenshotModel& m_model;
    AppPreferences& m_preferences;

    ImagePanel m_panel = ImagePanel::canvas;
    bool m_inspectorVisible = true;
    std::optional<QUrl> m_shownSource;
    ScreenshotTool m_shownTool = ScreenshotTool::select;
    std::optional<QPointF> m_textAnchor;
    QString m_text;
    ScreenshotFormat m_exportFormat = ScreenshotFormat::png;
    double m_exportScale = 1.0;
    double m_exportQuality = 0.92;
    bool m_updateAvailable = false;
    bool m_pendingExport = false;
    std::optional<ScreenshotCaptureOptions> m_pendingCapture;
    bool m_refreshScheduled = false;
    bool m_appeared = false;

    QToolBar* m_toolbar = nullptr;
    StudioLabel* m_subtitle = nullptr;
    WindowActions m_actions;
    std::map<ScreenshotTool, QAction*> m_toolActions;
    QWidget* m_body = nullptr;
    QWidget* m_updateBanner = nullptr;
    QStackedWidget* m_stack = nullptr;
    StudioButton* m_takeScreenshot = nullptr;
    StudioButton* m_continue = nullptr;
    StudioLabel* m_emptyNotice = nullptr;
    ImageCanvasView* m_canvas = nullptr;
    StudioToolRail* m_rail = nullptr;
    StudioLabel* m_hint = nullptr;
    StudioLabel* m_size = nullptr;
    StudioLabel* m_notice = nullptr;
    QWidget* m_inspectorColumn = nullptr;
    StudioInspector* m_inspector = nullptr;
    QPointer<QWidget> m_page;
    std::optional<ImagePanel> m_pagePanel;
    QPointer<AddTextPrompt> m_textPrompt;
    QPointer<WindowSheet> m_captureSheet;
    QPointer<WindowSheet> m_exportSheet;
    ImageExportProgress* m_progress = nullptr;
    QTimer* m_updateTimer = nullptr;
};

// The image editor window: the toolbar over the view. Closing it turns pending edits into an
// undo step and writes the recovery copy, so nothing edited is lost with the window.
class ScreenshotEditorWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit ScreenshotEditorWindow(ScreenshotEditorServices services, QWidget* parent = nullptr);

    ScreenshotEditorView* view() const { return m_view; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ScreenshotEditorView* m_view;
};

}  // namespace sablewick
