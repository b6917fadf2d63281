// The narrow way the note-keeping reaches the disk: whole files read and replaced, files moved
// and deleted, a directory made. The real one is the Win32 file API (win); the tests have
// one in memory that can cut the power after any operation.
//
// What the note-keeping relies on is what a journaling file system such as NTFS promises: a
// replaced file is either the old one or the new one, whole; metadata operations (a file made,
// moved or deleted) reach the disk in the order they were made, and one written through reaches
// it before the call returns, with every one before it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb::notebook {

// The system's error codes the store tells apart; Windows' numbers on every system, 0 for none.
using ErrorCode = std::uint32_t;
namespace codes {
inline constexpr ErrorCode kFileNotFound = 2;
inline constexpr ErrorCode kPathNotFound = 3;
inline constexpr ErrorCode kAccessDenied = 5;
inline constexpr ErrorCode kSharingViolation = 32;
inline constexpr ErrorCode kFileExists = 80;
inline constexpr ErrorCode kAlreadyExists = 183;
}  // namespace codes

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // An existing file; a directory does not count.
    virtual bool IsFile(std::wstring_view path) = 0;
    virtual bool IsDirectory(std::wstring_view path) = 0;

    virtual ErrorCode MakeDirectory(std::wstring_view path) = 0;

    // The whole content. shared: opened for reading and writing while others may read and
    // write it (the settings file); otherwise for reading while others may only read.
    virtual ErrorCode Read(std::wstring_view path, std::string& bytes, bool shared) = 0;

    // Replaces the file in one step: the bytes go to a temporary file beside it, are flushed to
    // the disk, and the temporary file is moved over the target, written through. A failure
    // leaves the old file whole. shared: the target may be held open by others that share it
    // (the settings file), and is then written in place.
    virtual ErrorCode Replace(std::wstring_view path, std::string_view bytes, bool shared) = 0;

    // Moves a file under a new name, written through: done on the disk when it returns. Fails
    // when the target exists, unless replace.
    virtual ErrorCode Move(std::wstring_view from, std::wstring_view to, bool replace) = 0;

    // Deletes a file. Not written through: a later operation written through takes it to the
    // disk.
    virtual ErrorCode Delete(std::wstring_view path) = 0;

    // The names of the files in a directory (not of those in its subdirectories).
    virtual std::vector<std::wstring> List(std::wstring_view directory) = 0;

    // Lets time pass: a file another program holds for a moment (a sync engine, a virus
    // scanner) is asked for again after a while.
    virtual void Wait(std::uint32_t ms) = 0;

    // For messages: the path as the user would find it, and the system's text for a code.
    virtual std::wstring FullPath(std::wstring_view path) = 0;
    virtual std::wstring ErrorText(ErrorCode code) = 0;
};

}  // namespace qb::notebook
