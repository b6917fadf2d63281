// What the toolbar tells screen readers of itself through Active Accessibility: the bar answers
// WM_GETOBJECT for its client area with an object of its own, one child a button (and the
// "More Buttons" chevron while it shows), which reads the bar afresh on every question.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qb::ui {

// The default action of every button, as a screen reader offers it.
inline constexpr wchar_t kPressActionName[] = L"Нажать";

struct AccessibleButton {
    std::wstring name;      // the button's text as its tooltip shows it, without the key
    std::wstring shortcut;  // the key that runs it too ("Ctrl+N"); empty when none
    bool enabled = true;
    bool hot = false;      // under the mouse
    bool pressed = false;  // held down, or the chevron's list open
    bool shown = true;     // false while hidden behind the chevron
    RECT screen{};         // on the screen; empty while hidden
};

// The bar's side (toolbar.cpp). Its buttons left to right, then the chevron while it shows;
// none for a window that is not such a bar.
std::vector<AccessibleButton> ToolbarAccessibleButtons(HWND bar);
// Presses a child (an index into that list) as a click on it would, once the caller has had its
// answer; false when there is no such child.
bool PressToolbarAccessibleButton(HWND bar, std::size_t child);
// The child at a point on the screen: its index in that list, or -1.
int ToolbarAccessibleHit(HWND bar, POINT screen);

// The object's side (toolbar_accessible.cpp): the answer to WM_GETOBJECT for OBJID_CLIENT.
LRESULT AnswerToolbarGetObject(HWND bar, WPARAM flags);

}  // namespace qb::ui
