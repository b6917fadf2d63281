// Names in the store: the directory, the page files and the tab list, relative to the
// working directory. The directory is spelt "Strings" where it is tested, made and the tab
// list written, and "strings" where pages are named and the tab list read; Windows matches
// names without case, so both name the same directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qb::store {

inline constexpr std::wstring_view kStoreDirectory = L"./Strings";
inline constexpr std::wstring_view kTabListWritePath = L"./Strings/Tabs.txt";
inline constexpr std::wstring_view kTabListReadPath = L"./strings/tabs.txt";
inline constexpr std::wstring_view kSettingsPath = L"settings.dat";
inline constexpr std::wstring_view kReadmePath = L"./readme.txt";
// The record of a tab close in progress, beside the tab list; never a page's name.
inline constexpr std::wstring_view kCloseRecordPath = L"./Strings/Tabs.txt.closing";
// The journal of a closed tab being reopened.
inline constexpr std::wstring_view kReopenRecordPath = L"./Strings/Tabs.txt.reopening";

// "./strings/Tab" + the index in signed decimal + ".txt"; -1 gives "Tab-1.txt".
std::wstring PageFileName(int index);

// The index of a page file by its name in the store directory ("Tab12.txt", without regard to
// case), or nothing for any other name.
std::optional<int> PageFileIndex(std::wstring_view fileName);

// Where a closed tab's page waits while the later pages are renumbered; never a page's name.
std::wstring RemovedPageFileFor(int index);

}  // namespace qb::store
