#include "tests/native/memory_file_system.h"

#include <algorithm>
#include <cwctype>
#include <functional>

namespace qb::test {

using notebook::ErrorCode;
namespace codes = notebook::codes;

std::wstring FoldPath(std::wstring_view path) {
    std::wstring out;
    out.reserve(path.size());
    for (wchar_t c : path) {
        out += c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    while (out.rfind(L"./", 0) == 0) {
        out.erase(0, 2);
    }
    return out == L"." ? std::wstring() : out;  // the working directory itself
}

namespace {

std::wstring Parent(const std::wstring& folded) {
    const auto slash = folded.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : folded.substr(0, slash);
}

}  // namespace

MemoryFileSystem::MemoryFileSystem(const Disk& start, bool history) : keepHistory_(history) {
    for (const auto& [name, bytes] : start.files) {
        const int inode = static_cast<int>(state_.inodes.size());
        state_.inodes.push_back({bytes, bytes, false});
        state_.names[FoldPath(name)] = inode;
    }
    for (const auto& directory : start.directories) {
        state_.directories.insert(FoldPath(directory));
    }
    base_ = state_.names;
    history_.push_back(state_);
}

ErrorCode MemoryFileSystem::Faulted(Call::Kind kind, const std::wstring& path,
                                    const std::wstring& to) const {
    return fault ? fault(Call{kind, path, to}) : 0;
}

bool MemoryFileSystem::ParentExists(const std::wstring& path) const {
    const std::wstring parent = Parent(path);
    return parent.empty() || state_.directories.count(parent) != 0;
}

bool MemoryFileSystem::IsFile(std::wstring_view path) {
    return state_.names.count(FoldPath(path)) != 0;
}

bool MemoryFileSystem::IsDirectory(std::wstring_view path) {
    return state_.directories.count(FoldPath(path)) != 0;
}

ErrorCode MemoryFileSystem::MakeDirectory(std::wstring_view path) {
    const std::wstring name = FoldPath(path);
    if (const ErrorCode code = Faulted(Call::kMakeDirectory, name)) {
        return code;
    }
    if (state_.directories.count(name) != 0 || state_.names.count(name) != 0) {
        return codes::kAlreadyExists;
    }
    if (!ParentExists(name)) {
        return codes::kPathNotFound;
    }
    state_.directories.insert(name);
    Step();
    return 0;
}

ErrorCode MemoryFileSystem::Read(std::wstring_view path, std::string& bytes, bool) {
    const std::wstring name = FoldPath(path);
    if (const ErrorCode code = Faulted(Call::kRead, name)) {
        return code;
    }
    if (state_.directories.count(name) != 0) {
        return codes::kAccessDenied;
    }
    const auto found = state_.names.find(name);
    if (found == state_.names.end()) {
        return ParentExists(name) ? codes::kFileNotFound : codes::kPathNotFound;
    }
    bytes = state_.inodes[static_cast<std::size_t>(found->second)].data;
    return 0;
}

// The raw calls the file layer's steps make, on this disk.
struct MemoryFileSystem::RawCalls {
    using Handle = int;
    MemoryFileSystem& disk;
    bool Exists(const std::wstring& path) { return disk.RawExists(path); }
    void ClearReadOnly(const std::wstring&) {}
    ErrorCode Open(const std::wstring& path, win::steps::OpenFor how, bool shared, int& file) {
        return disk.RawOpen(path, how, shared, file);
    }
    ErrorCode Write(int file, std::string_view bytes) { return disk.RawWrite(file, bytes); }
    ErrorCode SetEnd(int file) { return disk.RawSetEnd(file); }
    ErrorCode Flush(int file) { return disk.RawFlush(file); }
    ErrorCode Close(int file) { return disk.RawClose(file); }
    ErrorCode Move(const std::wstring& from, const std::wstring& to, std::uint32_t flags) {
        return disk.RawMove(from, to, flags);
    }
    ErrorCode Delete(const std::wstring& path) { return disk.RawDelete(path); }
};

ErrorCode MemoryFileSystem::Replace(std::wstring_view path, std::string_view bytes, bool shared) {
    const std::wstring name = FoldPath(path);
    if (const ErrorCode code = Faulted(Call::kReplace, name)) {
        return code;
    }
    RawCalls raw{*this};
    return win::steps::Replace(raw, name, bytes, shared);
}

ErrorCode MemoryFileSystem::Move(std::wstring_view from, std::wstring_view to, bool replace) {
    const std::wstring source = FoldPath(from);
    const std::wstring target = FoldPath(to);
    if (const ErrorCode code = Faulted(Call::kMove, source, target)) {
        return code;
    }
    RawCalls raw{*this};
    return win::steps::Move(raw, source, target, replace);
}

ErrorCode MemoryFileSystem::Delete(std::wstring_view path) {
    const std::wstring name = FoldPath(path);
    if (const ErrorCode code = Faulted(Call::kDelete, name)) {
        return code;
    }
    return RawDelete(name);
}

// ---- The raw calls ----

bool MemoryFileSystem::RawExists(const std::wstring& path) {
    return state_.names.count(path) != 0 || state_.directories.count(path) != 0;
}

ErrorCode MemoryFileSystem::RawOpen(const std::wstring& path, win::steps::OpenFor how, bool shared,
                                    int& file) {
    using win::steps::OpenFor;
    if (state_.directories.count(path) != 0) {
        return codes::kAccessDenied;
    }
    if (!ParentExists(path)) {
        return codes::kPathNotFound;
    }
    const auto found = state_.names.find(path);
    if (how == OpenFor::kNew) {
        if (found != state_.names.end()) {
            // Made again: the same file, emptied.
            Inode& existing = state_.inodes[static_cast<std::size_t>(found->second)];
            existing.data.clear();
            existing.dirty = true;
            Step();
            open_[nextHandle_] = {found->second, 0};
        } else {
            const int inode = static_cast<int>(state_.inodes.size());
            state_.inodes.push_back({});
            state_.names[path] = inode;
            state_.log.push_back({Op::kCreate, path, {}, inode});
            Step();
            open_[nextHandle_] = {inode, 0};
        }
        file = nextHandle_++;
        return 0;
    }
    if (found == state_.names.end()) {
        return codes::kFileNotFound;
    }
    if (heldShared.count(path) != 0 && !shared) {
        return codes::kSharingViolation;
    }
    open_[nextHandle_] = {found->second, 0};
    file = nextHandle_++;
    return 0;
}

ErrorCode MemoryFileSystem::RawWrite(int file, std::string_view bytes) {
    OpenFile& f = open_.at(file);
    Inode& inode = state_.inodes[static_cast<std::size_t>(f.inode)];
    if (inode.data.size() < f.at + bytes.size()) {
        inode.data.resize(f.at + bytes.size());
    }
    inode.data.replace(f.at, bytes.size(), bytes);
    f.at += bytes.size();
    inode.dirty = true;
    Step();
    return 0;
}

ErrorCode MemoryFileSystem::RawSetEnd(int file) {
    OpenFile& f = open_.at(file);
    Inode& inode = state_.inodes[static_cast<std::size_t>(f.inode)];
    if (inode.data.size() != f.at) {
        inode.data.resize(f.at);
        inode.dirty = true;
        Step();
    }
    return 0;
}

ErrorCode MemoryFileSystem::RawFlush(int file) {
    const int id = open_.at(file).inode;
    Inode& inode = state_.inodes[static_cast<std::size_t>(id)];
    inode.flushed = inode.data;
    inode.dirty = false;
    // Its making goes to the disk with it.
    for (Op& op : state_.log) {
        if (op.kind == Op::kCreate && op.inode == id) {
            op.forced = true;
        }
    }
    Step();
    return 0;
}

ErrorCode MemoryFileSystem::RawClose(int file) {
    open_.erase(file);
    return 0;
}

ErrorCode MemoryFileSystem::RawMove(const std::wstring& source, const std::wstring& target,
                                    std::uint32_t flags) {
    const bool replace = (flags & win::steps::kReplaceExisting) != 0;
    const auto found = state_.names.find(source);
    if (found == state_.names.end()) {
        return codes::kFileNotFound;
    }
    if (state_.directories.count(target) != 0 || heldShared.count(target) != 0 ||
        heldShared.count(source) != 0) {
        return codes::kAccessDenied;
    }
    if (!ParentExists(target)) {
        return codes::kPathNotFound;
    }
    if (state_.names.count(target) != 0 && !replace) {
        return codes::kAlreadyExists;
    }
    const int inode = found->second;
    state_.names.erase(found);
    state_.names[target] = inode;
    Op op{Op::kRename, source, target, inode, replace};
    op.writeThrough = (flags & win::steps::kWriteThrough) != 0;
    state_.log.push_back(op);
    Step();
    if (failAfterMove) {
        return failAfterMove(Call{Call::kMove, source, target});
    }
    return 0;
}

ErrorCode MemoryFileSystem::RawDelete(const std::wstring& name) {
    if (state_.directories.count(name) != 0 || heldShared.count(name) != 0) {
        return codes::kAccessDenied;
    }
    const auto found = state_.names.find(name);
    if (found == state_.names.end()) {
        return codes::kFileNotFound;
    }
    state_.log.push_back({Op::kDelete, name, {}, found->second});
    state_.names.erase(found);
    Step();
    return 0;
}

std::vector<std::wstring> MemoryFileSystem::List(std::wstring_view directory) {
    const std::wstring folder = FoldPath(directory);
    std::vector<std::wstring> names;
    for (const auto& entry : state_.names) {
        if (Parent(entry.first) == folder) {
            names.push_back(entry.first.substr(folder.empty() ? 0 : folder.size() + 1));
        }
    }
    return names;
}

std::wstring MemoryFileSystem::FullPath(std::wstring_view path) {
    return L"C:/notes/" + FoldPath(path);
}

std::wstring MemoryFileSystem::ErrorText(ErrorCode code) {
    return L"System error " + std::to_wstring(code);
}

namespace {

Disk Visible(const std::map<std::wstring, int>& names, const std::set<std::wstring>& directories,
             const std::function<const std::string&(int)>& data) {
    Disk disk;
    for (const auto& [name, inode] : names) {
        disk.files[name] = data(inode);
    }
    disk.directories = directories;
    return disk;
}

}  // namespace

Disk MemoryFileSystem::Now() const {
    return Visible(state_.names, state_.directories, [this](int inode) -> const std::string& {
        return state_.inodes[static_cast<std::size_t>(inode)].data;
    });
}

Disk MemoryFileSystem::After(std::size_t step) const {
    const State& at = history_.at(step);
    return Visible(at.names, at.directories, [&at](int inode) -> const std::string& {
        return at.inodes[static_cast<std::size_t>(inode)].data;
    });
}

std::vector<std::string> MemoryFileSystem::Contents(const Inode& file) {
    constexpr std::size_t kSector = 512;
    std::vector<std::string> out = {file.data, file.flushed};
    const std::size_t size = file.data.size();
    if (size > file.flushed.size()) {
        // Extended, the new part not yet written.
        out.push_back(file.flushed + std::string(size - file.flushed.size(), '\0'));
    }
    for (std::size_t cut = kSector; cut < size; cut += kSector) {
        out.push_back(file.data.substr(0, cut));
        out.push_back(file.data.substr(0, cut) + std::string(size - cut, '\0'));
    }
    if (!file.flushed.empty()) {
        // Written over in place: the new bytes up to a point, the old ones after it.
        for (std::size_t k = 1; k < size; ++k) {
            std::string torn = file.data.substr(0, k);
            if (k < file.flushed.size()) {
                torn += file.flushed.substr(k, size - k);
            }
            out.push_back(std::move(torn));
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<Disk> MemoryFileSystem::AfterCut(std::size_t step, Ordering ordering) const {
    const State& at = history_.at(step);
    // Which metadata operations are surely on the disk, and which may be lost.
    std::vector<bool> sure(at.log.size(), false);
    std::size_t lastForced = 0;
    for (std::size_t i = 0; i < at.log.size(); ++i) {
        const Op& op = at.log[i];
        if (op.forced || (op.writeThrough && ordering != Ordering::Lazy)) {
            sure[i] = true;
            lastForced = i + 1;
        }
    }
    if (ordering != Ordering::Reordered) {
        std::fill(sure.begin(), sure.begin() + static_cast<std::ptrdiff_t>(lastForced), true);
    }
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < at.log.size(); ++i) {
        if (!sure[i]) {
            open.push_back(i);
        }
    }
    // In order: the first k of the open ones reached the disk; reordered: any of them.
    std::vector<std::vector<bool>> choices;
    if (ordering != Ordering::Reordered) {
        for (std::size_t k = 0; k <= open.size(); ++k) {
            std::vector<bool> kept(open.size(), false);
            std::fill(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(k), true);
            choices.push_back(kept);
        }
    } else {
        const std::size_t n = std::min<std::size_t>(open.size(), 12);
        for (std::size_t mask = 0; mask < (std::size_t{1} << n); ++mask) {
            std::vector<bool> kept(open.size(), true);
            for (std::size_t b = 0; b < n; ++b) {
                kept[b] = (mask >> b) & 1;
            }
            choices.push_back(kept);
        }
    }

    std::set<Disk> out;
    for (const auto& kept : choices) {
        std::map<std::wstring, int> names = base_;
        std::size_t next = 0;
        for (std::size_t i = 0; i < at.log.size(); ++i) {
            bool applies = sure[i];
            if (!applies) {
                applies = kept[next++];
            }
            if (!applies) {
                continue;
            }
            const Op& op = at.log[i];
            switch (op.kind) {
                case Op::kCreate:
                    names[op.name] = op.inode;
                    break;
                case Op::kRename: {
                    const auto found = names.find(op.name);
                    if (found == names.end() || found->second != op.inode ||
                        (!op.replace && names.count(op.to) != 0)) {
                        break;  // what it moved never reached the disk
                    }
                    names.erase(found);
                    names[op.to] = op.inode;
                    break;
                }
                case Op::kDelete: {
                    const auto found = names.find(op.name);
                    if (found != names.end() && found->second == op.inode) {
                        names.erase(found);
                    }
                    break;
                }
            }
        }
        // Each file written since it was last flushed holds any of what may have reached the
        // disk of it.
        std::vector<std::pair<std::wstring, std::vector<std::string>>> files;
        std::size_t variants = 1;
        for (const auto& [name, inode] : names) {
            const Inode& file = at.inodes[static_cast<std::size_t>(inode)];
            files.emplace_back(name,
                               file.dirty ? Contents(file) : std::vector<std::string>{file.data});
            variants *= files.back().second.size();
        }
        for (std::size_t v = 0; v < variants; ++v) {
            Disk disk;
            disk.directories = at.directories;
            std::size_t code = v;
            for (const auto& [name, contents] : files) {
                disk.files[name] = contents[code % contents.size()];
                code /= contents.size();
            }
            out.insert(std::move(disk));
        }
    }
    return std::vector<Disk>(out.begin(), out.end());
}

}  // namespace qb::test
