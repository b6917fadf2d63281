// "История страницы": the earlier texts of a page, newest first, each shown as it was; one of
// them can be put back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qb::ui {

struct HistoryItem {
    std::uint64_t time = 0;  // milliseconds since 1970-01-01 UTC
    std::uint64_t chars = 0;
};

// A line of the list: the local date and time, and the length ("09.12.2026 08:15:02, 1234
// симв.").
std::wstring HistoryLine(const HistoryItem& item);

// Modal, owned by `owner`. The list holds the items; the text area below shows the text of the
// one selected (textOf gives it; a failure is shown in its place), following the arrow keys.
// Returns the item chosen with "Восстановить"; nothing on "Закрыть", Esc or the close box.
std::optional<std::size_t> ShowPageHistory(HWND owner, const std::vector<HistoryItem>& items,
                                           const std::function<std::wstring(std::size_t)>& textOf);

}  // namespace qb::ui
