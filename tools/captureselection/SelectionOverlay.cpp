#include "SelectionOverlay.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QSaveFile>
#include <QWindow>
#include <QTimer>

#include <cstdio>

namespace sablewick {

namespace {

// A press that moves less than this is a click, not the start of an area.
constexpr int kDragThreshold = 2;

constexpr int hintPixelSize = 14;
constexpr int hintTop = 32;

}  // namespace

SelectionOverlay::SelectionOverlay(Mode mode, QImage frozen, std::vector<QRect> windows, QString outputPath)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::X11BypassWindowManagerHint)
    , m_mode(mode)
    , m_frozen(std::move(frozen))
    , m_windows(std::move(windows))
    , m_outputPath(std::move(outputPath))
{
    setWindowTitle(QString::fromLatin1(title));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setGeometry(m_frozen.rect());
    // The screen darkened, so that the chosen part stands out at its true brightness.
    m_dimmed = m_frozen.copy();
    QPainter painter(&m_dimmed);
    painter.fillRect(m_dimmed.rect(), QColor(0, 0, 0, 90));
}

void SelectionOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The pointer may already rest on a window: outlined before it first moves.
    pointerMoved(mapFromGlobal(QCursor::pos()));
    grabInput(50);
}

// The layer bypasses the window manager, so it never receives the focus on its own: it takes the
// keyboard and the pointer itself, once the server has mapped it.
void SelectionOverlay::grabInput(int attemptsLeft)
{
    activateWindow();
    grabKeyboard();
    grabMouse();
    // Qt names this widget the grabber whether or not the server agreed: the window may not be
    // mapped yet, or another client (the key that started us, still held) may own the grab. Only
    // the server's answer tells whether to try again.
    QWindow* window = windowHandle();
    const bool held = window && window->setKeyboardGrabEnabled(true) && window->setMouseGrabEnabled(true);
    if (held || attemptsLeft <= 0)
        return;
    QTimer::singleShot(20, this, [this, attemptsLeft] { grabInput(attemptsLeft - 1); });
}

QString SelectionOverlay::hint(Mode mode)
{
    return mode == Mode::area ? QStringLiteral("Drag to select an area. Escape cancels.")
                              : QStringLiteral("Click a window to capture it. Escape cancels.");
}

QRect SelectionOverlay::hintRect() const
{
    QFont font = this->font();
    font.setPixelSize(hintPixelSize);
    const QSize text = QFontMetrics(font).size(Qt::TextSingleLine, hint(m_mode));
    const QSize pill = text + QSize(32, 16);
    const QScreen* main = QGuiApplication::primaryScreen();
    const QRect screen = (main ? main->geometry() : rect()) & rect();
    return QRect(screen.center().x() - pill.width() / 2, screen.top() + hintTop, pill.width(), pill.height());
}

void SelectionOverlay::paintHint(QPainter& painter) const
{
    // Out of the way once the user drags: the area may well reach over it.
    if (m_mode == Mode::area && m_pressed)
        return;
    const QRect pill = hintRect();
    QFont font = this->font();
    font.setPixelSize(hintPixelSize);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 190));
    painter.drawRoundedRect(pill, pill.height() / 2.0, pill.height() / 2.0);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pill, Qt::AlignCenter, hint(m_mode));
    painter.restore();
}

void SelectionOverlay::pointerMoved(QPoint point)
{
    m_pointer = point;
    if (m_mode == Mode::area) {
        update();
        return;
    }
    const std::optional<QRect> window = windowAt(point);
    if (window == m_hovered)
        return;
    // Only the old and the new outline change; the hint is drawn again where they cover it.
    if (m_hovered)
        update(*m_hovered);
    if (window)
        update(*window);
    m_hovered = window;
}

QRect SelectionOverlay::dragRect() const
{
    if (!m_pressed)
        return {};
    return QRect(*m_pressed, m_pointer).normalized().adjusted(0, 0, -1, -1) & m_frozen.rect();
}

std::optional<QRect> SelectionOverlay::windowAt(QPoint point) const
{
    for (const QRect& window : m_windows) {
        if (window.contains(point))
            return window & m_frozen.rect();
    }
    return std::nullopt;
}

void SelectionOverlay::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty.topLeft(), m_dimmed, dirty);
    if (m_mode == Mode::window) {
        if (m_hovered) {
            // The window at its true brightness, outlined inside its edges so that the outline
            // shows even for a window that fills the screen.
            painter.drawImage(m_hovered->topLeft(), m_frozen, *m_hovered);
            const int w = outlineWidth;
            painter.setPen(QPen(QColor::fromRgba(outlineColor), w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(*m_hovered).adjusted(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0));
        }
        paintHint(painter);
        return;
    }
    const QRect chosen = dragRect();
    if (chosen.isEmpty()) {
        paintHint(painter);
        return;
    }
    painter.drawImage(chosen.topLeft(), m_frozen, chosen);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 1));
    painter.drawRect(chosen.adjusted(0, 0, -1, -1));

    const QString size = QStringLiteral("%1 × %2").arg(chosen.width()).arg(chosen.height());
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QRect text = painter.fontMetrics().boundingRect(size).adjusted(-6, -3, 6, 3);
    QRect label(chosen.right() + 8, chosen.bottom() + 8, text.width(), text.height());
    // Kept on the screen: inside the selection's corner when there is no room beside it.
    if (label.right() > width())
        label.moveRight(chosen.right() - 8);
    if (label.bottom() > height())
        label.moveBottom(chosen.bottom() - 8);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(label, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter, size);
}

void SelectionOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        QApplication::exit(1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void SelectionOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pointer = event->position().toPoint();
    m_pressed = m_pointer;
    update();
}

void SelectionOverlay::mouseMoveEvent(QMouseEvent* event)
{
    pointerMoved(event->position().toPoint());
}

void SelectionOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pointer = event->position().toPoint();
    const QPoint start = *m_pressed;
    const bool dragged = (m_pointer - start).manhattanLength() >= kDragThreshold;
    m_pressed.reset();
    if (m_mode == Mode::area) {
        // A click without a drag chooses nothing; the user may drag again.
        if (dragged)
            finish(QRect(start, m_pointer).normalized().adjusted(0, 0, -1, -1) & m_frozen.rect());
    } else if (const auto window = windowAt(m_pointer)) {
        finish(*window);
    }
    update();
}

void SelectionOverlay::finish(const QRect& area)
{
    if (area.isEmpty())
        return;
    QSaveFile file(m_outputPath);
    if (!file.open(QIODevice::WriteOnly) || !m_frozen.copy(area).save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "The screenshot could not be written to %s.\n", qPrintable(m_outputPath));
        QApplication::exit(2);
        return;
    }
    QApplication::exit(0);
}

}  // namespace sablewick
