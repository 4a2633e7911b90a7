#include "platform/PipeWireScreenStream.h"

#include "platform/MonotonicClock.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace sablewick {

namespace {

// A compositor's timestamp further than this from our clock is on another clock, and the
// arrival time stands in for it.
constexpr double kClockAgreement = 1.0;
constexpr int kMaxCursorSize = 256;

struct FormatPair {
    spa_video_format pipewire;
    ScreenPixelFormat ours;
};
constexpr FormatPair kFormats[] = {
    {SPA_VIDEO_FORMAT_BGRx, ScreenPixelFormat::bgrx}, {SPA_VIDEO_FORMAT_BGRA, ScreenPixelFormat::bgra},
    {SPA_VIDEO_FORMAT_RGBx, ScreenPixelFormat::rgbx}, {SPA_VIDEO_FORMAT_RGBA, ScreenPixelFormat::rgba},
    {SPA_VIDEO_FORMAT_xRGB, ScreenPixelFormat::xrgb}, {SPA_VIDEO_FORMAT_xBGR, ScreenPixelFormat::xbgr},
    {SPA_VIDEO_FORMAT_ARGB, ScreenPixelFormat::argb}, {SPA_VIDEO_FORMAT_ABGR, ScreenPixelFormat::abgr},
};

void initialisePipeWire()
{
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

const spa_pod* videoFormats(spa_pod_builder& b)
{
    spa_pod_frame object;
    spa_pod_frame choice;
    spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_prop(&b, SPA_FORMAT_mediaType, 0);
    spa_pod_builder_id(&b, SPA_MEDIA_TYPE_video);
    spa_pod_builder_prop(&b, SPA_FORMAT_mediaSubtype, 0);
    spa_pod_builder_id(&b, SPA_MEDIA_SUBTYPE_raw);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Enum, 0);
    spa_pod_builder_id(&b, kFormats[0].pipewire);  // the preferred one
    for (const FormatPair& f : kFormats)
        spa_pod_builder_id(&b, f.pipewire);
    spa_pod_builder_pop(&b, &choice);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_size, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_rectangle(&b, 1920, 1080);
    spa_pod_builder_rectangle(&b, 1, 1);
    spa_pod_builder_rectangle(&b, 16384, 16384);
    spa_pod_builder_pop(&b, &choice);
    spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_framerate, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_fraction(&b, 60, 1);
    spa_pod_builder_fraction(&b, 0, 1);
    spa_pod_builder_fraction(&b, 1000, 1);
    spa_pod_builder_pop(&b, &choice);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &object));
}

// A metadata block of `size` bytes, or of any size from `minimum` up to it.
const spa_pod* metaParam(spa_pod_builder& b, spa_meta_type type, int size, int minimum = 0)
{
    spa_pod_frame object;
    spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta);
    spa_pod_builder_prop(&b, SPA_PARAM_META_type, 0);
    spa_pod_builder_id(&b, type);
    spa_pod_builder_prop(&b, SPA_PARAM_META_size, 0);
    if (minimum > 0 && minimum < size) {
        spa_pod_frame choice;
        spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Range, 0);
        spa_pod_builder_int(&b, size);
        spa_pod_builder_int(&b, minimum);
        spa_pod_builder_int(&b, size);
        spa_pod_builder_pop(&b, &choice);
    } else {
        spa_pod_builder_int(&b, size);
    }
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &object));
}

}  // namespace

struct PipeWireScreenStream::State {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook streamListener{};
    pw_stream_events events{};

    mutable std::mutex mutex;
    std::condition_variable arrived;
    int width = 0;                 // of the negotiated format
    int height = 0;
    ScreenPixelFormat format = ScreenPixelFormat::bgrx;
    std::vector<std::uint8_t> latest;  // guarded: the newest picture, rows packed
    double latestAt = 0;
    int latestWidth = 0;
    int latestHeight = 0;
    ScreenPixelFormat latestFormat = ScreenPixelFormat::bgrx;
    bool fresh = false;
    bool ended = false;
    std::string endReason;
    std::optional<QPointF> pointer;

    std::vector<std::uint8_t> current;  // grab()'s picture; touched by the grabbing thread only
    int currentWidth = 0;
    int currentHeight = 0;
    ScreenPixelFormat currentFormat = ScreenPixelFormat::bgrx;

