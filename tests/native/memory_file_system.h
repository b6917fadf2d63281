// A file system in memory for the note-keeping's native tests. It records every operation, step
// by step, and tells which states of the disk a power cut after any step may leave, in the
// spirit of SQLite's crash-test file system:
//
// - Data written to a file but not flushed may be lost: after a cut the file holds what was
//   written, what it held when last flushed, or nothing.
// - Metadata operations (a file made, moved or deleted) reach the disk in the order they were
//   made; any run of the latest not yet on the disk may be lost. One written through (a move)
//   is on the disk when it returns, with every one before it. Flushing a file takes its own
//   making to the disk with it. This is what NTFS, which logs metadata in order, promises.
// - With Ordering::Reordered, as on a file system that keeps no such log, any of those not yet
//   on the disk may be lost, each on its own.
// - Making a directory is on the disk at once.
//
// Paths are matched as Windows matches them: without regard to case, "\" as "/", and a
// leading "./" ignored.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "notebook/file_system.h"

namespace qb::test {

enum class Ordering { Journaled, Reordered };

// Files and directories as they are on the disk.
struct Disk {
    std::map<std::wstring, std::string> files;  // by the path's folded form
    std::set<std::wstring> directories;
    bool operator==(const Disk&) const = default;
};

// The folded form of a path: lower case, "/" separators, no leading "./".
std::wstring FoldPath(std::wstring_view path);

class MemoryFileSystem final : public notebook::FileSystem {
  public:
    explicit MemoryFileSystem(const Disk& start = {});

    // What a call is about to do, for faults.
    struct Call {
        enum Kind { kRead, kReplace, kMove, kDelete, kMakeDirectory } kind;
        std::wstring path;  // folded
        std::wstring to;    // folded, for a move
    };
    // Consulted before every call that reads or changes something: an error code makes the
    // call fail without effect, as when another program holds the file.
    std::function<notebook::ErrorCode(const Call&)> fault;

    bool IsFile(std::wstring_view path) override;
    bool IsDirectory(std::wstring_view path) override;
    notebook::ErrorCode MakeDirectory(std::wstring_view path) override;
    notebook::ErrorCode Read(std::wstring_view path, std::string& bytes, bool shared) override;
    notebook::ErrorCode Replace(std::wstring_view path, std::string_view bytes,
                                bool shared) override;
    notebook::ErrorCode Move(std::wstring_view from, std::wstring_view to, bool replace) override;
    notebook::ErrorCode Delete(std::wstring_view path) override;
    std::vector<std::wstring> List(std::wstring_view directory) override;
    void Wait(std::uint32_t ms) override { waited += ms; }
    std::uint64_t waited = 0;  // the time the program let pass
    std::wstring FullPath(std::wstring_view path) override;
    std::wstring ErrorText(notebook::ErrorCode code) override;

    // Steps taken so far: every change to a file's name or data is one (a replace is four: the
    // temporary file made, written, flushed, moved over the target).
    std::size_t Steps() const { return history_.size() - 1; }
    // The disk as the program sees it now.
    Disk Now() const;
    // Every state of the disk a power cut right after the given step may leave.
    std::vector<Disk> AfterCut(std::size_t step, Ordering ordering) const;

  private:
    struct Inode {
        std::string data;
        std::string flushed;  // what the disk is sure to hold
        bool dirty = false;   // written since last flushed
    };
    struct Op {
        enum Kind { kCreate, kRename, kDelete } kind;
        std::wstring name;
        std::wstring to;
        int inode = -1;
        bool replace = false;
        bool forced = false;  // written through, or its file flushed
    };
    struct State {
        std::map<std::wstring, int> names;  // as the program sees them
        std::vector<Inode> inodes;
        std::vector<Op> log;  // every metadata operation since the start
        std::set<std::wstring> directories;
    };

    void Step() { history_.push_back(state_); }
    notebook::ErrorCode Faulted(Call::Kind kind, const std::wstring& path,
                                const std::wstring& to = {}) const;
    bool ParentExists(const std::wstring& path) const;

    std::map<std::wstring, int> base_;  // the names on the disk at the start
    State state_;
    std::vector<State> history_;  // the state after each step; [0] the start
};

}  // namespace qb::test
