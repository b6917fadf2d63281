// The main window as data: its properties, controls, actions, toolbar items, menus and which
// handler each event runs. One generic builder turns this into the window.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

#include "ui/form1.h"
#include "ui/pure/shortcuts.h"

namespace qb::ui {

using Handler = void (TForm1::*)();

struct FormDeclaration {
    const wchar_t* className;
    std::wstring_view title;  // the caption starts with the application title
    int left, top, width, height;
    DWORD style;
    DWORD exStyle;
    BYTE alphaBlendValue;
    const wchar_t* fontName;
    int fontHeight;        // pixels at 96 pixels per inch
    int designTextHeight;  // height of "0" in the font when the form was laid out
};

// How the layout places a control whenever the window's size or its rows of tabs change:
//   None        where it is made, at its declared place;
//   Top         across the top of what the earlier controls left, at its declared height;
//   Client      over all that the earlier controls left;
//   TabDisplay  in its tab-strip parent's display area, below the rows of tabs, with the margins
//               its declared place keeps inside the parent's declared size (the left one also
//               between it and the rows).
enum class Align { None, Top, Client, TabDisplay };

// Which of the window's two fonts a control draws with: the declared font for the user's text,
// or the same font in its Russian character set for the program's own (Russian) texts, which
// then draw the same on every system.
enum class TextOf { User, Program };

// A message sent to a control right after it is made, to set one of its properties.
struct InitMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

struct ToolbarItemDeclaration {
    UINT action;  // 0: a separator
    bool showCaption;
};

struct ControlDeclaration {
    HWND TForm1::*field;
    const wchar_t* className;  // the window class (kActionToolBarClass is the program's own)
    int id;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;  // in design pixels, scaled with the font
    Align align;
    TextOf text;
    HWND TForm1::*parent;  // nullptr: the form itself
    std::span<const InitMessage> init;
    std::span<const ToolbarItemDeclaration> buttons;  // an action bar's items, each an action's
};

struct ActionDeclaration {
    UINT id;
    const wchar_t* caption;
    int image;  // -1: none
    Handler execute;
};

// A menu item runs its action's handler, or its own; it shows its action's caption unless the
// menu resource gives it one of its own.
struct MenuItemBinding {
    UINT item;
    UINT action;  // 0: none
    Handler click;
    int image;  // drawn only in menus that show images; -1: none
};

struct MenuDeclaration {
    HMENU TForm1::*field;
    UINT resource;
    UINT defaultItem;  // 0: none
    bool showsImages;
};

// A key pressed anywhere in the window runs a command, as its toolbar button or menu item would
// (an action only while it is enabled). Menus and tooltips show the key beside the command.
struct KeyBinding {
    Shortcut keys;
    UINT command;
};

struct NotifyBinding {
    HWND TForm1::*control;
    UINT code;
    Handler handler;
};

extern const FormDeclaration kForm1;
extern const std::span<const ControlDeclaration> kControls;
extern const std::span<const ActionDeclaration> kActions;
extern const std::span<const MenuItemBinding> kMenuItems;
extern const std::span<const MenuDeclaration> kMenus;
extern const std::span<const NotifyBinding> kNotifications;
extern const std::span<const KeyBinding> kKeys;
// Notifications that controls send through WM_COMMAND (the code in its high word).
extern const std::span<const NotifyBinding> kControlCommands;

const ActionDeclaration* FindAction(UINT id);
const ControlDeclaration* FindControl(HWND TForm1::*field);
const MenuItemBinding* FindMenuItem(UINT id);
// The key of a command, if it has one.
const KeyBinding* FindKey(UINT command);
// A command's caption as a menu shows it: the key after a tab ("Переименовать\tF2").
std::wstring MenuCaption(std::wstring caption, UINT command);
// A command's hint as a toolbar's tooltip shows it: the key in brackets ("New (Ctrl+N)").
std::wstring ToolbarHint(std::wstring caption, UINT command);

}  // namespace qb::ui
