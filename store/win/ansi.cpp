#include "store/win/ansi.h"

#include <windows.h>

#include <climits>

namespace qb::win {

std::wstring FromAnsi(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    // The conversion API counts in int; larger texts go through in slices that end on a
    // character boundary.
    std::wstring out;
    const auto& lead = SystemLeadBytes();
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t len = std::min<std::size_t>(bytes.size() - at, INT_MAX / 2);
        if (at + len < bytes.size()) {
            std::size_t k = at;
            std::size_t safe = at;
            while (k < at + len) {
                safe = k;
                k += lead[static_cast<unsigned char>(bytes[k])] ? 2 : 1;
            }
            len = (k == at + len ? k : safe) - at;
        }
        const int in = static_cast<int>(len);
        const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data() + at, in, nullptr, 0);
        const std::size_t base = out.size();
        out.resize(base + static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, bytes.data() + at, in, out.data() + base, n);
        at += len;
    }
    return out;
}

std::string ToAnsi(std::wstring_view text, bool& lost) {
    lost = false;
    if (text.empty()) {
        return {};
    }
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t len = std::min<std::size_t>(text.size() - at, INT_MAX / 4);
        // Keep surrogate pairs together.
        if (at + len < text.size() && text[at + len - 1] >= 0xD800 && text[at + len - 1] < 0xDC00) {
            --len;
        }
        const int in = static_cast<int>(len);
        const int n =
            WideCharToMultiByte(CP_ACP, 0, text.data() + at, in, nullptr, 0, nullptr, nullptr);
        const std::size_t base = out.size();
        out.resize(base + static_cast<std::size_t>(n));
        BOOL usedDefault = FALSE;
        WideCharToMultiByte(CP_ACP, 0, text.data() + at, in, out.data() + base, n, nullptr,
                            &usedDefault);
        lost = lost || usedDefault != FALSE;
        at += len;
    }
    return out;
}

const store::LeadByteTable& SystemLeadBytes() {
    static const store::LeadByteTable table = [] {
        store::LeadByteTable t{};
        CPINFO info{};
        if (GetCPInfo(CP_ACP, &info)) {
            for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
                for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) {
                    t[b] = true;
                }
            }
        }
        return t;
    }();
    return table;
}

}  // namespace qb::win
