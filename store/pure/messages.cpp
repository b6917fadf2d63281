#include "store/pure/messages.h"

namespace qb {

std::wstring IoErrorText(std::uint32_t code) {
    switch (code) {
        case 2:
            return L"File not found";
        case 3:
            return L"Invalid filename";
        case 4:
            return L"Too many open files";
        case 5:
            return L"File access denied";
        case kReadBeyondEndCode:
            return L"Read beyond end of file";
        case kDiskFullCode:
            return L"Disk full";
        case 106:
            return L"Invalid numeric input";
        default:
            return L"I/O error " + std::to_wstring(code);
    }
}

std::wstring TrimSystemErrorText(std::wstring_view raw) {
    std::wstring text(raw.substr(0, kSystemErrorTextMax));
    while (!text.empty()) {
        const wchar_t c = text.back();
        if (c == L' ' || c == L'.' || c < 0x20 || c == 0x7F) {
            text.pop_back();
        } else {
            break;
        }
    }
    return text;
}

namespace {

std::wstring FileFailure(std::wstring_view verb, std::wstring_view path, std::wstring_view sys) {
    std::wstring text = L"Cannot ";
    text += verb;
    text += L" file \"";
    text += path;
    text += L"\". ";
    text += sys;
    return text;
}

}  // namespace

std::wstring CannotCreateFileText(std::wstring_view absolutePath, std::wstring_view systemText) {
    return FileFailure(L"create", absolutePath, systemText);
}

std::wstring CannotOpenFileText(std::wstring_view absolutePath, std::wstring_view systemText) {
    return FileFailure(L"open", absolutePath, systemText);
}

std::wstring CannotMoveFileText(std::wstring_view from, std::wstring_view to,
                                std::wstring_view systemText) {
    std::wstring text = L"Cannot move file \"";
    text += from;
    text += L"\" to \"";
    text += to;
    text += L"\". ";
    text += systemText;
    return text;
}

std::wstring DamagedCloseRecordText(std::wstring_view absolutePath) {
    std::wstring text = L"Cannot finish closing a tab: \"";
    text += absolutePath;
    text += L"\" is damaged, so no page file may be written or renumbered";
    return text;
}

std::wstring FailedToRetrieveTabText(int index) {
    return L"Failed to retrieve tab at index " + std::to_wstring(index);
}

std::wstring FailedToSetTabText(std::wstring_view caption, int index) {
    std::wstring text = L"Failed to set tab \"";
    text += caption;
    text += L"\" at index ";
    text += std::to_wstring(index);
    return text;
}

std::wstring FailedToDeleteTabText(int index) {
    return L"Failed to delete tab at index " + std::to_wstring(index);
}

std::wstring ErrorBoxText(std::wstring_view message) {
    std::wstring text(message);
    if (!text.empty() && static_cast<unsigned>(text.back()) > static_cast<unsigned>(L'.')) {
        text += L'.';
    }
    return text;
}

}  // namespace qb
