#include "ui/modal_dialog.h"

#include <algorithm>

#include "store/pure/error.h"

namespace qb::ui {
namespace dialog {
namespace {

// A dialog-class window with no controls: its controls are made in pixels afterwards.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu;         // none
    WORD windowClass;  // the dialog class
    WORD title;        // empty; set after creation
};

// The screen's device context with one font selected, for measuring.
class ScreenTextContext {
  public:
    explicit ScreenTextContext(HFONT font) : screen_(nullptr), font_(screen_.get(), font) {}
    HDC get() const { return screen_.get(); }

  private:
    win::WindowDC screen_;
    win::SelectedObject font_;
};

constexpr UINT kStaticTextFormat = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

}  // namespace

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

DialogUnits MeasureDialogUnits(HFONT font) {
    ScreenTextContext dc(font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    SIZE letters{};
    GetTextExtentPoint32W(dc.get(), kAverageWidthLetters.data(),
                          static_cast<int>(kAverageWidthLetters.size()), &letters);
    return DialogUnits::FromMetrics(letters.cx, metrics.tmHeight);
}

SIZE MeasureWrappedText(HFONT font, const std::wstring& text, int maxWidth) {
    ScreenTextContext dc(font);
    RECT rect{0, 0, maxWidth, 0};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect,
              kStaticTextFormat | DT_CALCRECT);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int MeasureTextWidth(HFONT font, const std::wstring& text) {
    ScreenTextContext dc(font);
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

HWND ModalDialog::AddControl(HWND dialog, const wchar_t* className, const std::wstring& text,
                             DWORD style, DWORD exStyle, int id, const PixelRect& rect,
                             HFONT font) {
    HWND control = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                                   rect.x, rect.y, rect.width, rect.height, dialog,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) {
        throw Error(L"Failed to create a dialog control");
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HWND ModalDialog::AddTextLabel(HWND dialog, const std::wstring& text, int id,
                               const PixelRect& textRect, int clientWidth, HFONT font) {
    const PixelRect controlRect{textRect.x, textRect.y,
                                std::max(textRect.width, clientWidth - textRect.x),
                                textRect.height};
    HWND label =
        AddControl(dialog, L"STATIC", text, SS_OWNERDRAW | SS_NOPREFIX, 0, id, controlRect, font);
    SetWindowLongPtrW(label, GWLP_USERDATA, textRect.width);
    return label;
}

void ModalDialog::DrawTextLabel(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const std::wstring text = WindowText(item.hwndItem);
    auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
    win::SelectedObject selected(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT textRect = item.rcItem;
    textRect.right =
        textRect.left + static_cast<int>(GetWindowLongPtrW(item.hwndItem, GWLP_USERDATA));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              kStaticTextFormat | DT_NOCLIP);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

int ModalDialog::Run(HWND owner, const std::wstring& caption) {
    result_ = IDCANCEL;
    ended_ = false;

    EmptyDialogTemplate dialogTemplate{};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    HWND dialog =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.header, owner,
                                   &ModalDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (dialog == nullptr) {
        throw Error(L"Failed to create the dialog window");
    }
    // However Run is left, the owner takes input again (below), then the dialog goes.
    const win::UniqueWindow closing(dialog);
    SetWindowTextW(dialog, caption.c_str());

    const SIZE client = CreateControls(dialog);
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    const win::DisabledWindow disabled(owner);
    ShowWindow(dialog, SW_SHOWNORMAL);
    SetForegroundWindow(dialog);
    SetInitialFocus(dialog);

    while (!ended_) {
        MSG msg{};
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: the dialog is cancelled and the quit passed on.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return IDCANCEL;
        }
        if (got == -1) {
            return IDCANCEL;
        }
        if (PreTranslate(dialog, msg)) {
            continue;
        }
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return result_;
}

void ModalDialog::End(HWND dialog, int result) {
    if (!ended_) {
        result_ = result;
        ended_ = true;
        // A message sent from another thread ends the dialog without waking its loop.
        PostMessageW(dialog, WM_NULL, 0, 0);
    }
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return FALSE;  // the focus is set once the controls exist
    }
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) {
                self->OnControlNotify(dialog, LOWORD(wParam), HIWORD(wParam));
                return FALSE;
            }
            if (LOWORD(wParam) == IDOK) {
                if (!self->ended_) {
                    self->OnOk(dialog);
                }
                self->End(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                self->End(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        case WM_SETFONT:  // the dialog's own font, as the dialog class keeps none made later
            self->font_ = reinterpret_cast<HFONT>(wParam);
            return TRUE;
        case WM_GETFONT:
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(self->font_));
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_STATIC) {
                return FALSE;
            }
            DrawTextLabel(*item);
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        case WM_CLOSE:  // the close box, Alt+F4
            self->End(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace dialog

}  // namespace qb::ui
