// What the benchmark's raw floors share: reading a whole file and the program's font.
#pragma once

#include <windows.h>

#include <string>

namespace qb::bench {

// The whole file, or false when it cannot be opened.
inline bool ReadWholeFile(const wchar_t* path, std::string& bytes) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    return true;
}

// The program's font: "MS Sans Serif", 11 pixels at 96 pixels per inch.
inline HFONT CreateProgramFont() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(11, dpi, 96);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

}  // namespace qb::bench
