#include "components/StudioKit.h"

#include "components/StudioStyle.h"
#include "components/StudioTheme.h"

#include <QApplication>

namespace sablewick {

StudioTheme& installStudioKit(AppPreferences& preferences)
{
    static StudioTheme* theme = nullptr;
    if (!theme) {
        StudioStyle::install();
        theme = new StudioTheme(preferences, QApplication::instance());
    }
    return *theme;
}

} // namespace sablewick
