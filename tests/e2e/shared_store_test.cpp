// The store shared with other programs: another editor or a sync engine writes in Strings/
// while the real program runs. What they write shows within a second, what the user typed is
// never written over theirs nor theirs over it, and after a restart every version of every page
// is reachable from the tabs.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

using Captions = std::vector<std::wstring>;

void TwoTabs(const ScratchDir& dir) {
    WriteStore(dir, UsualSettings(0), "A\r\nB\r\n", {{0, "page of A"}, {1, "page of B"}});
}

// Waits up to two seconds for the program to show what the condition asks; true when it does.
bool Within(const Program& program, const std::function<bool()>& shown) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!shown()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        program.Idle(50);
    }
    return true;
}

// Every page's text on disk after a restart, by the caption of its tab.
std::map<std::wstring, std::string> PagesAfterARestart(const ScratchDir& dir) {
    Program again(dir);
    EXPECT_TRUE(again.startupErrors.empty());
    std::map<std::wstring, std::string> pages;
    const Captions captions = again.Captions();
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        const std::wstring page = PageFile(i);
        pages[captions[static_cast<std::size_t>(i)]] = dir.Exists(page) ? dir.Read(page) : "";
    }
    return pages;
}

TEST(SharedStore, PageOnScreenEditedElsewhereShowsAndIsNotWrittenOver) {
    ScratchDir dir;
    TwoTabs(dir);
    {
        Program program(dir);
        dir.Write(L"Strings/Tab0.txt", "edited elsewhere");
        EXPECT_TRUE(Within(program, [&] { return program.MemoText() == L"edited elsewhere"; }))
            << "shown within a second or two";
        program.ClickTab(1);
        EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "edited elsewhere");
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_EQ(PagesAfterARestart(dir)[L"A"], "edited elsewhere");
}

TEST(SharedStore, TypedTextAndTheirsWrittenAtOnceAreBothKept) {
    ScratchDir dir;
    TwoTabs(dir);
    {
        Program program(dir);
        program.Activate();
        program.Keys({VK_CONTROL, VK_END});
        program.Type(L", mine");
        dir.Write(L"Strings/Tab0.txt", "theirs");
        EXPECT_TRUE(Within(program, [&] { return program.TabCount() == 3; }));
        const auto notice = program.ErrorBoxText(2000);
        ASSERT_TRUE(notice.has_value()) << "the user is told";
        EXPECT_NE(notice->find(L"A (ваша версия)"), std::wstring::npos);
        program.DismissErrorBox();
        EXPECT_EQ(program.Captions(), (Captions{L"A", L"B", L"A (ваша версия)"}));
        EXPECT_EQ(program.MemoText(), L"page of A, mine") << "typing goes on in the user's text";
        EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "theirs");
        ASSERT_TRUE(program.CloseFromOutside());
    }
    const auto pages = PagesAfterARestart(dir);
    EXPECT_EQ(pages.at(L"A"), "theirs");
    EXPECT_EQ(pages.at(L"A (ваша версия)"), Ansi(L"page of A, mine"));
}

TEST(SharedStore, TabBroughtFromAnotherMachineIsFollowedAndKept) {
    ScratchDir dir;
    TwoTabs(dir);
    {
        Program program(dir);
        program.ClickTab(1);
        dir.Write(L"Strings/Tab2.txt", "page of C");
        dir.Write(L"Strings/Tabs.txt", "A\r\nB\r\nC\r\n");
        EXPECT_TRUE(Within(program, [&] { return program.TabCount() == 3; }));
        EXPECT_EQ(program.Captions(), (Captions{L"A", L"B", L"C"}));
        EXPECT_EQ(program.SelectedTab(), 1) << "the same tab stays selected";
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "A\r\nB\r\nC\r\n");
    EXPECT_EQ(PagesAfterARestart(dir)[L"C"], "page of C");
}

TEST(SharedStore, SyncEnginesConflictCopyBecomesATab) {
    ScratchDir dir;
    TwoTabs(dir);
    const std::wstring copy = L"Strings/Tab1.sync-conflict-20261208-220327-HNP2OSX.txt";
    {
        Program program(dir);
        dir.Write(copy, "page of B, as the other machine had it");
        EXPECT_TRUE(Within(program, [&] { return program.TabCount() == 3; }));
        const auto notice = program.ErrorBoxText(2000);
        ASSERT_TRUE(notice.has_value()) << "the user is told which page it belongs to";
        EXPECT_NE(notice->find(L"«B»"), std::wstring::npos);
        program.DismissErrorBox();
        EXPECT_FALSE(dir.Exists(copy));
        ASSERT_TRUE(program.CloseFromOutside());
    }
    const auto pages = PagesAfterARestart(dir);
    EXPECT_EQ(pages.at(L"B"), "page of B");
    EXPECT_EQ(pages.at(L"B (копия синхронизации)"), "page of B, as the other machine had it");
}

}  // namespace
}  // namespace e2e
