#pragma once

namespace sablewick {

class AppPreferences;
class StudioTheme;

// Makes the kit the look of the whole application: the kit's style (text fields, scroll bars) on
// every widget and the theme that carries `preferences` into every window. Call once, after the
// QApplication exists and the preferences have applied their appearance; later calls return the
// same theme. The theme lives as long as the application.
StudioTheme& installStudioKit(AppPreferences& preferences);

} // namespace sablewick
