#pragma once

namespace sablewick {

// QApplication sets the C library's locale from the environment, but FFmpeg, x264 and our own data
// formats need a "." decimal point. Call once, right after the application object is created.
void useCNumericLocale();

}  // namespace sablewick
