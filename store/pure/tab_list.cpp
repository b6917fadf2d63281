#include "store/pure/tab_list.h"

namespace qb::store {

namespace {

template <typename Char>
std::vector<std::basic_string<Char>> Split(std::basic_string_view<Char> text) {
    std::vector<std::basic_string<Char>> lines;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] != Char('\0')) {
        const std::size_t start = i;
        while (i < n && text[i] != Char('\r') && text[i] != Char('\n') && text[i] != Char('\0')) {
            ++i;
        }
        lines.emplace_back(text.substr(start, i - start));
        if (i < n && text[i] == Char('\r')) {
            ++i;
            if (i < n && text[i] == Char('\n')) {
                ++i;
            }
        } else if (i < n && text[i] == Char('\n')) {
            ++i;
        }
    }
    return lines;
}

template <typename Char>
bool Loses(std::basic_string_view<Char> text, std::size_t maxCaption) {
    const std::size_t nul = text.find(Char('\0'));
    if (nul != std::basic_string_view<Char>::npos &&
        text.find_first_not_of(Char('\0'), nul) != std::basic_string_view<Char>::npos) {
        return true;
    }
    for (const auto& caption : Split(text)) {
        if (caption.size() > maxCaption) {
            return true;
        }
    }
    return false;
}

template <typename Char>
std::basic_string<Char> Join(const std::vector<std::basic_string<Char>>& captions) {
    std::size_t size = 0;
    for (const auto& c : captions) {
        size += c.size() + 2;
    }
    std::basic_string<Char> out;
    out.reserve(size);
    for (const auto& c : captions) {
        out += c;
        out += Char('\r');
        out += Char('\n');
    }
    return out;
}

}  // namespace

std::vector<std::string> SplitTabList(std::string_view bytes) {
    return Split(bytes);
}

std::vector<Utf16> SplitTabListText(Utf16View text) {
    return Split(text);
}

bool TabListLosesBytes(std::string_view bytes, std::size_t maxCaptionBytes) {
    return Loses(bytes, maxCaptionBytes);
}

bool TabListLosesText(Utf16View text, std::size_t maxCaptionChars) {
    return Loses(text, maxCaptionChars);
}

std::string JoinTabList(const std::vector<std::string>& captions) {
    return Join(captions);
}

Utf16 JoinTabListText(const std::vector<Utf16>& captions) {
    return Join(captions);
}

}  // namespace qb::store
