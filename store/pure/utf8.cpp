#include "store/pure/utf8.h"

#include <cstdint>
#include <cstring>

namespace qb::store {

namespace {

// Bytes from i on that are plain ASCII, eight at a time.
std::size_t AsciiRun(const unsigned char* p, std::size_t i, std::size_t n) {
    while (i + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
        i += 8;
    }
    while (i < n && p[i] < 0x80) {
        ++i;
    }
    return i;
}

struct Sequence {
    std::size_t length;  // bytes taken: the whole character, or its longest well-formed start
    char32_t c;          // the character, or U+FFFD
    bool wellFormed;
};

// The sequence starting at p[i] (a byte above 127), by the table of well-formed UTF-8: the
// allowed range of the second byte depends on the first, every later byte is 80..BF.
Sequence NextSequence(const unsigned char* p, std::size_t i, std::size_t n) {
    const unsigned char b = p[i];
    std::size_t need;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t c;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        c = b & 0x0F;
        low = b == 0xE0 ? 0xA0 : 0x80;   // no overlong form
        high = b == 0xED ? 0x9F : 0xBF;  // no surrogate
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        c = b & 0x07;
        low = b == 0xF0 ? 0x90 : 0x80;   // no overlong form
        high = b == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return {1, kReplacementCharacter, false};
    }
    std::size_t k = 1;
    for (; k <= need; ++k) {
        if (i + k >= n) {
            return {k, kReplacementCharacter, false};
        }
        const unsigned char t = p[i + k];
        if (t < low || t > high) {
            return {k, kReplacementCharacter, false};
        }
        low = 0x80;
        high = 0xBF;
        c = (c << 6) | (t & 0x3F);
    }
    return {k, c, true};
}

void AppendUtf16(Utf16& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<Utf16Unit>(c);
    } else {
        c -= 0x10000;
        out += static_cast<Utf16Unit>(0xD800 + (c >> 10));
        out += static_cast<Utf16Unit>(0xDC00 + (c & 0x3FF));
    }
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while ((i = AsciiRun(p, i, n)) < n) {
        const Sequence s = NextSequence(p, i, n);
        if (!s.wellFormed) {
            return false;
        }
        i += s.length;
    }
    return true;
}

bool HasNonAscii(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return AsciiRun(p, 0, bytes.size()) < bytes.size();
}

Utf16 Utf8ToUtf16(std::string_view bytes, bool* replaced) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    Utf16 out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        const std::size_t ascii = AsciiRun(p, i, n);
        out.append(p + i, p + ascii);
        i = ascii;
        if (i == n) {
            break;
        }
        const Sequence s = NextSequence(p, i, n);
        if (!s.wellFormed && replaced != nullptr) {
            *replaced = true;
        }
        AppendUtf16(out, s.c);
        i += s.length;
    }
    return out;
}

namespace {

// The character at text[i] and how many code units it takes; a lone surrogate is U+FFFD.
struct CodePoint {
    char32_t c;
    std::size_t units;
};

CodePoint CodePointAt(Utf16View text, std::size_t i) {
    const auto c = static_cast<char32_t>(text[i]);
    if (c < 0xD800 || c >= 0xE000) {
        return {c, 1};
    }
    if (c < 0xDC00 && i + 1 < text.size()) {
        const auto low = static_cast<char32_t>(text[i + 1]);
        if (low >= 0xDC00 && low < 0xE000) {
            return {0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), 2};
        }
    }
    return {kReplacementCharacter, 1};
}

std::size_t Utf8Bytes(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

char* PutUtf8(char* p, char32_t c) {
    if (c < 0x80) {
        *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *p++ = static_cast<char>(0xC0 | (c >> 6));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = static_cast<char>(0xE0 | (c >> 12));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *p++ = static_cast<char>(0xF0 | (c >> 18));
        *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return p;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    char bytes[4];
    out.append(bytes, PutUtf8(bytes, c));
}

void AppendUtf16AsUtf8(std::string& out, Utf16View text) {
    // Measured first, so that the bytes go once into memory of the right size: for a large
    // page, touching fresh memory is most of the cost.
    const std::size_t n = text.size();
    std::size_t length = 0;
    for (std::size_t i = 0; i < n;) {
        if (text[i] < 0x80) {
            ++length;
            ++i;
            continue;
        }
        const CodePoint cp = CodePointAt(text, i);
        length += Utf8Bytes(cp.c);
        i += cp.units;
    }
    const std::size_t base = out.size();
    out.resize(base + length);
    char* p = out.data() + base;
    for (std::size_t i = 0; i < n;) {
        if (text[i] < 0x80) {
            *p++ = static_cast<char>(text[i++]);
            continue;
        }
        const CodePoint cp = CodePointAt(text, i);
        p = PutUtf8(p, cp.c);
        i += cp.units;
    }
}

std::wstring ToWide(Utf16View text) {
#if defined(_WIN32)
    return std::wstring(text);
#else
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint cp = CodePointAt(text, i);
        out += static_cast<wchar_t>(cp.c);
        i += cp.units;
    }
    return out;
#endif
}

std::string Utf16ToUtf8(Utf16View text) {
    std::string out;
    AppendUtf16AsUtf8(out, text);
    return out;
}

}  // namespace qb::store
