#include "store/pure/conflict_copies.h"

#include <cwctype>
#include <string>

namespace qb::store {

namespace {

std::wstring Lower(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return out;
}

// "tab", then a page index in signed decimal without leading zeros; what follows it.
std::optional<int> TakePageIndex(std::wstring_view& rest) {
    if (rest.substr(0, 3) != L"tab") {
        return std::nullopt;
    }
    rest.remove_prefix(3);
    bool negative = false;
    if (!rest.empty() && rest.front() == L'-') {
        negative = true;
        rest.remove_prefix(1);
    }
    std::size_t digits = 0;
    long long value = 0;
    while (digits < rest.size() && rest[digits] >= L'0' && rest[digits] <= L'9' && digits < 10) {
        value = value * 10 + (rest[digits] - L'0');
        ++digits;
    }
    if (digits == 0 || (digits > 1 && rest[0] == L'0') || value > 2147483647LL) {
        return std::nullopt;
    }
    rest.remove_prefix(digits);
    return static_cast<int>(negative ? -value : value);
}

bool EndsWith(std::wstring_view text, std::wstring_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::optional<int> ConflictCopyOf(std::wstring_view fileName) {
    const std::wstring name = Lower(fileName);
    std::wstring_view rest = name;
    const auto index = TakePageIndex(rest);
    if (!index || !EndsWith(rest, L".txt")) {
        return std::nullopt;
    }
    rest.remove_suffix(4);
    // Syncthing
    if (rest.substr(0, 15) == L".sync-conflict-" && rest.size() > 15) {
        return index;
    }
    // Dropbox
    if (rest.substr(0, 2) == L" (" && EndsWith(rest, L")") &&
        rest.find(L"conflicted copy") != std::wstring_view::npos) {
        return index;
    }
    // OneDrive: a computer's name after a hyphen.
    if (rest.size() > 1 && rest.front() == L'-' && rest.find(L'.') == std::wstring_view::npos) {
        return index;
    }
    return std::nullopt;
}

}  // namespace qb::store
