// The window's bounds and opacity from the settings, and showing and hiding it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "res/resource.h"
#include "ui/form1.h"

namespace {

// Moves or sizes one edge of the window at a time, in the order start-up applies them.
void SetBound(HWND hwnd, LONG RECT::*field, int value) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    int left = r.left, top = r.top, width = r.right - r.left, height = r.bottom - r.top;
    if (field == &RECT::left) {
        left = value;
    } else if (field == &RECT::top) {
        top = value;
    } else if (field == &RECT::right) {
        width = value;
    } else {
        height = value;
    }
    SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void TForm1::ApplySettings(const qb::store::Settings& settings) {
    SetBound(Handle, &RECT::left, settings.left);
    SetBound(Handle, &RECT::top, settings.top);
    SetBound(Handle, &RECT::bottom, settings.height);
    SetBound(Handle, &RECT::right, settings.width);

    SetAlphaBlendValue(static_cast<BYTE>(settings.opacity & 0xFF));
    // The slider clamps into its range; a different position sets the opacity too.
    const int position = std::clamp<int>(AlphaBlendValue(), 50, 255);
    if (position != static_cast<int>(SendMessageW(TrackBar1, TBM_GETPOS, 0, 0))) {
        SendMessageW(TrackBar1, TBM_SETPOS, TRUE, position);
        TrackBar1Change();
    }
}

void TForm1::FormShow() {
    SetForegroundWindow(Handle);
    SetFocus(Memo1);
}

void TForm1::Show() {
    if (applicationMinimized_) {
        ShowWindow(owner_, SW_RESTORE);
        applicationMinimized_ = false;
    }
    ShowWindow(owner_, SW_SHOWNOACTIVATE);
    const bool wasVisible = visible_;
    visible_ = true;
    ShowWindow(Handle, SW_SHOW);
    // Restore is offered exactly while the window is hidden.
    EnableMenuItem(PopupMenu2, ID_N3, MF_BYCOMMAND | MF_GRAYED);
    if (!wasVisible) {
        FormShow();
    }
    MakeTopmost();
}

void TForm1::MakeTopmost() {
    // Showing and activating the application window may take the place back; reassert it.
    if (modalDialogs_ == 0) {
        SetWindowPos(Handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TForm1::Hide() {
    visible_ = false;
    ShowWindow(Handle, SW_HIDE);
    ShowWindow(owner_, SW_HIDE);
    EnableMenuItem(PopupMenu2, ID_N3, MF_BYCOMMAND | MF_ENABLED);
}

void TForm1::ApplicationMinimized() {
    applicationMinimized_ = true;
    ShowWindow(Handle, SW_HIDE);
    ShowWindow(owner_, SW_MINIMIZE);
}

void TForm1::ApplicationRestored() {
    applicationMinimized_ = false;
    if (visible_) {
        ShowWindow(Handle, SW_SHOW);
        SetForegroundWindow(Handle);
        SetFocus(Memo1);
        MakeTopmost();
    }
}

// The handlers the window's host gives it.

void TForm1::FormCreate() {
    host_->FormCreate(*this);
}

void TForm1::FormClose() {
    host_->FormClose(*this);
}

void TForm1::N14Click() {
    host_->N14Click(*this);
}

BOOL TForm1::TrayIcon(int kind, HICON icon) {
    return host_->TrayIcon(*this, kind, icon);
}
