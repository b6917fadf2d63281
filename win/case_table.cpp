#include "win/case_table.h"

#include <windows.h>

namespace qb::win {

const store::CaseTable& SystemCaseTable() {
    static const store::CaseTable table = [] {
        store::CaseTable units(65536);
        for (std::size_t c = 0; c < units.size(); ++c) {
            units[c] = static_cast<wchar_t>(c);
        }
        // The surrogates are halves of characters, not letters: left as they are. So is the
        // NUL, which would end the text the system is given.
        CharLowerBuffW(units.data() + 1, 0xD800 - 1);
        CharLowerBuffW(units.data() + 0xE000, static_cast<DWORD>(units.size() - 0xE000));
        return units;
    }();
    return table;
}

}  // namespace qb::win
