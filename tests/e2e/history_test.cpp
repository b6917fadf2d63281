// Nothing lost to the user's own hand, with real keys: Ctrl+A selects the whole page, a closed
// tab comes back with Ctrl+Shift+T (also after Exit and a restart), and a page typed over is
// brought back from "История страницы".
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

using Captions = std::vector<std::wstring>;

std::pair<int, int> Selection(const Program& program) {
    const auto both = static_cast<DWORD>(SendMessageW(program.memo(), EM_GETSEL, 0, 0));
    return {LOWORD(both), HIWORD(both)};
}

void ThreeTabs(const ScratchDir& dir, int selected) {
    WriteStore(dir, UsualSettings(selected), "A\r\nB\r\nC\r\n",
               {{0, "page of A"}, {1, "page of B\r\n\xcf\xf0\xe8\xe2\xe5\xf2"}, {2, "page of C"}});
}

std::map<std::wstring, std::string> Store(const ScratchDir& dir) {
    std::map<std::wstring, std::string> files;
    for (const wchar_t* name :
         {L"Strings/Tabs.txt", L"Strings/Tab0.txt", L"Strings/Tab1.txt", L"Strings/Tab2.txt"}) {
        files[name] = dir.Exists(name) ? dir.Read(name) : "<none>";
    }
    return files;
}

void CloseSelectedTab(Program& program) {
    program.Keys({VK_CONTROL, 'W'});
    ASSERT_NE(program.WaitForDialog(L"Warning"), nullptr);
    program.Keys({VK_RETURN});
    program.Idle(200);
}

TEST(History, CtrlASelectsTheWholePage) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "A\r\n", {{0, "one line\r\nand another"}});
    Program program(dir);
    program.Activate();
    SendMessageW(program.memo(), EM_SETSEL, 3, 3);
    program.Keys({VK_CONTROL, 'A'});
    program.Idle(100);
    EXPECT_EQ(Selection(program), (std::pair<int, int>{0, 21}));
    program.Type(L"x");
    program.Idle(100);
    EXPECT_EQ(program.MemoText(), L"x") << "typing replaces the whole page";
}

TEST(History, CtrlShiftTReopensTheClosedTabAtItsPlaceByteForByte) {
    ScratchDir dir;
    ThreeTabs(dir, 1);
    const auto before = Store(dir);
    Program program(dir);
    program.Activate();
    CloseSelectedTab(program);
    EXPECT_EQ(program.Captions(), (Captions{L"A", L"C"}));
    program.Keys({VK_CONTROL, VK_SHIFT, 'T'});
    program.Idle(200);
    EXPECT_EQ(program.Captions(), (Captions{L"A", L"B", L"C"}));
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(program.MemoText(), L"page of B\r\nПривет");
    EXPECT_EQ(Store(dir), before);
    // Nothing more to reopen: the key does nothing.
    program.Keys({VK_CONTROL, VK_SHIFT, 'T'});
    program.Idle(200);
    EXPECT_EQ(program.Captions(), (Captions{L"A", L"B", L"C"}));
}

TEST(History, AClosedTabComesBackAfterExitAndARestart) {
    ScratchDir dir;
    ThreeTabs(dir, 2);
    const auto before = Store(dir);
    {
        Program program(dir);
        program.Activate();
        CloseSelectedTab(program);
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_FALSE(dir.Exists(L"Strings/Tab2.txt"));
    Program again(dir);
    again.Activate();
    again.TabMenu(Program::kReopenTab);
    again.Idle(200);
    EXPECT_EQ(again.Captions(), (Captions{L"A", L"B", L"C"}));
    EXPECT_EQ(again.SelectedTab(), 2);
    EXPECT_EQ(Store(dir), before);
}

TEST(History, TextTypedOverComesBackFromThePageHistory) {
    ScratchDir dir;
    ThreeTabs(dir, 0);
    Program program(dir);
    program.Activate();
    program.Keys({VK_CONTROL, 'A'});
    program.Type(L"typed over");
    program.ClickTab(1);
    program.ClickTab(0);
    EXPECT_EQ(program.MemoText(), L"typed over");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "typed over");

    program.TabMenu(Program::kPageHistory);
    HWND dialog = program.WaitForDialog(L"История страницы");
    ASSERT_NE(dialog, nullptr);
    HWND list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
    HWND text = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    // Another process's control: its text through WM_GETTEXT.
    std::wstring shown(64, L'\0');
    shown.resize(static_cast<std::size_t>(
        SendMessageW(text, WM_GETTEXT, shown.size(), reinterpret_cast<LPARAM>(shown.data()))));
    EXPECT_EQ(shown, L"page of A");
    // The list has the focus; Tab goes on to the text, then to "Восстановить".
    program.Keys({VK_TAB});
    program.Keys({VK_TAB});
    program.Keys({VK_SPACE});
    program.Idle(300);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(program.MemoText(), L"page of A");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "page of A");

    // The restore can be undone the same way: the text it replaced is the newest version.
    program.TabMenu(Program::kPageHistory);
    dialog = program.WaitForDialog(L"История страницы");
    ASSERT_NE(dialog, nullptr);
    list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    program.Keys({VK_ESCAPE});
    program.Idle(200);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(program.MemoText(), L"page of A");
}

}  // namespace
}  // namespace e2e
