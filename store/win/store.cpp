#include "store/win/store.h"

#include <windows.h>

#include "store/pure/error.h"
#include "store/pure/linebreaks.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "store/win/ansi.h"
#include "store/win/file.h"

namespace qb::store {

namespace {

[[noreturn]] void ThrowIoError(DWORD code) {
    throw IoError(IoErrorText(code), code);
}

}  // namespace

void EnsureStoreDirectory() {
    if (win::DirectoryExists(kStoreDirectory)) {
        return;
    }
    if (!CreateDirectoryW(std::wstring(kStoreDirectory).c_str(), nullptr)) {
        ThrowIoError(GetLastError());
    }
}

void SavePage(int index, std::string_view bytes) {
    win::WriteWholeFile(PageFileName(index), bytes);
}

std::optional<std::string> LoadPage(int index) {
    const std::wstring name = PageFileName(index);
    if (!win::FileExists(name)) {
        return std::nullopt;
    }
    return LoadTextFile(name);
}

std::string LoadTextFile(std::wstring_view path) {
    return NormaliseLineBreaks(win::ReadWholeFile(path), win::SystemLeadBytes());
}

bool TabListExists() {
    return win::FileExists(kTabListReadPath);
}

void SaveTabList(const std::vector<std::string>& captions) {
    win::WriteWholeFile(kTabListWritePath, JoinTabList(captions));
}

std::vector<std::string> LoadTabList() {
    return SplitTabList(ReadTabListBytes());
}

std::string ReadTabListBytes() {
    return win::ReadWholeFile(kTabListReadPath);
}

bool PageExists(int index) {
    return win::FileExists(PageFileName(index));
}

namespace {

[[noreturn]] void ThrowMoveError(const std::wstring& from, const std::wstring& to, DWORD code) {
    throw Error(
        CannotMoveFileText(win::FullPath(from), win::FullPath(to), win::SystemErrorText(code)));
}

}  // namespace

void RemovePageFiles(int i, int n) {
    // Either every later page moves down one number, or nothing changes at all: a page left
    // behind would be shown and saved as its neighbour's.
    const std::wstring removed = PageFileName(i);
    const std::wstring aside = RemovedPageFileFor(i);
    const bool hadPage = win::FileExists(removed);
    if (hadPage && !MoveFileExW(removed.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ThrowMoveError(removed, aside, GetLastError());
    }
    std::vector<int> moved;
    auto rollBack = [&] {
        for (auto k = moved.rbegin(); k != moved.rend(); ++k) {
            MoveFileW(PageFileName(*k).c_str(), PageFileName(*k + 1).c_str());
        }
        if (hadPage) {
            MoveFileW(aside.c_str(), removed.c_str());
        }
    };
    for (int k = i; k <= n - 1; ++k) {
        const std::wstring from = PageFileName(k + 1);
        const std::wstring to = PageFileName(k);
        if (GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES) {
            continue;  // a page never saved; its new place was freed by the step before
        }
        if (!MoveFileW(from.c_str(), to.c_str())) {
            const DWORD code = GetLastError();
            rollBack();
            ThrowMoveError(from, to, code);
        }
        moved.push_back(k);
    }
    if (hadPage) {
        DeleteFileW(aside.c_str());
    }
}

bool SettingsExist() {
    return win::FileExists(kSettingsPath);
}

Settings ReadSettings() {
    win::UniqueHandle file(CreateFileW(std::wstring(kSettingsPath).c_str(),
                                       GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        ThrowIoError(GetLastError());
    }
    // The six records, as far as the file holds them; a read that fails gives its own code, a
    // file shorter than six records "Read beyond end of file".
    char bytes[kSettingsFileBytes] = {};
    DWORD have = 0;
    while (have < sizeof bytes) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes + have, sizeof bytes - have, &got, nullptr)) {
            ThrowIoError(GetLastError());
        }
        if (got == 0) {
            break;
        }
        have += got;
    }
    const SettingsRead read = DecodeSettingsFile(std::string_view(bytes, have));
    if (!read.ok()) {
        ThrowIoError(read.failure);
    }
    if (!file.close()) {
        ThrowIoError(GetLastError());
    }
    return read.settings;
}

void WriteSettings(const Settings& settings) {
    const auto bytes = EncodeSettings(settings);
    const std::string_view record(bytes.data(), bytes.size());
    if (const DWORD code =
            win::ReplaceWholeFile(kSettingsPath, record, FILE_SHARE_READ | FILE_SHARE_WRITE)) {
        ThrowIoError(code);
    }
}

}  // namespace qb::store
