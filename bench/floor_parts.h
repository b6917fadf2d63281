// What the benchmark's raw floors share: reading a whole file, the program's font, and a bare
// text area in a plain window.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "win/handles.h"

namespace qb::bench {

// A window of the benchmark's own, destroyed when its owner goes.
using win::UniqueWindow;

// The whole file, or false when it cannot be opened.
inline bool ReadWholeFile(const wchar_t* path, std::string& bytes) {
    const win::UniqueHandle f(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) {
        return false;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(f.get(), &size);
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ReadFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return true;
}

// The program's font: "MS Sans Serif", 11 pixels at 96 pixels per inch.
inline win::UniqueFont CreateProgramFont() {
    const int dpi = GetDeviceCaps(win::WindowDC(nullptr).get(), LOGPIXELSY);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(11, dpi, 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    return win::UniqueFont(CreateFontIndirectW(&lf));
}

// The whole file, or an exception when it cannot be opened.
inline std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    if (!ReadWholeFile(path.c_str(), bytes)) {
        throw std::runtime_error("floor: cannot open");
    }
    return bytes;
}

inline LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

// A visible top-level window with room for a control of the given size.
inline UniqueWindow PlainWindow(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QbBenchFloor";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassW(&wc);
        registered = true;
    }
    return UniqueWindow(CreateWindowExW(
        0, L"QbBenchFloor", L"floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 60, width + 40,
        height + 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The bytes, converted from the code page (the ANSI one, or CP_UTF8), set as the control's text.
inline void SetText(HWND edit, const std::string& bytes, UINT codePage) {
    std::wstring text(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n));
    SetWindowTextW(edit, text.c_str());
}

inline void SetAnsi(HWND edit, const std::string& bytes) {
    SetText(edit, bytes, CP_ACP);
}

// A bare word-wrapped "EDIT" of the program's text area size and font, in a plain window of
// its own; both go with the object (the window first, then the font it used).
class BareTextArea {
  public:
    explicit BareTextArea(SIZE area)
        : font_(CreateProgramFont()), top_(PlainWindow(area.cx, area.cy)) {
        edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                                    ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                                4, 4, area.cx, area.cy, top_.get(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        if (!top_ || edit_ == nullptr) {
            throw std::runtime_error("floor: cannot make a text area");
        }
        SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
    }

    HWND edit() const { return edit_; }

  private:
    win::UniqueFont font_;
    UniqueWindow top_;
    HWND edit_ = nullptr;
};

}  // namespace qb::bench
