#include "win/file.h"

#include <algorithm>
#include <vector>

#include "store/pure/messages.h"

namespace qb::win {

std::wstring FullPath(std::wstring_view path) {
    const std::wstring in(path);
    DWORD needed = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return in;
    }
    std::wstring out(needed, L'\0');
    DWORD written = GetFullPathNameW(in.c_str(), needed, out.data(), nullptr);
    if (written == 0 || written >= needed) {
        return in;
    }
    out.resize(written);
    return out;
}

std::wstring SystemErrorText(DWORD code) {
    // Enough for the longest system message; the text is cut to 255 characters anyway.
    std::vector<wchar_t> buffer(1024);
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        nullptr, code, 0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    return TrimSystemErrorText(std::wstring_view(buffer.data(), n));
}

namespace {

DWORD Attributes(std::wstring_view path) {
    return GetFileAttributesW(std::wstring(path).c_str());
}

}  // namespace

bool FileExists(std::wstring_view path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(std::wstring_view path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DWORD ReadWholeFile(std::wstring_view path, std::string& bytes, DWORD access, DWORD shareMode) {
    UniqueHandle file(CreateFileW(std::wstring(path).c_str(), access, shareMode, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return GetLastError();
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        return GetLastError();
    }
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t at = 0;
    while (at < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + at, want, &got, nullptr)) {
            return GetLastError();
        }
        if (got == 0) {
            break;  // the file shrank while we read it
        }
        at += got;
    }
    bytes.resize(at);
    if (!file.close()) {
        return GetLastError();
    }
    return 0;
}

std::wstring TemporaryFileFor(std::wstring_view path) {
    return std::wstring(path) + L".saving";
}

namespace {

DWORD WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + at, want, &put, nullptr)) {
            return GetLastError();
        }
        if (put == 0) {
            return ERROR_HANDLE_DISK_FULL;
        }
        at += put;
    }
    return 0;
}

DWORD WriteInPlace(const std::wstring& target, std::string_view bytes, DWORD shareMode) {
    UniqueHandle file(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, shareMode, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return GetLastError();
    }
    DWORD failure = WriteAll(file.get(), bytes);
    if (failure == 0 && !SetEndOfFile(file.get())) {
        failure = GetLastError();
    }
    if (failure == 0 && !FlushFileBuffers(file.get())) {
        failure = GetLastError();
    }
    if (!file.close() && failure == 0) {
        failure = GetLastError();
    }
    return failure;
}

}  // namespace

DWORD ReplaceWholeFile(std::wstring_view path, std::string_view bytes, DWORD shareMode) {
    const std::wstring target(path);
    // The target must be one we may replace: not a directory, not read-only, not held open by
    // another program. Opening it for writing asks all three at once.
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
        UniqueHandle probe(CreateFileW(target.c_str(), GENERIC_WRITE, shareMode, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe.valid()) {
            return GetLastError();
        }
    }
    const std::wstring temp = TemporaryFileFor(path);
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // a leftover of a crash
    UniqueHandle file(CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return GetLastError();
    }
    DWORD failure = WriteAll(file.get(), bytes);
    if (failure == 0 && !FlushFileBuffers(file.get())) {
        failure = GetLastError();
    }
    if (!file.close() && failure == 0) {
        failure = GetLastError();
    }
    if (failure == 0 && !MoveFileExW(temp.c_str(), target.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        failure = GetLastError();
    }
    if (failure != 0) {
        DeleteFileW(temp.c_str());
    }
    // The target passed the probe, so a refused move means another program holds it open.
    if ((failure == ERROR_SHARING_VIOLATION || failure == ERROR_ACCESS_DENIED) && shareMode != 0) {
        failure = WriteInPlace(target, bytes, shareMode);
    }
    return failure;
}

}  // namespace qb::win
