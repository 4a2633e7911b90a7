#include "mainwindow/PreviewColumn.h"

#include "components/StudioButton.h"
#include "components/StudioGlassSurface.h"
#include "components/StudioLabel.h"
#include "components/StudioPaint.h"
#include "components/StudioPreviewGeometry.h"
#include "editor/EditorDocument.h"
#include "mainwindow/ContentPresenter.h"
#include "mainwindow/MainWindowText.h"
#include "mainwindow/StatusBanner.h"
#include "workspace/ContentState.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

namespace sablewick {

// Takes the clicks over the whole canvas while a zoom waits for its subject. Its hint bar is a
// widget of its own (see placeBar): a narrow canvas, as a portrait one in a small window, has no
// room for it.
class PreviewColumn::PlacementOverlay final : public QWidget {
public:
    PlacementOverlay(ContentState& state, QWidget* parent) : QWidget(parent), m_state(state)
    {
        setCursor(Qt::CrossCursor);
        bar = new StudioGlassSurface(StudioGlassSurface::Shape::roundedRectangle, 16, parent);
        bar->setObjectName(QStringLiteral("placementBar"));
        auto* row = new QHBoxLayout(bar);
        row->setContentsMargins(14, 9, 14, 9);
        row->setSpacing(10);
        row->addWidget(new StudioSymbolView(QStringLiteral("scope"), 13, StudioLabelRole::primary, bar));
        auto* hint = new StudioLabel(MainWindowText::placementHint, StudioTextStyle::caption, StudioLabelRole::primary, bar);
        hint->setTextStyle(StudioTextStyle::caption, QFont::Medium);
        row->addWidget(hint);
        row->addStretch(1);
        auto* cancel = new StudioButton(MainWindowText::cancelButton, QString(), StudioButtonVariant::secondary,
                                        StudioControlSize::compact, bar);
        connect(cancel, &QAbstractButton::clicked, this, [this] { m_state.cancelPlacement(); });
        row->addWidget(cancel);
    }

    // Along the canvas's top, 15 points in from its edges; where the canvas is narrower than the
    // bar, as wide as the bar needs, centred over the canvas and kept inside the preview's room,
    // at least 8 points from its edges.
    void placeBar(const QRect& canvas, const QSize& room)
    {
        const int inset = 15;
        const int margin = 8;
        const int needed = bar->sizeHint().width();
        const int width = std::min(std::max(canvas.width() - 2 * inset, needed), room.width() - 2 * margin);
        const int left =
            std::clamp(canvas.center().x() - width / 2, margin, std::max(room.width() - margin - width, margin));
        bar->setGeometry(left, canvas.top() + inset, width, bar->sizeHint().height());
        bar->setVisible(!isHidden());
        bar->raise();
    }

    QWidget* bar = nullptr;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_state.clickPreview(event->position(), QSizeF(size()));
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }

private:
    ContentState& m_state;
};

// Fills the rest of the column and places the canvas at the largest fitting rectangle.
class PreviewColumn::CanvasArea final : public QWidget {
public:
    CanvasArea(EditorDocument& document, QWidget* canvas, QWidget* parent)
        : QWidget(parent)
        , m_document(document)
        , m_canvas(canvas)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        m_card = new QWidget(this);
        canvas->setParent(m_card);
        canvas->show();
    }

    QRect fitted() const
    {
        return StudioPreviewGeometry::fittedRect(m_document.settings().canvasSize(), QSizeF(size()),
                                                 StudioPreviewGeometry::previewPadding)
            .toRect();
    }

    void place(PlacementOverlay* overlay)
    {
        const QRect r = fitted();
        m_card->setGeometry(r);
        m_canvas->setGeometry(QRect(QPoint(0, 0), r.size()));
        // Rounded clip of the preview, corner radius 10.
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(r.size())), 10, 10);
        m_canvas->setMask(QRegion(path.toFillPolygon().toPolygon()));
        if (overlay) {
            overlay->setGeometry(r);
            overlay->placeBar(r, size());
        }
        update();
    }

    PlacementOverlay* overlay = nullptr;

