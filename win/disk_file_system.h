// The note-keeping's file system on the disk, through the Win32 file API.
#pragma once

#include "notebook/file_system.h"
#include "notebook/store.h"

namespace qb::win {

class DiskFileSystem final : public notebook::FileSystem {
  public:
    bool IsFile(std::wstring_view path) override;
    bool IsDirectory(std::wstring_view path) override;
    notebook::ErrorCode MakeDirectory(std::wstring_view path) override;
    notebook::ErrorCode Read(std::wstring_view path, std::string& bytes, bool shared) override;
    notebook::ErrorCode Replace(std::wstring_view path, std::string_view bytes,
                                bool shared) override;
    notebook::ErrorCode Move(std::wstring_view from, std::wstring_view to, bool replace) override;
    notebook::ErrorCode Delete(std::wstring_view path) override;
    std::vector<std::wstring> List(std::wstring_view directory) override;
    void Wait(std::uint32_t ms) override;
    std::wstring FullPath(std::wstring_view path) override;
    std::wstring ErrorText(notebook::ErrorCode code) override;
};

// The one disk file system of the process.
DiskFileSystem& Disk();

// The store in the working directory, on the disk, in the system's encodings.
notebook::Store& DiskStore();

}  // namespace qb::win
