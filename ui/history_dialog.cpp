#include "ui/history_dialog.h"

#include <cwchar>

#include "store/pure/error.h"
#include "ui/modal_dialog.h"
#include "ui/russian_face.h"

namespace qb::ui {

namespace {

constexpr int kListId = 100;
constexpr int kTextId = 101;

dialog::Font CreateHistoryFont(BYTE charSet) {
    OfferRussianSansSerif();
    const int pixelsPerInch = GetDeviceCaps(win::WindowDC(nullptr).get(), LOGPIXELSY);
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(8, pixelsPerInch, 72);
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = charSet;
    logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(logFont.lfFaceName, kSansSerifFace, LF_FACESIZE);
    dialog::Font font(CreateFontIndirectW(&logFont));
    if (!font) {
        throw Error(L"Failed to create the dialog font");
    }
    return font;
}

class HistoryDialog final : public dialog::ModalDialog {
  public:
    HistoryDialog(const std::vector<HistoryItem>& items,
                  const std::function<std::wstring(std::size_t)>& textOf)
        : items_(items), textOf_(textOf) {}

    std::optional<std::size_t> Chosen() const { return chosen_; }

  protected:
    SIZE CreateControls(HWND dialog) override {
        font_ = CreateHistoryFont(RUSSIAN_CHARSET);
        userFont_ = CreateHistoryFont(DEFAULT_CHARSET);
        HFONT font = font_.get();
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const DialogUnits du = dialog::MeasureDialogUnits(font);
        // In dialog units: the list on the left, the text on its right, the buttons below.
        const int margin = du.X(7);
        const int listWidth = du.X(110);
        const int textWidth = du.X(220);
        const int height = du.Y(150);
        const int buttonWidth = du.X(60);
        const int buttonHeight = du.Y(14);
        const int gap = du.X(4);
        const int clientWidth = margin + listWidth + gap + textWidth + margin;
        const int buttonsTop = margin + height + du.Y(7);

        list_ = AddControl(dialog, L"LISTBOX", L"",
                           WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                           WS_EX_CLIENTEDGE, kListId, {margin, margin, listWidth, height}, font);
        for (const HistoryItem& item : items_) {
            SendMessageW(list_, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(HistoryLine(item).c_str()));
        }
        text_ = AddControl(dialog, L"EDIT", L"",
                           WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                           WS_EX_CLIENTEDGE, kTextId,
                           {margin + listWidth + gap, margin, textWidth, height}, userFont_.get());
        const int closeLeft = clientWidth - margin - buttonWidth;
        restore_ = AddControl(
            dialog, L"BUTTON", L"Восстановить", WS_TABSTOP | BS_PUSHBUTTON, 0, IDOK,
            {closeLeft - gap - buttonWidth, buttonsTop, buttonWidth, buttonHeight}, font);
        AddControl(dialog, L"BUTTON", L"Закрыть", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDCANCEL,
                   {closeLeft, buttonsTop, buttonWidth, buttonHeight}, font);
        // Return closes: a page is put back only by its own button.
        SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
        EnableWindow(restore_, !items_.empty());
        if (!items_.empty()) {
            SendMessageW(list_, LB_SETCURSEL, 0, 0);
            ShowSelected();
        }
        return SIZE{clientWidth, buttonsTop + buttonHeight + margin};
    }

    void SetInitialFocus(HWND dialog) override {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_), TRUE);
    }

    void OnControlNotify(HWND /*dialog*/, int id, int code) override {
        if (id == kListId && code == LBN_SELCHANGE) {
            ShowSelected();
        }
    }

    void OnOk(HWND /*dialog*/) override {
        const LRESULT selected = SendMessageW(list_, LB_GETCURSEL, 0, 0);
        if (selected != LB_ERR) {
            chosen_ = static_cast<std::size_t>(selected);
        }
    }

  private:
    void ShowSelected() {
        const LRESULT selected = SendMessageW(list_, LB_GETCURSEL, 0, 0);
        std::wstring text;
        if (selected != LB_ERR) {
            try {
                text = textOf_(static_cast<std::size_t>(selected));
            } catch (const Error& e) {
                text = e.text();
            }
        }
        SetWindowTextW(text_, text.c_str());
    }

    const std::vector<HistoryItem>& items_;
    const std::function<std::wstring(std::size_t)>& textOf_;
    std::optional<std::size_t> chosen_;
    dialog::Font font_;
    dialog::Font userFont_;
    HWND list_ = nullptr;
    HWND text_ = nullptr;
    HWND restore_ = nullptr;
};

}  // namespace

std::wstring HistoryLine(const HistoryItem& item) {
    // Milliseconds since 1970 as a file time (100 ns since 1601), in local time.
    const unsigned long long ticks = (item.time + 11'644'473'600'000ull) * 10'000ull;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME t{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &t);
    wchar_t line[96];
    std::swprintf(line, std::size(line), L"%02u.%02u.%04u %02u:%02u:%02u, %llu симв.", t.wDay,
                  t.wMonth, t.wYear, t.wHour, t.wMinute, t.wSecond,
                  static_cast<unsigned long long>(item.chars));
    return line;
}

std::optional<std::size_t> ShowPageHistory(HWND owner, const std::vector<HistoryItem>& items,
                                           const std::function<std::wstring(std::size_t)>& textOf) {
    HistoryDialog dialog(items, textOf);
    if (dialog.Run(owner, L"История страницы") != IDOK) {
        return std::nullopt;
    }
    return dialog.Chosen();
}

}  // namespace qb::ui
