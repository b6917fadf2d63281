// Captions and names the notebook's jobs share.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "store/pure/utf8.h"

namespace qb::notebook {

inline const store::Utf16 kAboutCaption = QB_TEXT("О программе");
inline const store::Utf16 kDeclaredTab = QB_TEXT("Main");
// The tab of this program's version of a page another program changed at the same time, and
// that of a sync engine's conflict copy.
inline const store::Utf16 kOwnVersion = QB_TEXT(" (ваша версия)");
inline const store::Utf16 kSyncCopy = QB_TEXT(" (копия синхронизации)");

inline store::Utf16 Widen(std::wstring_view ascii) {
    return store::Utf16(ascii.begin(), ascii.end());
}

// Where the tab `caption` is now, nearest to where it was; -1 when it is gone.
inline int Where(const std::vector<store::Utf16>& captions, const store::Utf16& caption, int was) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (captions[static_cast<std::size_t>(i)] == caption &&
            (best < 0 || std::abs(i - was) < std::abs(best - was))) {
            best = i;
        }
    }
    return best;
}

inline std::wstring OriginalFileFor(std::wstring_view path) {
    return std::wstring(path) + L".original";
}

}  // namespace qb::notebook
