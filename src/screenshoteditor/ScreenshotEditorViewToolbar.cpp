// The image window's toolbar, its menus and the commands' keys: how they are built and how they
// follow the model.
#include "screenshoteditor/ScreenshotEditorView.h"

#include "components/CommandShortcut.h"
#include "components/StudioIcons.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/WindowActions.h"
#include "preferences/AppPreferences.h"
#include "screenshoteditor/ImageEditorSession.h"
#include "screenshots/ScreenshotModel.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace sablewick {

namespace presenter = ScreenshotEditorPresenter;

QAction* ScreenshotEditorView::makeAction(const QString& name, const QString& text, const QString& symbol)
{
    return makeWindowAction(this, m_actions, name, text, symbol);
}

QAction* ScreenshotEditorView::action(const QString& name) const
{
    return windowAction(m_actions, name);
}

void ScreenshotEditorView::buildToolbar()
{
    m_toolbar = makeWindowToolbar(this, QStringLiteral("imageToolbar"));

    auto* openMenu = new QMenu(this);
    QAction* capture = makeAction(QStringLiteral("takeScreenshot"), QString::fromUtf8("Take screenshot…"), QStringLiteral("camera"));
    // After the menu has closed, so that the sheet does not open inside the menu's own loop.
    connect(capture, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, &ScreenshotEditorView::showCaptureSheet); });
    QAction* openImage = makeAction(QStringLiteral("openImage"), QString::fromUtf8("Open image…"), QStringLiteral("photo"));
    connect(openImage, &QAction::triggered, this, [this] { QTimer::singleShot(0, this, [this] { m_session.importImage(); }); });
    QAction* paste = makeAction(QStringLiteral("pasteImage"), QStringLiteral("Paste image"), QStringLiteral("doc.on.clipboard"));
    connect(paste, &QAction::triggered, this, [this] { m_session.pasteImage(); });
    openMenu->addAction(capture);
    openMenu->addAction(openImage);
    openMenu->addAction(paste);
    QAction* open = makeAction(QStringLiteral("open"), QStringLiteral("Open"), QStringLiteral("folder"));
    open->setMenu(openMenu);

    QAction* undo = makeAction(QStringLiteral("undo"), QStringLiteral("Undo"), QStringLiteral("arrow.uturn.backward"));
    connect(undo, &QAction::triggered, &m_model, &ScreenshotModel::undo);
    QAction* redo = makeAction(QStringLiteral("redo"), QStringLiteral("Redo"), QStringLiteral("arrow.uturn.forward"));
    connect(redo, &QAction::triggered, &m_model, &ScreenshotModel::redo);

    auto* tools = new QActionGroup(this);
    tools->setExclusive(true);
    for (ScreenshotTool tool : EnumCases<ScreenshotTool>::cases) {
        QAction* item = makeAction(QStringLiteral("tool.") + sablewick::title(tool), sablewick::title(tool), sablewick::symbol(tool));
        item->setCheckable(true);
        item->setToolTip(sablewick::title(tool));
        tools->addAction(item);
        m_toolActions[tool] = item;
        connect(item, &QAction::triggered, this, [this, tool] { pickTool(tool); });
    }

    QAction* save = makeAction(QStringLiteral("save"), QStringLiteral("Save project"), QStringLiteral("square.and.arrow.down"));
    connect(save, &QAction::triggered, this, [this] { m_model.saveProjectWithPanel(false); });
    auto* optionsMenu = new QMenu(this);
    QAction* saveAs = makeAction(QStringLiteral("saveAs"), QString::fromUtf8("Save project as…"), QStringLiteral("doc.on.doc"));
    connect(saveAs, &QAction::triggered, this,
            [this] { QTimer::singleShot(0, this, [this] { m_model.saveProjectWithPanel(true); }); });
    optionsMenu->addAction(saveAs);
    QAction* options = makeAction(QStringLiteral("projectOptions"), QStringLiteral("Project options"), QStringLiteral("ellipsis"));
    options->setMenu(optionsMenu);
    QAction* copy = makeAction(QStringLiteral("copyImage"), QStringLiteral("Copy image"), QStringLiteral("doc.on.doc"));
    connect(copy, &QAction::triggered, this, &ScreenshotEditorView::copyImage);
    QAction* exportAction = makeAction(QStringLiteral("export"), QStringLiteral("Export"), QStringLiteral("square.and.arrow.up"));
    connect(exportAction, &QAction::triggered, this, &ScreenshotEditorView::showExportSheet);
    QAction* inspector = makeAction(QStringLiteral("inspector"), QStringLiteral("Inspector"), QStringLiteral("sidebar.right"));
    connect(inspector, &QAction::triggered, this, [this] {
        m_inspectorVisible = !m_inspectorVisible;
        refresh();
    });

    m_toolbar->addAction(open);
    m_toolbar->addAction(undo);
    m_toolbar->addAction(redo);
    auto* title = new QWidget;
    auto* titleLayout = new QVBoxLayout(title);
    titleLayout->setContentsMargins(8, 0, 12, 0);
    m_subtitle = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, title);
    m_subtitle->setObjectName(QStringLiteral("subtitle"));
    titleLayout->addWidget(m_subtitle);
    m_toolbar->addWidget(title);
    const auto spacer = [this] {
        auto* space = new QWidget;
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_toolbar->addWidget(space);
    };
    spacer();
    for (ScreenshotTool tool : EnumCases<ScreenshotTool>::cases)
        m_toolbar->addAction(m_toolActions.at(tool));
    spacer();
    m_toolbar->addAction(save);
    m_toolbar->addAction(options);
    m_toolbar->addAction(copy);
    m_toolbar->addAction(exportAction);
    m_toolbar->addAction(inspector);
    for (QAction* menu : {open, options})
        if (auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(menu)))
            button->setPopupMode(QToolButton::InstantPopup);
    if (auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(exportAction)))
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    restyleIcons();
}

