#include "tests/native/sync_engine.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace qb::test {

namespace {

// Days since 1970-01-01 as a civil date (the proleptic Gregorian calendar).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring ParentOf(const std::wstring& path) {
    const auto slash = path.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring BaseName(const std::wstring& path) {
    const auto slash = path.rfind(L'/');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

constexpr std::wstring_view kConflictMark = L".sync-conflict-";

}  // namespace

std::string FormatSimTime(SimTime time) {
    const std::int64_t days = (time >= 0 ? time : time - 86399) / 86400;
    const std::int64_t seconds = time - days * 86400;
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", year, month, day,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

// ---- The folder ----

SyncedFolder::SyncedFolder(const Disk& start, std::function<SimTime()> clock)
    : files_(start), clock_(std::move(clock)), made_(clock_()) {}

SimTime SyncedFolder::ModTime(const std::wstring& path) const {
    const auto found = modified_.find(path);
    return found == modified_.end() ? made_ : found->second;
}

notebook::ErrorCode SyncedFolder::MakeDirectory(std::wstring_view path) {
    const notebook::ErrorCode code = files_.MakeDirectory(path);
    if (code == 0) {
        ++writes;
    }
    return code;
}

notebook::ErrorCode SyncedFolder::Replace(std::wstring_view path, std::string_view bytes,
                                          bool shared) {
    const notebook::ErrorCode code = files_.Replace(path, bytes, shared);
    if (code == 0) {
        ++writes;
        modified_[FoldPath(path)] = clock_();
    }
    return code;
}

notebook::ErrorCode SyncedFolder::Move(std::wstring_view from, std::wstring_view to, bool replace) {
    const std::wstring source = FoldPath(from);
    const SimTime time = ModTime(source);
    const notebook::ErrorCode code = files_.Move(from, to, replace);
    if (code == 0) {
        ++writes;
        // A moved file keeps its modification time.
        modified_.erase(source);
        modified_[FoldPath(to)] = time;
    }
    return code;
}

notebook::ErrorCode SyncedFolder::Delete(std::wstring_view path) {
    const notebook::ErrorCode code = files_.Delete(path);
    if (code == 0) {
        ++writes;
        modified_.erase(FoldPath(path));
    }
    return code;
}

// ---- The engine ----

SyncEngine::SyncEngine(std::vector<Device> devices, std::function<SimTime()> clock)
    : devices_(std::move(devices)), clock_(std::move(clock)), index_(devices_.size()) {
    // What every folder holds now is agreed: one version, as if the first device had made it
    // and every other had brought it.
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        SyncedFolder& folder = *devices_[d].folder;
        for (const auto& [path, bytes] : folder.Now().files) {
            index_[d][path] = Entry{false, bytes, folder.ModTime(path), 0, Version{{0, 1}}};
        }
    }
}

SyncEngine::Order SyncEngine::Compare(const Version& a, const Version& b) {
    bool aNewer = false;
    bool bNewer = false;
    std::set<int> keys;
    for (const auto& [device, counter] : a) {
        keys.insert(device);
    }
    for (const auto& [device, counter] : b) {
        keys.insert(device);
    }
    for (int device : keys) {
        const auto ia = a.find(device);
        const auto ib = b.find(device);
        const std::uint64_t ca = ia == a.end() ? 0 : ia->second;
        const std::uint64_t cb = ib == b.end() ? 0 : ib->second;
        aNewer = aNewer || ca > cb;
        bNewer = bNewer || cb > ca;
    }
    if (aNewer && bNewer) {
        return Order::kConcurrent;
    }
    return aNewer ? Order::kNewer : bNewer ? Order::kOlder : Order::kEqual;
}

bool SyncEngine::Wins(const Entry& a, const Entry& b) const {
    if (a.deleted != b.deleted) {
        return !a.deleted;  // a change beats a deletion
    }
    if (a.modified != b.modified) {
        return a.modified > b.modified;
    }
    return devices_[static_cast<std::size_t>(a.modifiedBy)].id >
           devices_[static_cast<std::size_t>(b.modifiedBy)].id;
}

const SyncEngine::Entry* SyncEngine::Global(const std::wstring& path) const {
    const Entry* best = nullptr;
    for (const auto& index : index_) {
        const auto found = index.find(path);
        if (found == index.end()) {
            continue;
        }
        const Entry& entry = found->second;
        if (best == nullptr) {
            best = &entry;
            continue;
        }
        const Order order = Compare(entry.version, best->version);
        if (order == Order::kNewer || (order == Order::kConcurrent && Wins(entry, *best))) {
            best = &entry;
        }
    }
    return best;
}

void SyncEngine::Scan() {
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        ScanDevice(static_cast<int>(d));
    }
}

