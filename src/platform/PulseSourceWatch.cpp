#include "platform/PulseSourceWatch.h"

#include <pulse/pulseaudio.h>

namespace sablewick {

namespace {

constexpr double kServerTimeout = 1.0;

}  // namespace

PulseSourceWatch::PulseSourceWatch(std::function<void()> changed)
    : m_changed(std::move(changed))
    , m_connection("Sablewick", kServerTimeout)
{
    PulseConnection::Lock lock(m_connection);
    pa_context_set_subscribe_callback(
        m_connection.context(),
        [](pa_context*, pa_subscription_event_type_t event, uint32_t, void* data) {
            const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
            const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
            // A source's own changes (its volume, its suspension) come often and change nothing
            // the user picks from; the server's change is a new default.
            const bool sourceCameOrWent = facility == PA_SUBSCRIPTION_EVENT_SOURCE
                && type != PA_SUBSCRIPTION_EVENT_CHANGE;
            if (sourceCameOrWent || facility == PA_SUBSCRIPTION_EVENT_SERVER)
                static_cast<PulseSourceWatch*>(data)->m_changed();
        },
        this);
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
    pa_operation* subscribed = pa_context_subscribe(m_connection.context(), mask, nullptr, nullptr);
    if (!subscribed) {
        pa_context_set_subscribe_callback(m_connection.context(), nullptr, nullptr);
        throw PulseError(m_connection.errorText("The audio server's devices cannot be followed"));
    }
    pa_operation_unref(subscribed);
}

PulseSourceWatch::~PulseSourceWatch()
{
    // The loop's thread ends first: no event is being handled while the callback goes.
    m_connection.stop();
    pa_context_set_subscribe_callback(m_connection.context(), nullptr, nullptr);
}

}  // namespace sablewick