void ScreenshotEditorView::buildShortcuts()
{
    // Buttons that exist only for their keys, so that the keys work wherever the focus is.
    const auto hidden = [this](const QString& name, const QString& text) {
        return makeAction(name, text, QString());
    };
    connect(hidden(QStringLiteral("hiddenUndo"), QStringLiteral("Undo")), &QAction::triggered, &m_model,
            &ScreenshotModel::undo);
    connect(hidden(QStringLiteral("hiddenRedo"), QStringLiteral("Redo")), &QAction::triggered, &m_model,
            &ScreenshotModel::redo);
    connect(hidden(QStringLiteral("deleteAnnotation"), QStringLiteral("Delete annotation")), &QAction::triggered, this,
            &ScreenshotEditorView::deleteSelection);
    QAction* paste = hidden(QStringLiteral("hiddenPaste"), QStringLiteral("Paste image"));
    // Fixed, so that an image can be pasted whatever the user did to the configurable keys.
    paste->setShortcut(QKeySequence::Paste);
    connect(paste, &QAction::triggered, this, [this] { m_session.pasteImage(); });
    QAction* escape = hidden(QStringLiteral("cancel"), QStringLiteral("Cancel"));
    escape->setShortcut(Qt::Key_Escape);
    connect(escape, &QAction::triggered, this, &ScreenshotEditorView::cancelInteraction);
}

void ScreenshotEditorView::restyleIcons()
{
    tintWindowActionIcons(m_actions, this);
    if (auto* icon = findChild<QLabel*>(QStringLiteral("emptySymbol")))
        icon->setPixmap(studioSymbolPixmap(QStringLiteral("camera.viewfinder"), 48, StudioColors::of(this).secondaryLabel,
                                           devicePixelRatioF()));
}

void ScreenshotEditorView::refreshCommands()
{
    const presenter::Commands c = presenter::Commands::make(
        {!m_model.source().isNull(), m_model.canUndo(), m_model.canRedo(), selected().has_value(), m_model.isExporting()});
    const bool on = c.windowEnabled;
    const auto enable = [this, on](const char* name, bool enabled) {
        action(QString::fromLatin1(name))->setEnabled(on && enabled);
    };
    enable("open", true);
    enable("takeScreenshot", true);
    enable("openImage", true);
    enable("pasteImage", true);
    enable("undo", c.undo);
    enable("redo", c.redo);
    enable("hiddenUndo", c.undo);
    enable("hiddenRedo", c.redo);
    enable("save", c.saveProject);
    enable("projectOptions", c.saveProject);
    enable("saveAs", c.saveProject);
    enable("copyImage", c.copyImage);
    enable("export", c.exportImage);
    enable("inspector", true);
    enable("deleteAnnotation", c.deleteAnnotation);
    enable("hiddenPaste", true);
    enable("cancel", true);
    for (auto& [tool, item] : m_toolActions) {
        item->setEnabled(on && c.toolPicker);
        item->setChecked(tool == this->tool());
    }
    m_toolbar->setEnabled(on);

    // Configurable keys, read anew each time: an override takes effect at once, and while the
    // settings window records a shortcut none of them fires.
    const std::pair<const char*, StudioShortcutAction> keyed[] = {
        {"save", StudioShortcutAction::save},           {"copyImage", StudioShortcutAction::copyImage},
        {"export", StudioShortcutAction::export_},      {"inspector", StudioShortcutAction::inspector},
        {"openImage", StudioShortcutAction::openImage}, {"hiddenUndo", StudioShortcutAction::undo},
        {"hiddenRedo", StudioShortcutAction::redo},     {"deleteAnnotation", StudioShortcutAction::deleteZoom},
    };
    for (const auto& [name, act] : keyed)
        action(QString::fromLatin1(name))->setShortcut(commandShortcut(m_preferences, act));
    const std::pair<const char*, StudioShortcutAction> helped[] = {
        {"save", StudioShortcutAction::save},
        {"copyImage", StudioShortcutAction::copyImage},
        {"export", StudioShortcutAction::export_},
        {"inspector", StudioShortcutAction::inspector},
    };
    for (const auto& [name, act] : helped) {
        QAction* item = action(QString::fromLatin1(name));
        item->setToolTip(m_preferences.help(item->text(), act));
    }
}

}  // namespace sablewick
