#pragma once

#include "version.h"

namespace qb::app {

// The text of the taskbar button, the caption of every error box and the notification tip.
inline constexpr wchar_t kApplicationTitle[] = QB_TITLE_W;

}  // namespace qb::app