protected:
    void resizeEvent(QResizeEvent*) override { place(overlay); }

    // The card's soft shadow (black at 12 %, 20 px, 8 px down). A blur effect would re-render and
    // blur the whole preview on every frame, and even drawing the shadow once per card size takes
    // tens of milliseconds at full size, so it is drawn once for a small card and stretched: all
    // that varies lies within its corners, and the edges between them are uniform.
    void paintEvent(QPaintEvent*) override
    {
        const QRect card = m_card->geometry();
        if (card.isEmpty())
            return;
        const QRect area = card.adjusted(-shadowRadius, -shadowRadius, shadowRadius, shadowRadius).translated(0, 8);
        QPainter painter(this);
        if (card.width() < 2 * shadowCorner || card.height() < 2 * shadowCorner) {
            painter.drawPixmap(area.topLeft(), shadowOf(card.size()));
            return;
        }
        // Two uniform pixels between the corners, to stretch.
        static const QPixmap pattern = shadowOf(QSize(2 * shadowCorner + 2, 2 * shadowCorner + 2));
        const int margin = shadowRadius + shadowCorner;
        qDrawBorderPixmap(&painter, area, QMargins(margin, margin, margin, margin), pattern);
    }

private:
    static constexpr int shadowRadius = 20;
    // How far into the card the rounded corners of the shadow's rings reach.
    static constexpr int shadowCorner = 16;

    static QPixmap shadowOf(QSize card)
    {
        QPixmap shadow(card + QSize(2 * shadowRadius, 2 * shadowRadius));
        shadow.fill(Qt::transparent);
        QPainter p(&shadow);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        constexpr int steps = 10;
        const QRectF base(shadowRadius, shadowRadius, card.width(), card.height());
        for (int i = steps; i >= 1; --i) {
            const double grow = double(shadowRadius) * i / steps;
            const double falloff = 1.0 - double(i) / (steps + 1);
            p.setBrush(QColor(0, 0, 0, int(std::lround(255 * 0.12 * falloff * falloff / steps * 2.2))));
            p.drawRoundedRect(base.adjusted(-grow, -grow, grow, grow), 10 + grow, 10 + grow);
        }
        return shadow;
    }

private:
    EditorDocument& m_document;
    QWidget* m_canvas;
    QWidget* m_card;
};

PreviewColumn::PreviewColumn(EditorDocument& document, ContentState& state, QWidget* previewCanvas, QWidget* parent)
    : QWidget(parent)
    , m_document(document)
    , m_state(state)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* caption = new QHBoxLayout;
    caption->setContentsMargins(28, 18, 28, 0);
    caption->addWidget(new StudioSymbolView(QStringLiteral("film"), 11, StudioLabelRole::secondary, this));
    m_movieName = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
    m_movieName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    caption->addWidget(m_movieName, 1);
    m_sizeCaption = new StudioLabel(QString(), StudioTextStyle::caption, StudioLabelRole::secondary, this);
    caption->addWidget(m_sizeCaption);
    column->addLayout(caption);

    m_area = new CanvasArea(document, previewCanvas, this);
    m_overlay = new PlacementOverlay(state, m_area);
    m_area->overlay = m_overlay;
    column->addWidget(m_area, 1);

    m_banner = new StatusBanner(this);
    column->addWidget(m_banner);

    connect(&document, &EditorDocument::settingsChanged, this, [this] { m_area->place(m_overlay); });
    refresh();
}

QRect PreviewColumn::canvasGeometry() const
{
    return m_area->fitted().translated(m_area->pos());
}

QWidget* PreviewColumn::placementOverlay() const
{
    return m_overlay;
}

void PreviewColumn::refresh()
{
    m_movieName->setText(m_document.movieURL() ? m_document.movieURL()->fileName() : QString());
    m_sizeCaption->setText(ContentPresenter::previewCaption(
        m_document.settings().aspectLabel(), m_document.sourceSize().width(), m_document.sourceSize().height()));
    m_overlay->setVisible(m_state.isPlacingFocus());
    m_overlay->raise();
    m_area->place(m_overlay);
}

}  // namespace sablewick
