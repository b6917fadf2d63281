#include "win/file.h"

#include <algorithm>
#include <vector>

#include "store/pure/messages.h"
#include "win/file_calls.h"
#include "win/file_steps.h"

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
    HANDLE opened = INVALID_HANDLE_VALUE;
    if (const DWORD code =
            Calls().Create(std::wstring(path), access, shareMode, OPEN_EXISTING, opened)) {
        return code;
    }
    UniqueHandle file(opened);
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
    return steps::TemporaryFileFor(path);
}

namespace {

static_assert(steps::kReplaceExisting == MOVEFILE_REPLACE_EXISTING);
static_assert(steps::kWriteThrough == MOVEFILE_WRITE_THROUGH);

// The replace's steps on the disk, each through the seam of raw calls.
class SystemSteps {
  public:
    using Handle = HANDLE;

    explicit SystemSteps(DWORD shareMode) : shareMode_(shareMode) {}

    bool Exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void ClearReadOnly(const std::wstring& path) {
        Calls().SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    }
    DWORD Open(const std::wstring& path, steps::OpenFor how, bool shared, HANDLE& file) {
        const DWORD share = shared ? shareMode_ : 0;
        switch (how) {
            case steps::OpenFor::kProbe:
                return Calls().Create(path, GENERIC_WRITE, share, OPEN_EXISTING, file);
            case steps::OpenFor::kNew:
                return Calls().Create(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, file);
            case steps::OpenFor::kInPlace:
                break;
        }
        return Calls().Create(path, GENERIC_READ | GENERIC_WRITE, share, OPEN_EXISTING, file);
    }
    DWORD Write(HANDLE file, std::string_view bytes) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const DWORD want =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
            DWORD put = 0;
            if (const DWORD code = Calls().Write(file, bytes.data() + at, want, put)) {
                return code;
            }
            if (put == 0) {
                return ERROR_HANDLE_DISK_FULL;
            }
            at += put;
        }
        return 0;
    }
    DWORD SetEnd(HANDLE file) { return Calls().SetEnd(file); }
    DWORD Flush(HANDLE file) { return Calls().Flush(file); }
    DWORD Close(HANDLE file) { return Calls().Close(file); }
    DWORD Move(const std::wstring& from, const std::wstring& to, std::uint32_t flags) {
        return Calls().Move(from, to, flags);
    }
    DWORD Delete(const std::wstring& path) { return Calls().Delete(path); }

  private:
    DWORD shareMode_;
};

}  // namespace

DWORD ReplaceWholeFile(std::wstring_view path, std::string_view bytes, DWORD shareMode) {
    SystemSteps system(shareMode);
    return steps::Replace(system, std::wstring(path), bytes, shareMode != 0);
}

DWORD MoveFileWrittenThrough(std::wstring_view from, std::wstring_view to, bool replace) {
    SystemSteps system(0);
    return steps::Move(system, std::wstring(from), std::wstring(to), replace);
}

}  // namespace qb::win
