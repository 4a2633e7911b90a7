#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"
#include "rendering/Scene.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

namespace sablewick {

class EditorDocument;
class EditorPlayback;
class FrameComposer;

// The live preview: the frame at the playhead composed at the view's own pixel size by the same
// composer that the export uses, so that what is seen is what is exported. While the editor plays
// it composes each of the player's pictures as it becomes due, and between the pictures of a
// slower movie follows the player's clock up to 60 times a second; while paused it composes again on every
// change of the edit or the frame. Making a composer (its background and card geometry) can take
// a while, so that happens on a worker; a composer for inputs that have changed again meanwhile
// is dropped, and until the new one arrives the last one keeps drawing. The player is asked for
// pictures no larger than the view and the edit's strongest zoom can show, so that a large movie
// is scaled down on its decode thread instead of on the main thread. A picture of a movie whose
// size the composer has not laid the card out for yet (the first of a newly opened movie) waits
// for a composer made for it on the worker too, so the main thread never lays out a card.
//
// Main thread only. The document and playback must outlive it.
class PreviewCanvas final : public QWidget {
    Q_OBJECT
public:
    PreviewCanvas(EditorDocument& document, EditorPlayback& playback, QWidget* parent = nullptr);
    ~PreviewCanvas() override;

    // The time of the frame to show: the player's own clock while playing, else the editor's.
    double previewTime() const;
    // The last composed frame, at the view's pixel size once its composer has arrived.
    const QImage& frame() const { return m_frame; }
    // Whether the drawing schedule is running (only while playing).
    bool isTicking() const { return m_tick.isActive(); }
    // Whether the frame on screen is the player's current picture composed for the current edit.
    bool isCurrent() const;

signals:
    void frameComposed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Inputs {
        Scene scene;
        // The document's composition revision the scene was taken at.
        quint64 revision = 0;
        QSize size;
        bool operator==(const Inputs& other) const { return revision == other.revision && size == other.size; }
    };
    Inputs currentInputs() const;
    QSize pixelSize() const;
    void changed();
    void build();
    void arrived(const std::shared_ptr<const Inputs>& inputs, std::shared_ptr<const FrameComposer> composer,
                 QImage first, const QImage& source, QSize laidOutFor, double time, quint64 generation);
    void scheduleCompose();
    void compose();
    void playingChanged();
    void requestDetail(const Inputs& inputs);

    EditorDocument& m_document;
    EditorPlayback& m_playback;
    QTimer m_tick;
    bool m_composePending = false;
    bool m_dirty = true;
    bool m_building = false;
    quint64 m_generation = 0;
    quint64 m_installedGeneration = 0;
    std::shared_ptr<const FrameComposer> m_composer;
    std::shared_ptr<const Inputs> m_composerInputs;  // what m_composer was made from
    QSize m_composerLaidOutFor;  // the movie size m_composer's card is laid out for, empty for none
    std::shared_ptr<const Inputs> m_requested;        // the newest inputs still to be made, if any
    QImage m_frame;
    QImage m_composedSource;
    QSize m_requestedDetail;
    QSize m_requestedFor;  // the movie size m_requestedDetail was worked out for
    double m_composedTime = -1;
};

}  // namespace sablewick
