#include "media/PipeWireTestScreen.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

namespace sablewick::test {

namespace {

const spa_pod* objectWithInt(spa_pod_builder& b, std::uint32_t type, std::uint32_t id,
                             std::initializer_list<std::pair<std::uint32_t, int>> ints,
                             std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> ids = {})
{
    spa_pod_frame frame;
    spa_pod_builder_push_object(&b, &frame, type, id);
    for (const auto& [key, value] : ids) {
        spa_pod_builder_prop(&b, key, 0);
        spa_pod_builder_id(&b, value);
    }
    for (const auto& [key, value] : ints) {
        spa_pod_builder_prop(&b, key, 0);
        spa_pod_builder_int(&b, value);
    }
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &frame));
}

const spa_pod* buffersParam(spa_pod_builder& b, int stride, int height)
{
    spa_pod_frame frame;
    spa_pod_frame choice;
    spa_pod_builder_push_object(&b, &frame, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_buffers, 0);
    spa_pod_builder_int(&b, 4);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_blocks, 0);
    spa_pod_builder_int(&b, 1);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_size, 0);
    spa_pod_builder_int(&b, stride * height);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_stride, 0);
    spa_pod_builder_int(&b, stride);
    spa_pod_builder_prop(&b, SPA_PARAM_BUFFERS_dataType, 0);
    spa_pod_builder_push_choice(&b, &choice, SPA_CHOICE_Flags, 0);
    spa_pod_builder_int(&b, 1 << SPA_DATA_MemPtr);
    spa_pod_builder_pop(&b, &choice);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &frame));
}

std::int64_t monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

struct PipeWireTestScreen::State {
    QSize size;
    int framesPerSecond = 30;
    QPoint pointer;
    int pictures = -1;
    int sent = 0;
    bool streaming = false;  // linked to a reader: a picture sent before would reach no one
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    pw_stream_events events{};
    spa_source* timer = nullptr;

    void formatChanged()
    {
        std::uint8_t buffer[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const int stride = size.width() * 4;
        const spa_pod* params[] = {
            buffersParam(b, stride, size.height()),
            objectWithInt(b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                          {{SPA_PARAM_META_size, int(sizeof(spa_meta_header))}}, {{SPA_PARAM_META_type, SPA_META_Header}}),
            objectWithInt(b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                          {{SPA_PARAM_META_size, int(sizeof(spa_meta_cursor))}}, {{SPA_PARAM_META_type, SPA_META_Cursor}}),
        };
        pw_stream_update_params(stream, params, 3);
    }

    void process()
    {
        pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
        if (!buffer)
            return;
        spa_buffer* b = buffer->buffer;
        spa_data& data = b->datas[0];
        const int stride = size.width() * 4;
        if (data.data && data.maxsize >= std::uint32_t(stride * size.height())) {
            const int level = 20 + 7 * (sent % 30);
            auto* bytes = static_cast<std::uint8_t*>(data.data);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x) {
                    std::uint8_t* p = bytes + y * stride + x * 4;
                    p[0] = p[1] = p[2] = std::uint8_t(level);
                    p[3] = 0;
                }
            data.chunk->offset = 0;
            data.chunk->stride = stride;
            data.chunk->size = std::uint32_t(stride * size.height());
            ++sent;
        }
        if (auto* header = static_cast<spa_meta_header*>(spa_buffer_find_meta_data(b, SPA_META_Header, sizeof(spa_meta_header)))) {
            header->pts = monotonicNanoseconds();
            header->flags = 0;
            header->seq = std::uint64_t(sent);
        }
        if (auto* cursor = static_cast<spa_meta_cursor*>(spa_buffer_find_meta_data(b, SPA_META_Cursor, sizeof(spa_meta_cursor)))) {
            cursor->id = 1;
            cursor->flags = 0;
            cursor->position.x = pointer.x();
            cursor->position.y = pointer.y();
            cursor->bitmap_offset = 0;
        }
        pw_stream_queue_buffer(stream, buffer);
    }

    void tick()
    {
        if (!streaming || (pictures >= 0 && sent >= pictures))
            return;
        pw_stream_trigger_process(stream);
    }
};

