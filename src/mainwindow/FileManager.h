#pragma once

#include <QUrl>

namespace sablewick {

// Shows a file selected in the desktop's file manager, or its folder where the file manager
// cannot select. Returns at once; the file manager answers in the background.
void revealInFileManager(const QUrl& file);

}  // namespace sablewick
