#include "workspace/InspectorTab.h"

namespace sablewick {

QString rawValue(InspectorTab tab)
{
    switch (tab) {
    case InspectorTab::canvas:
        return QStringLiteral("Canvas");
    case InspectorTab::focus:
        return QStringLiteral("Focus");
    case InspectorTab::cursor:
        return QStringLiteral("Cursor");
    case InspectorTab::audio:
        return QStringLiteral("Audio");
    }
    return {};
}

std::optional<InspectorTab> inspectorTabFromRawValue(const QString& raw)
{
    for (InspectorTab tab : allInspectorTabs)
        if (rawValue(tab) == raw)
            return tab;
    return std::nullopt;
}

}  // namespace sablewick
