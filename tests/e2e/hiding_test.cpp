// Hiding to the notification area: the caption's close and Alt+F4 hide the window, the icon's
// messages show it again, and Exit from the icon's menu ends the program.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

constexpr UINT kTrayCallback = WM_USER + 1;

void MakeStore(const ScratchDir& dir) {
    WriteStore(dir, UsualSettings(), "Main\r\n", {{0, "stored"}});
}

// The icon reports a mouse event as the shell does.
void IconEvent(Program& program, UINT mouseMessage) {
    PostMessageW(program.form(), kTrayCallback, 1, mouseMessage);
    program.Idle(100);
}

// Opens the icon's menu and picks an item by its position from the keyboard: Down from the
// top reaches "Восстановить" (1), "О программе..." (2); Up from the top reaches "Выход".
void IconMenu(Program& program, std::initializer_list<WORD> keys) {
    IconEvent(program, WM_RBUTTONUP);
    for (WORD k : keys) {
        program.Keys({k});
    }
    program.Keys({VK_RETURN});
}

bool Shown(const Program& program) {
    return IsWindowVisible(program.form()) && IsWindowVisible(program.application());
}

TEST(Hiding, CaptionCloseButtonHidesAndWritesNothing) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    program.SetMemoText(L"unsaved edit");
    const std::string settings = dir.Read(L"settings.dat");
    program.ClickAt(program.CloseButton());
    EXPECT_FALSE(IsWindowVisible(program.form()));
    EXPECT_FALSE(IsWindowVisible(program.application())) << "the taskbar button goes too";
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "stored");
    EXPECT_EQ(dir.Read(L"settings.dat"), settings);

    IconEvent(program, WM_LBUTTONUP);
    EXPECT_TRUE(Shown(program));
    EXPECT_EQ(program.MemoText(), L"unsaved edit");
    EXPECT_EQ(program.Focus(), program.memo());
}

TEST(Hiding, AltF4HidesTheWindow) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    program.Activate();
    program.Keys({VK_MENU, VK_F4});
    EXPECT_FALSE(IsWindowVisible(program.form()));
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "stored");
}

TEST(Hiding, TwoLeftClicksOnTheIconHideAndShow) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    IconEvent(program, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(program.form()));
    EXPECT_FALSE(IsWindowVisible(program.application()));
    IconEvent(program, WM_LBUTTONUP);
    EXPECT_TRUE(Shown(program));

    // Other mouse events are ignored.
    IconEvent(program, WM_MOUSEMOVE);
    IconEvent(program, WM_LBUTTONDOWN);
    IconEvent(program, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(Shown(program));
}

TEST(Hiding, MinimizedApplicationStillCountsAsShown) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    // Minimize from the system menu: the whole application goes to its taskbar button.
    SendMessageW(program.form(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    program.Idle();
    EXPECT_FALSE(IsWindowVisible(program.form()));
    EXPECT_TRUE(IsIconic(program.application()));
    // The window still counts as shown: the first click hides it, button and all...
    IconEvent(program, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(program.form()));
    EXPECT_FALSE(IsWindowVisible(program.application()));
    // ...and the second brings it back.
    IconEvent(program, WM_LBUTTONUP);
    EXPECT_TRUE(Shown(program));
    EXPECT_FALSE(IsIconic(program.application()));
    EXPECT_EQ(program.Focus(), program.memo());
}

TEST(Hiding, RestoreFromTheIconMenuShowsTheWindow) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    IconEvent(program, WM_LBUTTONUP);
    ASSERT_FALSE(IsWindowVisible(program.form()));
    IconMenu(program, {VK_DOWN});
    EXPECT_TRUE(Shown(program));
    EXPECT_EQ(program.Focus(), program.memo());
}

// How many pixels of the menu-text colour the first item of the icon's menu shows while the
// menu is open: none when the item is greyed. Read from the screen, as a person sees it.
int RestoreItemTextPixels(Program& program) {
    IconEvent(program, WM_RBUTTONUP);
    HWND popup = program.FindOwnWindow(L"#32768", nullptr, 2000);
    int pixels = -1;
    if (popup != nullptr) {
        program.Idle(200);
        RECT r{};
        GetWindowRect(popup, &r);
        const COLORREF text = GetSysColor(COLOR_MENUTEXT);
        HDC screen = GetDC(nullptr);
        pixels = 0;
        const int itemHeight = GetSystemMetrics(SM_CYMENUSIZE);
        for (int y = r.top + 3; y < r.top + 3 + itemHeight; ++y) {
            for (int x = r.left + 3; x < r.right - 3; ++x) {
                pixels += GetPixel(screen, x, y) == text ? 1 : 0;
            }
        }
        ReleaseDC(nullptr, screen);
    }
    program.Keys({VK_ESCAPE});
    return pixels;
}

TEST(Hiding, RestoreIsEnabledOnlyWhileHidden) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    const int shown = RestoreItemTextPixels(program);
    ASSERT_GE(shown, 0) << "the menu did not open";
    EXPECT_EQ(shown, 0) << "greyed while the window is shown";
    IconEvent(program, WM_LBUTTONUP);
    EXPECT_GT(RestoreItemTextPixels(program), 20) << "enabled while hidden";
    EXPECT_FALSE(IsWindowVisible(program.form())) << "the menu leaves a hidden window hidden";
}

TEST(Hiding, ExitFromTheIconMenuWhileHiddenWritesEverythingAndEnds) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    program.SetMemoText(L"last words");
    ASSERT_TRUE(program.TrayIconRegistered());
    IconEvent(program, WM_LBUTTONUP);
    ASSERT_FALSE(IsWindowVisible(program.form()));
    IconMenu(program, {VK_UP});
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\n");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "last words");
    EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u);
}

TEST(Hiding, ExitRemovesTheIcon) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    const HWND form = program.form();
    ASSERT_TRUE(program.TrayIconRegistered());
    IconMenu(program, {VK_UP});
    ASSERT_TRUE(program.WaitForExit());
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = form;
    data.uID = 1;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &data));
}

TEST(Hiding, ExitThatCannotSaveKeepsTheProgramReachable) {
    ScratchDir dir;
    MakeStore(dir);
    Program program(dir);
    ASSERT_TRUE(program.TrayIconRegistered());
    // A directory where the tab list goes makes closing fail after the icon was removed.
    std::filesystem::remove(dir / L"Strings/Tabs.txt");
    std::filesystem::create_directory(dir / L"Strings/Tabs.txt");
    IconEvent(program, WM_LBUTTONUP);  // hidden: only the icon leads back
    IconMenu(program, {VK_UP});
    ASSERT_TRUE(program.ErrorBoxText().has_value());
    program.DismissErrorBox();
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(program.TrayIconRegistered()) << "the icon is registered again";
    IconEvent(program, WM_LBUTTONUP);
    EXPECT_TRUE(Shown(program));
}

}  // namespace
}  // namespace e2e
