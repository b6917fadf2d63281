// The input prompt: a modal dialog asking for one line of text (a tab's caption).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace qb::ui {

// Modal; centred on the screen; owned by `owner` (which may be null) and disabling it while
// open. Returns the edit box's text on OK, with every CR and LF removed; nothing on Cancel,
// Esc or the close box.
std::optional<std::wstring> InputQuery(HWND owner, const std::wstring& caption,
                                       const std::wstring& prompt, const std::wstring& initial);

}  // namespace qb::ui
