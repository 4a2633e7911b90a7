#include "workspace/TrackGestures.h"

#include <cmath>
#include <utility>

namespace sablewick {

void ZoomMove::press(const QUuid& id, QPointF at)
{
    m_pressed = id;
    m_pressAt = at;
    m_passed = false;
}

std::optional<double> ZoomMove::travel(QPointF at)
{
    if (!m_pressed)
        return std::nullopt;
    const QPointF travel = at - m_pressAt;
    if (!m_passed && std::hypot(travel.x(), travel.y()) < threshold)
        return std::nullopt;
    m_passed = true;
    return travel.x();
}

void ZoomMove::grab(double time)
{
    m_moving = m_pressed;
    m_timeAtGrab = time;
}

std::optional<QUuid> ZoomMove::end()
{
    // Whichever of end and cancel comes second finds nothing left to finish.
    std::optional<QUuid> finished = std::exchange(m_moving, std::nullopt);
    m_timeAtGrab.reset();
    m_pressed.reset();
    m_passed = false;
    return finished;
}

void ZoomResize::grab(const QUuid& id, double length)
{
    m_resizing = id;
    m_lengthAtGrab = length;
}

void ZoomResize::release()
{
    m_lengthAtGrab.reset();
    m_resizing.reset();
}

}  // namespace sablewick
