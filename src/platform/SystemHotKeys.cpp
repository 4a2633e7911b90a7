#include "platform/SystemHotKeys.h"

#include "platform/X11HotKeys.h"

#include <QtGlobal>

namespace sablewick {
namespace {

// Without an X display (a Wayland session without Xwayland, a headless run) no key can be taken.
class NoSystemHotKeys final : public SystemHotKeys {
public:
    bool grab(quint32, quint32, quint32) override { return false; }
    void releaseAll() override {}
};

}  // namespace

std::unique_ptr<SystemHotKeys> makeSystemHotKeys()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        if (auto keys = X11HotKeys::open())
            return keys;
    }
    return std::make_unique<NoSystemHotKeys>();
}

}  // namespace sablewick
