// Loaded into xdg-desktop-portal-wlr (0.7) by the test desktop on machines without a GPU render
// node. That portal starts a screen cast only when the compositor's screen copy offers a DMA-BUF
// format besides shared memory (xdg-desktop-portal-wlr issue 289), which wlroots' software
// renderer never does, although shared memory is all the stream then uses. This library reports
// such a format to the portal after each picture's buffer formats, so the cast starts and runs
// on shared memory as it would anyway.
#include <wayland-client.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstring>

namespace {

// zwlr_screencopy_frame_v1's events, in protocol order (version 3).
struct FrameListener {
    void (*buffer)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t, uint32_t);
    void (*flags)(void*, wl_proxy*, uint32_t);
    void (*ready)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t);
    void (*failed)(void*, wl_proxy*);
    void (*damage)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t, uint32_t);
    void (*linuxDmabuf)(void*, wl_proxy*, uint32_t, uint32_t, uint32_t);
    void (*bufferDone)(void*, wl_proxy*);
};

constexpr uint32_t kXrgb8888 = 0x34325258;  // DRM_FORMAT_XRGB8888

// One per frame. The portal destroys frames through a request the library cannot see, so these
// are never freed: a few dozen bytes a picture, for the length of a test run.
struct Wrapped {
    const FrameListener* inner;
    void* data;
    uint32_t width = 0;
    uint32_t height = 0;
    bool dmabufSeen = false;
};

Wrapped* self(void* data) { return static_cast<Wrapped*>(data); }

const FrameListener kWrapper = {
    [](void* d, wl_proxy* f, uint32_t format, uint32_t w, uint32_t h, uint32_t stride) {
        self(d)->width = w;
        self(d)->height = h;
        self(d)->inner->buffer(self(d)->data, f, format, w, h, stride);
    },
    [](void* d, wl_proxy* f, uint32_t v) { self(d)->inner->flags(self(d)->data, f, v); },
    [](void* d, wl_proxy* f, uint32_t a, uint32_t b, uint32_t c) { self(d)->inner->ready(self(d)->data, f, a, b, c); },
    [](void* d, wl_proxy* f) { self(d)->inner->failed(self(d)->data, f); },
    [](void* d, wl_proxy* f, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
        self(d)->inner->damage(self(d)->data, f, x, y, w, h);
    },
    [](void* d, wl_proxy* f, uint32_t format, uint32_t w, uint32_t h) {
        self(d)->dmabufSeen = true;
        self(d)->inner->linuxDmabuf(self(d)->data, f, format, w, h);
    },
    [](void* d, wl_proxy* f) {
        if (!self(d)->dmabufSeen)
            self(d)->inner->linuxDmabuf(self(d)->data, f, kXrgb8888, self(d)->width, self(d)->height);
        self(d)->inner->bufferDone(self(d)->data, f);
    },
};

using AddListener = int (*)(wl_proxy*, void (**)(void), void*);

}  // namespace

extern "C" int wl_proxy_add_listener(wl_proxy* proxy, void (**implementation)(void), void* data)
{
    static const auto next = reinterpret_cast<AddListener>(dlsym(RTLD_NEXT, "wl_proxy_add_listener"));
    if (std::strcmp(wl_proxy_get_class(proxy), "zwlr_screencopy_frame_v1") != 0)
        return next(proxy, implementation, data);
    auto* wrapped = new Wrapped{reinterpret_cast<const FrameListener*>(implementation), data};
    return next(proxy, reinterpret_cast<void (**)(void)>(const_cast<FrameListener*>(&kWrapper)), wrapped);
}
