// A sync engine in memory: several machines' folders, each a file system in memory, kept in
// step the way Syncthing keeps a shared folder, so that the note-keeping can be tried against
// what such an engine does with its files.
//
// The rules are Syncthing's, as its documentation describes them (docs.syncthing.net:
// "Understanding Synchronization" and its "Conflicting Changes", the folder option "maxConflicts"),
// in the form the tests need:
//
// - Each device keeps an index of the folder: per file its content, its modification time, who
//   changed it last, and a version vector (one counter per device). A scan finds what changed
//   since the last one: a file whose content or modification time differs from the index is a
//   change (a rewrite with the same bytes too: it has a new modification time), a file gone is
//   a deletion; each bumps the device's own counter in the file's version.
// - While the devices cannot reach each other, changes pile up in each index.
// - When they can, every device wants the global version of each file: the one whose version
//   vector is newer than all others. Two versions neither of which is newer are in conflict;
//   the winner is the one with the newer modification time, and with equal times the one from
//   the device with the larger id. A deletion always loses against a change: a file deleted on
//   one side and changed on the other comes back.
// - A device brings files one at a time, in no promised order. Each arrives whole: written to a
//   temporary name and moved over the target, its modification time that of the sender. A
//   deletion deletes the file.
// - A device that brings the winner of a conflict over its own changed file first moves its
//   file aside as "<name>.sync-conflict-<yyyymmdd>-<hhmmss>-<device>.<ext>" (the date and time
//   of the resolution, the device the first seven characters of the id of the device that made
//   the losing change); that copy is then a new file like any other and reaches every device.
//   A conflict copy's own conflicts leave no further copy. At most "maxConflicts" copies of one
//   file are kept (10 here); the oldest go first.
// - A file whose content a device already holds takes only the new version and time, without a
//   copy (an assumption of this engine: two machines that wrote the same bytes agree).
// - A rename is seen as what it is on the disk: a deletion and a new file.
// - Every file in the folder is synced, the settings file too: there is no ignore rule here.
//
// The program on each machine reaches its folder through a SyncedFolder, which stamps each
// file it writes with the simulated clock's time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "notebook/file_system.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {

// Seconds since 1970-01-01 00:00 UTC, as the simulated world's clock tells them.
using SimTime = std::int64_t;

// "yyyymmdd-hhmmss" of a time.
std::string FormatSimTime(SimTime time);

// A machine's folder: its files in memory, each with the time it was last written.
class SyncedFolder final : public notebook::FileSystem {
  public:
    SyncedFolder(const Disk& start, std::function<SimTime()> clock);

    MemoryFileSystem& memory() { return files_; }
    Disk Now() const { return files_.Now(); }
    // The modification time of a file (folded path); files there from the start have the time
    // the folder was made.
    SimTime ModTime(const std::wstring& path) const;

    // Changes the program made: files written, moved or deleted, directories made.
    std::size_t writes = 0;

    bool IsFile(std::wstring_view path) override { return files_.IsFile(path); }
    bool IsDirectory(std::wstring_view path) override { return files_.IsDirectory(path); }
    notebook::ErrorCode MakeDirectory(std::wstring_view path) override;
    notebook::ErrorCode Read(std::wstring_view path, std::string& bytes, bool shared) override {
        return files_.Read(path, bytes, shared);
    }
    notebook::ErrorCode Replace(std::wstring_view path, std::string_view bytes,
                                bool shared) override;
    notebook::ErrorCode Move(std::wstring_view from, std::wstring_view to, bool replace) override;
    notebook::ErrorCode Delete(std::wstring_view path) override;
    std::vector<std::wstring> List(std::wstring_view directory) override {
        return files_.List(directory);
    }
    void Wait(std::uint32_t ms) override { files_.Wait(ms); }
    std::wstring FullPath(std::wstring_view path) override { return files_.FullPath(path); }
    std::wstring ErrorText(notebook::ErrorCode code) override { return files_.ErrorText(code); }

  private:
    friend class SyncEngine;

    MemoryFileSystem files_;
    std::function<SimTime()> clock_;
    SimTime made_;
    std::map<std::wstring, SimTime> modified_;  // by folded path
};

// A file one device is to bring from the others.
struct Delivery {
    int device = 0;
    std::wstring path;  // folded
    bool operator==(const Delivery&) const = default;
};

class SyncEngine {
  public:
    struct Device {
        std::string id;  // seven characters or more, as Syncthing shows a device's short id
        SyncedFolder* folder = nullptr;
    };

    // Devices whose folders hold the same files now, as last agreed.
    SyncEngine(std::vector<Device> devices, std::function<SimTime()> clock);

    // Whether the devices reach each other: while they do not, nothing is pending.
    void SetLinked(bool linked) { linked_ = linked; }
    bool linked() const { return linked_; }

    // Every device looks at its folder: its index follows what changed there.
    void Scan();
    // The files each device still wants, by device and then path.
    std::vector<Delivery> Pending() const;
    // The device brings the file (as scanned last). Returns the name of the conflict copy
    // made of its own version, or nothing.
    std::wstring Deliver(const Delivery& delivery);

    // Conflict copies made so far, on every device.
    const std::vector<std::wstring>& conflictCopies() const { return conflictCopies_; }
    static constexpr int kMaxConflicts = 10;

  private:
    using Version = std::map<int, std::uint64_t>;  // counter by device
    enum class Order { kEqual, kNewer, kOlder, kConcurrent };
    struct Entry {
        bool deleted = false;
        std::string bytes;
        SimTime modified = 0;
        int modifiedBy = 0;
        Version version;
    };
    static Order Compare(const Version& a, const Version& b);
    // Whether a wins a conflict with b.
    bool Wins(const Entry& a, const Entry& b) const;
    // The version every device wants, or nullptr when no device has the file.
    const Entry* Global(const std::wstring& path) const;
    void ScanDevice(int device);
    std::wstring ConflictName(const std::wstring& path, int device) const;
    void PruneConflicts(MemoryFileSystem& files, const std::wstring& path);

    std::vector<Device> devices_;
    std::function<SimTime()> clock_;
    std::vector<std::map<std::wstring, Entry>> index_;  // per device, by folded path
    bool linked_ = true;
    std::vector<std::wstring> conflictCopies_;
};

}  // namespace qb::test
