#pragma once

#include <QPointF>
#include <QUuid>

#include <optional>

namespace sablewick {

// The drag state of the timeline strip's gestures, apart from the widgets and the model. Each
// drag goes idle -> grabbed (first change) -> dragging -> idle, by its end or by a cancel.
// Targets are always the value at grab plus the whole travel, never added to the last result,
// so a value the model clamped at one step does not carry into the next.

// Trim handles and the playhead: on the first change the caller pauses playback and grabs the
// model's value; every change then sends grab + travel.
class GrabDrag {
public:
    bool needsGrab() const { return !m_atGrab.has_value(); }
    void grab(double value) { m_atGrab = value; }
    double target(double offset) const { return m_atGrab.value_or(0) + offset; }
    // End or cancel: both only forget the grab.
    void release() { m_atGrab.reset(); }
    bool isActive() const { return m_atGrab.has_value(); }

private:
    std::optional<double> m_atGrab;
};

// Moving a zoom segment by its body. The drag starts reporting only once the pointer has
// travelled 5 points from the press; a shorter travel is a click. The move is finished exactly
// once, whichever of the end and the cancel arrives first.
class ZoomMove {
public:
    static constexpr double threshold = 5;

    void press(const QUuid& id, QPointF at);
    // The horizontal travel from the press, once the pointer has gone the threshold's distance
    // in any direction (it stays passed for the rest of the drag); none before.
    std::optional<double> travel(QPointF at);
    // True on the first change that moves the point: the caller pauses playback and grabs.
    bool needsGrab() const { return !m_moving.has_value(); }
    void grab(double time);
    double target(double pointTime, double offset) const { return m_timeAtGrab.value_or(pointTime) + offset; }
    // The point whose move must be finished (then previewed) now, or none when no move ran or
    // it was already finished.
    std::optional<QUuid> end();
    // The point whose move must be finished, without the preview seek.
    std::optional<QUuid> cancel() { return end(); }
    std::optional<QUuid> pressed() const { return m_pressed; }
    bool isMoving() const { return m_moving.has_value(); }

private:
    std::optional<QUuid> m_pressed;
    std::optional<QUuid> m_moving;
    std::optional<double> m_timeAtGrab;
    QPointF m_pressAt;
    bool m_passed = false;
};

// Resizing a zoom by its grip: reports from the press.
class ZoomResize {
public:
    bool needsGrab(const QUuid& id) const { return m_resizing != id; }
    void grab(const QUuid& id, double length);
    double target(double currentLength, double offset) const { return m_lengthAtGrab.value_or(currentLength) + offset; }
    void release();
    std::optional<QUuid> resizing() const { return m_resizing; }

private:
    std::optional<double> m_lengthAtGrab;
    std::optional<QUuid> m_resizing;
};

}  // namespace sablewick
