#include "components/StudioEditorWorkspace.h"

#include "components/StudioPaint.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace sablewick {

StudioEditorWorkspace::StudioEditorWorkspace(QWidget* rail, QWidget* preview, QWidget* timeline,
                                             QWidget* parent)
    : QWidget(parent)
    , m_rail(rail)
    , m_preview(preview)
    , m_timeline(timeline)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* work = new QWidget(this);
    work->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    auto* column = new QVBoxLayout(work);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    preview->setParent(work);
    preview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    column->addWidget(preview, 1);
    timeline->setParent(work);
    timeline->setSizePolicy(timeline->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    column->addWidget(timeline, 0);
    row->addWidget(work, 1);
    rail->setParent(this);
    rail->setFixedWidth(railWidth);
    row->addWidget(rail, 0);
}

void StudioEditorWorkspace::paintEvent(QPaintEvent*)
{
    // A hairline separates the rail from the work area.
    QPainter painter(this);
    const StudioColors colors = StudioColors::of(this);
    painter.fillRect(QRectF(m_rail->x() - 1, 0, 1, height()), colors.separator);
}

} // namespace sablewick
