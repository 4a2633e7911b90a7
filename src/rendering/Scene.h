#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "rendering/Compositor.h"

#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace sablewick {

struct FocusProject;

// Everything a picture of the styled video is composed from: the export, the editor's preview and
// the screenshot renderer each take one of these, so that they cannot disagree about what the
// edit looks like. A plain value: copy it to hand it to another thread. The pointer track, long
// and never changed in place, is shared between the copies.
struct Scene {
    // The recording; empty when the source is a still picture.
    QString moviePath;
    // The source's display size in pixels (after its rotation).
    QSizeF sourceSize{16, 9};
    // The canvas style and background, the pointer's look, the click highlight, the trim and the
    // sound of the edit.
    EditSettings settings;
    // The zoom timeline.
    std::vector<FocusPoint> focusPoints;
    // The recorded clicks and key presses that press the pointer, ripple and sound; none lets the
    // focus points stand in for them.
    std::optional<std::vector<FocusPoint>> interactionEvents;
    // The recorded pointer track (none counts as empty), and whether the recording left the
    // pointer out of the picture so that it is drawn from the track (and may be restyled).
    std::shared_ptr<const std::vector<PointerSample>> pointerSamples;
    bool editablePointer = false;

    // The scene of a saved edit whose movie has the given size. What the project leaves out
    // counts as absent: no pointer track, a pointer that is part of the picture.
    static Scene ofProject(const FocusProject& project, QSizeF sourceSize);

    // The track the picture is composed with. A pointer baked into the recording is not drawn a
    // second time, and follow zooms of such a recording hold on their point, in the preview as in
    // the export.
    std::span<const PointerSample> pointerTrack() const
    {
        return editablePointer && pointerSamples ? std::span<const PointerSample>(*pointerSamples)
                                                 : std::span<const PointerSample>();
    }
    // The events that drive the pointer's presses, the click ripple and the interaction sounds.
    const std::vector<FocusPoint>& clickEvents() const { return interactionEvents ? *interactionEvents : focusPoints; }

    // The layout of the frame at `time` (source seconds) on a canvas of the given size.
    Compositor::Layout layout(QSizeF canvasSize, double time) const
    {
        return Compositor::layout({0, 0, sourceSize.width(), sourceSize.height()}, canvasSize, settings, focusPoints,
                                  time, pointerTrack());
    }
};

}  // namespace sablewick
