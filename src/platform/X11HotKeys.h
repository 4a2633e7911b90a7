#pragma once

#include "platform/SystemHotKeys.h"
#include "platform/X11Connection.h"

#include <memory>
#include <vector>

class QSocketNotifier;

namespace sablewick {

// System-wide keys as passive grabs on the root window of an X display, on a connection of its
// own so that Qt's event loop never sees the grabbed presses. Each key is grabbed four times: as
// given, with Caps Lock, with Num Lock and with both, or a lock key left on would silence it.
class X11HotKeys final : public SystemHotKeys {
public:
    // On the display that DISPLAY names; none when it cannot be opened.
    static std::unique_ptr<X11HotKeys> open();
    ~X11HotKeys() override;

    bool grab(quint32 id, quint32 keysym, quint32 modifiers) override;
    void releaseAll() override;

private:
    struct Grab {
        quint32 id;
        unsigned keycode;
        unsigned modifiers;
    };

    explicit X11HotKeys(X11Connection connection);
    void readEvents();
    std::vector<unsigned> lockVariants() const;

    X11Connection m_connection;
    Display* m_display;
    unsigned long m_root;
    unsigned m_numLockMask = 0;
    std::vector<Grab> m_grabs;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace sablewick
