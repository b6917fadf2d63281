#include "store/pure/page_names.h"

namespace qb::store {

std::wstring PageFileName(int index) {
    return L"./strings/Tab" + std::to_wstring(index) + L".txt";
}

std::optional<int> PageFileIndex(std::wstring_view fileName) {
    if (fileName.size() < 8) {
        return std::nullopt;
    }
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
    const std::wstring_view head = fileName.substr(0, 3);
    const std::wstring_view tail = fileName.substr(fileName.size() - 4);
    if (lower(head[0]) != L't' || lower(head[1]) != L'a' || lower(head[2]) != L'b' ||
        tail[0] != L'.' || lower(tail[1]) != L't' || lower(tail[2]) != L'x' ||
        lower(tail[3]) != L't') {
        return std::nullopt;
    }
    std::wstring_view digits = fileName.substr(3, fileName.size() - 7);
    const bool negative = !digits.empty() && digits.front() == L'-';
    if (negative) {
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits.front() == L'0')) {
        return std::nullopt;
    }
    int value = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - L'0');
    }
    return negative ? -value : value;
}

std::wstring RemovedPageFileFor(int index) {
    return PageFileName(index) + L".removed";
}

}  // namespace qb::store
