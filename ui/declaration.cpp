#include "ui/declaration.h"

#include <commctrl.h>

#include <algorithm>

#include "res/resource.h"
#include "ui/form1.h"
#include "ui/russian_face.h"
#include "version.h"
#include "ui/toolbar.h"

namespace qb::ui {

namespace {

constexpr wchar_t kCaption[] = QB_TITLE_W L"            © Разработчики Quillbrasset";

}  // namespace

const FormDeclaration kForm1 = {
    .className = L"TForm1",
    .title = kCaption,
    .left = 73,
    .top = 117,
    .width = 433,
    .height = 202,
    // A sizable tool window; the system menu and minimize are declared, though the tool
    // window's frame shows neither a minimize nor a maximize box.
    .style =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
    .exStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE,
    .alphaBlendValue = 240,
    .fontName = kSansSerifFace,
    .fontHeight = 11,
    .designTextHeight = 13,
};

namespace {

constexpr InitMessage kTrackBarInit[] = {
    {TBM_SETRANGEMIN, FALSE, 50}, {TBM_SETRANGEMAX, FALSE, 255}, {TBM_SETPAGESIZE, 0, 2},
    {TBM_SETLINESIZE, 0, 0},      {TBM_SETTHUMBLENGTH, 10, 0},   {TBM_SETPOS, TRUE, 240},
};

const ToolbarItemDeclaration kToolbarTable[] = {
    {ID_ACTION_NEW, false},
    {ID_ACTION_CUT, false},
    {ID_ACTION_COPY, false},
    {ID_ACTION_PASTE, false},
    {0, false},
    {ID_ACTION_EXIT, true},
};

// No limit beyond the edit control's own (the default typing limit is lifted).
constexpr InitMessage kMemoInit[] = {{EM_SETLIMITTEXT, 0, 0}};

const ControlDeclaration kControlTable[] = {
    {.field = &TForm1::ActionToolBar1,
     .className = qb::ui::kActionToolBarClass,
     .id = 1,
     .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
     .exStyle = 0,
     .left = 0,
     .top = 0,
     .width = 425,
     .height = kActionToolBarHeight,
     .align = Align::Top,
     .text = TextOf::Program,
     .parent = nullptr,
     .init = {},
     .buttons = kToolbarTable},
    {.field = &TForm1::TrackBar1,
     .className = TRACKBAR_CLASSW,
     .id = 2,
     .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBS_HORZ | TBS_NOTICKS |
              TBS_ENABLESELRANGE | TBS_FIXEDLENGTH,
     .exStyle = 0,
     .left = 184,
     .top = 7,
     .width = 65,
     .height = 15,
     .align = Align::None,
     .text = TextOf::User,
     .parent = nullptr,
     .init = kTrackBarInit,
     .buttons = {}},
    {.field = &TForm1::TabControl1,
     .className = WC_TABCONTROLW,
     .id = 3,
     .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_MULTILINE | TCS_TABS |
              TCS_FOCUSNEVER,
     .exStyle = 0,
     .left = 0,
     .top = kActionToolBarHeight,
     .width = 425,
     .height = 149,
     .align = Align::Client,
     .text = TextOf::User,
     .parent = nullptr,
     .init = {},
     .buttons = {}},
    {.field = &TForm1::Memo1,
     .className = L"EDIT",
     .id = 4,
     .style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
              ES_WANTRETURN | ES_NOHIDESEL,
     .exStyle = WS_EX_CLIENTEDGE,
     .left = 4,
     .top = 24,
     .width = 417,
     .height = 121,
     .align = Align::TabDisplay,
     .text = TextOf::User,
     .parent = &TForm1::TabControl1,
     .init = kMemoInit,
     .buttons = {}},
};

const ActionDeclaration kActionTable[] = {
    {ID_ACTION_CUT, L"Вырезать", 0, &TForm1::CutExecute},
    {ID_ACTION_COPY, L"Копировать", 1, &TForm1::CopyExecute},
    {ID_ACTION_PASTE, L"Вставить", 2, &TForm1::PasteExecute},
    {ID_ACTION_EXIT, L"Выход", 3, &TForm1::ExitExecute},
    {ID_ACTION_NEW, L"New", 4, &TForm1::NewExecute},
    {ID_ACTION_RENAME, L"Переименовать", -1, &TForm1::RenameExecute},
    {ID_ACTION1, L"Закрыть", -1, &TForm1::Action1Execute},
    {ID_ACTION_FIND, L"Найти", -1, &TForm1::FindExecute},
    {ID_ACTION_FIND_NEXT, L"Найти далее", -1, &TForm1::FindNextExecute},
    {ID_ACTION_FIND_PREVIOUS, L"Найти ранее", -1, &TForm1::FindPreviousExecute},
    {ID_ACTION_HISTORY, L"История страницы…", -1, &TForm1::HistoryExecute},
    {ID_ACTION_REOPEN, L"Вернуть закрытую вкладку", -1, &TForm1::ReopenExecute},
};

const KeyBinding kKeyTable[] = {
    {{'N', true, false}, ID_ACTION_NEW},
    {{VK_F2, false, false}, ID_ACTION_RENAME},
    {{'W', true, false}, ID_ACTION1},
    {{'F', true, false}, ID_ACTION_FIND},
    {{VK_F3, false, false}, ID_ACTION_FIND_NEXT},
    {{VK_F3, false, true}, ID_ACTION_FIND_PREVIOUS},
    {{'T', true, true}, ID_ACTION_REOPEN},
    // The classic text area ignores Ctrl+A: it selects the whole page, as "Выделить все" does.
    {{'A', true, false}, ID_N5},
};

const MenuItemBinding kMenuItemTable[] = {
    // The tab strip's menu.
    {ID_N2, ID_ACTION_RENAME, nullptr, -1},
    {ID_N1, ID_ACTION1, nullptr, -1},
    {ID_N15, ID_ACTION_HISTORY, nullptr, -1},
    {ID_N16, ID_ACTION_REOPEN, nullptr, -1},
    // The notification icon's menu.
    {ID_N3, 0, &TForm1::N3Click, -1},
    {ID_N14, 0, &TForm1::N14Click, -1},
    {ID_N4, ID_ACTION_EXIT, nullptr, -1},
    // The text area's menu.
    {ID_N12, 0, &TForm1::N12Click, -1},
    {ID_N6, ID_ACTION_CUT, nullptr, 0},
    {ID_N7, ID_ACTION_COPY, nullptr, 1},
    {ID_N8, ID_ACTION_PASTE, nullptr, 2},
    {ID_N9, 0, &TForm1::N9Click, 3},
    {ID_N5, 0, &TForm1::N5Click, -1},
};

const MenuDeclaration kMenuTable[] = {
    {&TForm1::PopupMenu1, IDM_POPUPMENU1, 0, false},
    {&TForm1::PopupMenu2, IDM_POPUPMENU2, ID_N3, false},
    {&TForm1::PopupMenu3, IDM_POPUPMENU3, 0, true},
};

const NotifyBinding kNotifyTable[] = {
    {&TForm1::TabControl1, TCN_SELCHANGING, &TForm1::TabControl1Changing},
    {&TForm1::TabControl1, TCN_SELCHANGE, &TForm1::TabControl1Change},
};

const NotifyBinding kControlCommandTable[] = {
    {&TForm1::Memo1, EN_CHANGE, &TForm1::Memo1Change},
};

}  // namespace

const std::span<const ControlDeclaration> kControls = kControlTable;
const std::span<const ActionDeclaration> kActions = kActionTable;
const std::span<const MenuItemBinding> kMenuItems = kMenuItemTable;
const std::span<const MenuDeclaration> kMenus = kMenuTable;
const std::span<const NotifyBinding> kNotifications = kNotifyTable;
const std::span<const NotifyBinding> kControlCommands = kControlCommandTable;
const std::span<const KeyBinding> kKeys = kKeyTable;

const KeyBinding* FindKey(UINT command) {
    auto it = std::find_if(kKeys.begin(), kKeys.end(),
                           [command](const KeyBinding& k) { return k.command == command; });
    return it == kKeys.end() ? nullptr : &*it;
}

std::wstring MenuCaption(std::wstring caption, UINT command) {
    if (const auto* key = FindKey(command)) {
        caption += L"\t" + ShortcutText(key->keys);
    }
    return caption;
}

std::wstring ToolbarHint(std::wstring caption, UINT command) {
    if (const auto* key = FindKey(command)) {
        caption += L" (" + ShortcutText(key->keys) + L")";
    }
    return caption;
}

const ActionDeclaration* FindAction(UINT id) {
    auto it = std::find_if(kActions.begin(), kActions.end(),
                           [id](const ActionDeclaration& a) { return a.id == id; });
    return it == kActions.end() ? nullptr : &*it;
}

const ControlDeclaration* FindControl(HWND TForm1::*field) {
    auto it = std::find_if(kControls.begin(), kControls.end(),
                           [field](const ControlDeclaration& c) { return c.field == field; });
    return it == kControls.end() ? nullptr : &*it;
}

const MenuItemBinding* FindMenuItem(UINT id) {
    auto it = std::find_if(kMenuItems.begin(), kMenuItems.end(),
                           [id](const MenuItemBinding& m) { return m.item == id; });
    return it == kMenuItems.end() ? nullptr : &*it;
}

}  // namespace qb::ui
