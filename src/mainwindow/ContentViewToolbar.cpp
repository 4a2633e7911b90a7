// The main window's toolbar, its menus and the commands' keys: how they are built and how they
// follow the models.
#include "mainwindow/ContentView.h"

#include "components/StudioLabel.h"
#include "components/WindowActions.h"
#include "editor/EditorModel.h"
#include "mainwindow/ContentPresenter.h"
#include "preferences/AppPreferences.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace sablewick {

QAction* ContentView::makeAction(const QString& name, const QString& text, const QString& symbol)
{
    return makeWindowAction(this, m_actions, name, text, symbol);
}

QAction* ContentView::action(const QString& name) const
{
    return windowAction(m_actions, name);
}

void ContentView::buildToolbar()
{
    m_toolbar = makeWindowToolbar(this, QStringLiteral("studioToolbar"));

    QAction* undo = makeAction(QStringLiteral("undo"), QStringLiteral("Undo"), QStringLiteral("arrow.uturn.backward"));
    connect(undo, &QAction::triggered, &m_editor.document(), &EditorDocument::undo);
    QAction* redo = makeAction(QStringLiteral("redo"), QStringLiteral("Redo"), QStringLiteral("arrow.uturn.forward"));
    connect(redo, &QAction::triggered, &m_editor.document(), &EditorDocument::redo);

    // The "Open" menu.
    m_openMenu = new QMenu(this);
    QAction* openVideo = makeAction(QStringLiteral("openVideo"), QString::fromUtf8("Open video…"), QStringLiteral("film"));
    connect(openVideo, &QAction::triggered, this, [this] { m_flow.openMovie(); });
    QAction* openImage = makeAction(QStringLiteral("openImage"), QString::fromUtf8("Open image…"), QStringLiteral("photo"));
    connect(openImage, &QAction::triggered, this, [this] { m_session.importImage(); });
    QAction* screenshotItem =
        makeAction(QStringLiteral("screenshotItem"), QString::fromUtf8("Take screenshot…"), QStringLiteral("camera"));
    connect(screenshotItem, &QAction::triggered, this, [this] { m_session.requestScreenshot(); });
    QAction* openProject = makeAction(QStringLiteral("openProject"), QString::fromUtf8("Open project…"), QStringLiteral("doc"));
    connect(openProject, &QAction::triggered, this, [this] { m_flow.openProject(); });
    m_recentMenu = new QMenu(QStringLiteral("Recent projects"), m_openMenu);
    QAction* permissions = makeAction(QStringLiteral("permissions"), QString::fromUtf8("Recording permissions…"),
                                      QStringLiteral("lock.shield"));
    // After the menu has closed, so that the alert does not run inside the menu's own loop.
    connect(permissions, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, &ContentView::showRecordingHelp); });
    QAction* settings = makeAction(QStringLiteral("settings"), QString::fromUtf8("Settings…"), QStringLiteral("gearshape"));
    connect(settings, &QAction::triggered, this, [this] { m_session.openSettingsWindow(); });
    m_openMenu->addAction(openVideo);
    m_openMenu->addAction(openImage);
    m_openMenu->addAction(screenshotItem);
    m_openMenu->addAction(openProject);
    m_recentMenuAction = m_openMenu->addMenu(m_recentMenu);
    m_openMenu->addSeparator();
    m_openMenu->addAction(permissions);
    m_openMenu->addAction(settings);

    QAction* open = makeAction(QStringLiteral("open"), QStringLiteral("Open"), QStringLiteral("folder"));
    open->setMenu(m_openMenu);
    open->setToolTip(QStringLiteral("Open a video or project"));
    QAction* stop = makeAction(QStringLiteral("stopRecording"), QStringLiteral("Stop recording"),
                               QStringLiteral("stop.circle.fill"));
    connect(stop, &QAction::triggered, this, [this] { m_session.stopRecording(); });
    auto* finishing = new QProgressBar;
    finishing->setRange(0, 0);
    finishing->setFixedSize(48, 8);
    finishing->setTextVisible(false);
    finishing->setAccessibleName(QStringLiteral("Finishing recording"));

    QAction* newRecording = makeAction(QStringLiteral("newRecording"), QStringLiteral("New recording"),
                                       QStringLiteral("record.circle"));
    newRecording->setToolTip(QStringLiteral("New screen recording"));
    connect(newRecording, &QAction::triggered, this, &ContentView::showRecordingSetup);
    QAction* screenshot = makeAction(QStringLiteral("takeScreenshot"), QStringLiteral("Take screenshot"),
                                     QStringLiteral("camera"));
    connect(screenshot, &QAction::triggered, this, [this] { m_session.requestScreenshot(); });

    QAction* save = makeAction(QStringLiteral("save"), QStringLiteral("Save project"), QStringLiteral("square.and.arrow.down"));
    connect(save, &QAction::triggered, this, [this] { m_flow.saveProject(); });
    auto* optionsMenu = new QMenu(this);
    QAction* saveAs = makeAction(QStringLiteral("saveAs"), QString::fromUtf8("Save project as…"), QString());
    connect(saveAs, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, [this] { m_flow.saveProjectAs(); }); });
    optionsMenu->addAction(saveAs);
    QAction* options = makeAction(QStringLiteral("projectOptions"), QStringLiteral("Project options"), QStringLiteral("ellipsis"));
    options->setMenu(optionsMenu);
    QAction* exportAction = makeAction(QStringLiteral("export"), QStringLiteral("Export"), QStringLiteral("square.and.arrow.up"));
    exportAction->setProperty("accessibleName", QStringLiteral("Export video"));
    connect(exportAction, &QAction::triggered, this, &ContentView::showExportSheet);
    QAction* inspector = makeAction(QStringLiteral("inspector"), QStringLiteral("Inspector"), QStringLiteral("sidebar.right"));
    connect(inspector, &QAction::triggered, this, [this] { m_state.setInspectorVisible(!m_state.inspectorVisible()); });

    auto* title = new QWidget;
    auto* titleLayout = new QVBoxLayout(title);
    titleLayout->setContentsMargins(8, 0, 12, 0);
    titleLayout->setSpacing(0);
    auto* subtitle = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, title);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    titleLayout->addWidget(subtitle);

    const auto place = [this](QAction* item, const QString& name) { m_toolbarItems[name] = item; };
    m_toolbar->addAction(undo);
    place(undo, QStringLiteral("undo"));
    m_toolbar->addAction(redo);
    place(redo, QStringLiteral("redo"));
    place(m_toolbar->addWidget(title), QStringLiteral("subtitle"));
    auto* spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolbar->addWidget(spacer);
    m_toolbar->addAction(open);
    place(open, QStringLiteral("open"));
    m_toolbar->addAction(stop);
    place(stop, QStringLiteral("stopRecording"));
    place(m_toolbar->addWidget(finishing), QStringLiteral("finishing"));
    m_toolbar->addAction(newRecording);
    place(newRecording, QStringLiteral("newRecording"));
    m_toolbar->addAction(screenshot);
    place(screenshot, QStringLiteral("takeScreenshot"));
    m_toolbar->addAction(save);
    place(save, QStringLiteral("save"));
    m_toolbar->addAction(options);
    place(options, QStringLiteral("projectOptions"));
    m_toolbar->addAction(exportAction);
    place(exportAction, QStringLiteral("export"));
    m_toolbar->addAction(inspector);
    place(inspector, QStringLiteral("inspector"));
    for (const QString& name : {QStringLiteral("open"), QStringLiteral("projectOptions")})
        if (auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(action(name))))
            button->setPopupMode(QToolButton::InstantPopup);
    if (auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(exportAction))) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAccessibleName(QStringLiteral("Export video"));
    }
    restyleIcons();
}

