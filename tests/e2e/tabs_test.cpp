// Tab pages through the real program: switching by click, Ctrl+Tab and access keys; new,
// rename and close with their dialogs; the page files on disk after each.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

// A store with the given captions and pages, the given tab selected.
void MakeStore(const ScratchDir& dir, const std::vector<std::string>& captions, int selected) {
    dir.Write(L"settings.dat", SettingsBytes(60, 60, 255, 433, 202, selected));
    std::string list;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        list += captions[i] + "\r\n";
        dir.Write(PageFile(static_cast<int>(i)), "page " + std::to_string(i));
    }
    dir.Write(L"Strings/Tabs.txt", list);
}

HWND FocusOf(const Program& program) {
    return program.Focus();
}

// Clicks the toolbar's first button, New (a 25 by 24 cell one pixel in from the bar's corner);
// true once its prompt is up.
bool PromptFromNewButton(Program& program) {
    program.Click(program.toolbar(), 13, 13);
    return program.WaitForDialog(L"Новая вкладка") != nullptr;
}

constexpr auto kRename = Program::kRenameTab;
constexpr auto kClose = Program::kCloseTab;

// Picks an item of the tab strip's menu; true once its prompt or warning is up.
bool DialogFromTabMenu(Program& program, Program::TabMenuItem item) {
    program.TabMenu(item);
    return program.WaitForDialog(item == kRename ? L"Новое имя" : L"Warning") != nullptr;
}

TEST(TabSwitch, ClickSavesThePageLeftAndShowsThePageReached) {
    ScratchDir dir;
    MakeStore(dir, {"Main", "Work"}, 0);
    Program program(dir);
    program.SetMemoText(L"edited main");
    program.ClickTab(1);
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "edited main");
    EXPECT_EQ(program.MemoText(), L"page 1");
    EXPECT_EQ(FocusOf(program), program.memo()) << "the strip never takes the focus";
}

TEST(TabSwitch, CtrlTabOnTheLastTabWrapsToTheFirst) {
    ScratchDir dir;
    MakeStore(dir, {"A", "B", "C"}, 2);
    Program program(dir);
    program.Activate();
    program.SetMemoText(L"third edited");
    program.Keys({VK_CONTROL, VK_TAB});
    EXPECT_EQ(program.SelectedTab(), 0);
    EXPECT_EQ(dir.Read(L"Strings/Tab2.txt"), "third edited");
    EXPECT_EQ(program.MemoText(), L"page 0");

    program.Keys({VK_CONTROL, VK_SHIFT, VK_TAB});
    EXPECT_EQ(program.SelectedTab(), 1) << "Ctrl+Shift+Tab moves forward too";
    EXPECT_EQ(program.MemoText(), L"page 1");
    EXPECT_EQ(FocusOf(program), program.memo());
}

TEST(TabSwitch, PlainTabTypesNothingAndKeepsTheTab) {
    ScratchDir dir;
    MakeStore(dir, {"A", "B"}, 0);
    Program program(dir);
    program.Activate();
    program.Keys({VK_TAB});
    program.Keys({VK_SHIFT, VK_TAB});
    EXPECT_EQ(program.SelectedTab(), 0);
    EXPECT_EQ(program.MemoText(), L"page 0");
    EXPECT_EQ(FocusOf(program), program.memo());
    EXPECT_FALSE(dir.Read(L"Strings/Tab0.txt").empty());
}

TEST(TabSwitch, AccessKeyInACaptionSelectsItsTab) {
    ScratchDir dir;
    MakeStore(dir, {"&Alpha", "&Beta", "Gamma"}, 0);
    Program program(dir);
    program.Activate();
    program.SetMemoText(L"alpha edited");
    program.Keys({VK_MENU, 'B'});
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "alpha edited");
    EXPECT_EQ(program.MemoText(), L"page 1");

    // The selected tab's own key saves and loads its page again.
    program.SetMemoText(L"beta edited");
    program.Keys({VK_MENU, 'B'});
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), "beta edited");
}

TEST(TabSwitch, FailedSaveRefusesTheSwitch) {
    ScratchDir dir;
    MakeStore(dir, {"Main", "Work"}, 0);
    Program program(dir);
    std::filesystem::remove(dir / L"Strings/Tab0.txt");
    std::filesystem::create_directory(dir / L"Strings/Tab0.txt");
    program.SetMemoText(L"kept in the window");
    program.ClickTab(1);
    const auto error = program.ErrorBoxText();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->substr(0, 20), L"Cannot create file \"");
    program.DismissErrorBox();
    EXPECT_EQ(program.SelectedTab(), 0);
    EXPECT_EQ(program.MemoText(), L"kept in the window");
}

TEST(NewTab, MakesATabAfterSavingThePageLeft) {
    ScratchDir dir;
    MakeStore(dir, {"Main"}, 0);
    Program program(dir);
    program.SetMemoText(L"main text");
    ASSERT_TRUE(PromptFromNewButton(program));
    program.Type(L"Work");  // the initial caption is selected: typing replaces it
    program.Keys({VK_RETURN});
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main", L"Work"}));
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(program.MemoText(), L"");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "main text");
    EXPECT_FALSE(dir.Exists(L"Strings/Tab1.txt"));

    program.ClickTab(0);
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), "");
    EXPECT_EQ(program.MemoText(), L"main text");
}

