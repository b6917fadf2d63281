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

[[noreturn]] void ThrowIoError(DWORD code) { throw Error(IoErrorText(code)); }

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

bool TabListExists() { return win::FileExists(kTabListReadPath); }

void SaveTabList(const std::vector<std::string>& captions) {
    win::WriteWholeFile(kTabListWritePath, JoinTabList(captions));
}

std::vector<std::string> LoadTabList() { return SplitTabList(win::ReadWholeFile(kTabListReadPath)); }

void RemovePageFiles(int i, int n) {
    DeleteFileW(PageFileName(i).c_str());
    if (n < i + 1) {
        return;
    }
    for (int k = i; k <= n - 1; ++k) {
        // MoveFile fails without effect when the source is missing or the target exists.
        MoveFileW(PageFileName(k + 1).c_str(), PageFileName(k).c_str());
    }
}

bool SettingsExist() { return win::FileExists(kSettingsPath); }

Settings ReadSettings() {
    win::UniqueHandle file(CreateFileW(std::wstring(kSettingsPath).c_str(),
                                       GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        ThrowIoError(GetLastError());
    }
    Settings s;
    DWORD failure = 0;
    // Every record is read; one check after the sixth raises the last failure.
    for (std::int32_t* field : RecordsInFileOrder(s)) {
        char record[kSettingsRecordBytes] = {};
        DWORD got = 0;
        if (!ReadFile(file.get(), record, sizeof record, &got, nullptr)) {
            failure = GetLastError();
        } else if (got < sizeof record) {
            failure = kReadBeyondEndCode;
        } else {
            *field = DecodeRecord(std::string_view(record, sizeof record));
        }
    }
    if (failure != 0) {
        ThrowIoError(failure);
    }
    if (!file.close()) {
        ThrowIoError(GetLastError());
    }
    return s;
}

void WriteSettings(const Settings& settings) {
    win::UniqueHandle file(CreateFileW(std::wstring(kSettingsPath).c_str(),
                                       GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        ThrowIoError(GetLastError());
    }
    Settings copy = settings;
    DWORD failure = 0;
    for (std::int32_t* field : RecordsInFileOrder(copy)) {
        const auto record = EncodeRecord(*field);
        DWORD put = 0;
        if (!WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &put,
                       nullptr)) {
            failure = GetLastError();
        } else if (put < record.size()) {
            failure = kDiskFullCode;
        }
    }
    if (failure != 0) {
        ThrowIoError(failure);
    }
    if (!file.close()) {
        ThrowIoError(GetLastError());
    }
}

}  // namespace qb::store
