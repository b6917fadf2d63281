#include "win/code_page.h"

#include <algorithm>
#include <array>
#include <climits>

namespace qb::win {

SystemCodePage::SystemCodePage(UINT id) : id_(id) {
    CPINFO info{};
    if (GetCPInfo(id_, &info)) {
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) {
                leadBytes_[b] = true;
            }
        }
    }
}

std::size_t SystemCodePage::SliceAt(std::string_view bytes, std::size_t at,
                                    std::size_t most) const {
    std::size_t len = std::min(bytes.size() - at, most);
    if (at + len < bytes.size()) {
        // End on a character boundary: not between a lead byte and its trail byte.
        std::size_t k = at;
        std::size_t safe = at;
        while (k < at + len) {
            safe = k;
            k += leadBytes_[static_cast<unsigned char>(bytes[k])] ? 2 : 1;
        }
        len = (k == at + len ? k : safe) - at;
    }
    return len;
}

store::Utf16 SystemCodePage::Decode(std::string_view bytes) const {
    // The conversion API counts in int; larger texts go through in slices.
    store::Utf16 out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t len = SliceAt(bytes, at, INT_MAX / 2);
        const int in = static_cast<int>(len);
        const int n = MultiByteToWideChar(id_, 0, bytes.data() + at, in, nullptr, 0);
        const std::size_t base = out.size();
        out.resize(base + static_cast<std::size_t>(std::max(n, 0)));
        MultiByteToWideChar(id_, 0, bytes.data() + at, in, out.data() + base, n);
        at += len;
    }
    return out;
}

bool SystemCodePage::ReadsBackAs(std::string_view bytes, store::Utf16View text) const {
    // Slice by slice through a small buffer: a large page costs no second copy of itself.
    // A byte, or a lead byte with its trail byte, gives at most one character.
    constexpr std::size_t kSlice = 8192;
    std::array<wchar_t, kSlice> back;
    std::size_t at = 0;
    std::size_t done = 0;
    while (at < bytes.size()) {
        const std::size_t len = SliceAt(bytes, at, kSlice);
        const int n = MultiByteToWideChar(id_, 0, bytes.data() + at, static_cast<int>(len),
                                          back.data(), static_cast<int>(back.size()));
        if (n <= 0 || text.substr(done, static_cast<std::size_t>(n)) !=
                          store::Utf16View(back.data(), static_cast<std::size_t>(n))) {
            return false;
        }
        done += static_cast<std::size_t>(n);
        at += len;
    }
    return done == text.size();
}

std::optional<std::string> SystemCodePage::EncodeExactly(store::Utf16View text) const {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t len = std::min<std::size_t>(text.size() - at, INT_MAX / 4);
        // Keep surrogate pairs together.
        if (at + len < text.size() && text[at + len - 1] >= 0xD800 && text[at + len - 1] < 0xDC00) {
            --len;
        }
        const int in = static_cast<int>(len);
        // Without WC_NO_BEST_FIT_CHARS the system writes a look-alike ("e" for "é", ">" for an
        // arrow) and does not even say so. Counting first tells of a character with no form of
        // its own before any memory is written.
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(id_, WC_NO_BEST_FIT_CHARS, text.data() + at, in, nullptr,
                                          0, nullptr, &usedDefault);
        if (n <= 0 || usedDefault) {
            return std::nullopt;
        }
        const std::size_t base = out.size();
        out.resize(base + static_cast<std::size_t>(n));
        WideCharToMultiByte(id_, WC_NO_BEST_FIT_CHARS, text.data() + at, in, out.data() + base, n,
                            nullptr, &usedDefault);
        if (usedDefault) {
            return std::nullopt;
        }
        at += len;
    }
    // Whatever the system's tables do, the bytes must read back as the very same text.
    if (!ReadsBackAs(out, text)) {
        return std::nullopt;
    }
    return out;
}

UINT LegacyCodePage() {
    UINT id = 0;
    const int got =
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&id), sizeof id / sizeof(wchar_t));
    // A locale with no code page of its own (a Unicode-only one) has none to offer.
    if (got == 0 || id == 0 || id == CP_UTF8 || !IsValidCodePage(id)) {
        return 1252;
    }
    return id;
}

const store::Encodings& StoreEncodings() {
    static const bool utf8 = GetACP() == CP_UTF8;
    static const SystemCodePage codePage(utf8 ? LegacyCodePage() : GetACP());
    static const store::Encodings encodings{codePage, utf8};
    return encodings;
}

}  // namespace qb::win
