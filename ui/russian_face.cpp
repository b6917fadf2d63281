#include "ui/russian_face.h"

#include <windows.h>

#include <string>
#include <vector>

#include "win/handles.h"

namespace qb::ui {

namespace {

// The Cyrillic version of the face's bitmap font, as Windows and Wine name it.
constexpr wchar_t kCyrillicFile[] = L"sserifer.fon";

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool RussianFaceOffered() {
    win::WindowDC screen(nullptr);
    LOGFONTW wanted{};
    wanted.lfCharSet = RUSSIAN_CHARSET;
    lstrcpynW(wanted.lfFaceName, kSansSerifFace, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(screen.get(), &wanted, &NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring FontsFolder() {
    const UINT needed = GetWindowsDirectoryW(nullptr, 0);
    std::wstring folder(needed, L'\0');
    const UINT got = GetWindowsDirectoryW(folder.data(), needed);
    folder.resize(got < needed ? got : 0);
    return folder + L"\\Fonts\\";
}

}  // namespace

void OfferRussianSansSerif() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    if (RussianFaceOffered()) {
        return;
    }
    const std::wstring file = FontsFolder() + kCyrillicFile;
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
        AddFontResourceExW(file.c_str(), FR_PRIVATE, nullptr);
    }
}

}  // namespace qb::ui
