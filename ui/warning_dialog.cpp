#include "ui/warning_dialog.h"

#include <cstring>
#include <vector>

#include "store/pure/error.h"
#include "ui/modal_dialog.h"
#include "ui/pure/dialog_text.h"

namespace qb::ui {
namespace {

constexpr int kIconId = 100;
constexpr int kMessageId = 101;
constexpr int kIconSize = 32;

// Puts text on the clipboard as CF_UNICODETEXT; false when the clipboard could not be had.
bool PutOnClipboard(HWND window, const std::wstring& text) {
    const win::OpenedClipboard clipboard(window);
    if (!clipboard.ok()) {
        return false;
    }
    EmptyClipboard();

    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) {
        return false;
    }
    void* data = GlobalLock(memory.get());
    if (data == nullptr) {
        return false;
    }
    std::memcpy(data, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        return false;
    }
    memory.release();  // the clipboard owns it now
    return true;
}

dialog::Font CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        throw Error(L"Failed to get the message font");
    }
    dialog::Font font(CreateFontIndirectW(&metrics.lfMessageFont));
    if (!font) {
        throw Error(L"Failed to create the dialog font");
    }
    return font;
}

class WarningDialog final : public dialog::ModalDialog {
  public:
    explicit WarningDialog(const std::wstring& message) : message_(message) {}

  protected:
    SIZE CreateControls(HWND dialog) override {
        font_ = CreateMessageFont();
        HFONT font = font_.get();
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

        const DialogUnits du = dialog::MeasureDialogUnits(font);
        const SIZE messageSize =
            dialog::MeasureWrappedText(font, message_, GetSystemMetrics(SM_CXSCREEN) / 2);
        std::vector<int> captionWidths;
        for (const std::wstring& caption : buttons_) {
            captionWidths.push_back(dialog::MeasureTextWidth(font, caption));
        }
        const WarningLayout layout =
            LayoutWarning(du, kIconSize, messageSize.cx, messageSize.cy, captionWidths);

        HWND icon = AddControl(dialog, L"STATIC", L"", SS_ICON, 0, kIconId, layout.icon, font);
        SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)),
                     0);
        // Setting the icon sizes the control to the icon's own size: keep it 32 by 32.
        SetWindowPos(icon, nullptr, layout.icon.x, layout.icon.y, kIconSize, kIconSize,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        AddTextLabel(dialog, message_, kMessageId, layout.message, layout.clientWidth, font);
        ok_ = AddControl(dialog, L"BUTTON", buttons_[0], WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON,
                         0, IDOK, layout.buttons[0], font);
        AddControl(dialog, L"BUTTON", buttons_[1], WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL,
                   layout.buttons[1], font);
        SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
        return SIZE{layout.clientWidth, layout.clientHeight};
    }

    void SetInitialFocus(HWND dialog) override {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok_), TRUE);
    }

    // Ctrl+C, whichever control has the focus, copies the dialog as text.
    bool PreTranslate(HWND dialog, const MSG& msg) override {
        if (msg.message != WM_KEYDOWN || msg.wParam != 'C' || GetKeyState(VK_CONTROL) >= 0) {
            return false;
        }
        if (msg.hwnd != dialog && !IsChild(dialog, msg.hwnd)) {
            return false;
        }
        MessageBeep(0);
        PutOnClipboard(dialog, BuildDialogCopyText(kWarningCaption, message_, buttons_));
        return true;
    }

  private:
    std::wstring message_;
    std::vector<std::wstring> buttons_{L"OK", L"Cancel"};
    dialog::Font font_;
    HWND ok_ = nullptr;
};

}  // namespace

bool ConfirmWarning(HWND owner, const std::wstring& message) {
    WarningDialog dialog(message);
    return dialog.Run(owner, kWarningCaption) == IDOK;
}

}  // namespace qb::ui
