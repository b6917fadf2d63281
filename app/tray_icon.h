// The notification icon's record: the first form of NOTIFYICONDATAA, filled afresh each call.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace qb::app {

constexpr UINT kTrayIconId = 1;
constexpr UINT kTrayIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7

NOTIFYICONDATAA MakeNotifyIconData(HWND window, HICON icon);

}  // namespace qb::app
