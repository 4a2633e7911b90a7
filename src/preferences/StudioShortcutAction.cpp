#include "preferences/StudioShortcutAction.h"

namespace sablewick {
namespace {

struct ActionRow {
    const char* rawValue;
    const char* title;
    const char16_t* key;
    quint32 keyCode;
    qint64 modifiers;
};

// In the order of StudioShortcutAction.
constexpr ActionRow kActions[] = {
    {"recording", "Start / stop recording", u"r", 15, 7},
    {"markZoom", "Mark zoom at pointer", u"m", 46, 7},
    {"captureScreenshot", "Take screenshot", u"s", 1, 7},
    {"openImage", "Open image", u"i", 34, 9},
    {"copyImage", "Copy edited image", u"c", 8, 9},
    {"openVideo", "Open video", u"o", 31, 1},
    {"openProject", "Open project", u"o", 31, 9},
    {"save", "Save project", u"s", 1, 1},
    {"export", "Export video / image", u"e", 14, 1},
    {"playback", "Play / pause", u"space", 49, 0},
    {"addZoom", "Add zoom in editor", u"a", 0, 9},
    {"deleteZoom", "Delete selected zoom / annotation", u"delete", 51, 1},
    {"inspector", "Show / hide inspector", u"i", 34, 3},
    {"undo", "Undo", u"z", 6, 1},
    {"redo", "Redo", u"z", 6, 9},
    {"backward", "Back five seconds", u"left", 123, 1},
    {"forward", "Forward five seconds", u"right", 124, 1},
    {"loop", "Loop playback", u"l", 37, 1},
};
static_assert(std::size(kActions) == allStudioShortcutActions.size());

const ActionRow& row(StudioShortcutAction action)
{
    return kActions[static_cast<std::size_t>(action)];
}

}  // namespace

QString rawValue(StudioShortcutAction action)
{
    return QString::fromLatin1(row(action).rawValue);
}

std::optional<StudioShortcutAction> studioShortcutActionFromRawValue(const QString& raw)
{
    for (StudioShortcutAction action : allStudioShortcutActions) {
        if (raw == QLatin1String(row(action).rawValue))
            return action;
    }
    return std::nullopt;
}

QString title(StudioShortcutAction action)
{
    return QString::fromLatin1(row(action).title);
}

StudioKeyBinding defaultBinding(StudioShortcutAction action)
{
    const ActionRow& r = row(action);
    return {QString::fromUtf16(r.key), r.keyCode, r.modifiers};
}

bool isSystemWide(StudioShortcutAction action)
{
    return action == StudioShortcutAction::recording || action == StudioShortcutAction::markZoom
        || action == StudioShortcutAction::captureScreenshot;
}

}  // namespace sablewick
