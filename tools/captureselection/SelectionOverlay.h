#pragma once

#include <QImage>
#include <QRgb>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace sablewick {

// The full-screen layer over a frozen picture of the screen on which the user chooses what to
// capture: an area by dragging (its size shown beside it) or a window by clicking it, the window
// under the pointer outlined as the pointer moves. A hint at the top of the main screen says what
// to do until a drag begins. Escape ends the program with status 1; a choice writes the chosen
// pixels to the file as PNG and ends it with status 0.
class SelectionOverlay : public QWidget {
    Q_OBJECT

public:
    enum class Mode { area, window };

    SelectionOverlay(Mode mode, QImage frozen, std::vector<QRect> windows, QString outputPath);

    static constexpr const char* title = "Sablewick capture selection";
    // The outline of the window under the pointer: its colour and width, drawn inside the window.
    static constexpr QRgb outlineColor = 0xFF0A84FF;
    static constexpr int outlineWidth = 3;

    static QString hint(Mode mode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QRect dragRect() const;
    std::optional<QRect> windowAt(QPoint point) const;
    // Where the hint stands: centred near the top of the main screen.
    QRect hintRect() const;
    void paintHint(QPainter& painter) const;
    // Follows the pointer: in window mode repaints only when the window under it changes.
    void pointerMoved(QPoint point);
    void finish(const QRect& area);
    void grabInput(int attemptsLeft);

    Mode m_mode;
    QImage m_frozen;
    QImage m_dimmed;
    std::vector<QRect> m_windows;  // topmost first
    QString m_outputPath;
    std::optional<QPoint> m_pressed;
    QPoint m_pointer;
    std::optional<QRect> m_hovered;  // the window outlined, in window mode
};

}  // namespace sablewick
