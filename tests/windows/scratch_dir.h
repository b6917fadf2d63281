// A fresh, empty working directory for one test: created under the temporary directory, made
// current, and on destruction left again and removed with everything in it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace qb::test {

// Closes a directory search once.
struct FindHandle {
    explicit FindHandle(HANDLE h) : handle(h) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (valid()) {
            FindClose(handle);
        }
    }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE handle;
};

class ScratchDir {
  public:
    ScratchDir() {
        previous_ = CurrentDirectory();
        static std::atomic<unsigned> counter{0};
        std::wstring temp(MAX_PATH + 1, L'\0');
        const DWORD n = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
        temp.resize(n > 0 && n < temp.size() ? n : 0);
        path_ = temp + L"qb-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
        created_ = CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
        entered_ = created_ && SetCurrentDirectoryW(path_.c_str()) != FALSE;
    }

    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    ~ScratchDir() {
        if (!previous_.empty()) {
            SetCurrentDirectoryW(previous_.c_str());
        }
        if (created_) {
            RemoveTree(path_);
        }
    }

    // Whether the directory exists and is the working directory now.
    bool ok() const { return entered_; }
    const std::wstring& path() const { return path_; }

    static std::wstring CurrentDirectory() {
        const DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) {
            return {};
        }
        std::wstring dir(needed, L'\0');
        const DWORD n = GetCurrentDirectoryW(needed, dir.data());
        dir.resize(n < needed ? n : 0);
        return dir;
    }

    // The names in a directory, as stored on disk, without "." and "..".
    static std::vector<std::wstring> Entries(const std::wstring& directory) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        const FindHandle search(FindFirstFileW((directory + L"\\*").c_str(), &found));
        if (!search.valid()) {
            return names;
        }
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                names.push_back(name);
            }
        } while (FindNextFileW(search.handle, &found));
        return names;
    }

    // Deletes a file or a directory with everything below it; read-only marks are cleared.
    static void RemoveTree(const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            DeleteFileW(path.c_str());
            return;
        }
        for (const std::wstring& name : Entries(path)) {
            RemoveTree(path + L"\\" + name);
        }
        RemoveDirectoryW(path.c_str());
    }

  private:
    std::wstring previous_;
    std::wstring path_;
    bool created_ = false;
    bool entered_ = false;
};

}  // namespace qb::test
