#include "workspace/StudioBackgroundTile.h"

#include "components/StudioSelectionBadge.h"
#include "components/StudioElidedLabel.h"

#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace sablewick {

AdaptiveGrid::AdaptiveGrid(Metrics metrics, QWidget* parent) : QWidget(parent), m_metrics(metrics)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void AdaptiveGrid::setCells(const std::vector<QWidget*>& cells)
{
    for (QWidget* old : m_cells)
        delete old;
    m_cells = cells;
    for (QWidget* cell : m_cells) {
        cell->setParent(this);
        cell->show();
    }
    updateGeometry();
    layoutCells();
}

AdaptiveGrid::Columns AdaptiveGrid::columnsFor(double width) const
{
    if (!(width > 0))
        return {1, 0};
    const double gap = m_metrics.columnSpacing;
    const int count = std::max(1, int(std::floor((width + gap) / (m_metrics.minimumColumn + gap))));
    const double share = (width - gap * (count - 1)) / count;
    return {count, std::min(share, m_metrics.maximumColumn)};
}

int AdaptiveGrid::cellHeight() const
{
    int height = 0;
    for (const QWidget* cell : m_cells)
        height = std::max({height, cell->sizeHint().height(), cell->minimumSize().height()});
    return height;
}

int AdaptiveGrid::heightForWidth(int width) const
{
    if (m_cells.empty())
        return 0;
    const Columns columns = columnsFor(width);
    const int rows = (int(m_cells.size()) + columns.count - 1) / columns.count;
    return int(std::ceil(rows * cellHeight() + (rows - 1) * m_metrics.rowSpacing));
}

QSize AdaptiveGrid::sizeHint() const
{
    const int width = int(3 * m_metrics.maximumColumn + 2 * m_metrics.columnSpacing);
    return {width, heightForWidth(width)};
}

QSize AdaptiveGrid::minimumSizeHint() const
{
    return {int(m_metrics.minimumColumn), heightForWidth(int(m_metrics.minimumColumn))};
}

void AdaptiveGrid::resizeEvent(QResizeEvent*)
{
    layoutCells();
}

void AdaptiveGrid::layoutCells()
{
    const Columns columns = columnsFor(width());
    const double used = columns.count * columns.width + (columns.count - 1) * m_metrics.columnSpacing;
    const double left = (width() - used) / 2;
    const int height = cellHeight();
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const int row = int(i) / columns.count;
        const int column = int(i) % columns.count;
        const double x = left + column * (columns.width + m_metrics.columnSpacing);
        const int x0 = int(std::round(x));
        const int y0 = int(std::round(row * (height + m_metrics.rowSpacing)));
        m_cells[i]->setGeometry(x0, y0, int(std::round(x + columns.width)) - x0, height);
    }
}

StudioBackgroundTile::StudioBackgroundTile(const QString& title, bool selected, QWidget* preview, QWidget* parent)
    : StudioTileButton(selected, parent), m_title(title)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The preview gets exactly this area and is clipped to it.
    m_area = new QWidget(this);
    m_area->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_area->setFixedHeight(previewHeight);
    auto* areaLayout = new QVBoxLayout(m_area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    m_preview = preview;
    m_preview->setParent(m_area);
    m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    areaLayout->addWidget(m_preview);
    column->addWidget(m_area);
    m_label = new StudioElidedLabel(title, StudioTextStyle::caption2, StudioLabelRole::secondary, this);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setContentsMargins(5, 7, 5, 7);
    column->addWidget(m_label);
    setToolTip(title);
    setAccessibleName(title);
    setSelected(selected);
}

void StudioBackgroundTile::setSelected(bool selected)
{
    StudioTileButton::setSelected(selected);
    m_label->setRole(selected ? StudioLabelRole::accent : StudioLabelRole::secondary);
    studioSelectionBadge(m_area, selected);
}

QString StudioBackgroundTile::shownTitle() const
{
    return m_label->shownText();
}

QSize StudioBackgroundTile::sizeHint() const
{
    return {int(AdaptiveGrid::backgroundTiles.maximumColumn), previewHeight + m_label->minimumSizeHint().height()};
}

QSize StudioBackgroundTile::minimumSizeHint() const
{
    return {int(AdaptiveGrid::backgroundTiles.minimumColumn), previewHeight + m_label->minimumSizeHint().height()};
}

}  // namespace sablewick