void ContentView::buildShortcuts()
{
    for (HiddenCommand command : allHiddenCommands) {
        auto* hidden = new QAction(sablewick::title(command), this);
        hidden->setShortcutContext(Qt::WindowShortcut);
        addAction(hidden);
        m_hidden[command] = hidden;
        connect(hidden, &QAction::triggered, this, [this, command] {
            switch (command) {
            case HiddenCommand::undo:
                m_editor.document().undo();
                break;
            case HiddenCommand::redo:
                m_editor.document().redo();
                break;
            case HiddenCommand::backward:
                m_editor.playback().seek(m_editor.playback().currentTime() - 5);
                break;
            case HiddenCommand::forward:
                m_editor.playback().seek(m_editor.playback().currentTime() + 5);
                break;
            case HiddenCommand::deleteZoom:
                m_state.deleteSelectedZoom();
                break;
            }
        });
    }
    // Paste is fixed to Ctrl+V and always there, so an image can be pasted from anywhere.
    QAction* paste = makeAction(QStringLiteral("paste"), QStringLiteral("Paste image"), QString());
    paste->setShortcut(QKeySequence::Paste);
    connect(paste, &QAction::triggered, this, [this] { m_session.pasteImage(); });
    QAction* escape = makeAction(QStringLiteral("cancelPlacement"), QStringLiteral("Cancel placement"), QString());
    escape->setShortcut(Qt::Key_Escape);
    connect(escape, &QAction::triggered, &m_state, &ContentState::cancelPlacement);
}

void ContentView::restyleIcons()
{
    tintWindowActionIcons(m_actions, this);
}

