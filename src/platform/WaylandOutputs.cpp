#include "platform/WaylandOutputs.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace sablewick::WaylandOutputs {

namespace {

struct Pending {
    wl_output* output = nullptr;
    std::uint32_t globalName = 0;
    QPoint position;
    QSize pixels;
    int scale = 1;
    int transform = WL_OUTPUT_TRANSFORM_NORMAL;
    QString name;
};

struct Listing {
    std::vector<std::unique_ptr<Pending>> outputs;
};

const wl_output_listener kOutputListener = {
    [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
       int32_t transform) {
        auto* p = static_cast<Pending*>(data);
        p->position = QPoint(x, y);
        p->transform = transform;
    },
    [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
        if (flags & WL_OUTPUT_MODE_CURRENT)
            static_cast<Pending*>(data)->pixels = QSize(width, height);
    },
    [](void*, wl_output*) {},
    [](void* data, wl_output*, int32_t factor) { static_cast<Pending*>(data)->scale = std::max(1, factor); },
    [](void* data, wl_output*, const char* name) { static_cast<Pending*>(data)->name = QString::fromUtf8(name); },
    [](void*, wl_output*, const char*) {},
};

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        if (std::strcmp(interface, wl_output_interface.name) != 0)
            return;
        auto pending = std::make_unique<Pending>();
        pending->globalName = name;
        pending->output = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, std::min<uint32_t>(version, 4)));
        wl_output_add_listener(pending->output, &kOutputListener, pending.get());
        static_cast<Listing*>(data)->outputs.push_back(std::move(pending));
    },
    [](void*, wl_registry*, uint32_t) {},
};

}  // namespace

std::vector<Output> current()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        throw WaylandError("No Wayland compositor answers.");
    Listing listing;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &listing);
    // The first round trip lists the globals, the second the outputs' properties.
    const bool answered = wl_display_roundtrip(display) >= 0 && wl_display_roundtrip(display) >= 0;
    std::vector<Output> result;
    for (const auto& p : listing.outputs) {
        Output out;
        QSize pixels = p->pixels;
        // A quarter turn shows the mode on its side.
        if (p->transform % 2 == 1)
            pixels.transpose();
        out.pixels = pixels;
        out.scale = p->scale;
        out.display.id = p->globalName;
        out.display.name = p->name.isEmpty() ? QStringLiteral("Display %1").arg(p->globalName) : p->name;
        out.display.geometry = QRect(p->position, QSize(pixels.width() / p->scale, pixels.height() / p->scale));
        if (!pixels.isEmpty())
            result.push_back(out);
        wl_output_destroy(p->output);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        throw WaylandError("The Wayland compositor stopped answering.");
    auto atOrigin = std::find_if(result.begin(), result.end(),
                                 [](const Output& o) { return o.display.geometry.topLeft() == QPoint(0, 0); });
    if (atOrigin != result.end()) {
        atOrigin->display.primary = true;
        std::rotate(result.begin(), atOrigin, atOrigin + 1);
    }
    return result;
}

DisplayLayout layout(const std::vector<Output>& outputs)
{
    DisplayLayout layout;
    QRect bounds;
    for (const Output& o : outputs) {
        bounds = bounds.united(o.display.geometry);
        layout.displays.push_back(o.display);
    }
    layout.root = QSize(bounds.right() + 1, bounds.bottom() + 1);
    return layout;
}

}  // namespace sablewick::WaylandOutputs
