#include "store/pure/search.h"

#include <algorithm>

namespace qb::store {

CaseTable LatinAndCyrillicCase() {
    CaseTable table(65536);
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c] = static_cast<Utf16Unit>(c);
    }
    const auto lower = [&](unsigned from, unsigned to, unsigned shift) {
        for (unsigned c = from; c <= to; ++c) {
            table[c] = static_cast<Utf16Unit>(c + shift);
        }
    };
    lower(0x41, 0x5A, 0x20);                     // A..Z
    lower(0xC0, 0xD6, 0x20);                     // À..Ö
    lower(0xD8, 0xDE, 0x20);                     // Ø..Þ
    for (unsigned c = 0x100; c <= 0x17F; ++c) {  // Latin Extended-A: pairs, upper case first
        const bool upperFirst = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
        const bool upperSecond = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if ((upperFirst && c % 2 == 0) || (upperSecond && c % 2 == 1)) {
            table[c] = static_cast<Utf16Unit>(c + 1);
        }
    }
    table[0x178] = 0xFF;                            // Ÿ
    lower(0x400, 0x40F, 0x50);                      // Ѐ..Џ
    lower(0x410, 0x42F, 0x20);                      // А..Я
    for (unsigned c = 0x460; c <= 0x4FF; c += 2) {  // the Cyrillic letters in pairs
        if ((c >= 0x460 && c <= 0x480) || (c >= 0x48A && c <= 0x4BE) ||
            (c >= 0x4D0 && c <= 0x4FE)) {
            table[c] = static_cast<Utf16Unit>(c + 1);
        }
    }
    return table;
}

namespace {

bool MatchesAt(Utf16View text, Utf16View needle, std::size_t at, const CaseTable& fold) {
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (fold[static_cast<std::size_t>(text[at + k])] !=
            fold[static_cast<std::size_t>(needle[k])]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::size_t> FindText(Utf16View text, Utf16View needle, std::size_t from,
                                    bool forward, const CaseTable& fold) {
    if (needle.empty() || needle.size() > text.size()) {
        return std::nullopt;
    }
    const std::size_t last = text.size() - needle.size();  // the last place a match may start
    if (forward) {
        for (std::size_t at = from; at <= last; ++at) {
            if (MatchesAt(text, needle, at, fold)) {
                return at;
            }
        }
        return std::nullopt;
    }
    if (from < needle.size()) {
        return std::nullopt;
    }
    for (std::size_t at = std::min(from - needle.size(), last) + 1; at-- > 0;) {
        if (MatchesAt(text, needle, at, fold)) {
            return at;
        }
    }
    return std::nullopt;
}

}  // namespace qb::store
