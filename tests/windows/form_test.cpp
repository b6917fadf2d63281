// The main window as its declaration builds it, in this process and with a host that gives it
// nothing: where its controls lie as its size and rows of tabs change, what its menus show, and
// its toolbar following the actions' state.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"
#include "scratch_dir.h"
#include "ui/form1.h"
#include "ui/toolbar.h"

namespace {

class NoHost : public TFormHost {
  public:
    void FormCreate(TForm1&) override {}
    void FormClose(TForm1&) override {}
    void N14Click(TForm1&) override {}
    BOOL TrayIcon(TForm1&, int, HICON) override { return TRUE; }
    void ShowMessageBox(HWND, const std::wstring& text, UINT) override { shown.push_back(text); }
    std::vector<std::wstring> shown;
};

// A control's rectangle in its parent's client coordinates.
RECT Placed(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring ItemText(HMENU menu, UINT id) {
    std::wstring text(64, L'\0');
    const int length =
        GetMenuStringW(menu, id, text.data(), static_cast<int>(text.size()), MF_BYCOMMAND);
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

class Form : public ::testing::Test {
  protected:
    void SetUp() override {
        form_.Create(GetModuleHandleW(nullptr), nullptr, host_);
        ShowWindow(form_.Handle, SW_SHOWNOACTIVATE);
    }

    void Resize(int width, int height) {
        SetWindowPos(form_.Handle, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The toolbar above, the tab strip over the rest, the text area inside the strip's display
    // area with even margins left, right and below and at least one margin below the tabs.
    void ExpectLaidOut() {
        RECT client{};
        GetClientRect(form_.Handle, &client);
        const RECT bar = Placed(form_.ActionToolBar1);
        const RECT strip = Placed(form_.TabControl1);
        const RECT memo = Placed(form_.Memo1);
        EXPECT_EQ(bar.left, 0);
        EXPECT_EQ(bar.top, 0);
        EXPECT_EQ(bar.right, client.right);
        EXPECT_GT(bar.bottom, 0);
        EXPECT_EQ(strip.left, 0);
        EXPECT_EQ(strip.top, bar.bottom);
        EXPECT_EQ(strip.right, client.right);
        EXPECT_EQ(strip.bottom, client.bottom);

        const int margin = memo.left;
        EXPECT_GT(margin, 0);
        EXPECT_EQ(strip.right - strip.left - memo.right, margin);
        EXPECT_EQ(strip.bottom - strip.top - memo.bottom, margin);
        RECT lastRow{};
        const int count = form_.Tabs().Count();
        ASSERT_TRUE(SendMessageW(form_.TabControl1, TCM_GETITEMRECT, count - 1,
                                 reinterpret_cast<LPARAM>(&lastRow)));
        EXPECT_GE(memo.top, lastRow.bottom + margin);
    }

    qb::test::ScratchDir dir_;
    NoHost host_;
    TForm1 form_;
};

TEST_F(Form, ControlsFollowTheWindowsSizeAndRowsOfTabs) {
    ExpectLaidOut();
    Resize(700, 480);
    ExpectLaidOut();
    Resize(260, 160);
    ExpectLaidOut();

    // Enough tabs for several rows: the text area moves down below the last.
    const int oneRowTop = Placed(form_.Memo1).top;
    for (int i = 0; i < 12; ++i) {
        form_.Tabs().Append(L"Страница " + std::to_wstring(i));
    }
    form_.LayoutControls();
    ExpectLaidOut();
    EXPECT_GT(Placed(form_.Memo1).top, oneRowTop);
    EXPECT_TRUE(host_.shown.empty());
}

TEST_F(Form, MenuItemsShowTheirActionsCaptionsUnlessTheyHaveTheirOwn) {
    struct Item {
        HMENU menu;
        UINT id;
        const wchar_t* caption;
    };
    const Item items[] = {
        // With its action's key after a tab.
        {form_.PopupMenu1, ID_N2, L"Переименовать\tF2"},
        // Its own caption, not its action's "Закрыть".
        {form_.PopupMenu1, ID_N1, L"Удалить\tCtrl+W"},
        {form_.PopupMenu2, ID_N3, L"Восстановить"},
        {form_.PopupMenu2, ID_N4, L"Выход"},
        {form_.PopupMenu3, ID_N12, L"Отменить"},
        {form_.PopupMenu3, ID_N6, L"Вырезать"},
        {form_.PopupMenu3, ID_N7, L"Копировать"},
        {form_.PopupMenu3, ID_N8, L"Вставить"},
        {form_.PopupMenu3, ID_N9, L"Удалить"},
    };
    for (const Item& item : items) {
        EXPECT_EQ(ItemText(item.menu, item.id), item.caption) << item.id;
        EXPECT_EQ(GetMenuState(item.menu, item.id, MF_BYCOMMAND) & MF_SEPARATOR, 0u) << item.id;
    }
    EXPECT_EQ(GetMenuItemCount(form_.PopupMenu3), 8);
}

TEST_F(Form, TabMenuGreysHistoryAndReopenWhileTheyCanDoNothing) {
    const HMENU menu = form_.PopupMenu1;
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(GetMenuItemID(menu, 2), static_cast<UINT>(ID_N15));
    EXPECT_EQ(GetMenuItemID(menu, 3), static_cast<UINT>(ID_N16));
    EXPECT_EQ(ItemText(menu, ID_N15), L"История страницы…");
    EXPECT_EQ(ItemText(menu, ID_N16), L"Вернуть закрытую вкладку\tCtrl+Shift+T");
    const auto grayed = [&](UINT id) {
        SendMessageW(form_.Handle, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    // A store of two tabs, nothing closed, no earlier texts.
    CreateDirectoryW(L"Strings", nullptr);
    for (const auto& [name, bytes] : {std::pair{L"Strings\\Tabs.txt", "A\r\nB\r\n"},
                                      std::pair{L"Strings\\Tab0.txt", "page of A"},
                                      std::pair{L"Strings\\Tab1.txt", "page of B"}}) {
        const HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes, static_cast<DWORD>(strlen(bytes)), &written, nullptr);
        CloseHandle(file);
    }
    form_.Notes().Start();
    EXPECT_TRUE(grayed(ID_N15));
    EXPECT_TRUE(grayed(ID_N16));
    EXPECT_FALSE(grayed(ID_N1));
    // Edits whose save may keep the text before them.
    SetWindowTextW(form_.Memo1, L"typed");
    SendMessageW(form_.Memo1, EM_SETMODIFY, TRUE, 0);
    EXPECT_FALSE(grayed(ID_N15));
    form_.Notes().ClosePage(1);
    EXPECT_FALSE(grayed(ID_N16));
    form_.Notes().ReopenPage();
    EXPECT_TRUE(grayed(ID_N16));
    EXPECT_TRUE(host_.shown.empty());
}

TEST_F(Form, ToolbarTooltipsNameTheButtonsAndTheirKeys) {
    const HWND tip = qb::ui::ToolbarTooltip(form_.ActionToolBar1);
    ASSERT_NE(tip, nullptr);
    std::vector<std::wstring> hints;
    const auto count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(INFOTIPSIZE, L'\0');
        TOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info)));
        info.lpszText = text.data();
        SendMessageW(tip, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&info));
        hints.emplace_back(text.c_str());
    }
    // Each button's action, with the key where it has one; the chevron's hint besides.
    EXPECT_NE(std::find(hints.begin(), hints.end(), L"New (Ctrl+N)"), hints.end());
    EXPECT_NE(std::find(hints.begin(), hints.end(), L"Вырезать"), hints.end());
    EXPECT_NE(std::find(hints.begin(), hints.end(), L"Выход"), hints.end());
}

TEST_F(Form, ToolbarButtonsFollowTheirActionsState) {
    const HWND bar = form_.ActionToolBar1;
    const RECT cut = qb::ui::ToolbarItemRect(bar, 1);
    ASSERT_FALSE(IsRectEmpty(&cut));
    const LPARAM at = MAKELPARAM((cut.left + cut.right) / 2, (cut.top + cut.bottom) / 2);
    // A button that reacts takes the mouse when pressed; a disabled one lets it be.
    const auto press = [&] {
        SendMessageW(bar, WM_MOUSEMOVE, 0, at);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
        return GetCapture() == bar;
    };
    const auto memoText = [&] {
        std::wstring text(16, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(form_.Memo1, text.data(), static_cast<int>(text.size()))));
        return text;
    };
    SetWindowTextW(form_.Memo1, L"abc");
    SendMessageW(form_.Memo1, EM_SETSEL, 0, -1);

