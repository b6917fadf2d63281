#include "ui/pure/access_keys.h"

namespace qb::ui {

std::optional<wchar_t> AccessKeyOf(std::wstring_view caption) {
    std::optional<wchar_t> key;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != L'&') {
            continue;
        }
        if (i + 1 >= caption.size()) {
            break;
        }
        if (caption[i + 1] == L'&') {
            ++i;  // "&&" stands for "&"
            continue;
        }
        key = caption[i + 1];
        ++i;
    }
    return key;
}

namespace {

wchar_t FoldLatin(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

}  // namespace

bool AccessKeyMatches(wchar_t key, wchar_t typed) {
    return FoldLatin(key) == FoldLatin(typed);
}

int FindAccessKeyTab(const std::vector<std::wstring>& captions, wchar_t typed) {
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const auto key = AccessKeyOf(captions[i]);
        if (key && AccessKeyMatches(*key, typed)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace qb::ui
