#include "store/pure/tab_list.h"

namespace qb::store {

std::vector<std::string> SplitTabList(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n && bytes[i] != '\0') {
        const std::size_t start = i;
        while (i < n && bytes[i] != '\r' && bytes[i] != '\n' && bytes[i] != '\0') {
            ++i;
        }
        lines.emplace_back(bytes.substr(start, i - start));
        if (i < n && bytes[i] == '\r') {
            ++i;
            if (i < n && bytes[i] == '\n') {
                ++i;
            }
        } else if (i < n && bytes[i] == '\n') {
            ++i;
        }
    }
    return lines;
}

bool TabListLosesBytes(std::string_view bytes, std::size_t maxCaptionBytes) {
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos &&
        bytes.find_first_not_of('\0', nul) != std::string_view::npos) {
        return true;
    }
    for (const auto& caption : SplitTabList(bytes)) {
        if (caption.size() > maxCaptionBytes) {
            return true;
        }
    }
    return false;
}

std::string JoinTabList(const std::vector<std::string>& captions) {
    std::size_t size = 0;
    for (const auto& c : captions) {
        size += c.size() + 2;
    }
    std::string out;
    out.reserve(size);
    for (const auto& c : captions) {
        out += c;
        out += "\r\n";
    }
    return out;
}

}  // namespace qb::store
