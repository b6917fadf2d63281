#include "notebook/history.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <numeric>

namespace qb::notebook {

namespace {

constexpr std::string_view kIndexHeader = "Quillbrasset history 1\r\n";
// Lines "<place> <page> <caption>"; from the second form on "<place> <page> <identity> <caption>"
// ("-" for an identity not known).
constexpr std::string_view kClosedHeader1 = "Quillbrasset closed tabs 1\r\n";
constexpr std::string_view kClosedHeader = "Quillbrasset closed tabs 2\r\n";

bool ParseNumber(std::string_view text, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The fields of a line, split at spaces.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const auto space = line.find(' ');
        fields.push_back(line.substr(0, space));
        line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }
    return fields;
}

// The lines after a header; nothing when the header is not there.
std::optional<std::vector<std::string_view>> Lines(std::string_view bytes,
                                                   std::string_view header) {
    if (bytes.substr(0, header.size()) != header) {
        return std::nullopt;
    }
    bytes.remove_prefix(header.size());
    std::vector<std::string_view> lines;
    while (true) {
        const auto end = bytes.find("\r\n");
        if (end == std::string_view::npos) {
            break;  // a line cut short is no line
        }
        lines.push_back(bytes.substr(0, end));
        bytes.remove_prefix(end + 2);
    }
    return lines;
}

std::wstring Hex(const store::Fingerprint& print) {
    wchar_t text[48];
    std::swprintf(text, std::size(text), L"%016llx-%llu",
                  static_cast<unsigned long long>(print.hash),
                  static_cast<unsigned long long>(print.size));
    return text;
}

std::wstring MachineName(std::wstring_view machine) {
    return machine.empty() ? std::wstring(L"here") : std::wstring(machine);
}

bool Linkable(const store::Fingerprint& print) {
    return print.exists && print.size > 0;
}

// The versions in groups that share a text: each one's group number.
std::vector<std::size_t> Groups(const std::vector<Version>& versions) {
    std::vector<std::size_t> parent(versions.size());
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    const auto find = [&](std::size_t i) {
        while (parent[i] != i) {
            parent[i] = parent[parent[i]];
            i = parent[i];
        }
        return i;
    };
    // Each text (a version's own, or the one that replaced it) joins the versions it touches.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> first;
    const auto join = [&](const store::Fingerprint& print, std::size_t i) {
        if (!Linkable(print)) {
            return;
        }
        const auto [it, fresh] = first.emplace(std::pair(print.size, print.hash), i);
        if (!fresh) {
            parent[find(i)] = find(it->second);
        }
    };
    for (std::size_t i = 0; i < versions.size(); ++i) {
        join(versions[i].text, i);
        join(versions[i].replacedBy, i);
    }
    std::vector<std::size_t> group(versions.size());
    for (std::size_t i = 0; i < versions.size(); ++i) {
        group[i] = find(i);
    }
    return group;
}

}  // namespace

std::size_t RemovedBytes(std::string_view before, std::string_view after) {
    std::size_t start = 0;
    const std::size_t shorter = std::min(before.size(), after.size());
    while (start < shorter && before[start] == after[start]) {
        ++start;
    }
    std::size_t end = 0;
    while (end < shorter - start &&
           before[before.size() - 1 - end] == after[after.size() - 1 - end]) {
        ++end;
    }
    return before.size() - start - end;
}

bool KeepsVersion(Replacement why, std::string_view before, std::string_view after,
                  std::optional<std::uint64_t> sinceStored) {
    if (before.empty() || before == after) {
        return false;  // nothing to want back
    }
    if (why != Replacement::Typing) {
        return true;
    }
    if (!sinceStored || *sinceStored >= kTypingPauseForVersionMs) {
        return true;  // the first save of a stretch of typing
    }
    const std::size_t removed = RemovedBytes(before, after);
    return removed * 2 >= before.size() || removed >= kLargeRemovalBytes;
}

std::wstring VersionFileName(std::wstring_view machine, const store::Fingerprint& text) {
    return std::wstring(kHistoryDirectory) + L"/" + MachineName(machine) + L"-" + Hex(text) +
           L".txt";
}

std::wstring IndexFileName(std::wstring_view machine) {
    return std::wstring(kHistoryDirectory) + L"/index-" + MachineName(machine) + L".dat";
}

std::wstring ClosedTabsFileName(std::wstring_view machine) {
    return std::wstring(kHistoryDirectory) + L"/closed-" + MachineName(machine) + L".dat";
}

bool IsClosedTabsFileName(std::wstring_view name) {
    constexpr std::wstring_view kStart = L"closed-";
    constexpr std::wstring_view kEnd = L".dat";
    return name.size() > kStart.size() + kEnd.size() && name.substr(0, kStart.size()) == kStart &&
           name.substr(name.size() - kEnd.size()) == kEnd &&
           name.find(L".sync-conflict") == name.npos;
}

std::optional<std::wstring> IndexFileMachine(std::wstring_view name) {
    constexpr std::wstring_view kStart = L"index-";
    constexpr std::wstring_view kEnd = L".dat";
    if (name.size() <= kStart.size() + kEnd.size() || name.substr(0, kStart.size()) != kStart ||
        name.substr(name.size() - kEnd.size()) != kEnd ||
        name.find(L".sync-conflict") != name.npos) {
        return std::nullopt;
    }
    return std::wstring(name.substr(kStart.size(), name.size() - kStart.size() - kEnd.size()));
}

