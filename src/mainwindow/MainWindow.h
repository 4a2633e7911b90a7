#pragma once

#include <QMainWindow>

namespace sablewick {

// The main editor window (window id "editor"). Its content arrives with the welcome screen and the
// workspace; this is the frame that holds them.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 1380;
    static constexpr int defaultHeight = 900;

    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace sablewick
