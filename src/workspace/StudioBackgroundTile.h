#pragma once

#include "components/StudioTile.h"

#include <QWidget>

#include <vector>

namespace sablewick {

class StudioElidedLabel;

// A grid of equal cells that fits as many columns as it can at their least width and widens them
// up to their greatest, centred, as the width allows. It lays out the cells it is given, in order.
class AdaptiveGrid final : public QWidget {
    Q_OBJECT

public:
    struct Metrics {
        double minimumColumn;
        double maximumColumn;
        double columnSpacing;
        double rowSpacing;
    };
    // The background tiles: 72 to 120 points, 10 apart. The colour swatches: 28 to 36, 8 apart.
    static constexpr Metrics backgroundTiles{72, 120, 10, 10};
    static constexpr Metrics colorSwatches{28, 36, 8, 8};

    explicit AdaptiveGrid(Metrics metrics, QWidget* parent = nullptr);

    // Replaces the cells (the old ones are deleted).
    void setCells(const std::vector<QWidget*>& cells);
    const std::vector<QWidget*>& cells() const { return m_cells; }

    struct Columns {
        int count;
        double width;
    };
    // The columns for a width: at least one, never narrower than the least width unless the grid is.
    Columns columnsFor(double width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int cellHeight() const;
    void layoutCells();

    Metrics m_metrics;
    std::vector<QWidget*> m_cells;
};

// One selectable background: its preview 56 points high over its name, which is in the accent
// while selected and cut in the middle when too long. The name is also the tile's tooltip and
// accessible name; a selected tile carries the kit's badge.
class StudioBackgroundTile final : public StudioTileButton {
    Q_OBJECT

public:
    StudioBackgroundTile(const QString& title, bool selected, QWidget* preview, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setSelected(bool selected);
    QWidget* preview() const { return m_preview; }
    QString shownTitle() const;

    static constexpr int previewHeight = 56;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QString m_title;
    QWidget* m_area;
    QWidget* m_preview;
    StudioElidedLabel* m_label;
};

}  // namespace sablewick
