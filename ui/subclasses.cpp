// Messages on their way to the window's controls: the keys the window takes before the text
// area and the strip, and what the two controls report that the window handles.
#include <windowsx.h>

#include "ui/declaration.h"
#include "ui/form1.h"
#include "ui/guarded.h"

using qb::ui::Guarded;

bool TForm1::PreTranslateMessage(const MSG& msg) {
    if (Handle == nullptr || (msg.hwnd != Handle && !IsChild(Handle, msg.hwnd))) {
        return false;
    }
    bool consumed = false;
    Guarded(this, msg.message, 0, [&]() -> LRESULT {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
            // Tab and Shift+Tab move the focus among the window's tab stops; the text area is
            // the only one.
            SetFocus(Memo1);
            consumed = true;
        } else if (msg.message == WM_KEYDOWN && GetKeyState(VK_MENU) >= 0) {
            // The window's own keys, wherever in it they are pressed.
            const qb::ui::Shortcut pressed{static_cast<unsigned>(msg.wParam),
                                           GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0};
            for (const auto& key : qb::ui::kKeys) {
                if (key.keys == pressed) {
                    Execute(key.command);
                    consumed = true;
                    break;
                }
            }
        } else if (msg.message == WM_SYSCHAR) {
            consumed = TabControl1DialogChar(static_cast<wchar_t>(msg.wParam));
        }
        return 0;
    });
    return consumed;
}

LRESULT CALLBACK TForm1::MemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
    auto* form = reinterpret_cast<TForm1*>(data);
    switch (msg) {
        case WM_KEYDOWN: {
            WORD key = static_cast<WORD>(wParam);
            Guarded(form, msg, lParam, [&]() -> LRESULT {
                form->Memo1KeyDown(key);
                return 0;
            });
            if (key == 0) {
                return 0;
            }
            break;
        }
        case WM_CHAR:
            if (wParam == L'\t') {
                return 0;  // Tab is not taken as text
            }
            break;
        case WM_CONTEXTMENU:
            return Guarded(form, msg, lParam, [&] {
                return form->OnContextMenu(hwnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            });
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TForm1::TabControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) {
    auto* form = reinterpret_cast<TForm1*>(data);
    if (msg == WM_RBUTTONUP) {
        // The strip's menu, anywhere on the strip, for the selected tab; the control itself
        // would only report clicks on a tab.
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd, &at);
        return Guarded(form, msg, lParam, [&] { return form->OnContextMenu(hwnd, at.x, at.y); });
    }
    if (msg == WM_CONTEXTMENU) {
        return 0;  // answered on the button's release above
    }
    if (msg == WM_COMMAND && reinterpret_cast<HWND>(lParam) == form->Memo1) {
        // The text area lies on the strip, so its notifications come here: they are the
        // window's.
        return Guarded(form, msg, lParam, [&] {
            return form->OnCommand(LOWORD(wParam), HIWORD(wParam), form->Memo1);
        });
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}
