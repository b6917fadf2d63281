// Finding a text in a page, letter case ignored: each code unit compared with its case folded
// by a table (the system's on Windows, which knows every alphabet it can draw), with no other
// folding (an "е" does not find an "ё", an "e" no "é").
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "store/pure/utf8.h"

namespace qb::store {

// For each of the 65,536 UTF-16 code units, the same letter in lower case (or the unit itself).
using CaseTable = std::vector<Utf16Unit>;

// The table of the Latin and Cyrillic letters (Basic Latin, Latin-1, Latin Extended-A, and the
// Cyrillic block with its Ё, Ђ to Џ): what the program's own tests fold with.
CaseTable LatinAndCyrillicCase();

// Forward: the first match that starts at or after `from`. Backward: the last match that ends
// at or before `from`. Nothing when there is none, or the needle is empty.
std::optional<std::size_t> FindText(Utf16View text, Utf16View needle, std::size_t from,
                                    bool forward, const CaseTable& fold);

}  // namespace qb::store