    form_.SetActionEnabled(ID_ACTION_CUT, false);
    EXPECT_FALSE(press()) << "the disabled action's button does not react";
    SendMessageW(bar, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(memoText(), L"abc");

    form_.SetActionEnabled(ID_ACTION_CUT, true);
    EXPECT_TRUE(press());
    SendMessageW(bar, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(memoText(), L"") << "the button cut the selection";
}

// The height of "0" in a control's font: the window's scale is that over 13.
int ZeroHeightOf(HWND control) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old =
        SelectObject(screen, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE zero{};
    GetTextExtentPoint32W(screen, L"0", 1, &zero);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return zero.cy;
}

TEST_F(Form, AChangeOfScaleRelaysTheWindowAtTheSuggestedRectangle) {
    struct Change {
        int dpi;
        RECT suggested;
    };
    // To a screen at 150 % and back to one at 100 %.
    for (const Change change :
         {Change{144, {100, 120, 750, 420}}, Change{96, {60, 70, 493, 272}}}) {
        RECT suggested = change.suggested;
        SendMessageW(form_.Handle, WM_DPICHANGED, MAKEWPARAM(change.dpi, change.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT window{};
        GetWindowRect(form_.Handle, &window);
        EXPECT_TRUE(EqualRect(&window, &change.suggested)) << change.dpi;

        const int zero = ZeroHeightOf(form_.ActionToolBar1);
        if (change.dpi == 96) {
            EXPECT_EQ(zero, 13);
        } else {
            EXPECT_GT(zero, 13) << "the fonts at the new scale";
        }
        EXPECT_EQ(ZeroHeightOf(form_.Memo1), zero);
        // The toolbar, its cells and the slider over it by the window's rule.
        const RECT bar = Placed(form_.ActionToolBar1);
        EXPECT_EQ(bar.bottom - bar.top, MulDiv(26, zero, 13)) << change.dpi;
        const RECT cell = qb::ui::ToolbarItemRect(form_.ActionToolBar1, 0);
        EXPECT_NEAR(cell.bottom - cell.top, 24.0 * zero / 13, 1.0) << change.dpi;
        EXPECT_NEAR(cell.right - cell.left, 25.0 * zero / 13, 1.0) << change.dpi;
        const RECT slider = Placed(form_.TrackBar1);
        EXPECT_EQ(slider.left, MulDiv(184, zero, 13)) << change.dpi;
        EXPECT_EQ(slider.top, MulDiv(7, zero, 13)) << change.dpi;
        EXPECT_EQ(slider.right - slider.left, MulDiv(65, zero, 13)) << change.dpi;
        EXPECT_EQ(slider.bottom - slider.top, MulDiv(15, zero, 13)) << change.dpi;
        EXPECT_EQ(SendMessageW(form_.TrackBar1, TBM_GETTHUMBLENGTH, 0, 0), MulDiv(10, zero, 13));
        ExpectLaidOut();
    }
    EXPECT_TRUE(host_.shown.empty());
}

TEST_F(Form, WhateverAHandlerThrowsReachesTheErrorBox) {
    // A failure of the standard library too: leaving the guard, it would end the program with
    // the edits not yet saved.
    EXPECT_FALSE(form_.Guard([] { throw std::length_error("vector too long"); }));
    ASSERT_EQ(host_.shown.size(), 1u);
    EXPECT_EQ(host_.shown[0], L"vector too long.");
    EXPECT_TRUE(form_.Guard([] {}));
}

}  // namespace