void ContentView::refreshToolbar(const ToolbarState& s)
{
    using RC = ToolbarState::RecordingControl;
    const auto show = [this](const QString& name, bool visible) { m_toolbarItems.at(name)->setVisible(visible); };
    show(QStringLiteral("undo"), s.showsUndoRedo);
    show(QStringLiteral("redo"), s.showsUndoRedo);
    show(QStringLiteral("open"), s.recordingControl == RC::openMenu);
    show(QStringLiteral("stopRecording"), s.recordingControl == RC::stopRecording);
    show(QStringLiteral("finishing"), s.recordingControl == RC::finishing);
    show(QStringLiteral("newRecording"), s.showsCaptureGroup);
    show(QStringLiteral("takeScreenshot"), s.showsCaptureGroup);
    for (const QString& name : {QStringLiteral("save"), QStringLiteral("projectOptions"), QStringLiteral("export"),
                                QStringLiteral("inspector")})
        show(name, s.showsDocumentGroups);
    action(QStringLiteral("undo"))->setEnabled(s.undoEnabled);
    action(QStringLiteral("redo"))->setEnabled(s.redoEnabled);
    action(QStringLiteral("takeScreenshot"))->setEnabled(s.screenshotEnabled);
    action(QStringLiteral("export"))->setEnabled(s.exportEnabled && s.showsDocumentGroups);
    // Commands of hidden groups have no keys either.
    for (const QString& name : {QStringLiteral("openVideo"), QStringLiteral("openImage"), QStringLiteral("screenshotItem"),
                                QStringLiteral("openProject"), QStringLiteral("permissions"), QStringLiteral("settings")})
        action(name)->setEnabled(s.recordingControl == RC::openMenu);
    for (const QString& name : {QStringLiteral("save"), QStringLiteral("saveAs"), QStringLiteral("inspector")})
        action(name)->setEnabled(s.showsDocumentGroups);
    m_recentMenuAction->setVisible(s.showsRecentProjects);
    refreshRecentMenu();
}

void ContentView::refreshRecentMenu()
{
    m_recentMenu->clear();
    for (const QUrl& project : m_editor.document().recentProjects()) {
        QAction* row = m_recentMenu->addAction(ContentPresenter::recentProjectTitle(project));
        // After the menu has closed: the save prompt is modal.
        connect(row, &QAction::triggered, this, [this, project] {
            QTimer::singleShot(0, this, [this, project] { m_flow.openRecent(project); });
        });
    }
}

void ContentView::refreshShortcuts()
{
    struct Keyed {
        const char* name;
        StudioShortcutAction action;
        QString help;
    };
    const Keyed keyed[] = {
        {"undo", StudioShortcutAction::undo, QStringLiteral("Undo")},
        {"redo", StudioShortcutAction::redo, QStringLiteral("Redo")},
        {"takeScreenshot", StudioShortcutAction::captureScreenshot, QStringLiteral("Take screenshot")},
        {"save", StudioShortcutAction::save, QStringLiteral("Save project")},
        {"export", StudioShortcutAction::export_, QStringLiteral("Export video")},
        {"inspector", StudioShortcutAction::inspector, QStringLiteral("Show or hide inspector")},
    };
    for (const Keyed& k : keyed)
        action(QString::fromLatin1(k.name))->setToolTip(m_preferences.help(k.help, k.action));
    // Undo and redo keys belong to the hidden commands, not to the toolbar items.
    for (const auto& [name, act] : {std::pair{"save", StudioShortcutAction::save},
                                    std::pair{"export", StudioShortcutAction::export_},
                                    std::pair{"inspector", StudioShortcutAction::inspector},
                                    std::pair{"openVideo", StudioShortcutAction::openVideo},
                                    std::pair{"openImage", StudioShortcutAction::openImage},
                                    std::pair{"openProject", StudioShortcutAction::openProject}})
        action(QString::fromLatin1(name))->setShortcut(commandShortcut(m_preferences, act));

    HiddenCommandInputs in;
    in.movieOpen = m_editor.document().movieURL().has_value();
    in.recorderBusy = m_session.recorderState().isBusy();
    in.isExporting = m_editor.exporter().isExporting();
    in.canUndo = m_editor.document().canUndo();
    in.canRedo = m_editor.document().canRedo();
    in.hasSelection = m_state.selectedPoint().has_value();
    for (auto& [command, hidden] : m_hidden) {
        hidden->setShortcut(commandShortcut(m_preferences, shortcutAction(command)));
        hidden->setEnabled(sablewick::isEnabled(command, in));
    }
    action(QStringLiteral("cancelPlacement"))->setEnabled(m_state.isPlacingFocus());
}

}  // namespace sablewick
