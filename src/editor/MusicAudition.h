#pragma once

#include "document/MusicChoice.h"

#include <QObject>

#include <memory>
#include <optional>

namespace sablewick {

class AudioPlayer;
class ScheduledTask;
class TaskScheduler;

// A short listen to a music track beside the edit's own sound: it plays the track from its start
// and stops by itself after a while. Main thread only.
class MusicAudition final : public QObject {
    Q_OBJECT
public:
    // The scheduler must outlive the audition.
    MusicAudition(TaskScheduler& scheduler, double length, QObject* parent = nullptr);
    ~MusicAudition() override;

    // The track being heard, if any.
    std::optional<MusicChoice> choice() const { return m_choice; }

    // Plays `player` from its start as the audition of `choice`, in place of any other.
    void start(MusicChoice choice, std::unique_ptr<AudioPlayer> player, float volume);
    void stop();
    void setVolume(float volume);

signals:
    void choiceChanged();

private:
    TaskScheduler& m_scheduler;
    double m_length;
    std::optional<MusicChoice> m_choice;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<ScheduledTask> m_stopTask;
};

}  // namespace sablewick
