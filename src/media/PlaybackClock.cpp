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
    : timer_(new QTimer)
{
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
        // The callback may re-arm the timer, so it runs from a copy.
        auto fire = fire_;
        if (fire)
            fire();
    });
}

QtPlaybackTimer::~QtPlaybackTimer()
{
    delete timer_;
}

void QtPlaybackTimer::start(double seconds, std::function<void()> fire)
{
    fire_ = std::move(fire);
    const double milliseconds = std::isfinite(seconds) ? std::clamp(seconds * 1000.0, 0.0, 3'600'000.0) : 0.0;
    timer_->start(static_cast<int>(std::lround(milliseconds)));
}

void QtPlaybackTimer::stop()
{
    timer_->stop();
    fire_ = nullptr;
}

}  // namespace sablewick