    void formatChanged(const spa_pod* param)
    {
        spa_video_info_raw info{};
        if (!param || spa_format_video_raw_parse(param, &info) < 0)
            return;
        {
            std::lock_guard lock(mutex);
            width = static_cast<int>(info.size.width);
            height = static_cast<int>(info.size.height);
            for (const FormatPair& f : kFormats)
                if (f.pipewire == info.format)
                    format = f.ours;
        }
        std::uint8_t buffer[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const int cursorSize = static_cast<int>(sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap)) +
                               kMaxCursorSize * kMaxCursorSize * 4;
        const spa_pod* params[] = {metaParam(b, SPA_META_Header, sizeof(spa_meta_header)),
                                   // Only the position is read: a compositor that sends no picture of the
                                   // pointer fits as well as one that does.
                                   metaParam(b, SPA_META_Cursor, cursorSize, int(sizeof(spa_meta_cursor)))};
        pw_stream_update_params(stream, params, 2);
    }

    void process()
    {
        pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
        if (!buffer)
            return;
        // Only the newest picture matters; older ones queued behind it go straight back.
        while (pw_buffer* newer = pw_stream_dequeue_buffer(stream)) {
            pw_stream_queue_buffer(stream, buffer);
            buffer = newer;
        }
        const double arrival = monotonicSeconds();
        spa_buffer* b = buffer->buffer;
        std::unique_lock lock(mutex);
        if (auto* cursor = static_cast<spa_meta_cursor*>(spa_buffer_find_meta_data(b, SPA_META_Cursor, sizeof(spa_meta_cursor)))) {
            if (spa_meta_cursor_is_valid(cursor))
                pointer = QPointF(cursor->position.x, cursor->position.y);
        }
        const spa_data& data = b->datas[0];
        const bool usable = b->n_datas > 0 && data.data && data.chunk && data.chunk->size > 0 &&
                            !(data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) && width > 0 && height > 0;
        if (usable) {
            const int rowBytes = width * 4;
            const int stride = data.chunk->stride > 0 ? data.chunk->stride : rowBytes;
            const std::uint64_t needed = static_cast<std::uint64_t>(data.chunk->offset) +
                                         static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height - 1) +
                                         static_cast<std::uint64_t>(rowBytes);
            if (stride >= rowBytes && needed <= data.maxsize) {
                latest.resize(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height));
                const auto* source = static_cast<const std::uint8_t*>(data.data) + data.chunk->offset;
                for (int y = 0; y < height; ++y)
                    std::memcpy(latest.data() + static_cast<std::size_t>(y) * rowBytes,
                                source + static_cast<std::size_t>(y) * stride, static_cast<std::size_t>(rowBytes));
                double shown = arrival;
                if (auto* header = static_cast<spa_meta_header*>(spa_buffer_find_meta_data(b, SPA_META_Header, sizeof(spa_meta_header)))) {
                    const double pts = static_cast<double>(header->pts) / 1e9;
                    if (header->pts > 0 && std::abs(pts - arrival) < kClockAgreement)
                        shown = pts;
                }
                latestAt = shown;
                latestWidth = width;
                latestHeight = height;
                latestFormat = format;
                fresh = true;
            }
        }
        lock.unlock();
        arrived.notify_all();
        pw_stream_queue_buffer(stream, buffer);
    }

    void stateChanged(pw_stream_state state, const char* error)
    {
        if (state != PW_STREAM_STATE_ERROR && state != PW_STREAM_STATE_UNCONNECTED)
            return;
        end(error && *error ? std::string("The screen sharing ended: ") + error
                            : std::string("The screen sharing ended."));
    }

    // Ends the stream for its reader, whose next grab throws with the reason.
    void end(std::string reason) noexcept
    {
        {
            std::lock_guard lock(mutex);
            if (ended)
                return;
            ended = true;
            endReason = std::move(reason);
        }
        arrived.notify_all();
    }

    // PipeWire's loop calls in from C: nothing may leave a callback by an exception, so a
    // callback that throws ends the stream instead, and the recording hears it at its next grab.
    template <typename F>
    void guarded(F&& callback) noexcept
    {
        try {
            callback();
        } catch (...) {
            end("The screen's pictures could not be taken.");
        }
    }

    void tearDown()
    {
        if (loop)
            pw_thread_loop_lock(loop);
        if (stream)
            pw_stream_destroy(stream);
        if (core)
            pw_core_disconnect(core);
        stream = nullptr;
        core = nullptr;
        if (loop) {
            pw_thread_loop_unlock(loop);
            pw_thread_loop_stop(loop);
        }
        if (context)
            pw_context_destroy(context);
        if (loop)
            pw_thread_loop_destroy(loop);
        context = nullptr;
        loop = nullptr;
    }
};

