#include "app/tray_icon.h"

#include <cstring>

#include "app/form_host.h"
#include "version.h"
#include "ui/form1.h"

namespace qb::app {

NOTIFYICONDATAA MakeNotifyIconData(HWND window, HICON icon) {
    NOTIFYICONDATAA data{};
    // The first form of the record: 88 bytes in a 32-bit build, 104 in a 64-bit one.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = kTrayIconFlags;
    data.uCallbackMessage = TrayCallbackMessage;
    data.hIcon = icon;
    static constexpr char kTip[] = QB_TITLE;
    static_assert(sizeof kTip <= 64);
    std::memcpy(data.szTip, kTip, sizeof kTip);  // the rest of the 64 bytes stays NUL
    return data;
}

BOOL FormHost::TrayIcon(TForm1& form, int kind, HICON icon) {
    DWORD message = 0;
    switch (kind) {
        case 1:
            message = NIM_ADD;
            break;
        case 2:
            message = NIM_DELETE;
            break;
        case 3:
            message = NIM_MODIFY;
            break;
        default:
            return FALSE;
    }
    NOTIFYICONDATAA data = MakeNotifyIconData(form.Handle, icon);
    return Shell_NotifyIconA(message, &data);
}

}  // namespace qb::app
