// The display's scale as the window meets it: the pixels per inch of the system and of the
// screen a window is on.
#pragma once

#include <windows.h>

namespace qb::ui {

// The system's pixels per inch (96 at 100 %).
int ScreenDpi();
// The pixels per inch of the screen the window is on, where the system tells each screen's
// apart (Windows 10 and later); the system's otherwise.
int WindowDpi(HWND hwnd);

}  // namespace qb::ui
