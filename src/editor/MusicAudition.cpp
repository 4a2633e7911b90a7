#include "editor/MusicAudition.h"

#include "media/PlaybackInterfaces.h"
#include "platform/TaskScheduler.h"

namespace sablewick {

MusicAudition::MusicAudition(TaskScheduler& scheduler, double length, QObject* parent)
    : QObject(parent)
    , m_scheduler(scheduler)
    , m_length(length)
{
}

MusicAudition::~MusicAudition() = default;

void MusicAudition::start(MusicChoice choice, std::unique_ptr<AudioPlayer> player, float volume)
{
    stop();
    player->setVolume(volume);
    player->setPosition(0);
    player->play();
    m_player = std::move(player);
    m_choice = choice;
    emit choiceChanged();
    // The task is cancelled with its handle, so it never outlives the audition.
    m_stopTask = m_scheduler.schedule(m_length, [this] { stop(); });
}

void MusicAudition::stop()
{
    m_stopTask.reset();
    if (m_player)
        m_player->stop();
    m_player.reset();
    if (m_choice) {
        m_choice.reset();
        emit choiceChanged();
    }
}

void MusicAudition::setVolume(float volume)
{
    if (m_player)
        m_player->setVolume(volume);
}

}  // namespace sablewick