PipeWireTestScreen::PipeWireTestScreen(QSize size, int framesPerSecond, QPoint pointer, int pictures)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.size = size;
    s.framesPerSecond = framesPerSecond;
    s.pointer = pointer;
    s.pictures = pictures;
    pw_init(nullptr, nullptr);
    s.loop = pw_thread_loop_new("test-screen", nullptr);
    s.context = pw_context_new(pw_thread_loop_get_loop(s.loop), nullptr, 0);
    pw_thread_loop_start(s.loop);
    pw_thread_loop_lock(s.loop);
    s.core = pw_context_connect(s.context, nullptr, 0);
    if (s.core) {
        s.stream = pw_stream_new(s.core, "sablewick-test-screen",
                                 pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_TYPE, "Video",
                                                   PW_KEY_MEDIA_CATEGORY, "Source", nullptr));
        s.events.version = PW_VERSION_STREAM_EVENTS;
        s.events.param_changed = [](void* data, uint32_t id, const spa_pod*) {
            if (id == SPA_PARAM_Format)
                static_cast<State*>(data)->formatChanged();
        };
        s.events.process = [](void* data) { static_cast<State*>(data)->process(); };
        s.events.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char*) {
            static_cast<State*>(data)->streaming = state == PW_STREAM_STATE_STREAMING;
        };
        pw_stream_add_listener(s.stream, &s.listener, &s.events, &s);
        std::uint8_t buffer[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        spa_pod_frame frame;
        spa_pod_builder_push_object(&b, &frame, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
        spa_pod_builder_prop(&b, SPA_FORMAT_mediaType, 0);
        spa_pod_builder_id(&b, SPA_MEDIA_TYPE_video);
        spa_pod_builder_prop(&b, SPA_FORMAT_mediaSubtype, 0);
        spa_pod_builder_id(&b, SPA_MEDIA_SUBTYPE_raw);
        spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_format, 0);
        spa_pod_builder_id(&b, SPA_VIDEO_FORMAT_BGRx);
        spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_size, 0);
        spa_pod_builder_rectangle(&b, std::uint32_t(size.width()), std::uint32_t(size.height()));
        spa_pod_builder_prop(&b, SPA_FORMAT_VIDEO_framerate, 0);
        spa_pod_builder_fraction(&b, 0, 1);
        const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_pop(&b, &frame))};
        pw_stream_connect(s.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS),
                          params, 1);
        s.timer = pw_loop_add_timer(pw_thread_loop_get_loop(s.loop),
                                    [](void* data, uint64_t) { static_cast<State*>(data)->tick(); }, &s);
        const long interval = 1000000000L / framesPerSecond;
        timespec value{0, interval};
        timespec every{0, interval};
        pw_loop_update_timer(pw_thread_loop_get_loop(s.loop), s.timer, &value, &every, false);
    }
    pw_thread_loop_unlock(s.loop);
}

PipeWireTestScreen::~PipeWireTestScreen()
{
    State& s = *m_state;
    pw_thread_loop_lock(s.loop);
    if (s.timer)
        pw_loop_destroy_source(pw_thread_loop_get_loop(s.loop), s.timer);
    if (s.stream)
        pw_stream_destroy(s.stream);
    if (s.core)
        pw_core_disconnect(s.core);
    pw_thread_loop_unlock(s.loop);
    pw_thread_loop_stop(s.loop);
    pw_context_destroy(s.context);
    pw_thread_loop_destroy(s.loop);
}

std::uint32_t PipeWireTestScreen::node()
{
    State& s = *m_state;
    for (int i = 0; i < 100; ++i) {
        pw_thread_loop_lock(s.loop);
        const std::uint32_t id = s.stream ? pw_stream_get_node_id(s.stream) : SPA_ID_INVALID;
        pw_thread_loop_unlock(s.loop);
        if (id != SPA_ID_INVALID)
            return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

int PipeWireTestScreen::connectToServer()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime)
        return -1;
    const std::string path = std::string(runtime) + "/pipewire-0";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) < 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace sablewick::test
