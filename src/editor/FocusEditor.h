#pragma once

#include "document/FocusPoint.h"

#include <QObject>
#include <QPointF>
#include <QUuid>

#include <optional>

namespace sablewick {

class EditorDocument;
class EditorPlayback;

// The edits made on the timeline and the canvas: focus points placed, moved, lengthened and
// removed, and the trim. Canvas points are in the layout's space (y up, the settings' canvas
// size). Every change is recorded in the edit history; main thread only.
class FocusEditor final : public QObject {
    Q_OBJECT
public:
    FocusEditor(EditorDocument& document, EditorPlayback& playback, QObject* parent = nullptr);

    double newZoomStart(std::optional<double> time) const;
    std::optional<QUuid> addFocusPoint(double time, QPointF canvasPoint);
    bool placeFocusPoint(const QUuid& id, QPointF canvasPoint);
    void previewFocusPoint(const QUuid& id);
    void moveFocusPoint(const QUuid& id, double time);
    void finishMovingFocusPoint(const QUuid& id);
    double latestZoomStart(const QUuid& id) const;
    void removeFocusPoint(const FocusPoint& point);
    double zoomLength(const QUuid& id) const;
    double maxZoomLength(const QUuid& id) const;
    void setZoomLength(double length, const QUuid& id);
    void resetZoomLength(const QUuid& id);
    void applyZoomAmountToAll(double amount);

    void setTrimStart(double seconds);
    void setTrimEnd(double seconds);

private:
    std::optional<QPointF> sourceFocus(QPointF canvasPoint) const;
    const FocusPoint* findPoint(const QUuid& id) const;
    double playableEnd() const;
    QUuid insertFocusPoint(std::optional<double> time, QPointF focus);

    EditorDocument& m_document;
    EditorPlayback& m_playback;
};

}  // namespace sablewick
