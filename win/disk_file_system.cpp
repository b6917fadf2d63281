#include "win/disk_file_system.h"

#include <windows.h>

#include "win/code_page.h"
#include "win/file_calls.h"
#include "win/file.h"

namespace qb::win {

bool DiskFileSystem::IsFile(std::wstring_view path) {
    return FileExists(path);
}

bool DiskFileSystem::IsDirectory(std::wstring_view path) {
    return DirectoryExists(path);
}

notebook::ErrorCode DiskFileSystem::MakeDirectory(std::wstring_view path) {
    return Calls().MakeDirectory(std::wstring(path));
}

notebook::ErrorCode DiskFileSystem::Read(std::wstring_view path, std::string& bytes, bool shared) {
    if (shared) {
        return ReadWholeFile(path, bytes, GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE);
    }
    return ReadWholeFile(path, bytes, GENERIC_READ, FILE_SHARE_READ);
}

notebook::ErrorCode DiskFileSystem::Replace(std::wstring_view path, std::string_view bytes,
                                            bool shared) {
    return ReplaceWholeFile(path, bytes, shared ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0);
}

notebook::ErrorCode DiskFileSystem::Move(std::wstring_view from, std::wstring_view to,
                                         bool replace) {
    return MoveFileWrittenThrough(from, to, replace);
}

notebook::ErrorCode DiskFileSystem::Delete(std::wstring_view path) {
    return Calls().Delete(std::wstring(path));
}

std::vector<std::wstring> DiskFileSystem::List(std::wstring_view directory) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = std::wstring(directory) + L"/*";
    const FindHandle find(FindFirstFileW(pattern.c_str(), &found));
    if (!find.valid()) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(find.get(), &found));
    return names;
}

void DiskFileSystem::Wait(std::uint32_t ms) {
    Sleep(ms);
}

std::wstring DiskFileSystem::FullPath(std::wstring_view path) {
    return win::FullPath(path);
}

std::wstring DiskFileSystem::ErrorText(notebook::ErrorCode code) {
    return SystemErrorText(code);
}

DiskFileSystem& Disk() {
    static DiskFileSystem disk;
    return disk;
}

notebook::Store& DiskStore() {
    static notebook::Store store(Disk(), StoreEncodings());
    return store;
}

}  // namespace qb::win
