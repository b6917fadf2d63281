#include "ui/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "res/resource.h"
#include "store/pure/messages.h"
#include "win/code_page.h"
#include "win/disk_file_system.h"
#include "win/machine.h"
#include "ui/declaration.h"
#include "ui/guarded.h"
#include "ui/toolbar.h"

TForm1* Form1 = nullptr;

TForm1::TForm1()
    : notebook_(qb::win::Disk(), qb::win::StoreEncodings(), view_,
                [] { return static_cast<std::uint64_t>(GetTickCount64()); },
                qb::win::MachineName()) {
    for (const auto& action : qb::ui::kActions) {
        actionStates_.emplace_back(action.id, true);
    }
}

TForm1::~TForm1() {
    if (Handle != nullptr) {
        SetWindowLongPtrW(Handle, GWLP_USERDATA, 0);
        DestroyWindow(Handle);
    }
}

namespace {

const UINT kTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
const UINT kShowRunningCopy = RegisterWindowMessageW(qb::ui::kShowRunningCopyMessage);

}  // namespace

using qb::ui::Guarded;

LRESULT CALLBACK TForm1::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* form = static_cast<TForm1*>(cs->lpCreateParams);
        form->Handle = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return Guarded(form, msg, lParam, [&] { return form->Dispatch(msg, wParam, lParam); });
}

LRESULT TForm1::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_HSCROLL:
            return OnHScroll(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_TIMER:
            return OnTimer(wParam);
        case WM_SIZE:
            return OnSize();
        case WM_EXITSIZEMOVE:
            notebook_.SettingsChanged();
            return 0;
        case WM_SETFOCUS:
            SetFocus(Memo1);
            return 0;
        case WM_CONTEXTMENU:
            return OnContextMenu(reinterpret_cast<HWND>(wParam), GET_X_LPARAM(lParam),
                                 GET_Y_LPARAM(lParam));
        case WM_INITMENUPOPUP:
            return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        case WM_MEASUREITEM:
            return OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        case WM_DRAWITEM:
            return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_SYSCOMMAND:
            if (SysCommandMessage(wParam)) {
                return 0;
            }
            break;
        case TrayCallbackMessage:
            TrayIconMessage(static_cast<UINT>(lParam));
            return 0;
        case StoreChangedMessage:
            return OnStoreChanged();
        case PageWrittenMessage:
            return OnPageWritten();
        case WM_DPICHANGED:
            return OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            return OnColoursChanged(msg, wParam, lParam);
        case WM_CLOSE:
            return OnClose();
        case WM_DESTROY:
            return OnDestroy();
        case WM_QUERYENDSESSION:
            return OnQueryEndSession();
        case WM_ENDSESSION:
            return OnEndSession(wParam != FALSE);
        default:
            if (msg == kTaskbarCreated && kTaskbarCreated != 0) {
                return OnTaskbarCreated();
            }
            if (msg == kShowRunningCopy && kShowRunningCopy != 0) {
                return OnShowRunningCopy();
            }
            break;
    }
    return DefWindowProcW(Handle, msg, wParam, lParam);
}

LRESULT TForm1::OnCommand(UINT id, UINT code, HWND control) {
    if (control != nullptr) {
        for (const auto& binding : qb::ui::kControlCommands) {
            if (control == this->*binding.control && code == binding.code) {
                (this->*binding.handler)();
                return 0;
            }
        }
        if (control != ActionToolBar1) {
            return 0;  // another notification of a control
        }
    }
    Execute(id);
    return 0;
}

LRESULT TForm1::OnHScroll(UINT code, HWND control) {
    if (control == TrackBar1) {
        TrackBar1Change();
        if (code == TB_ENDTRACK) {
            notebook_.SettingsChanged();  // the slider was released
        }
    }
    return 0;
}

void TForm1::Execute(UINT id) {
    if (const auto* item = qb::ui::FindMenuItem(id)) {
        if (item->click != nullptr) {
            (this->*item->click)();
            return;
        }
        id = item->action;
    }
    if (const auto* action = qb::ui::FindAction(id)) {
        if (id == ID_ACTION_REOPEN || id == ID_ACTION_HISTORY) {
            UpdateActions();
        }
        if (ActionEnabled(id)) {
            (this->*action->execute)();
        }
    }
}

LRESULT TForm1::OnNotify(const NMHDR& header) {
    for (const auto& binding : qb::ui::kNotifications) {
        if (header.hwndFrom == this->*binding.control && header.code == binding.code) {
            (this->*binding.handler)();
            return 0;
        }
    }
    return 0;
}

LRESULT TForm1::OnSize() {
    LayoutControls();
    return 0;
}

LRESULT TForm1::OnContextMenu(HWND source, int x, int y) {
    RECT strip{};
    GetWindowRect(TabControl1, &strip);
    // The strip lets clicks beside its tabs through to the window behind it.
    const bool onStrip = source == Handle && PtInRect(&strip, POINT{x, y});
    if (source == TabControl1 || onStrip) {
        PopupAt(PopupMenu1, TabControl1, x, y);
    } else if (source == Memo1) {
        PopupAt(PopupMenu3, Memo1, x, y);
    }
    return 0;
}

void TForm1::PopupAt(HMENU menu, HWND control, int x, int y) {
    if (x == -1 && y == -1) {
        // From the keyboard: at the control's top-left corner.
        POINT corner{0, 0};
        ClientToScreen(control, &corner);
        x = corner.x;
        y = corner.y;
    }
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, Handle, nullptr);
}

