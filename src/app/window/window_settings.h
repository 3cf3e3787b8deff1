// The kept settings and the main window: what a starting window takes from them
// and what a closing one leaves behind.
#pragma once

namespace kdsp {

class Settings;
class MainWindow;
struct AppOptions;

// Brings the kept settings into the window before it is first shown: TCP address
// and port (unless given on the command line), the first page and the window's
// place (when it is still on a screen). The window keeps its settings from then on.
void ApplySettings(Settings& settings, MainWindow& window, const AppOptions& options);
// What a closing window leaves behind: the page shown, its place, and the TCP
// address and port when the user changed them.
void KeepSettings(Settings& settings, MainWindow& window);

}  // namespace kdsp
