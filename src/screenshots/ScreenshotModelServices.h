#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace sablewick {

class TaskScheduler;

// What the image editor's model asks of the user: the window folders implement it with real
// panels and alerts, tests with scripted answers.
class ScreenshotDialogs {
public:
    enum class ReplaceChoice { save, discard, cancel };

    virtual ~ScreenshotDialogs() = default;
    // A save panel for a project file, starting with `proposedName` in `folder` (empty: the
    // panel's own choice). No value when the user cancels.
    virtual std::optional<QString> chooseProjectPath(const QString& proposedName, const QString& folder) = 0;
    // "Save the current screenshot edit?" with its three buttons.
    virtual ReplaceChoice confirmReplacing() = 0;
};

// The clipboard as the copy command needs it.
class ImageClipboard {
public:
    virtual ~ImageClipboard() = default;
    // Replaces the clipboard with a PNG image.
    virtual void putPng(const QByteArray& png) = 0;
};

// The desktop's clipboard. What it holds stays there when the editor window closes: the clipboard
// belongs to the application, not to a window.
ImageClipboard& systemImageClipboard();

struct ScreenshotModelServices {
    TaskScheduler* scheduler = nullptr;    // coalescing and the pause between previews
    ScreenshotDialogs* dialogs = nullptr;  // none: saving with a panel and replacing are refused
    ImageClipboard* clipboard = nullptr;   // none: the system clipboard
};

}  // namespace sablewick
