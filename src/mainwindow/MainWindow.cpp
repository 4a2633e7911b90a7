#include "mainwindow/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLabel>

namespace sablewick {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("editor"));
    setWindowTitle(QStringLiteral("Sablewick"));
    resize(defaultWidth, defaultHeight);

    auto* placeholder = new QLabel(this);
    placeholder->setAlignment(Qt::AlignCenter);
    setCentralWidget(placeholder);

    auto* quit = new QAction(this);
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, qApp, &QApplication::quit);
    addAction(quit);
}

}  // namespace sablewick
