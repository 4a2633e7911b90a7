#pragma once

#include "preferences/StudioAccent.h"

#include <QWidget>

#include <memory>
#include <vector>

namespace sablewick {

class AppPreferences;
class StudioTileButton;
class SystemAppearance;

// The palette of accents: the ten standard ones, then under a divider and a heading the eight
// vibrant ones, each a round swatch with its name in a selectable tile. A click makes that accent
// the application's at once. It follows the preferences, so a change made elsewhere moves the mark.
class StudioAccentPicker final : public QWidget {
    Q_OBJECT

public:
    // `system` tells the desktop's own accent for the "System" swatch; it is the desktop
    // appearance the preferences were made with (the standard one unless a test or tool chose).
    explicit StudioAccentPicker(AppPreferences& preferences, std::shared_ptr<SystemAppearance> system = nullptr,
                                QWidget* parent = nullptr);

    // The tile of an accent, for tests and for placing focus.
    StudioTileButton* tile(StudioAccent accent) const;
    // The swatch colour of an accent in a scheme.
    QColor swatchColor(StudioAccent accent, StudioColorScheme scheme) const;

    static constexpr int columns = 5;
    static constexpr int swatchDiameter = 24;

private:
    QWidget* palette(const StudioAccent* first, std::size_t count);
    void refresh();

    AppPreferences& m_preferences;
    std::shared_ptr<SystemAppearance> m_system;
    std::vector<std::pair<StudioAccent, StudioTileButton*>> m_tiles;
};

} // namespace sablewick
