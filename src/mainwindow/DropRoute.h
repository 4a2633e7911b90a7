#pragma once

#include "mainwindow/MainWindowSession.h"

#include <QList>
#include <QUrl>

#include <functional>

namespace sablewick {

// Where files dropped on the main window go.
enum class DropRoute {
    refused,   // nothing dropped, or something runs that a new document would disturb
    image,     // the image editor takes it, without asking about the open edit
    project,   // replaces the open edit with a saved project (after the save prompt)
    movie,     // replaces the open edit with a movie (after the save prompt)
};

// Only the first file counts. A drop is refused while an export runs or while a recording starts,
// runs or is being finished: the finished recording is about to replace the open edit itself.
// `isImage` tells whether a file's type is an image.
DropRoute classifyDrop(const QList<QUrl>& urls, bool isExporting, const RecorderState& recorder,
                       const std::function<bool(const QUrl&)>& isImage);

// An image by its name's type, as the desktop's file types know it; the file is not read, so a
// named pipe or a device never blocks the window.
bool isImageFile(const QUrl& url);

}  // namespace sablewick
