#pragma once

#include "components/StudioBinding.h"
#include "components/StudioToolRailRule.h"

#include <QStringList>
#include <QWidget>

#include <functional>

namespace sablewick {

class StudioIconToggle;

// The vertical rail of inspector pages: one round toggle with a caption per page, top to bottom.
// An item is lit while the inspector is shown on its page; clicking an unlit item selects the
// page, shows the inspector and reports the choice. The rail never hides the inspector.
class StudioToolRail final : public QWidget {
    Q_OBJECT

public:
    struct Item {
        QString title;
        QString symbol;
        // The flag the item's toggle is bound to (see toolRailItemBinding).
        StudioBinding<bool> active;
    };

    explicit StudioToolRail(std::vector<Item> items, QWidget* parent = nullptr);

    template <class Value, class TitleFn, class SymbolFn>
    static StudioToolRail* make(StudioBinding<Value> selection, StudioBinding<bool> isPresented,
                                const std::vector<Value>& options, TitleFn title, SymbolFn symbol,
                                std::function<void(const Value&)> onSelect, QWidget* parent = nullptr)
    {
        std::vector<Item> items;
        for (const Value& option : options)
            items.push_back({title(option), symbol(option),
                             toolRailItemBinding<Value>(selection, isPresented, option, onSelect)});
        return new StudioToolRail(std::move(items), parent);
    }

    int count() const { return static_cast<int>(m_toggles.size()); }
    StudioIconToggle* toggle(int index) const { return m_toggles.at(static_cast<std::size_t>(index)); }
    bool isActive(int index) const;
    // Re-reads every binding (after the caller changed selection or presentation itself).
    void refresh();

    static constexpr int itemSpacing = 10;
    static constexpr int topPadding = 18;

private:
    std::vector<Item> m_items;
    std::vector<StudioIconToggle*> m_toggles;
};

} // namespace sablewick
