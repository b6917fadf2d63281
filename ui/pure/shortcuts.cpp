#include "ui/pure/shortcuts.h"

namespace qb::ui {

namespace {

constexpr unsigned kF1 = 0x70;   // VK_F1
constexpr unsigned kF24 = 0x87;  // VK_F24

}  // namespace

std::wstring ShortcutText(const Shortcut& shortcut) {
    std::wstring text;
    if (shortcut.control) {
        text += L"Ctrl+";
    }
    if (shortcut.shift) {
        text += L"Shift+";
    }
    if (shortcut.key >= kF1 && shortcut.key <= kF24) {
        text += L"F" + std::to_wstring(shortcut.key - kF1 + 1);
    } else {
        text += static_cast<wchar_t>(shortcut.key);
    }
    return text;
}

}  // namespace qb::ui