TEST(NewTab, CancelChangesNothing) {
    ScratchDir dir;
    MakeStore(dir, {"Main"}, 0);
    Program program(dir);
    program.SetMemoText(L"unsaved");
    auto topmost = [&] {
        return (GetWindowLongPtrW(program.form(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    };
    EXPECT_TRUE(topmost());
    ASSERT_TRUE(PromptFromNewButton(program));
    EXPECT_FALSE(topmost()) << "the window gives up its place while the prompt is open";
    program.Type(L"Other");
    program.Keys({VK_ESCAPE});
    EXPECT_TRUE(topmost()) << "and takes it back after";
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main"}));
    EXPECT_EQ(program.MemoText(), L"unsaved");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "page 0");
}

TEST(NewTab, PastedLineBreaksNeverReachTheCaption) {
    ScratchDir dir;
    MakeStore(dir, {"Main"}, 0);
    Program program(dir);
    ASSERT_TRUE(PromptFromNewButton(program));
    SetClipboardText(L"ab\rcd");
    program.Keys({VK_CONTROL, 'V'});
    program.Keys({VK_RETURN});
    ASSERT_EQ(program.TabCount(), 2);
    EXPECT_EQ(program.Captions()[1], L"abcd");
    ASSERT_TRUE(program.CloseFromOutside());
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\nabcd\r\n");
}

TEST(RenameTab, ConfirmedTakesTheTextCancelledKeepsTheCaption) {
    ScratchDir dir;
    MakeStore(dir, {"Main", "Work"}, 1);
    Program program(dir);
    ASSERT_TRUE(DialogFromTabMenu(program, kRename));
    program.Type(L"Job");
    program.Keys({VK_RETURN});
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main", L"Job"}));

    ASSERT_TRUE(DialogFromTabMenu(program, kRename));
    program.Type(L"Nothing");
    program.Keys({VK_ESCAPE});
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main", L"Job"}));
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\nJob\r\n") << "the list follows at once";
}

TEST(CloseTab, SecondOfFiveRenumbersTheLaterPages) {
    ScratchDir dir;
    MakeStore(dir, {"T0", "T1", "T2", "T3", "T4"}, 1);
    Program program(dir);
    program.SetMemoText(L"dropped edit");
    ASSERT_TRUE(DialogFromTabMenu(program, kClose));
    program.Keys({VK_RETURN});
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"T0", L"T2", L"T3", L"T4"}));
    EXPECT_EQ(program.SelectedTab(), 0);
    EXPECT_EQ(program.MemoText(), L"page 0");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "page 0");
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), "page 2");
    EXPECT_EQ(dir.Read(L"Strings/Tab2.txt"), "page 3");
    EXPECT_EQ(dir.Read(L"Strings/Tab3.txt"), "page 4");
    EXPECT_FALSE(dir.Exists(L"Strings/Tab4.txt"));
}

TEST(CloseTab, FirstOfThreeSelectsTheNextOne) {
    ScratchDir dir;
    MakeStore(dir, {"T0", "T1", "T2"}, 0);
    Program program(dir);
    ASSERT_TRUE(DialogFromTabMenu(program, kClose));
    program.Keys({VK_RETURN});
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"T1", L"T2"}));
    EXPECT_EQ(program.SelectedTab(), 0);
    EXPECT_EQ(program.MemoText(), L"page 1");
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "page 1");
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), "page 2");
}

TEST(CloseTab, DeclinedChangesNothing) {
    ScratchDir dir;
    MakeStore(dir, {"T0", "T1"}, 1);
    Program program(dir);
    ASSERT_TRUE(DialogFromTabMenu(program, kClose));
    program.Keys({VK_ESCAPE});
    EXPECT_EQ(program.TabCount(), 2);
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_TRUE(dir.Exists(L"Strings/Tab1.txt"));
}

TEST(CloseTab, LeavingOneTabDisablesTheCloseCommand) {
    ScratchDir dir;
    MakeStore(dir, {"T0", "T1"}, 1);
    Program program(dir);
    ASSERT_TRUE(DialogFromTabMenu(program, kClose));
    program.Keys({VK_RETURN});
    ASSERT_EQ(program.TabCount(), 1);

    // "Удалить" is greyed now: choosing it does nothing.
    program.TabMenu(kClose);
    program.Keys({VK_ESCAPE});
    EXPECT_EQ(program.TabCount(), 1);
    EXPECT_EQ(program.FindOwnWindow(L"#32770", L"Warning", 300), nullptr);
}

TEST(CloseTab, TheOnlyTabLeavesNoSelectionAndPageMinusOne) {
    ScratchDir dir;
    MakeStore(dir, {"Only"}, 0);
    Program program(dir);
    EXPECT_EQ(program.MemoText(), L"page 0");
    ASSERT_TRUE(DialogFromTabMenu(program, kClose));
    program.Keys({VK_RETURN});
    EXPECT_EQ(program.TabCount(), 0);
    EXPECT_EQ(program.SelectedTab(), -1);
    EXPECT_EQ(program.MemoText(), L"page 0");
    EXPECT_FALSE(dir.Exists(L"Strings/Tab0.txt"));

    program.SetMemoText(L"orphan");
    ASSERT_TRUE(program.CloseFromOutside());
    EXPECT_EQ(dir.Read(L"Strings/Tab-1.txt"), "orphan");
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "");
    EXPECT_EQ(DecodeSettings(dir.Read(L"settings.dat")).tabIndex, -1);
}

}  // namespace
}  // namespace e2e
