// Keys pressed in the real program: finding text across the pages (Ctrl+F, F3, Shift+F3) and
// the tab commands (Ctrl+N, F2, Ctrl+W), each as its toolbar button or menu item runs it.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

using Captions = std::vector<std::wstring>;

void ThreeTabs(const ScratchDir& dir) {
    WriteStore(dir, UsualSettings(0), "A\r\nB\r\nC\r\n",
               {{0, "page of A"}, {1, "page of B"}, {2, "the word zebra lives in C"}});
}

// The text area's selection, start and end.
std::pair<int, int> Selection(const Program& program) {
    const auto both = static_cast<DWORD>(SendMessageW(program.memo(), EM_GETSEL, 0, 0));
    return {LOWORD(both), HIWORD(both)};
}

// Ctrl+F, the text typed into the prompt, Enter.
void FindWithThePrompt(Program& program, const std::wstring& text) {
    program.Keys({VK_CONTROL, 'F'});
    ASSERT_NE(program.WaitForDialog(L"Найти"), nullptr) << "the prompt";
    program.Type(text);  // the last text searched is selected: typing replaces it
    program.Keys({VK_RETURN});
    program.Idle(200);
}

TEST(Keys, CtrlFFindsAWordOnAnotherTabAndShowsItSelected) {
    ScratchDir dir;
    ThreeTabs(dir);
    Program program(dir);
    program.SetMemoText(L"A, edited");
    program.Activate();
    FindWithThePrompt(program, L"ZEBRA");
    EXPECT_EQ(program.SelectedTab(), 2);
    EXPECT_EQ(Selection(program), (std::pair<int, int>{9, 14}));
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "A, edited") << "the page left is saved";
    EXPECT_EQ(program.Focus(), program.memo());
}

TEST(Keys, F3AndShiftF3WalkTheMatchesAndF3AsksWhenNothingWasSearched) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "A\r\nB\r\n", {{0, "one, one, one"}, {1, "one more"}});
    Program program(dir);
    program.Activate();
    program.Keys({VK_F3});
    HWND prompt = program.WaitForDialog(L"Найти");
    ASSERT_NE(prompt, nullptr) << "nothing searched yet: F3 asks";
    program.Type(L"one");
    program.Keys({VK_RETURN});
    program.Idle(200);
    EXPECT_EQ(Selection(program), (std::pair<int, int>{0, 3}));
    program.Keys({VK_F3});
    EXPECT_EQ(Selection(program), (std::pair<int, int>{5, 8}));
    program.Keys({VK_F3});
    EXPECT_EQ(Selection(program), (std::pair<int, int>{10, 13}));
    program.Keys({VK_F3});
    EXPECT_EQ(program.SelectedTab(), 1) << "on to the next tab";
    EXPECT_EQ(Selection(program), (std::pair<int, int>{0, 3}));
    program.Keys({VK_SHIFT, VK_F3});
    EXPECT_EQ(program.SelectedTab(), 0) << "and back";
    EXPECT_EQ(Selection(program), (std::pair<int, int>{10, 13}));
    program.Keys({VK_SHIFT, VK_F3});
    EXPECT_EQ(Selection(program), (std::pair<int, int>{5, 8}));
}

TEST(Keys, NothingFoundIsToldAndNothingMoves) {
    ScratchDir dir;
    ThreeTabs(dir);
    Program program(dir);
    program.ClickTab(1);
    program.Activate();
    program.Keys({VK_CONTROL, 'F'});
    ASSERT_NE(program.WaitForDialog(L"Найти"), nullptr);
    program.Type(L"absent");
    program.Keys({VK_RETURN});
    const auto notice = program.ErrorBoxText();
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(*notice, L"Текст «absent» не найден.");
    program.DismissErrorBox();
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(Selection(program), (std::pair<int, int>{0, 0}));
}

TEST(Keys, CtrlNF2AndCtrlWRunTheTabCommandsAndNothingWhileDisabled) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "A\r\nB\r\n", {{0, "page of A"}, {1, "page of B"}});
    Program program(dir);
    program.Activate();
    program.Keys({VK_CONTROL, 'N'});
    ASSERT_NE(program.WaitForDialog(L"Новая вкладка"), nullptr);
    program.Type(L"C");
    program.Keys({VK_RETURN});
    program.Idle(200);
    EXPECT_EQ(program.Captions(), (Captions{L"A", L"B", L"C"}));
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "A\r\nB\r\nC\r\n");

    program.Keys({VK_F2});
    ASSERT_NE(program.WaitForDialog(L"Новое имя"), nullptr);
    program.Type(L"Third");
    program.Keys({VK_RETURN});
    program.Idle(200);
    EXPECT_EQ(program.Captions(), (Captions{L"A", L"B", L"Third"}));

    for (const int left : {2, 1}) {
        program.Keys({VK_CONTROL, 'W'});
        ASSERT_NE(program.WaitForDialog(L"Warning"), nullptr);
        program.Keys({VK_RETURN});
        program.Idle(200);
        EXPECT_EQ(program.TabCount(), left);
    }
    // One tab left: Close is disabled, and its key does nothing.
    program.Keys({VK_CONTROL, 'W'});
    EXPECT_EQ(program.FindOwnWindow(nullptr, L"Warning", 500), nullptr);
    EXPECT_EQ(program.TabCount(), 1);
}

TEST(Keys, EditingKeysStayTheTextAreas) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "A\r\n", {{0, "word"}});
    Program program(dir);
    program.Activate();
    program.Keys({VK_CONTROL, VK_END});
    program.Type(L" more");
    program.Keys({VK_CONTROL, 'Z'});
    EXPECT_EQ(program.MemoText(), L"word") << "Ctrl+Z undoes the typing";
    SetClipboardText(L" pasted");
    program.Keys({VK_CONTROL, VK_END});
    program.Keys({VK_CONTROL, 'V'});
    EXPECT_EQ(program.MemoText(), L"word pasted") << "Ctrl+V pastes";
}

}  // namespace
}  // namespace e2e
