#include "store/pure/linebreaks.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace qb::store {

LeadByteTable NoLeadBytes() {
    LeadByteTable table{};
    return table;
}

LeadByteTable LeadBytesFromRanges(
    std::initializer_list<std::pair<unsigned char, unsigned char>> ranges) {
    LeadByteTable table{};
    for (auto [first, last] : ranges) {
        for (unsigned b = first; b <= last; ++b) {
            table[b] = true;
        }
    }
    return table;
}

namespace {

bool HasLeadBytes(const LeadByteTable& table) {
    for (bool b : table) {
        if (b) {
            return true;
        }
    }
    return false;
}

// Whether the byte at each position i is LF exactly when the byte before it is CR, for i in
// [from, to); the caller keeps from >= 1. Sixteen positions at a time where SSE2 is there.
bool BreaksPaired(const char* p, std::size_t from, std::size_t to) {
    std::size_t i = from;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + 64 <= to) {
        __m128i diff = _mm_setzero_si128();
        for (std::size_t k = 0; k < 64; k += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + k - 1));
            diff = _mm_or_si128(
                diff, _mm_xor_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(before, cr)));
        }
        if (_mm_movemask_epi8(diff) != 0) {
            return false;
        }
        i += 64;
    }
#endif
    for (; i < to; ++i) {
        if ((p[i] == '\n') != (p[i - 1] == '\r')) {
            return false;
        }
    }
    return true;
}

// True when every CR is followed by LF and every LF follows a CR: nothing to change.
bool AlreadyCrLf(std::string_view bytes) {
    const std::size_t n = bytes.size();
    if (n == 0) {
        return true;
    }
    const char* p = bytes.data();
    return p[0] != '\n' && p[n - 1] != '\r' && BreaksPaired(p, 1, n);
}

// The position of the first CR or LF at or after i, or n.
std::size_t NextBreak(const char* p, std::size_t i, std::size_t n) {
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + 16 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        if (mask != 0) {
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        }
        i += 16;
    }
#endif
    while (i < n && p[i] != '\r' && p[i] != '\n') {
        ++i;
    }
    return i;
}

}  // namespace

std::string NormaliseLineBreaks(std::string_view bytes, const LeadByteTable& leadBytes) {
    const bool doubleByte = HasLeadBytes(leadBytes);
    if (!doubleByte && AlreadyCrLf(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    if (!doubleByte) {
        // Whole runs between breaks are copied at once.
        while (i < n) {
            const std::size_t at = NextBreak(p, i, n);
            out.append(p + i, at - i);
            if (at == n) {
                break;
            }
            out += "\r\n";
            i = at + ((p[at] == '\r' && at + 1 < n && p[at + 1] == '\n') ? 2 : 1);
        }
        return out;
    }
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(p[i]);
        if (leadBytes[b]) {
            out += p[i];
            if (i + 1 < n) {
                out += p[i + 1];
            }
            i += 2;
        } else if (b == '\r') {
            out += "\r\n";
            i += (i + 1 < n && p[i + 1] == '\n') ? 2 : 1;
        } else if (b == '\n') {
            out += "\r\n";
            ++i;
        } else {
            out += p[i];
            ++i;
        }
    }
    return out;
}

std::string_view UpToFirstNul(std::string_view bytes) {
    const std::size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

}  // namespace qb::store
