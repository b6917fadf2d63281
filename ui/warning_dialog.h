// The warning dialog: a modal message with the warning icon and the buttons OK and Cancel.
#pragma once

#include <windows.h>

#include <string>

namespace qb::ui {

// The dialog's caption.
inline constexpr wchar_t kWarningCaption[] = L"Warning";

// Modal; centred on the screen; owned by `owner` (which may be null) and disabling it while
// open. True on OK; false on Cancel, Esc, the close box and Alt+F4. Ctrl+C in the dialog beeps
// and copies the caption, the message and the button captions to the clipboard.
bool ConfirmWarning(HWND owner, const std::wstring& message);

}  // namespace qb::ui
