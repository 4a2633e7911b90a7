#include "media/PlaybackClock.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sablewick {

double SystemPlaybackClock::now() const
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QtPlaybackTimer::QtPlaybackTimer()
    : m_timer(new QTimer)
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
        // The callback may re-arm the timer, so it runs from a copy.
        auto fire = m_fire;
        if (fire)
            fire();
    });
}

QtPlaybackTimer::~QtPlaybackTimer()
{
    delete m_timer;
}

void QtPlaybackTimer::start(double seconds, std::function<void()> fire)
{
    m_fire = std::move(fire);
    const double milliseconds = std::isfinite(seconds) ? std::clamp(seconds * 1000.0, 0.0, 3'600'000.0) : 0.0;
    m_timer->start(static_cast<int>(std::lround(milliseconds)));
}

void QtPlaybackTimer::stop()
{
    m_timer->stop();
    m_fire = nullptr;
}

}  // namespace sablewick
