#pragma once

#include <QAbstractButton>
#include <QColor>

namespace sablewick {

// A 22 px colour dot centred in a cell at least 28 px high; the whole cell is clickable. Selected,
// it carries a 2 px accent ring; otherwise a faint 1 px ring.
class StudioColorSwatch final : public QAbstractButton {
    Q_OBJECT

public:
    StudioColorSwatch(const QColor& color, const QString& title, bool selected,
                      QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    static constexpr int diameter = 22;
    static constexpr int minimumCellHeight = 28;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    bool m_selected;
};

} // namespace sablewick
