// Start-up, the About command, showing, and shutdown of the main window.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "store/pure/messages.h"
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

namespace {

// Runs one step of start-up; a failure is shown and start-up goes on with what can be read.
template <typename F>
bool ShownAndPassed(TForm1& form, F&& step) {
    try {
        step();
        return true;
    } catch (const qb::Error& e) {
        form.ShowError(e);
        return false;
    }
}

}  // namespace

void TForm1::FormCreate() {
    TrayIcon(1, AppIcon);
    // A tab close cut short by a crash is finished before anything reads the store. When it
    // cannot be, which page belongs to which tab is not known: nothing is written in this run.
    if (!ShownAndPassed(*this, [] { qb::store::FinishInterruptedClose(); })) {
        storeRead_ = false;
        UpdateMemoReadOnly();
    }
    const bool haveSettings = qb::store::SettingsExist();
    const bool haveTabList = qb::store::TabListExists();
    if (!haveSettings && !haveTabList) {
        // The first run: the About page instead of a restored store.
        N14Click();
        return;
    }

    // Without settings (or with unreadable ones) the window keeps its declared geometry and
    // opacity, and the first tab is selected.
    int tabIndex = 0;
    if (haveSettings) {
        ShownAndPassed(*this, [&] {
            try {
                Settings = qb::store::ReadSettings();
            } catch (const qb::IoError& e) {
                // A file that could not even be opened (held by another program, not ours to
                // write) is not replaced at shutdown; a short one holds nothing worth keeping.
                settingsWritable_ = e.code() == qb::kReadBeyondEndCode;
                throw;
            }
            ApplySettings();
            tabIndex = Settings.tabIndex;
        });
    }

    if (haveTabList && !ShownAndPassed(*this, [&] { LoadTabList(); })) {
        // Which page belongs to which tab is unknown now: nothing is written in this run.
        storeRead_ = false;
        UpdateMemoReadOnly();
    }
    if (Tabs().Count() == 0) {
        Tabs().Append(kDeclaredTab);
    }
    Tabs().Select(tabIndex);
    if (storeRead_) {
        LoadCurrentPage();
    }
}

void TForm1::ApplySettings() {
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
}

void TForm1::N14Click() {
    SetAsideUnownedPage(Tabs().Count());
    Tabs().Append(kAboutCaption);
    tabsChanged_ = true;
    SaveTabList();
    SaveCurrentPage();  // still the tab being left
    Tabs().Select(Tabs().Count() - 1);
    LayoutControls();
    // A new page: what the text area held belongs to the tab just left.
    NewPageShown();
    SettingsChanged();
    try {
        SetMemoBytes(qb::store::LoadTextFile(qb::store::kReadmePath));
    } catch (const qb::Error&) {
        ClearMemo();
        throw;
    }
}

void TForm1::FormShow() {
    SetForegroundWindow(Handle);
    SetFocus(Memo1);
}

void TForm1::FormClose() {
    SaveStore();
}
