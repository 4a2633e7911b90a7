#include "components/StudioSelectionBadge.h"

#include "components/StudioAccessibility.h"
#include "components/StudioPaint.h"
#include "preferences/StudioAccent.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace sablewick {

namespace {

class SelectionBadge final : public QWidget {
public:
    explicit SelectionBadge(QWidget* view)
        : QWidget(view)
    {
        setObjectName(QStringLiteral("studioSelectionBadge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        setFixedSize(selectionBadgeDiameter, selectionBadgeDiameter);
        hideFromAssistiveTools(this);
        view->installEventFilter(this);
        place();
    }

    void place()
    {
        const QWidget* view = parentWidget();
        move(view->width() - selectionBadgeInset - width(), selectionBadgeInset);
        raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parentWidget() && event->type() == QEvent::Resize)
            place();
        return false;
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const StudioColors colors = StudioColors::of(this);
        QPainterPath circle;
        circle.addEllipse(QRectF(rect()));
        paintGlassSurface(painter, circle, colors);
        const QColor ink = StudioAccentContrast::readable(colors.accent, colors.window);
        paintCheckmark(painter, QRectF(rect()).adjusted(6.5, 6.5, -6.5, -6.5), ink, 2.0);
    }
};

} // namespace

void studioSelectionBadge(QWidget* view, bool selected)
{
    // The badge class has no meta-object of its own, so it is found by its name.
    auto* badge = static_cast<SelectionBadge*>(
        view->findChild<QWidget*>(QStringLiteral("studioSelectionBadge"), Qt::FindDirectChildrenOnly));
    if (!selected) {
        if (badge)
            badge->hide();
        return;
    }
    if (!badge)
        badge = new SelectionBadge(view);
    badge->place();
    badge->show();
}

} // namespace sablewick
