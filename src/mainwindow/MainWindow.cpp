#include "mainwindow/MainWindow.h"

#include "editor/EditorModel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QToolBar>

namespace sablewick {

MainWindow::MainWindow(ContentView::Services services, QWidget* parent)
    : QMainWindow(parent), m_editor(*services.editor)
{
    setObjectName(QStringLiteral("editor"));
    m_content = new ContentView(std::move(services), this);
    setCentralWidget(m_content);
    addToolBar(Qt::TopToolBarArea, m_content->toolbar());
    setUnifiedTitleAndToolBarOnMac(true);
    resize(defaultWidth, defaultHeight);

    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, qApp, &QApplication::quit);
    addAction(quit);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // What was edited survives the closed window (and a quit that follows).
    m_editor.document().flushPendingEdits();
    if (m_editor.document().movieURL())
        m_editor.document().saveRecovery();
    m_editor.playback().pausePlayback();
    QMainWindow::closeEvent(event);
}

}  // namespace sablewick