void SyncEngine::ScanDevice(int device) {
    SyncedFolder& folder = *devices_[static_cast<std::size_t>(device)].folder;
    auto& index = index_[static_cast<std::size_t>(device)];
    const Disk disk = folder.Now();
    const auto bump = [&](Entry& entry) {
        std::uint64_t top = 0;
        for (const auto& [d, counter] : entry.version) {
            top = std::max(top, counter);
        }
        entry.version[device] = top + 1;
        entry.modifiedBy = device;
    };
    for (const auto& [path, bytes] : disk.files) {
        const SimTime modified = folder.ModTime(path);
        const auto found = index.find(path);
        if (found != index.end() && !found->second.deleted && found->second.bytes == bytes &&
            found->second.modified == modified) {
            continue;
        }
        Entry& entry = index[path];
        entry.deleted = false;
        entry.bytes = bytes;
        entry.modified = modified;
        bump(entry);
    }
    for (auto& [path, entry] : index) {
        if (!entry.deleted && disk.files.count(path) == 0) {
            entry.deleted = true;
            entry.bytes.clear();
            entry.modified = clock_();
            bump(entry);
        }
    }
}

std::vector<Delivery> SyncEngine::Pending() const {
    std::vector<Delivery> pending;
    if (!linked_) {
        return pending;
    }
    std::set<std::wstring> paths;
    for (const auto& index : index_) {
        for (const auto& [path, entry] : index) {
            paths.insert(path);
        }
    }
    for (std::size_t d = 0; d < devices_.size(); ++d) {
        for (const std::wstring& path : paths) {
            const Entry* global = Global(path);
            const auto local = index_[d].find(path);
            const bool wanted =
                local == index_[d].end()
                    ? !global->deleted
                    : (Compare(local->second.version, global->version) == Order::kOlder ||
                       Compare(local->second.version, global->version) == Order::kConcurrent);
            if (wanted) {
                pending.push_back({static_cast<int>(d), path});
            }
        }
    }
    return pending;
}

std::wstring SyncEngine::ConflictName(const std::wstring& path, int device) const {
    const std::wstring base = BaseName(path);
    const auto dot = base.rfind(L'.');
    const std::size_t stem =
        path.size() - base.size() + (dot == std::wstring::npos ? base.size() : dot);
    const std::string who = devices_[static_cast<std::size_t>(device)].id.substr(0, 7);
    return path.substr(0, stem) + std::wstring(kConflictMark) + Widen(FormatSimTime(clock_())) +
           L"-" + Widen(who) + path.substr(stem);
}

void SyncEngine::PruneConflicts(MemoryFileSystem& files, const std::wstring& path) {
    const std::wstring base = BaseName(path);
    const auto dot = base.rfind(L'.');
    const std::wstring stem = dot == std::wstring::npos ? base : base.substr(0, dot);
    const std::wstring ext = dot == std::wstring::npos ? std::wstring() : base.substr(dot);
    const std::wstring prefix = stem + std::wstring(kConflictMark);
    std::vector<std::wstring> copies;
    for (const std::wstring& name : files.List(ParentOf(path))) {
        if (name.rfind(prefix, 0) == 0 && name.size() >= ext.size() &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
            copies.push_back(name);
        }
    }
    std::sort(copies.begin(), copies.end());  // oldest first: the date and time lead
    const std::wstring parent = ParentOf(path);
    for (std::size_t i = 0; i + kMaxConflicts < copies.size(); ++i) {
        files.Delete(parent.empty() ? copies[i] : parent + L"/" + copies[i]);
    }
}

std::wstring SyncEngine::Deliver(const Delivery& delivery) {
    const Entry* global = Global(delivery.path);
    if (global == nullptr) {
        return {};
    }
    const Entry wanted = *global;
    SyncedFolder& folder = *devices_[static_cast<std::size_t>(delivery.device)].folder;
    MemoryFileSystem& files = folder.files_;
    auto& index = index_[static_cast<std::size_t>(delivery.device)];
    const auto localFound = index.find(delivery.path);
    const bool haveLocal = localFound != index.end() && !localFound->second.deleted;
    std::wstring copy;
    if (wanted.deleted) {
        if (files.IsFile(delivery.path)) {
            files.Delete(delivery.path);
            folder.modified_.erase(delivery.path);
        }
    } else if (haveLocal && localFound->second.bytes == wanted.bytes) {
        // Already here: only the version and time follow.
        folder.modified_[delivery.path] = wanted.modified;
    } else {
        const bool conflict =
            haveLocal && Compare(localFound->second.version, wanted.version) == Order::kConcurrent;
        if (conflict && BaseName(delivery.path).find(kConflictMark) == std::wstring::npos &&
            files.IsFile(delivery.path)) {
            copy = ConflictName(delivery.path, localFound->second.modifiedBy);
            files.Move(delivery.path, copy, true);
            folder.modified_[copy] = folder.ModTime(delivery.path);
            folder.modified_.erase(delivery.path);
            conflictCopies_.push_back(copy);
            PruneConflicts(files, delivery.path);
        }
        const std::wstring parent = ParentOf(delivery.path);
        if (!parent.empty() && !files.IsDirectory(parent)) {
            files.MakeDirectory(parent);
        }
        files.Replace(delivery.path, wanted.bytes, false);
        folder.modified_[delivery.path] = wanted.modified;
    }
    index[delivery.path] = wanted;
    return copy;
}

}  // namespace qb::test
