#include "store/pure/linebreaks.h"

#include <cstring>

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

// True when every CR is followed by LF and every LF follows a CR: nothing to change.
bool AlreadyCrLf(std::string_view bytes) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
        const void* hit = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (lf != nullptr && (hit == nullptr || lf < hit)) {
            return false;  // an LF before any CR of this stretch
        }
        if (hit == nullptr) {
            return true;
        }
        const char* cr = static_cast<const char*>(hit);
        if (cr + 1 == end || cr[1] != '\n') {
            return false;
        }
        p = cr + 2;
    }
    return true;
}

}  // namespace

std::string NormaliseLineBreaks(std::string_view bytes, const LeadByteTable& leadBytes) {
    const bool doubleByte = HasLeadBytes(leadBytes);
    if (!doubleByte && AlreadyCrLf(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (doubleByte && leadBytes[b]) {
            out += bytes[i];
            if (i + 1 < n) {
                out += bytes[i + 1];
            }
            i += 2;
        } else if (b == '\r') {
            out += "\r\n";
            i += (i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
        } else if (b == '\n') {
            out += "\r\n";
            ++i;
        } else {
            out += bytes[i];
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
