#include "document/FocusPoint.h"

namespace sablewick {

std::string_view storedValue(FocusKind value)
{
    switch (value) {
    case FocusKind::click: return "click";
    case FocusKind::typing: return "typing";
    case FocusKind::manual: return "manual";
    }
    return {};
}

std::string_view storedValue(ZoomMode value)
{
    switch (value) {
    case ZoomMode::manual: return "Fixed";
    case ZoomMode::follow: return "Follow cursor";
    }
    return {};
}

}  // namespace sablewick
