#pragma once

namespace qb::app {

// The text of the taskbar button, the caption of every error box and the notification tip.
inline constexpr wchar_t kApplicationTitle[] = L"Quillbrasset 1.5";

}  // namespace qb::app
