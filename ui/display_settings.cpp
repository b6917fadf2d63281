// The window and the display's settings: its fonts and controls at the scale of the screen it is
// on, also when it moves to a screen of another scale, and its toolbar in the system's colours
// while a high-contrast theme is on.
#include "ui/display_settings.h"

#include <commctrl.h>

#include <utility>

#include "ui/declaration.h"
#include "ui/form1.h"
#include "ui/toolbar.h"
#include "win/handles.h"

namespace qb::ui {

int ScreenDpi() {
    return GetDeviceCaps(win::WindowDC(nullptr).get(), LOGPIXELSY);
}

int WindowDpi(HWND hwnd) {
    // Windows 10's call, looked up: the program runs on earlier systems too.
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowProc>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(hwnd); dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace qb::ui

void TForm1::ScaleControls() {
    qb::ui::SetToolbarScale(ActionToolBar1, scaleNumerator_, qb::ui::kForm1.designTextHeight);
    qb::ui::SetToolbarHighContrast(ActionToolBar1, qb::ui::HighContrastOn());
    for (const auto& c : qb::ui::kControls) {
        for (const auto& init : c.init) {
            if (init.msg == TBM_SETTHUMBLENGTH) {
                // A length in design pixels.
                SendMessageW(this->*c.field, TBM_SETTHUMBLENGTH,
                             static_cast<WPARAM>(Scaled(static_cast<int>(init.wParam))), 0);
            }
        }
    }
}

// The window moved to a screen of another scale (or the scale changed): fonts and controls at
// the new scale, and the window where the system suggests, so that it keeps its size in inches.
LRESULT TForm1::OnDpiChanged(int dpi, const RECT& suggested) {
    // The controls use the old fonts until they have the new ones.
    const qb::win::UniqueFont oldFont = std::move(font_);
    const qb::win::UniqueFont oldProgramFont = std::move(programFont_);
    CreateFonts(dpi);
    for (const auto& c : qb::ui::kControls) {
        const HWND control = this->*c.field;
        const HFONT font = c.text == qb::ui::TextOf::Program ? programFont_.get() : font_.get();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (c.align == qb::ui::Align::None) {
            SetWindowPos(control, nullptr, Scaled(c.left), Scaled(c.top), Scaled(c.width),
                         Scaled(c.height), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    ScaleControls();
    SetWindowPos(Handle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // Also when the size in pixels stayed and no WM_SIZE came.
    LayoutControls();
    InvalidateRect(Handle, nullptr, TRUE);
    return 0;
}

// The system's colours or a setting changed (a high-contrast theme on or off among them): the
// window's own controls hear of it as top-level windows do, and the toolbar draws in the
// system's colours exactly while a high-contrast theme is on.
LRESULT TForm1::OnColoursChanged(UINT msg, WPARAM wParam, LPARAM lParam) {
    qb::ui::SetToolbarHighContrast(ActionToolBar1, qb::ui::HighContrastOn());
    for (const auto& c : qb::ui::kControls) {
        SendMessageW(this->*c.field, msg, wParam, lParam);
    }
    return DefWindowProcW(Handle, msg, wParam, lParam);
}
