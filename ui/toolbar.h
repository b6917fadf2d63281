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
// The bar's height in design pixels: one row of 16-pixel glyphs in their cells.
inline constexpr int kActionToolBarHeight = 26;
inline constexpr wchar_t kMoreButtonsHint[] = L"More Buttons";

struct ToolbarItem {
    bool separator = false;
    int image = -1;         // index in the image list, -1 none
    std::wstring caption;   // shown right of the glyph when showCaption
    std::wstring hint;      // the button's tooltip; none when empty
    std::wstring shortcut;  // the key that runs the command too ("Ctrl+N"); none when empty
    bool showCaption = false;
    UINT command =
        0;  // sent to the parent as WM_COMMAND(MAKEWPARAM(command, 0), (LPARAM)bar) on a click
    bool enabled = true;
};

// Registers the window class (once). A bar is made like any child window of this class, takes
// its font by WM_SETFONT and its items by SetToolbarItems, and lays them out inside whatever size
// its parent gives it.
void RegisterActionToolBarClass();
// The bar's items and the image list their glyphs come from (the bar does not own it).
void SetToolbarItems(HWND bar, HIMAGELIST images, std::vector<ToolbarItem> items);
// The glyphs in every size their art comes in: one image list a size, each with the same images
// in the same order (the bar does not own them). The bar draws from the list its scale asks for
// (the nearest size at or above its glyphs' room), at that list's own size. SetToolbarItems
// gives one list, which is every size until this is called.
void SetToolbarImageSizes(HWND bar, std::vector<HIMAGELIST> lists);
// The display scale: every spacing of the bar is its size at 96 pixels per inch times numerator
// over denominator. The bar starts at 1 over 1.
void SetToolbarScale(HWND bar, int numerator, int denominator);
// In a high-contrast theme the bar draws in the system's colours only (its face, its text, the
// highlight for a hot button) and its glyphs as masks in the text's colour; its owner, who
// hears of the theme, says when. Off at the start.
void SetToolbarHighContrast(HWND bar, bool on);
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
