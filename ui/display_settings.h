// How the display is set: the pixels per inch of the system and of the screen a window is on,
// and whether a high-contrast theme is on.
#pragma once

#include <windows.h>

namespace qb::ui {

// The system's pixels per inch (96 at 100 %).
int ScreenDpi();
// The pixels per inch of the screen the window is on, where the system tells each screen's
// apart (Windows 10 and later); the system's otherwise.
int WindowDpi(HWND hwnd);
// A high-contrast theme is on (Settings, Accessibility, Contrast themes).
bool HighContrastOn();

}  // namespace qb::ui
