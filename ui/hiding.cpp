// Hiding to the notification area: the caption's close hides the window, the icon brings it
// back, and Exit ends the program.
#include "res/resource.h"
#include "ui/form1.h"

bool TForm1::SysCommandMessage(WPARAM command) {
    // Exactly the close command, its low four bits included.
    if (command == SC_CLOSE) {
        Hide();
        return true;
    }
    if ((command & 0xFFF0) == SC_MINIMIZE) {
        ApplicationMinimized();
        return true;
    }
    return false;
}

void TForm1::TrayIconMessage(UINT mouseMessage) {
    POINT cursor{};
    GetCursorPos(&cursor);
    if (mouseMessage == WM_LBUTTONUP) {
        if (Visible()) {
            Hide();
        } else {
            Show();
        }
    } else if (mouseMessage == WM_RBUTTONUP) {
        SetForegroundWindow(Handle);
        TrackPopupMenu(PopupMenu2, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, Handle,
                       nullptr);
        PostMessageW(Handle, WM_NULL, 0, 0);
    }
}

void TForm1::N3Click() {
    Show();
}

void TForm1::ExitExecute() {
    TrayIcon(2, AppIcon);
    try {
        Close();
    } catch (const qb::Error&) {
        // The program goes on: it must stay reachable, hidden or not.
        TrayIcon(1, AppIcon);
        throw;
    }
}
