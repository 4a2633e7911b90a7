#include "platform/AtspiCaret.h"

#include "platform/Guarded.h"
#include "platform/ThreadName.h"

#include <QRect>

// The accessibility headers pull in GLib, whose "signals" member names clash with Qt's keyword.
#undef signals
#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace sablewick {

namespace {

// A hung application must not keep the thread from the next question for long.
constexpr int kBusTimeoutMilliseconds = 250;

// The accessibility library takes a session bus it cannot reach for a broken program and aborts
// the process, so a stale or mistyped address in the environment would end the recording that
// asked for the caret. A connection of our own, closed again at once, finds out first.
bool sessionBusAnswers()
{
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* connection = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
    if (!connection) {
        dbus_error_free(&error);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    return true;
}

}  // namespace

struct AtspiCaret::State {
    struct Shared {
        bool following = false;
        bool ended = false;       // the thread gave up or was stopped
        std::uint64_t asked = 0;  // the number of the latest question
        std::uint64_t answered = 0;
        std::optional<QPoint> answer;  // for `answered`
    };
    Guarded<Shared> shared;
    std::condition_variable changed;

    // Thread-only from here on.
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    AtspiAccessible* focused = nullptr;
    std::thread thread;

    // The context and loop stay until the last holder lets go: a question posted late lands in
    // a context that exists, even when nothing iterates it any more.
    ~State()
    {
        if (loop)
            g_main_loop_unref(loop);
        if (context)
            g_main_context_unref(context);
    }

    void setFocused(AtspiAccessible* object)
    {
        if (object)
            g_object_ref(object);
        if (focused)
            g_object_unref(focused);
        focused = object;
    }

    static void onEvent(AtspiEvent* event, void* data)
    {
        auto* self = static_cast<State*>(data);
        if (std::strcmp(event->type, "object:text-caret-moved") == 0)
            self->setFocused(event->source);
        else if (event->detail1 == 1)
            self->setFocused(event->source);
        else if (event->source == self->focused)
            self->setFocused(nullptr);
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    static std::optional<QRect> extents(AtspiText* text, int offset)
    {
        GError* error = nullptr;
        AtspiRect* rect = atspi_text_get_character_extents(text, offset, ATSPI_COORD_TYPE_SCREEN, &error);
        if (error) {
            g_error_free(error);
            return std::nullopt;
        }
        if (!rect)
            return std::nullopt;
        const QRect result(rect->x, rect->y, rect->width, rect->height);
        g_free(rect);
        if (result.height() <= 0)
            return std::nullopt;
        return result;
    }

    std::optional<QPoint> caret()
    {
        if (!focused)
            return std::nullopt;
        // An application without accessibility may have taken the focus since, unannounced.
        AtspiStateSet* states = atspi_accessible_get_state_set(focused);
        const bool stillFocused = states && atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
        if (states)
            g_object_unref(states);
        if (!stillFocused)
            return std::nullopt;
        AtspiText* text = atspi_accessible_get_text_iface(focused);
        if (!text)
            return std::nullopt;
        std::optional<QPoint> result;
        GError* error = nullptr;
        const int offset = atspi_text_get_caret_offset(text, &error);
        if (error) {
            g_error_free(error);
        } else if (offset >= 0) {
            // A caret after the last character has no character of its own: it stands at the
            // right edge of the one before.
            if (const std::optional<QRect> after = extents(text, offset); after && after->width() > 0)
                result = QPoint(after->left(), after->center().y());
            else if (const std::optional<QRect> before = offset > 0 ? extents(text, offset - 1) : std::nullopt)
                result = QPoint(before->left() + before->width(), before->center().y());
        }
        g_object_unref(text);
        return result;
    }

    // The caret is a nicety: a thread that fails ends it, and typing is placed at the pointer.
    void run()
    {
        nameCurrentThread("atspi caret");
        try {
            follow();
        } catch (...) {
        }
        {
            auto s = shared.lock();
            s->following = false;
            s->ended = true;
        }
        changed.notify_all();
    }

    void follow()
    {
        context = g_main_context_new();
        g_main_context_push_thread_default(context);
        atspi_set_timeout(kBusTimeoutMilliseconds, kBusTimeoutMilliseconds * 4);
        bool ok = sessionBusAnswers() && atspi_init() >= 0;
        // After the start: the library's start attaches the bus to the process's default context,
        // which the application's main thread runs, so the bus would be read there, racing this
        // thread over the library's state, and not at all while that thread is busy.
        if (ok)
            atspi_set_main_context(context);
        if (ok) {
            for (const char* type : {"object:state-changed:focused", "object:text-caret-moved"})
                ok = ok && atspi_event_listener_register_from_callback(&State::onEvent, this, nullptr, type, nullptr);
        }
        loop = g_main_loop_new(context, FALSE);
        {
            auto s = shared.lock();
            s->following = ok && !s->ended;
        }
        changed.notify_all();
        if (ok)
            g_main_loop_run(loop);
        for (const char* type : {"object:state-changed:focused", "object:text-caret-moved"})
            atspi_event_listener_deregister_from_callback(&State::onEvent, this, type, nullptr);
        setFocused(nullptr);
        g_main_context_pop_thread_default(context);
    }
};

AtspiCaret::AtspiCaret()
    : m_state(std::make_shared<State>())
{
    // Without a session bus the library would try to start one of its own.
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!bus || !*bus) {
        m_state->shared.lock()->ended = true;
        return;
    }
    m_state->thread = std::thread([state = m_state] { state->run(); });
}

AtspiCaret::~AtspiCaret()
{
    State& s = *m_state;
    {
        auto shared = s.shared.lock();
        // The loop exists once the thread has said whether it follows the bus.
        shared.wait(s.changed, [](const State::Shared& t) { return t.following || t.ended; });
        shared->ended = true;
    }
    if (s.thread.joinable()) {
        g_main_context_invoke(s.context, [](gpointer data) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(data));
            return G_SOURCE_REMOVE;
        }, s.loop);
        s.thread.join();
    }
}

bool AtspiCaret::waitUntilFollowing(std::chrono::milliseconds budget)
{
    State& s = *m_state;
    auto shared = s.shared.lock();
    return shared.waitUntil(s.changed, std::chrono::steady_clock::now() + budget, [](const State::Shared& t) {
        return t.following || t.ended;
    }) && shared->following;
}

std::optional<QPoint> AtspiCaret::locate(std::chrono::milliseconds budget)
{
    State& s = *m_state;
    auto shared = s.shared.lock();
    if (!shared->following)
        return std::nullopt;
    const std::uint64_t question = ++shared->asked;
    struct Question {
        std::shared_ptr<State> state;
        std::uint64_t number;
    };
    g_main_context_invoke_full(
        s.context, G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* q = static_cast<Question*>(data);
            State& state = *q->state;
            // A question already given up on is not asked of the bus at all.
            if (state.shared.lock()->asked != q->number)
                return G_SOURCE_REMOVE;
            const std::optional<QPoint> found = state.caret();
            {
                auto answered = state.shared.lock();
                answered->answered = q->number;
                answered->answer = found;
            }
            state.changed.notify_all();
            return G_SOURCE_REMOVE;
        },
        new Question{m_state, question}, [](gpointer data) { delete static_cast<Question*>(data); });
    const bool answered =
        shared.waitUntil(s.changed, std::chrono::steady_clock::now() + budget,
                         [question](const State::Shared& t) { return t.answered == question || t.ended; })
        && shared->answered == question;
    if (!answered)
        return std::nullopt;
    return shared->answer;
}

}  // namespace sablewick
