// The copies a sync engine leaves beside a page when two machines changed it at once.
#pragma once

#include <optional>
#include <string_view>

namespace qb::store {

// The page a file in the store directory is a conflict copy of, by its name (matched without
// regard to case), or nothing:
//   Syncthing  "Tab<n>.sync-conflict-<date>-<time>-<device>.txt"
//   Dropbox    "Tab<n> (<who>'s conflicted copy <date>).txt"
//   OneDrive   "Tab<n>-<computer name>.txt", which the page of index -1, "Tab-1.txt", is not
std::optional<int> ConflictCopyOf(std::wstring_view fileName);

// Whether a file is such a copy of the file "<stem>.<extension>" (the tab list "Tabs", "txt";
// the settings "settings", "dat"), by the same rules.
bool IsConflictCopyOfFile(std::wstring_view fileName, std::wstring_view stem,
                          std::wstring_view extension);

}  // namespace qb::store
