#include "store/pure/error.h"

#include "store/pure/utf8.h"

namespace qb {

namespace {

// UTF-16 (or UTF-32 where wchar_t is wider) to UTF-8, enough for diagnostics.
std::string ToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        store::AppendUtf8(out, c);
    }
    return out;
}

}  // namespace

Error::Error(std::wstring text) : text_(std::move(text)), utf8_(ToUtf8(text_)) {}

}  // namespace qb
