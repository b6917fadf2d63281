// The note store's operations. The store holds no state: it moves one page, the tab list or
// the settings between the caller and the disk, in the working directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/pure/settings_record.h"

namespace qb::store {

// Creates "./Strings" when it is not an existing directory; fails with the I/O error text.
void EnsureStoreDirectory();

// Writes page text (ANSI bytes, CR LF lines) to the page file of the index.
void SavePage(int index, std::string_view bytes);

// The page's text with normalised line breaks, or nothing when no such page file exists
// (a directory of that name does not count).
std::optional<std::string> LoadPage(int index);

// Any text file, read with the page rules but without the existence test.
std::string LoadTextFile(std::wstring_view path);

bool TabListExists();
void SaveTabList(const std::vector<std::string>& captions);
std::vector<std::string> LoadTabList();
// The tab list file's bytes as they are stored.
std::string ReadTabListBytes();

bool PageExists(int index);

// Deletes the page file of i, then moves the page files of i+1 .. n down by one, n being the
// number of tabs left. Failures of single deletes and renames are passed over.
void RemovePageFiles(int i, int n);

bool SettingsExist();
Settings ReadSettings();
void WriteSettings(const Settings& settings);

}  // namespace qb::store
