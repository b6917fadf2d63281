// Two machines kept in sync by a real sync engine: two folders, each with its own copy of the
// program, and two Syncthing instances that sync_check.sh starts on 127.0.0.1 only. Typing, New,
// Rename and Close on one side appear on the other; both sides edit the same page while the link
// is paused, and after it is resumed both texts are reachable from the tabs on both sides. The
// run ends with one line: edits made, seen on the other side, bytes lost.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/sync/syncthing_rest.h"

namespace e2e {
namespace {

struct Account {
    int made = 0;
    int seen = 0;
    long long bytesLost = 0;
};
Account account;

class ReportAccount : public ::testing::Environment {
  public:
    void TearDown() override {
        if (account.made > 0) {
            std::printf("sync edits made: %d, seen on the other side: %d, bytes lost: %lld\n",
                        account.made, account.seen, account.bytesLost);
        }
    }
};
const auto* const kReport = ::testing::AddGlobalTestEnvironment(new ReportAccount);

// Waits up to `seconds` for a condition; true when it held.
bool Within(int seconds, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        Pause(200);
    }
    return true;
}

std::string PageOnDisk(const ScratchDir& dir, int index) {
    return dir.Exists(PageFile(index)) ? dir.Read(PageFile(index)) : std::string();
}

// Whether some tab of the store on disk has a page holding the text.
bool Reachable(const ScratchDir& dir, const std::string& text) {
    const std::string list = dir.Exists(L"Strings/Tabs.txt") ? dir.Read(L"Strings/Tabs.txt") : "";
    int tabs = 0;
    for (std::size_t at = 0; (at = list.find("\r\n", at)) != std::string::npos; at += 2) {
        ++tabs;
    }
    for (int i = 0; i < tabs; ++i) {
        if (PageOnDisk(dir, i).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// One edit made on one side, then looked for on the other.
void Expect(bool seen, const char* what, std::size_t bytes = 0) {
    ++account.made;
    if (seen) {
        ++account.seen;
    } else {
        account.bytesLost += static_cast<long long>(bytes);
    }
    EXPECT_TRUE(seen) << what << " did not reach the other side";
}

// A command through the window's menu: the prompt answered with the text, or the warning.
void Command(Program& program, UINT id, const wchar_t* dialog, const wchar_t* text = nullptr) {
    PostMessageW(program.form(), WM_COMMAND, id, 0);
    HWND box = program.WaitForDialog(dialog);
    ASSERT_NE(box, nullptr);
    if (text != nullptr) {
        SendMessageW(FindWindowExW(box, nullptr, L"EDIT", nullptr), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text));
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    program.Idle(300);
}

// Types at the end of the page on screen, and lets the background save write it.
void TypeAtTheEnd(Program& program, const std::wstring& text) {
    program.Activate();
    program.Keys({VK_CONTROL, VK_END});
    program.Type(text);
    Pause(2500);
}

// Answers any notice the program shows (a conflict kept, a copy taken).
void DismissNotices(Program& program) {
    while (program.ErrorBoxText(300)) {
        program.DismissErrorBox();
    }
}

TEST(Sync, TwoMachinesShareTheStoreAndLoseNothing) {
    Syncthing syncA("QB_SYNC_REST_A");
    Syncthing syncB("QB_SYNC_REST_B");
    ScratchDir a(fs::path(WinePath("QB_SYNC_A")));
    ScratchDir b(fs::path(WinePath("QB_SYNC_B")));
    WriteStore(a, SettingsBytes(40, 40, 255, 433, 202, 0), "Home\r\nWork\r\n",
               {{0, "home notes"}, {1, "work notes"}});
    ASSERT_TRUE(syncA.Rescan());
    ASSERT_TRUE(Within(30, [&] { return b.Exists(L"Strings/Tab1.txt"); })) << "the first sync";
    b.Write(L"settings.dat", SettingsBytes(520, 40, 255, 433, 202, 0));

    Program onA(a);
    Program onB(b);

    // Typing on one side appears on the other, in the text area there.
    TypeAtTheEnd(onA, L", typed on A");
    syncA.Rescan();
    Expect(Within(30, [&] { return onB.MemoText() == L"home notes, typed on A"; }), "typing on A",
           12);

    // New, Rename and Close.
    Command(onA, ID_ACTION_NEW, L"Новая вкладка", L"Plans");
    syncA.Rescan();
    Expect(Within(30, [&] { return onB.TabCount() == 3 && onB.Captions()[2] == L"Plans"; }),
           "a new tab");
    onA.ClickTab(1);
    Command(onA, ID_ACTION_RENAME, L"Новое имя", L"Office");
    syncA.Rescan();
    Expect(Within(30, [&] { return onB.Captions()[1] == L"Office"; }), "a rename");
    onA.ClickTab(2);
    Command(onA, ID_ACTION1, L"Warning");
    syncA.Rescan();
    Expect(Within(30, [&] { return onB.TabCount() == 2; }), "a close");

    // Both sides edit the same page while the link is paused.
    onA.ClickTab(0);
    onB.ClickTab(0);
    ASSERT_TRUE(syncA.Pause());
    ASSERT_TRUE(syncB.Pause());
    TypeAtTheEnd(onA, L", then on A alone");
    TypeAtTheEnd(onB, L", then on B alone");
    ASSERT_TRUE(syncA.Resume());
    ASSERT_TRUE(syncB.Resume());
    syncA.Rescan();
    syncB.Rescan();
    const std::string fromA = "then on A alone";
    const std::string fromB = "then on B alone";
    const auto both = [&](const ScratchDir& dir) {
        return Reachable(dir, fromA) && Reachable(dir, fromB);
    };
    Expect(Within(60,
                  [&] {
                      DismissNotices(onA);
                      DismissNotices(onB);
                      syncA.Rescan();
                      syncB.Rescan();
                      return both(a) && both(b);
                  }),
           "edits made on both sides at once", fromA.size() + fromB.size());

    DismissNotices(onA);
    DismissNotices(onB);
    ASSERT_TRUE(onA.CloseFromOutside());
    ASSERT_TRUE(onB.CloseFromOutside());
    // After a restart, every version is still reachable from the tabs on both sides.
    for (const ScratchDir* dir : {&a, &b}) {
        Program again(*dir);
        EXPECT_TRUE(Reachable(*dir, fromA));
        EXPECT_TRUE(Reachable(*dir, fromB));
        EXPECT_TRUE(Reachable(*dir, "typed on A"));
        EXPECT_EQ(again.Captions()[1], L"Office");
    }
}

}  // namespace
}  // namespace e2e
