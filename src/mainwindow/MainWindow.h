#pragma once

#include "mainwindow/ContentView.h"

#include <QMainWindow>

namespace sablewick {

// The main editor window (window id "editor"): the toolbar over the content view. The application
// makes it with the editor model and the session's services.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 1380;
    static constexpr int defaultHeight = 900;

    explicit MainWindow(ContentView::Services services, QWidget* parent = nullptr);

    ContentView* content() const { return m_content; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ContentView* m_content;
    EditorModel& m_editor;
};

}  // namespace sablewick
