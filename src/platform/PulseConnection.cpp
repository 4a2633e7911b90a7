#include "platform/PulseConnection.h"

#include <pulse/pulseaudio.h>

#include <thread>
#include <utility>

namespace sablewick {

PulseConnection::PulseConnection(const char* clientName, double timeoutSeconds)
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        throw PulseError("Could not start the audio main loop");
    pa_threaded_mainloop_set_name(m_loop, "pulse loop");
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), clientName);
    if (!m_context) {
        pa_threaded_mainloop_free(m_loop);
        throw PulseError("Could not create an audio server context");
    }
    try {
        if (pa_threaded_mainloop_start(m_loop) < 0)
            throw PulseError("Could not start the audio main loop");
        Lock lock(*this);
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            throw PulseError(errorText("Could not connect to the audio server"));
        const bool settled = waitUnlocked(timeoutSeconds, [this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        if (!settled)
            throw PulseError("The audio server did not answer");
        if (pa_context_get_state(m_context) != PA_CONTEXT_READY)
            throw PulseError(errorText("Could not connect to the audio server"));
    } catch (...) {
        stop();
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_threaded_mainloop_free(m_loop);
        throw;
    }
}

PulseConnection::~PulseConnection()
{
    stop();
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    pa_threaded_mainloop_free(m_loop);
}

void PulseConnection::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    pa_threaded_mainloop_stop(m_loop);
}

void PulseConnection::onLost(std::function<void()> lost)
{
    Lock lock(*this);
    m_lost = std::move(lost);
    pa_context_set_state_callback(
        m_context,
        [](pa_context* context, void* data) {
            auto* self = static_cast<PulseConnection*>(data);
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) && self->m_lost)
                std::exchange(self->m_lost, nullptr)();
        },
        this);
    if (!isGood() && m_lost)
        std::exchange(m_lost, nullptr)();
}

bool PulseConnection::isGood() const { return PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)); }

PulseConnection::Lock::Lock(const PulseConnection& connection)
    : m_loop(connection.m_loop)
{
    pa_threaded_mainloop_lock(m_loop);
}

PulseConnection::Lock::~Lock() { pa_threaded_mainloop_unlock(m_loop); }

bool PulseConnection::waitUnlocked(double timeoutSeconds, const std::function<bool()>& done) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        pa_threaded_mainloop_unlock(m_loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        pa_threaded_mainloop_lock(m_loop);
    }
    return true;
}

std::string PulseConnection::errorText(const std::string& what) const
{
    return what + ": " + pa_strerror(pa_context_errno(m_context));
}

PulseConnection::ServerNames PulseConnection::serverNames(double timeoutSeconds) const
{
    struct Query {
        ServerNames names;
        bool serverDone = false;
        bool sourceDone = false;
        bool sourceAsked = false;
    } query;
    Lock lock(*this);
    pa_operation* info = pa_context_get_server_info(
        m_context,
        [](pa_context*, const pa_server_info* server, void* data) {
            auto* q = static_cast<Query*>(data);
            if (server) {
                q->names.defaultSink = server->default_sink_name ? server->default_sink_name : "";
                q->names.defaultSource = server->default_source_name ? server->default_source_name : "";
            }
            q->serverDone = true;
        },
        &query);
    if (!info)
        throw PulseError(errorText("The audio server cannot be asked"));
    const bool answered = waitUnlocked(timeoutSeconds, [&] { return query.serverDone || !isGood(); });
    if (!query.serverDone)
        pa_operation_cancel(info);  // its callback must never see `query` gone
    pa_operation_unref(info);
    if (!answered || !query.serverDone)
        throw PulseError("The audio server did not answer");
    if (query.names.defaultSource.empty())
        return query.names;
    pa_operation* source = pa_context_get_source_info_by_name(
        m_context, query.names.defaultSource.c_str(),
        [](pa_context*, const pa_source_info* info, int eol, void* data) {
            auto* q = static_cast<Query*>(data);
            if (info) {
                q->names.defaultSourceIsMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
                q->names.defaultSourceDescription = info->description ? info->description : "";
            }
            if (eol)
                q->sourceDone = true;
        },
        &query);
    if (!source)
        throw PulseError(errorText("The audio server cannot be asked"));
    const bool described = waitUnlocked(timeoutSeconds, [&] { return query.sourceDone || !isGood(); });
    if (!query.sourceDone)
        pa_operation_cancel(source);
    pa_operation_unref(source);
    if (!described || !query.sourceDone)
        throw PulseError("The audio server did not answer");
    return query.names;
}

}  // namespace sablewick
