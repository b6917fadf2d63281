// The note store's operations. The store holds no state: it moves one page, the tab list or
// the settings between the caller and the disk, in the working directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/pure/settings_record.h"
#include "store/pure/stored_text.h"

namespace qb::store {

// Creates "./Strings" when it is not an existing directory; fails with the I/O error text.
void EnsureStoreDirectory();

// Writes a page file's bytes (CR LF lines) to the page file of the index.
void SavePage(int index, std::string_view bytes);

// The page file's bytes with normalised line breaks, or nothing when no such page file exists
// (a directory of that name does not count).
std::optional<std::string> LoadPage(int index);

// Any text file's bytes, read with the page rules but without the existence test.
std::string LoadTextFile(std::wstring_view path);

// The same as text: decoded in the form the file shows (the code page, or UTF-8).
std::optional<StoredText> LoadPageText(int index);
StoredText LoadTextFileText(std::wstring_view path);
// Writes the page's text in the form it was read in, or as a new file is (FormOfNewFile):
// UTF-8 where the code page cannot hold the text exactly. Returns the form written.
TextForm SavePageText(int index, Utf16View text, TextForm form);

bool TabListExists();
void SaveTabList(const std::vector<std::string>& captions);
// The tab list file's bytes as they are stored.
std::string ReadTabListBytes();
// The tab list file's text, decoded as it shows itself, line breaks as they are.
StoredText LoadTabListText();
// The tab list file's bytes for the captions, in the form the list was read in (see
// SavePageText).
EncodedText EncodeTabList(const std::vector<Utf16>& captions, TextForm form);

bool PageExists(int index);

// Moves the page file of the index out of the way under a name no page has ("Tab<n>.txt.original",
// or with a number after it when that is taken), and returns that name. For a file that belongs
// to no tab, before a new tab of that number could write over it.
std::wstring KeepUnownedPage(int index);

// Deletes the page file of i, then moves the page files of i+1 .. n down by one, n being the
// number of tabs left. All or nothing: on a failure every file moved goes back and the failure
// is raised.
void RemovePageFiles(int i, int n);

// Closes tab i's page in the store, n tabs being left: RemovePageFiles, and the tab list file
// becomes newTabList. All or nothing, also across a crash: until it is done, a record of the
// close stays in the store, from which FinishInterruptedClose completes it.
void CloseTab(int i, int n, std::string_view newTabList);

// Completes a close that a crash cut short, before anything else reads the store; false when
// there was none. Fails when a file cannot be moved or the record is damaged.
bool FinishInterruptedClose();

// Writes tab list bytes as they are to the tab list file.
void SaveTabListBytes(std::string_view bytes);

bool SettingsExist();
Settings ReadSettings();
void WriteSettings(const Settings& settings);

}  // namespace qb::store
