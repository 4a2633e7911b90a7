// A Wayland window that never looks the same twice: its grey level cycles and a square crosses
// its middle row, so a recording of it changes from frame to frame, also at its centre.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>

#include <algorithm>

namespace {

class MovingWindow : public QRasterWindow {
public:
    MovingWindow() { m_clock.start(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const double t = static_cast<double>(m_clock.elapsed()) / 1000.0;
        QPainter painter(this);
        const int level = 40 + static_cast<int>(t * 60) % 160;
        painter.fillRect(QRect(QPoint(0, 0), size()), QColor(level, level, level));
        const int side = height() / 4;
        const int x = static_cast<int>(t * 400) % std::max(1, width() - side);
        painter.fillRect(QRect(x, (height() - side) / 2, side, side), Qt::white);
    }

private:
    QElapsedTimer m_clock;
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "wayland");
    QGuiApplication app(argc, argv);
    MovingWindow window;
    window.resize(640, 480);
    window.show();
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &window, [&window] { window.update(); });
    repaint.start(15);
    return app.exec();
}