PipeWireScreenStream::PipeWireScreenStream(int remote, std::uint32_t node, double firstFrameTimeout)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    initialisePipeWire();
    s.loop = pw_thread_loop_new("sablewick-screen", nullptr);
    if (!s.loop) {
        ::close(remote);
        throw PipeWireError("PipeWire could not start a thread.");
    }
    s.context = pw_context_new(pw_thread_loop_get_loop(s.loop), nullptr, 0);
    if (!s.context || pw_thread_loop_start(s.loop) < 0) {
        ::close(remote);
        s.tearDown();
        throw PipeWireError("PipeWire could not start.");
    }
    s.events.version = PW_VERSION_STREAM_EVENTS;
    s.events.param_changed = [](void* data, uint32_t id, const spa_pod* param) {
        auto* state = static_cast<State*>(data);
        if (id == SPA_PARAM_Format)
            state->guarded([&] { state->formatChanged(param); });
    };
    s.events.process = [](void* data) {
        auto* state = static_cast<State*>(data);
        state->guarded([&] { state->process(); });
    };
    s.events.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char* error) {
        static_cast<State*>(data)->stateChanged(state, error);
    };

    pw_thread_loop_lock(s.loop);
    s.core = pw_context_connect_fd(s.context, remote, nullptr, 0);  // owns the descriptor, also on failure
    int result = -1;
    if (s.core) {
        s.stream = pw_stream_new(s.core, "Sablewick",
                                 pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                   PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (s.stream) {
            pw_stream_add_listener(s.stream, &s.streamListener, &s.events, &s);
            std::uint8_t buffer[1024];
            spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
            const spa_pod* params[] = {videoFormats(b)};
            result = pw_stream_connect(s.stream, PW_DIRECTION_INPUT, node,
                                       static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                                       params, 1);
        }
    }
    pw_thread_loop_unlock(s.loop);
    if (result < 0) {
        s.tearDown();
        throw PipeWireError("The screen's PipeWire stream could not be opened.");
    }

    std::unique_lock lock(s.mutex);
    s.arrived.wait_for(lock, std::chrono::duration<double>(firstFrameTimeout), [&s] { return s.fresh || s.ended; });
    const std::string reason = s.ended ? s.endReason : std::string("The shared screen sent no picture.");
    // A compositor may send pictures only when something changes: a stream that agreed on a
    // size shows black until its first picture.
    const bool usable = !s.ended && (s.fresh || (s.width > 0 && s.height > 0));
    lock.unlock();
    if (!usable) {
        s.tearDown();
        throw PipeWireError(reason);
    }
}

PipeWireScreenStream::~PipeWireScreenStream() { m_state->tearDown(); }

ScreenFrame PipeWireScreenStream::grab()
{
    State& s = *m_state;
    ScreenFrame frame;
    {
        std::lock_guard lock(s.mutex);
        if (s.ended)
            throw PipeWireError(s.endReason);
        if (s.fresh) {
            std::swap(s.latest, s.current);
            s.currentWidth = s.latestWidth;
            s.currentHeight = s.latestHeight;
            s.currentFormat = s.latestFormat;
            frame.shownAt = s.latestAt;
            s.fresh = false;
        }
    }
    if (s.current.empty()) {
        std::lock_guard lock(s.mutex);
        s.currentWidth = s.width;
        s.currentHeight = s.height;
        s.currentFormat = s.format;
        s.current.assign(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height) * 4, 0);
        frame.shownAt = monotonicSeconds();
    }
    frame.bits = s.current.data();
    frame.width = s.currentWidth;
    frame.height = s.currentHeight;
    frame.stride = s.currentWidth * 4;
    frame.format = s.currentFormat;
    return frame;
}

QSize PipeWireScreenStream::size() const
{
    std::lock_guard lock(m_state->mutex);
    return {m_state->width, m_state->height};
}

std::optional<QPointF> PipeWireScreenStream::pointer() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->pointer;
}

}  // namespace sablewick
