// The floor of start-up with one page: a bare program that does only what cannot be left out.
// It reads Strings\Tab0.txt from its working folder, converts it from the ANSI code page, sets
// it into a word-wrapped "EDIT" control of the given size, shows its window and waits in its
// message loop. No store, no tab strip, no toolbar, no notification icon.
//
//   qb_floor.exe <text area width> <text area height> [system]
//
// With "system" the control keeps the system font; otherwise it gets the program's font,
// "MS Sans Serif" 8 pt (11 pixels at 96 pixels per inch).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "floor_parts.h"

namespace {

constexpr wchar_t kClass[] = L"QbFloor";

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

std::string ReadPage() {
    std::string bytes;
    qb::bench::ReadWholeFile(L"Strings\\Tab0.txt", bytes);
    return bytes;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const int width = __argc > 1 ? _wtoi(__wargv[1]) : 396;
    const int height = __argc > 2 ? _wtoi(__wargv[2]) : 120;
    const bool systemFont = __argc > 3 && std::wstring(__wargv[3]) == L"system";

    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);

    const std::string bytes = ReadPage();
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                            static_cast<int>(text.size()))));

    HWND top =
        CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClass, L"floor", WS_OVERLAPPEDWINDOW, 60,
                        60, width + 40, height + 80, nullptr, nullptr, instance, nullptr);
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                                    ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                                4, 40, width, height, top, nullptr, instance, nullptr);
    // Outlives the window, which the message loop sees destroyed.
    qb::win::UniqueFont font;
    if (!systemFont) {
        font = qb::bench::CreateProgramFont();
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    }
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(edit, text.c_str());
    ShowWindow(top, SW_SHOW);
    SetFocus(edit);

    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
