// A file system in memory for the note-keeping's native tests. It runs the very steps of the
// Win32 file layer (win/file_steps.h: a temporary file made, written, flushed, closed, moved
// over the target written through; written in place while another program holds a shared
// file), records the disk after each, and tells which states of the disk a power cut after any
// step may leave, in the spirit of SQLite's crash-test file system:
//
// - Data written to a file but not flushed may be lost, or reach the disk in part: after a cut
//   the file holds what was written, what it held when last flushed, its new length with the
//   part not yet written as zeros, what was written cut at a 512-byte boundary (with or without
//   zeros after it), or, for a write into a file in place, the new bytes up to any point and the
//   old ones after it.
// - Metadata operations (a file made, moved or deleted) reach the disk in the order they were
//   made; any run of the latest not yet on the disk may be lost. Flushing a file takes its own
//   making to the disk, and with it every operation before it. This is what NTFS, which logs
//   metadata in order, promises.
// - A move written through: with Ordering::Journaled (and Reordered), on the disk when it
//   returns, with every operation before it. Windows documents no such promise for a rename on
//   one volume; with Ordering::Lazy it is kept only as the other operations are (by a later
//   flush), and a cut may lose it, and everything after it.
// - With Ordering::Reordered, as on a file system that keeps no log, any of the operations not
//   yet on the disk may be lost, each on its own.
// - Making a directory is on the disk at once.
//
// Paths are matched as Windows matches them: without regard to case, "\" as "/", and a
// leading "./" ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "notebook/file_system.h"
#include "win/file_steps.h"

namespace qb::test {

enum class Ordering { Journaled, Reordered, Lazy };

// Files and directories as they are on the disk.
struct Disk {
    std::map<std::wstring, std::string> files;  // by the path's folded form
    std::set<std::wstring> directories;
    bool operator==(const Disk&) const = default;
    bool operator<(const Disk& other) const {
        return files != other.files ? files < other.files : directories < other.directories;
    }
};

// The folded form of a path: lower case, "/" separators, no leading "./".
std::wstring FoldPath(std::wstring_view path);

class MemoryFileSystem final : public notebook::FileSystem {
  public:
    // history: whether the disk after each step is kept, for cuts (After, AfterCut); without it
    // only the steps are counted.
    explicit MemoryFileSystem(const Disk& start = {}, bool history = true);

    // What a call is about to do, for faults.
    struct Call {
        enum Kind { kRead, kReplace, kMove, kDelete, kMakeDirectory } kind;
        std::wstring path;  // folded
        std::wstring to;    // folded, for a move
    };
    // Consulted before every call that reads or changes something: an error code makes the
    // call fail without effect, as when another program holds the file.
    std::function<notebook::ErrorCode(const Call&)> fault;
    // Consulted after every move on the disk (also the one a replace makes): an error code makes
    // the move report a failure although it was made, as a move that fails halfway (the name
    // changed, the write-through that follows failing).
    std::function<notebook::ErrorCode(const Call&)> failAfterMove;
    // Files another program holds open while sharing them with everyone (as the settings file
    // may be): they can be written in place, but not moved over, nor moved, nor deleted.
    std::set<std::wstring> heldShared;  // folded

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

    // Steps taken so far: every change to a file's name, length or data is one (a replace is
    // four: the temporary file made, written, flushed, moved over the target).
    std::size_t Steps() const { return steps_; }
    // The disk as the program sees it now, and as it saw it right after a step.
    Disk Now() const;
    Disk After(std::size_t step) const;
    // Every state of the disk a power cut right after the given step may leave.
    std::vector<Disk> AfterCut(std::size_t step, Ordering ordering) const;

  private:
    // The raw calls of the file layer (win/file_steps.h), on this disk.
    struct RawCalls;
    bool RawExists(const std::wstring& path);
    notebook::ErrorCode RawOpen(const std::wstring& path, win::steps::OpenFor how, bool shared,
                                int& file);
    notebook::ErrorCode RawWrite(int file, std::string_view bytes);
    notebook::ErrorCode RawSetEnd(int file);
    notebook::ErrorCode RawFlush(int file);
    notebook::ErrorCode RawClose(int file);
    notebook::ErrorCode RawMove(const std::wstring& from, const std::wstring& to,
                                std::uint32_t flags);
    notebook::ErrorCode RawDelete(const std::wstring& path);

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
        bool forced = false;        // its file flushed
        bool writeThrough = false;  // a move asked to be written through
    };
    struct State {
        std::map<std::wstring, int> names;  // as the program sees them
        std::vector<Inode> inodes;
        std::vector<Op> log;  // every metadata operation since the start
        std::set<std::wstring> directories;
    };
    struct OpenFile {
        int inode;
        std::size_t at = 0;
    };

    void Step() {
        ++steps_;
        if (keepHistory_) {
            history_.push_back(state_);
        }
    }
    notebook::ErrorCode Faulted(Call::Kind kind, const std::wstring& path,
                                const std::wstring& to = {}) const;
    bool ParentExists(const std::wstring& path) const;
    static std::vector<std::string> Contents(const Inode& file);

    std::map<std::wstring, int> base_;  // the names on the disk at the start
    State state_;
    std::vector<State> history_;  // the state after each step; [0] the start
    bool keepHistory_;
    std::size_t steps_ = 0;
    std::map<int, OpenFile> open_;
    int nextHandle_ = 1;
};

}  // namespace qb::test
