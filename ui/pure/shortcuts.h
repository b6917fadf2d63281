// The keys that run commands anywhere in the window, and how menus and tooltips name them.
#pragma once

#include <span>
#include <string>

namespace qb::ui {

struct Shortcut {
    unsigned key;  // the virtual-key code: a letter 'A' to 'Z', or a function key
    bool control;
    bool shift;
    bool operator==(const Shortcut&) const = default;
};

// As Windows names keys: "Ctrl+N", "F2", "Shift+F3".
std::wstring ShortcutText(const Shortcut& shortcut);

}  // namespace qb::ui
