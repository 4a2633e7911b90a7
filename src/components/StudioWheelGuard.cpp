#include "components/StudioWheelGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace sablewick {

namespace {

// One filter for every guarded control. An ignored wheel event goes on to the control's parents
// (the scroll area) even though the control never sees it.
class WheelGuard final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel || !watched->isWidgetType())
            return false;
        if (static_cast<QWidget*>(watched)->hasFocus())
            return false;
        event->ignore();
        return true;
    }
};

}  // namespace

void guardWheel(QWidget* control)
{
    // Owned by the application object, so it outlives every control it watches; made again for
    // an application object made after an earlier one ended.
    static QPointer<WheelGuard> guard;
    if (!guard)
        guard = new WheelGuard(QCoreApplication::instance());
    // A click gives focus too, but a wheel never does.
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(guard);
}

}  // namespace sablewick
