// Tells a shell-level test where the running program's window is: the screen position of the
// main window's client area, and the slider's place in it. With the argument "scale": the
// display's pixels per inch, the height of "0" in the window's font at that scale, and the
// window's and the toolbar's rectangles on the screen.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

// The window's rule: MS Sans Serif 8 points at the display's scale.
int ZeroHeight(HDC screen, int dpi) {
    HFONT font = CreateFontW(-MulDiv(11, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif");
    HGDIOBJ old = SelectObject(screen, font);
    SIZE zero{};
    GetTextExtentPoint32W(screen, L"0", 1, &zero);
    SelectObject(screen, old);
    DeleteObject(font);
    return zero.cy;
}

int Scale(HWND form) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const int zero = ZeroHeight(screen, dpi);
    ReleaseDC(nullptr, screen);
    RECT window{};
    GetWindowRect(form, &window);
    RECT bar{};
    GetWindowRect(FindWindowExW(form, nullptr, L"TActionToolBar", nullptr), &bar);
    std::printf("%d %d %ld %ld %ld %ld %ld %ld %ld %ld\n", dpi, zero, window.left, window.top,
                window.right, window.bottom, bar.left, bar.top, bar.right, bar.bottom);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
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
    if (argc > 1 && std::strcmp(argv[1], "scale") == 0) {
        return Scale(form);
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