LRESULT TForm1::OnInitMenuPopup(HMENU menu) {
    UpdateActions();
    // Items show the enabled state of their actions.
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        const auto* item = qb::ui::FindMenuItem(id);
        if (item != nullptr && item->action != 0) {
            EnableMenuItem(menu, id,
                           MF_BYCOMMAND | (ActionEnabled(item->action) ? MF_ENABLED : MF_GRAYED));
        }
    }
    return 0;
}

LRESULT TForm1::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlType == ODT_MENU) {
        item.itemWidth = 16;
        item.itemHeight = 16;
        return TRUE;
    }
    return FALSE;
}

LRESULT TForm1::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU) {
        return FALSE;
    }
    const auto* binding = qb::ui::FindMenuItem(item.itemID);
    if (binding == nullptr || binding->image < 0) {
        return FALSE;
    }
    const int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - 16) / 2;
    ImageList_Draw(ImageList1, binding->image, item.hDC, item.rcItem.left, top, ILD_TRANSPARENT);
    return TRUE;
}

LRESULT TForm1::OnClose() {
    Close();
    return 0;
}

void TForm1::Close() {
    if (closed_) {
        return;
    }
    FormClose();
    closed_ = true;
    DestroyWindow(Handle);
}

LRESULT TForm1::OnDestroy() {
    PostQuitMessage(0);
    return 0;
}

LRESULT TForm1::OnQueryEndSession() {
    // The session ends as Exit would: everything is written before the program agrees. When
    // that fails the program says so and asks the session to wait.
    return Guard([this] { notebook_.SaveAll(); }) ? TRUE : FALSE;
}

LRESULT TForm1::OnEndSession(bool ending) {
    if (ending) {
        // A save that fell due since the session asked is on the disk before the program ends.
        Guard([this] { notebook_.FinishWrites(); });
        TrayIcon(2, AppIcon);
        closed_ = true;  // written when the session asked; nothing more to do
        DestroyWindow(Handle);
    }
    return 0;
}

LRESULT TForm1::OnTaskbarCreated() {
    // The notification area was rebuilt (the shell restarted): the icon must come back, or a
    // hidden window could not be reached.
    TrayIcon(1, AppIcon);
    return 0;
}

LRESULT TForm1::OnShowRunningCopy() {
    // A second start in this working directory asks this copy to come forward.
    if (!Visible() || applicationMinimized_) {
        N3Click();
    }
    SetForegroundWindow(Handle);
    SetFocus(Memo1);
    return 0;
}

bool TForm1::ActionEnabled(UINT action) const {
    for (const auto& [id, enabled] : actionStates_) {
        if (id == action) {
            return enabled;
        }
    }
    return false;
}

void TForm1::SetActionEnabled(UINT action, bool enabled) {
    for (auto& [id, state] : actionStates_) {
        if (id == action) {
            state = enabled;
        }
    }
    // Menu items take the state when their menu opens; the toolbar's buttons show it now.
    qb::ui::SetToolbarItemEnabled(ActionToolBar1, action, enabled);
}

void TForm1::SetAlphaBlendValue(BYTE alpha) {
    if (alpha == alpha_) {
        return;
    }
    alpha_ = alpha;
    SetLayeredWindowAttributes(Handle, 0, alpha_, LWA_ALPHA);
}

std::wstring TForm1::MemoText() const {
    const int length = GetWindowTextLengthW(Memo1);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(Memo1, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(0, got)));
    return text;
}

void TForm1::CopyMemoText(std::wstring& into) const {
    const auto length = static_cast<std::size_t>(GetWindowTextLengthW(Memo1));
    // The control's own characters, copied once; WM_GETTEXT would copy them twice.
    if (const auto buffer = reinterpret_cast<HLOCAL>(SendMessageW(Memo1, EM_GETHANDLE, 0, 0))) {
        if (const auto* chars = static_cast<const wchar_t*>(LocalLock(buffer))) {
            const qb::win::AtScopeEnd unlock([buffer] { LocalUnlock(buffer); });
            into.assign(chars,
                        std::min(length, static_cast<std::size_t>(LocalSize(buffer)) / sizeof(wchar_t)));
            return;
        }
    }
    into.resize(length + 1);
    const int got = GetWindowTextW(Memo1, into.data(), static_cast<int>(length) + 1);
    into.resize(static_cast<std::size_t>(std::max(0, got)));
}

void TForm1::SetMemoText(std::wstring_view stored) {
    const std::wstring text(stored.substr(0, stored.find(L'\0')));
    if (static_cast<std::size_t>(GetWindowTextLengthW(Memo1)) == text.size() &&
        MemoText() == text) {
        return;
    }
    if (!SetWindowTextW(Memo1, text.c_str())) {
        throw qb::Error(std::wstring(qb::kTextExceedsMemoCapacity));
    }
}

void TForm1::ClearMemo() {
    SetWindowTextW(Memo1, L"");
}

ModalDialogScope::ModalDialogScope() {
    if (Form1 != nullptr && Form1->Handle != nullptr) {
        if (Form1->modalDialogs_++ == 0) {
            SetWindowPos(Form1->Handle, HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

ModalDialogScope::~ModalDialogScope() {
    if (Form1 != nullptr && Form1->Handle != nullptr) {
        if (--Form1->modalDialogs_ == 0) {
            Form1->MakeTopmost();
        }
    }
}
