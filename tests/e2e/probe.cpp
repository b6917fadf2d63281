// Tells a shell-level test where the running program's window is: the screen position of the
// main window's client area, and the slider's place in it.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

int main() {
    HWND form = nullptr;
    // Shown means start-up has placed it.
    for (int i = 0; i < 200 && (form == nullptr || !IsWindowVisible(form)); ++i) {
        form = FindWindowW(L"TForm1", nullptr);
        Sleep(50);
    }
    if (form == nullptr || !IsWindowVisible(form)) {
        std::fprintf(stderr, "probe: no main window\n");
        return 1;
    }
    POINT origin{0, 0};
    ClientToScreen(form, &origin);
    RECT slider{};
    HWND trackbar = FindWindowExW(form, nullptr, TRACKBAR_CLASSW, nullptr);
    GetWindowRect(trackbar, &slider);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&slider), 2);
    std::printf("%ld %ld %ld %ld %ld %ld\n", origin.x, origin.y, slider.left, slider.top,
                slider.right - slider.left, slider.bottom - slider.top);
    return 0;
}
