// A page's earlier texts, and the tabs closed on this machine. Every text a page held before it
// was replaced in a way a person may want undone is kept as a version: a file of its own under
// "History/", holding the page file's bytes as they were, named by the machine that wrote it and
// the fingerprint of those bytes. Each machine keeps an index of its versions
// ("History/index-<machine>.dat"): when each was made, its fingerprint, and the fingerprint of
// the text that replaced it. A tab's history is then every version whose chain of replacements
// reaches the tab's page as it is now, wherever the tab moved meanwhile. The tabs closed on this
// machine, newest last, are listed in "History/closed-<machine>.dat". Two machines never write
// the same file; a missing or damaged history file is no history, never a failure of a page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/pure/fingerprint.h"
#include "store/pure/utf8.h"

namespace qb::notebook {

inline constexpr std::wstring_view kHistoryDirectory = L"./History";

// Why a page's stored text is about to be replaced.
enum class Replacement {
    Typing,   // a save of the text area (in the background, on leaving the tab, at exit)
    Restore,  // a version of the page's history put back
    Follow,   // another program's or machine's text of the page taken
    Close,    // the tab closed
};

// A stretch of typing ends with a pause of this long: the text before the next one is kept.
inline constexpr std::uint64_t kTypingPauseForVersionMs = 60'000;
// A save that takes away at least half of a page's text, or this many bytes of it, keeps the text
// before it (a selection typed over, a large delete).
inline constexpr std::size_t kLargeRemovalBytes = 1000;
inline constexpr std::size_t kVersionsPerPage = 100;
inline constexpr std::uint64_t kHistoryBytes = 64ull * 1024 * 1024;

// How many bytes of before are gone in after: what is left once their common start and end are
// taken off.
std::size_t RemovedBytes(std::string_view before, std::string_view after);

// Whether the stored text before is kept as a version when after replaces it. sinceStored:
// milliseconds since the page was last stored in this run (nothing: not in this run).
bool KeepsVersion(Replacement why, std::string_view before, std::string_view after,
                  std::optional<std::uint64_t> sinceStored);

struct Version {
    std::uint64_t time = 0;  // milliseconds since 1970-01-01 UTC
    store::Fingerprint text;
    store::Fingerprint replacedBy;
    std::uint64_t chars = 0;  // the length of its text in characters
    std::wstring machine;     // whose index lists it (not stored in the index itself)
    bool operator==(const Version&) const = default;
};

// The file of a version written by a machine.
std::wstring VersionFileName(std::wstring_view machine, const store::Fingerprint& text);
std::wstring IndexFileName(std::wstring_view machine);
std::wstring ClosedTabsFileName(std::wstring_view machine);
// The machine whose index this file name is (in the history directory), or nothing.
std::optional<std::wstring> IndexFileMachine(std::wstring_view name);

std::string EncodeIndex(const std::vector<Version>& versions);
// The versions of whole lines; a damaged line is left out.
std::vector<Version> DecodeIndex(std::string_view bytes, std::wstring_view machine);

// The versions of the page whose text is now `now`, newest first: those replaced by it, those
// replaced by them, and so on.
std::vector<Version> PageHistory(const std::vector<Version>& versions,
                                 const store::Fingerprint& now);

// The page's text was stored anew without a version: the versions replaced by `from` are now
// replaced by `to`, so that their chain reaches the page as it is. Nothing is linked from a page
// that had no text: every empty page would share it. True when anything changed.
bool Relink(std::vector<Version>& versions, const store::Fingerprint& from,
            const store::Fingerprint& to);

// Which of this machine's versions go: beyond perPage in one page's history (the versions linked
// by their texts and replacements), the oldest; then, beyond totalBytes of texts in all, the
// oldest of all; never the newest of a page. The positions, ascending.
std::vector<std::size_t> VersionsToDrop(const std::vector<Version>& versions, std::size_t perPage,
                                        std::uint64_t totalBytes);

// A tab closed on this machine: where it stood, its caption, and its page as stored (a version
// of that fingerprint; nothing when it had no page file), and its identity (merge.h; empty when
// not known, as in a list an earlier version wrote).
struct ClosedTab {
    int index = 0;
    store::Utf16 caption;
    store::Fingerprint page;
    std::string id = {};
    bool operator==(const ClosedTab&) const = default;
};
// Whether the file name is that of a machine's list of closed tabs.
bool IsClosedTabsFileName(std::wstring_view name);
inline constexpr std::size_t kClosedTabsKept = 50;

std::string EncodeClosedTabs(const std::vector<ClosedTab>& tabs);
std::vector<ClosedTab> DecodeClosedTabs(std::string_view bytes);

}  // namespace qb::notebook
