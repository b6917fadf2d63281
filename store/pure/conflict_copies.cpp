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

// What follows a file's stem in an engine's copy of it, the extension taken off.
bool IsCopySuffix(std::wstring_view rest) {
    // Syncthing
    if (rest.substr(0, 15) == L".sync-conflict-" && rest.size() > 15) {
        return true;
    }
    // Dropbox
    if (rest.substr(0, 2) == L" (" && EndsWith(rest, L")") &&
        rest.find(L"conflicted copy") != std::wstring_view::npos) {
        return true;
    }
    // OneDrive: a computer's name after a hyphen.
    return rest.size() > 1 && rest.front() == L'-' && rest.find(L'.') == std::wstring_view::npos;
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
    return IsCopySuffix(rest) ? index : std::nullopt;
}

bool IsConflictCopyOfFile(std::wstring_view fileName, std::wstring_view stem,
                          std::wstring_view extension) {
    const std::wstring name = Lower(fileName);
    const std::wstring head = Lower(stem);
    const std::wstring tail = L"." + Lower(extension);
    std::wstring_view rest = name;
    if (rest.substr(0, head.size()) != head || !EndsWith(rest, tail)) {
        return false;
    }
    rest.remove_prefix(head.size());
    if (rest.size() < tail.size()) {
        return false;
    }
    rest.remove_suffix(tail.size());
    return IsCopySuffix(rest);
}

}  // namespace qb::store