std::string EncodeIndex(const std::vector<Version>& versions) {
    std::string out(kIndexHeader);
    for (const Version& v : versions) {
        out += std::to_string(v.time) + " " + store::FingerprintText(v.text) + " " +
               store::FingerprintText(v.replacedBy) + " " + std::to_string(v.chars) + "\r\n";
    }
    return out;
}

std::vector<Version> DecodeIndex(std::string_view bytes, std::wstring_view machine) {
    std::vector<Version> versions;
    const auto lines = Lines(bytes, kIndexHeader);
    if (!lines) {
        return versions;
    }
    for (const std::string_view line : *lines) {
        const auto fields = Fields(line);
        Version v;
        v.machine = std::wstring(machine);
        if (fields.size() != 4 || !ParseNumber(fields[0], v.time) ||
            !ParseNumber(fields[3], v.chars)) {
            continue;
        }
        const auto text = store::ParseFingerprintText(fields[1]);
        const auto by = store::ParseFingerprintText(fields[2]);
        if (!text || !by || !text->exists) {
            continue;
        }
        v.text = *text;
        v.replacedBy = *by;
        versions.push_back(std::move(v));
    }
    return versions;
}

std::vector<Version> PageHistory(const std::vector<Version>& versions,
                                 const store::Fingerprint& now) {
    std::vector<bool> taken(versions.size(), false);
    std::vector<store::Fingerprint> reached{now};
    std::vector<Version> history;
    for (std::size_t next = 0; next < reached.size(); ++next) {
        if (!Linkable(reached[next]) && next > 0) {
            continue;
        }
        for (std::size_t i = 0; i < versions.size(); ++i) {
            if (!taken[i] && versions[i].replacedBy == reached[next]) {
                taken[i] = true;
                history.push_back(versions[i]);
                reached.push_back(versions[i].text);
            }
        }
    }
    std::stable_sort(history.begin(), history.end(),
                     [](const Version& a, const Version& b) { return a.time > b.time; });
    return history;
}

bool Relink(std::vector<Version>& versions, const store::Fingerprint& from,
            const store::Fingerprint& to) {
    if (!Linkable(from) || from == to) {
        return false;
    }
    bool changed = false;
    for (Version& v : versions) {
        if (v.replacedBy == from) {
            v.replacedBy = to;
            changed = true;
        }
    }
    return changed;
}

std::vector<std::size_t> VersionsToDrop(const std::vector<Version>& versions, std::size_t perPage,
                                        std::uint64_t totalBytes) {
    const std::vector<std::size_t> group = Groups(versions);
    // Oldest first; among equal times, the earlier in the list.
    std::vector<std::size_t> order(versions.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return versions[a].time < versions[b].time;
    });
    std::map<std::size_t, std::size_t> left;  // versions kept in each group
    for (const std::size_t g : group) {
        ++left[g];
    }
    std::vector<bool> drop(versions.size(), false);
    for (const std::size_t i : order) {
        if (left[group[i]] > perPage) {
            drop[i] = true;
            --left[group[i]];
        }
    }
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < versions.size(); ++i) {
        total += drop[i] ? 0 : versions[i].text.size;
    }
    for (const std::size_t i : order) {
        if (total <= totalBytes) {
            break;
        }
        if (!drop[i] && left[group[i]] > 1) {
            drop[i] = true;
            --left[group[i]];
            total -= versions[i].text.size;
        }
    }
    std::vector<std::size_t> dropped;
    for (std::size_t i = 0; i < versions.size(); ++i) {
        if (drop[i]) {
            dropped.push_back(i);
        }
    }
    return dropped;
}

std::string EncodeClosedTabs(const std::vector<ClosedTab>& tabs) {
    std::string out(kClosedHeader);
    for (const ClosedTab& tab : tabs) {
        out += std::to_string(tab.index) + " " + store::FingerprintText(tab.page) + " " +
               (tab.id.empty() ? std::string("-") : tab.id) + " " +
               store::Utf16ToUtf8(tab.caption) + "\r\n";
    }
    return out;
}

std::vector<ClosedTab> DecodeClosedTabs(std::string_view bytes) {
    std::vector<ClosedTab> tabs;
    const bool withIds = bytes.substr(0, kClosedHeader.size()) == kClosedHeader;
    const auto lines = Lines(bytes, withIds ? kClosedHeader : kClosedHeader1);
    if (!lines) {
        return tabs;
    }
    for (std::string_view line : *lines) {
        const auto first = line.find(' ');
        const auto second = first == line.npos ? line.npos : line.find(' ', first + 1);
        const auto third = !withIds || second == line.npos ? second : line.find(' ', second + 1);
        std::uint64_t index = 0;
        if (third == line.npos || !ParseNumber(line.substr(0, first), index) || index > 100000) {
            continue;
        }
        const auto page = store::ParseFingerprintText(line.substr(first + 1, second - first - 1));
        if (!page) {
            continue;
        }
        std::string id(withIds ? line.substr(second + 1, third - second - 1) : std::string_view());
        tabs.push_back({static_cast<int>(index), store::Utf8ToUtf16(line.substr(third + 1)), *page,
                        id == "-" ? std::string() : std::move(id)});
    }
    return tabs;
}

}  // namespace qb::notebook
