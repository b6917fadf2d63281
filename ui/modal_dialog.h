// The modal machinery the program's own dialogs share: an empty dialog window whose controls
// are made in pixels, its own message loop, and measuring text in a font.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"
#include "ui/pure/dialog_text.h"

namespace qb::ui {

namespace dialog {

using Font = win::UniqueFont;

// Dialog units of a font, measured on the screen.
DialogUnits MeasureDialogUnits(HFONT font);
// The size of text drawn with `font`, word-wrapped within maxWidth pixels, as a static control
// without access-key prefixes draws it.
SIZE MeasureWrappedText(HFONT font, const std::wstring& text, int maxWidth);
// The width of one line of text drawn with `font`.
int MeasureTextWidth(HFONT font, const std::wstring& text);
// A window's whole text.
std::wstring WindowText(HWND window);

// A modal dialog of the program: an empty dialog-class window whose controls the derived
// class makes in pixels, run by its own message loop. OK and Cancel (IDOK, IDCANCEL, Return,
// Esc), the close box and Alt+F4 end it.
class ModalDialog {
  public:
    ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;
    virtual ~ModalDialog() = default;

    // Shows the dialog and returns IDOK or IDCANCEL when it ends.
    int Run(HWND owner, const std::wstring& caption);

  protected:
    // Makes the controls and returns the client area's size.
    virtual SIZE CreateControls(HWND dialog) = 0;
    // Right after the dialog is shown: where the keyboard focus goes.
    virtual void SetInitialFocus(HWND dialog) = 0;
    // Just before OK ends the dialog, while its controls still exist.
    virtual void OnOk(HWND /*dialog*/) {}
    // A control's notification other than a button's click (a list's selection changed).
    virtual void OnControlNotify(HWND /*dialog*/, int /*id*/, int /*code*/) {}
    // A message of the loop before the dialog sees it; true when it was taken.
    virtual bool PreTranslate(HWND /*dialog*/, const MSG& /*msg*/) { return false; }

    // A text label: the text is word-wrapped within textRect's width and drawn from its
    // top left; the control reaches on to the client area's right edge, so that glyphs drawn a
    // little wider than measured are not cut off.
    static HWND AddTextLabel(HWND dialog, const std::wstring& text, int id,
                             const PixelRect& textRect, int clientWidth, HFONT font);
    // A child control at a client-area rectangle, in the given font.
    static HWND AddControl(HWND dialog, const wchar_t* className, const std::wstring& text,
                           DWORD style, DWORD exStyle, int id, const PixelRect& rect, HFONT font);

  private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void End(HWND dialog, int result);
    static void DrawTextLabel(const DRAWITEMSTRUCT& item);

    HFONT font_ = nullptr;
    int result_ = IDCANCEL;
    bool ended_ = false;
};

}  // namespace dialog
}  // namespace qb::ui
