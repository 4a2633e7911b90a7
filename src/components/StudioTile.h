#pragma once

#include <QAbstractButton>

class QGraphicsOpacityEffect;

namespace sablewick {

// A button whose content the caller builds from child widgets (set a layout on it). Pressed, the
// whole of it dims to 78 %. Children that take no clicks of their own let clicks reach it.
class StudioCanvasButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit StudioCanvasButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The opacity the whole button is drawn at now.
    double contentOpacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    virtual double opacityFor(bool enabled, bool pressed) const;
    void refreshOpacity();

private:
    QGraphicsOpacityEffect* m_effect = nullptr;
};

// A selectable tile: a rounded rectangle (10 px corners) with a 2 px accent border when selected
// and a faint 1 px border otherwise. Disabled it is drawn at 42 % and does not dim when pressed.
class StudioTileButton : public StudioCanvasButton {
    Q_OBJECT

public:
    explicit StudioTileButton(bool selected = false, QWidget* parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // A background fill inside the rounded shape; invalid for none.
    void setFill(const QColor& fill);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    double opacityFor(bool enabled, bool pressed) const override;

private:
    class Border;
    bool m_selected;
    QColor m_fill;
    Border* m_border;
};

} // namespace sablewick
