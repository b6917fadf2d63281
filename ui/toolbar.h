// ActionToolBar1: the main window's toolbar, a self-drawn row of glyph buttons with the flat
// hot-tracking look, separators, and a "More Buttons" chevron for the items that do not fit.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qb::ui {

inline constexpr wchar_t kActionToolBarClass[] = L"TActionToolBar";
inline constexpr wchar_t kMoreButtonsHint[] = L"More Buttons";

struct ToolbarItem {
    bool separator = false;
    int image = -1;        // index in the image list, -1 none
    std::wstring caption;  // shown right of the glyph when showCaption
    bool showCaption = false;
    UINT command =
        0;  // sent to the parent as WM_COMMAND(MAKEWPARAM(command, 0), (LPARAM)bar) on a click
    bool enabled = true;
};

// Registers the class (once) and creates the bar as a child of parent, with the given control id,
// at the top of the parent's client area, as wide as it and 26 pixels high; the parent may size
// it afterwards, and the bar lays out its items inside whatever size it has. The bar does not own
// the image list or the font.
HWND CreateActionToolBar(HWND parent, int controlId, HIMAGELIST images, HFONT font,
                         std::vector<ToolbarItem> items);
// Enables or disables every item with this command.
void SetToolbarItemEnabled(HWND bar, UINT command, bool enabled);
// Cell rectangles in the bar's client coordinates, for tests and for the chevron (empty rect for
// hidden items and for indices past the end).
RECT ToolbarItemRect(HWND bar, std::size_t index);
// The "More Buttons" chevron in client coordinates, empty while every item fits.
RECT ToolbarChevronRect(HWND bar);
// The bar's tooltip window, which carries the chevron's hint.
HWND ToolbarTooltip(HWND bar);

}  // namespace qb::ui
