// Start-up, the About command, showing, and shutdown of the main window.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "store/pure/page_names.h"
#include "store/win/store.h"
#include "ui/form1.h"

namespace {

constexpr wchar_t kAboutCaption[] = L"О программе";
constexpr wchar_t kDeclaredTab[] = L"Main";

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

void TForm1::FormCreate() {
    TrayIcon(1, AppIcon);
    if (!qb::store::SettingsExist()) {
        // The first run: the About page instead of a restored store.
        N14Click();
        return;
    }
    Settings = qb::store::ReadSettings();

    SetBound(Handle, &RECT::left, Settings.left);
    SetBound(Handle, &RECT::top, Settings.top);
    SetBound(Handle, &RECT::bottom, Settings.height);
    SetBound(Handle, &RECT::right, Settings.width);

    SetAlphaBlendValue(static_cast<BYTE>(Settings.opacity & 0xFF));
    // The slider clamps into its range; a different position sets the opacity too.
    const int position = std::clamp<int>(AlphaBlendValue(), 50, 255);
    if (position != static_cast<int>(SendMessageW(TrackBar1, TBM_GETPOS, 0, 0))) {
        SendMessageW(TrackBar1, TBM_SETPOS, TRUE, position);
        TrackBar1Change();
    }

    if (qb::store::TabListExists()) {
        LoadTabList();
    }
    if (Tabs().Count() == 0) {
        Tabs().Append(kDeclaredTab);
    }
    Tabs().Select(Settings.tabIndex);
    LoadCurrentPage();
}

void TForm1::N14Click() {
    Tabs().Append(kAboutCaption);
    SaveCurrentPage();  // still the tab being left
    Tabs().Select(Tabs().Count() - 1);
    SetMemoBytes(qb::store::LoadTextFile(qb::store::kReadmePath));
}

void TForm1::FormShow() {
    SetForegroundWindow(Handle);
    SetFocus(Memo1);
}

void TForm1::FormClose() {
    qb::store::EnsureStoreDirectory();
    SaveTabList();
    SaveCurrentPage();

    RECT bounds{};
    GetWindowRect(Handle, &bounds);
    Settings.left = bounds.left;
    Settings.top = bounds.top;
    Settings.opacity = AlphaBlendValue();
    Settings.width = bounds.right - bounds.left;
    Settings.height = bounds.bottom - bounds.top;
    Settings.tabIndex = Tabs().Selected();
    qb::store::WriteSettings(Settings);
}
