#pragma once

#include "platform/SystemHotKeys.h"

#include <map>
#include <set>
#include <utility>

namespace sablewick::test {

// Hot keys that grab whatever is not listed as taken, and presses keys on request.
class FakeSystemHotKeys final : public SystemHotKeys {
public:
    struct State {
        std::set<std::pair<quint32, quint32>> taken;  // keysym and modifiers held by "another program"
        std::map<quint32, std::pair<quint32, quint32>> grabbed;  // id -> keysym and modifiers
        int registrations = 0;  // how many times everything was released and taken again
    };

    explicit FakeSystemHotKeys(State& state) : m_state(state) {}

    bool grab(quint32 id, quint32 keysym, quint32 modifiers) override
    {
        if (m_state.taken.count({keysym, modifiers}))
            return false;
        m_state.grabbed[id] = {keysym, modifiers};
        return true;
    }
    void releaseAll() override
    {
        m_state.grabbed.clear();
        ++m_state.registrations;
    }
    void press(quint32 id) { deliver(id, true); }
    void release(quint32 id) { deliver(id, false); }

private:
    State& m_state;
};

}  // namespace sablewick::test
