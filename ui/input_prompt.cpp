#include "ui/input_prompt.h"

#include "store/pure/error.h"
#include "ui/modal_dialog.h"
#include "ui/russian_face.h"

namespace qb::ui {

namespace {

constexpr int kPromptId = 100;
constexpr int kEditId = 101;
constexpr int kMaxTextLength = 255;

// The prompt's own font: "MS Sans Serif" at 8 points, in the given character set.
dialog::Font CreatePromptFont(BYTE charSet) {
    OfferRussianSansSerif();
    const int pixelsPerInch = GetDeviceCaps(win::WindowDC(nullptr).get(), LOGPIXELSY);

    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(8, pixelsPerInch, 72);
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = charSet;
    logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(logFont.lfFaceName, kSansSerifFace, LF_FACESIZE);

    dialog::Font font(CreateFontIndirectW(&logFont));
    if (!font) {
        throw Error(L"Failed to create the dialog font");
    }
    return font;
}

class PromptDialog final : public dialog::ModalDialog {
  public:
    PromptDialog(const std::wstring& prompt, const std::wstring& initial)
        : prompt_(prompt), initial_(initial) {}

    const std::wstring& Text() const { return text_; }

  protected:
    SIZE CreateControls(HWND dialog) override {
        // The prompt's texts are the program's own, Russian: the font's Russian character set
        // draws them the same on every system. The edit box holds the user's text, in the
        // system's own character set. On a Russian system the two fonts are the same.
        font_ = CreatePromptFont(RUSSIAN_CHARSET);
        userFont_ = CreatePromptFont(DEFAULT_CHARSET);
        HFONT font = font_.get();
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

        const DialogUnits du = dialog::MeasureDialogUnits(font);
        const SIZE promptSize = dialog::MeasureWrappedText(font, prompt_, PromptTextMaxWidth(du));
        // A single-line edit box with a sunken border: one line of text and a few pixels.
        const int editHeight = du.height + 8;
        const PromptLayout layout = LayoutPrompt(du, promptSize.cx, promptSize.cy, editHeight);

        AddTextLabel(dialog, prompt_, kPromptId, layout.prompt, layout.clientWidth, font);
        edit_ =
            AddControl(dialog, L"EDIT", initial_, WS_TABSTOP | WS_GROUP | ES_LEFT | ES_AUTOHSCROLL,
                       WS_EX_CLIENTEDGE, kEditId, layout.edit, userFont_.get());
        SendMessageW(edit_, EM_LIMITTEXT, kMaxTextLength, 0);
        AddControl(dialog, L"BUTTON", L"OK", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, IDOK,
                   layout.ok, font);
        AddControl(dialog, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL,
                   layout.cancel, font);
        SendMessageW(dialog, DM_SETDEFID, IDOK, 0);
        return SIZE{layout.clientWidth, layout.clientHeight};
    }

    void SetInitialFocus(HWND dialog) override {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit_), TRUE);
        SendMessageW(edit_, EM_SETSEL, 0, -1);
    }

    void OnOk(HWND /*dialog*/) override { text_ = RemoveLineBreaks(dialog::WindowText(edit_)); }

  private:
    std::wstring prompt_;
    std::wstring initial_;
    std::wstring text_;
    dialog::Font font_;
    dialog::Font userFont_;
    HWND edit_ = nullptr;
};

}  // namespace

std::optional<std::wstring> InputQuery(HWND owner, const std::wstring& caption,
                                       const std::wstring& prompt, const std::wstring& initial) {
    PromptDialog dialog(prompt, initial);
    if (dialog.Run(owner, caption) != IDOK) {
        return std::nullopt;
    }
    return dialog.Text();
}

}  // namespace qb::ui
