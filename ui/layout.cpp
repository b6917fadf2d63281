// The window's controls laid out by their declaration, in the window's font.
#include <algorithm>

#include "ui/declaration.h"
#include "ui/form1.h"

int TForm1::Scaled(int designPixels) const {
    return MulDiv(designPixels, scaleNumerator_, qb::ui::kForm1.designTextHeight);
}

// The controls by their declared alignment, in declaration order: each Top control takes its
// height off the top of what is left, a Client control takes the rest.
void TForm1::LayoutControls() {
    if (Memo1 == nullptr) {
        return;  // the controls are not made yet
    }
    RECT rest{};
    GetClientRect(Handle, &rest);
    const int width = rest.right - rest.left;
    for (const auto& c : qb::ui::kControls) {
        HWND control = this->*c.field;
        switch (c.align) {
            case qb::ui::Align::None:
                break;
            case qb::ui::Align::Top: {
                const int height = Scaled(c.height);
                SetWindowPos(control, nullptr, rest.left, rest.top, width, height,
                             SWP_NOZORDER | SWP_NOACTIVATE);
                rest.top += height;
                break;
            }
            case qb::ui::Align::Client:
                SetWindowPos(control, nullptr, rest.left, rest.top, width,
                             std::max<int>(0, rest.bottom - rest.top),
                             SWP_NOZORDER | SWP_NOACTIVATE);
                break;
            case qb::ui::Align::TabDisplay:
                PlaceInTabDisplay(c);
                break;
        }
    }
}

// Below the parent strip's rows of tabs and inside its display area, with the margins the
// control keeps inside its parent in the declaration.
void TForm1::PlaceInTabDisplay(const qb::ui::ControlDeclaration& c) {
    const HWND strip = this->*c.parent;
    const auto* parent = qb::ui::FindControl(c.parent);
    const int margin = Scaled(c.left);
    const int rightMargin = Scaled(parent->width - c.left - c.width);
    const int bottomMargin = Scaled(parent->height - c.top - c.height);

    RECT area{};
    GetClientRect(strip, &area);
    // The strip's own answer, not what the window's handler of it makes of it.
    qb::win::LiftedSubclass direct(strip, &TForm1::TabControlProc, 1,
                                   reinterpret_cast<DWORD_PTR>(this));
    RECT display = area;
    SendMessageW(strip, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    int rowsBottom = 0;
    RECT tab{};
    const int count = static_cast<int>(SendMessageW(strip, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageW(strip, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tab))) {
            rowsBottom = std::max<int>(rowsBottom, tab.bottom);
        }
    }
    const int top = std::max<int>(display.top, rowsBottom + margin);
    SetWindowPos(this->*c.field, nullptr, margin, top,
                 std::max<int>(0, area.right - margin - rightMargin),
                 std::max<int>(0, area.bottom - bottomMargin - top), SWP_NOZORDER | SWP_NOACTIVATE);
}
