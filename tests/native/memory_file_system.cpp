#include "tests/native/memory_file_system.h"

#include <algorithm>
#include <cwctype>

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
    return out;
}

namespace {

std::wstring Parent(const std::wstring& folded) {
    const auto slash = folded.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : folded.substr(0, slash);
}

}  // namespace

MemoryFileSystem::MemoryFileSystem(const Disk& start) {
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

ErrorCode MemoryFileSystem::Replace(std::wstring_view path, std::string_view bytes, bool) {
    const std::wstring name = FoldPath(path);
    if (const ErrorCode code = Faulted(Call::kReplace, name)) {
        return code;
    }
    if (state_.directories.count(name) != 0) {
        return codes::kAccessDenied;
    }
    if (!ParentExists(name)) {
        return codes::kPathNotFound;
    }
    // The temporary file beside the target: made, written, flushed, moved over the target.
    const std::wstring temp = name + L".saving";
    const int inode = static_cast<int>(state_.inodes.size());
    state_.inodes.push_back({});
    state_.names[temp] = inode;
    state_.log.push_back({Op::kCreate, temp, {}, inode, false, false});
    const std::size_t made = state_.log.size() - 1;
    Step();
    Inode& file = state_.inodes[static_cast<std::size_t>(inode)];
    file.data = std::string(bytes);
    file.dirty = true;
    Step();
    file.flushed = file.data;
    file.dirty = false;
    state_.log[made].forced = true;
    Step();
    state_.names.erase(temp);
    state_.names[name] = inode;
    state_.log.push_back({Op::kRename, temp, name, inode, true, true});
    Step();
    return 0;
}

ErrorCode MemoryFileSystem::Move(std::wstring_view from, std::wstring_view to, bool replace) {
    const std::wstring source = FoldPath(from);
    const std::wstring target = FoldPath(to);
    if (const ErrorCode code = Faulted(Call::kMove, source, target)) {
        return code;
    }
    const auto found = state_.names.find(source);
    if (found == state_.names.end()) {
        return codes::kFileNotFound;
    }
    if (state_.directories.count(target) != 0) {
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
    state_.log.push_back({Op::kRename, source, target, inode, replace, true});
    Step();
    return 0;
}

ErrorCode MemoryFileSystem::Delete(std::wstring_view path) {
    const std::wstring name = FoldPath(path);
    if (const ErrorCode code = Faulted(Call::kDelete, name)) {
        return code;
    }
    if (state_.directories.count(name) != 0) {
        return codes::kAccessDenied;
    }
    const auto found = state_.names.find(name);
    if (found == state_.names.end()) {
        return codes::kFileNotFound;
    }
    state_.log.push_back({Op::kDelete, name, {}, found->second, false, false});
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

Disk MemoryFileSystem::Now() const {
    Disk disk;
    for (const auto& [name, inode] : state_.names) {
        disk.files[name] = state_.inodes[static_cast<std::size_t>(inode)].data;
    }
    disk.directories = state_.directories;
    return disk;
}

std::vector<Disk> MemoryFileSystem::AfterCut(std::size_t step, Ordering ordering) const {
    const State& at = history_.at(step);
    // Which metadata operations are surely on the disk, and which may be lost.
    std::vector<bool> sure(at.log.size(), false);
    std::size_t lastForced = 0;
    for (std::size_t i = 0; i < at.log.size(); ++i) {
        if (at.log[i].forced) {
            sure[i] = true;
            lastForced = i + 1;
        }
    }
    if (ordering == Ordering::Journaled) {
        std::fill(sure.begin(), sure.begin() + static_cast<std::ptrdiff_t>(lastForced), true);
    }
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < at.log.size(); ++i) {
        if (!sure[i]) {
            open.push_back(i);
        }
    }
    // Journaled: the first k of the open ones reached the disk; reordered: any of them.
    std::vector<std::vector<bool>> choices;
    if (ordering == Ordering::Journaled) {
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

    std::vector<Disk> out;
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
        // Each file written since it was last flushed holds its new data, its flushed data, or
        // nothing.
        std::vector<std::pair<std::wstring, const Inode*>> files;
        std::vector<std::size_t> dirty;
        for (const auto& [name, inode] : names) {
            const Inode& file = at.inodes[static_cast<std::size_t>(inode)];
            if (file.dirty) {
                dirty.push_back(files.size());
            }
            files.emplace_back(name, &file);
        }
        std::size_t variants = 1;
        for (std::size_t d = 0; d < dirty.size(); ++d) {
            variants *= 3;
        }
        for (std::size_t v = 0; v < variants; ++v) {
            Disk disk;
            disk.directories = at.directories;
            std::size_t code = v;
            std::size_t d = 0;
            for (std::size_t f = 0; f < files.size(); ++f) {
                const Inode& file = *files[f].second;
                if (d < dirty.size() && dirty[d] == f) {
                    const std::size_t which = code % 3;
                    code /= 3;
                    ++d;
                    disk.files[files[f].first] = which == 0   ? file.data
                                                 : which == 1 ? file.flushed
                                                              : std::string();
                } else {
                    disk.files[files[f].first] = file.data;
                }
            }
            if (std::find(out.begin(), out.end(), disk) == out.end()) {
                out.push_back(std::move(disk));
            }
        }
    }
    return out;
}

}  // namespace qb::test
