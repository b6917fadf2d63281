// Power cuts: the real program ended at once (TerminateProcess, as a power cut, a crash or a kill
// from the task manager would) during and after each command that changes the store, while the
// user types, and between every two file operations of a tab close. Then the next start, driven
// from outside, is checked against the files on disk: one of the tab lists the user could have
// seen, each tab with its own page, no stored note lost. The suite ends with one line: cuts
// injected, survived, bytes of stored notes lost, and pages shown under another tab's caption.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/ledger.h"

namespace e2e {
namespace {

struct CutLedger : Ledger {
    int misplaced = 0;  // pages shown under another tab's caption
};
CutLedger ledger;
const auto* const kReport = ReportWhenTheRunEnds(ledger, [] {
    std::printf(
        "power cuts injected: %d, survived: %d, bytes of stored notes lost: %lld, pages "
        "shown under another tab's caption: %d\n",
        ledger.injected, ledger.survived, ledger.bytesLost, ledger.misplaced);
});

using Captions = std::vector<std::wstring>;
using PageTest = std::function<bool(const std::string&)>;

std::string TabList(const Captions& captions) {
    std::string bytes;
    for (const auto& caption : captions) {
        bytes += Ansi(caption) + "\r\n";
    }
    return bytes;
}

// Each page says whose it is, so a page under another tab's caption is seen at once.
std::string PageOf(const std::wstring& caption) {
    return "the page of " + Ansi(caption) + "\r\nand its second line";
}

// Tabs with their pages (but those never saved), the given tab selected.
void MakeStore(const ScratchDir& dir, const Captions& captions, int selected,
               const std::set<int>& neverSaved = {}) {
    dir.Write(L"settings.dat", UsualSettings(selected));
    dir.Write(L"Strings/Tabs.txt", TabList(captions));
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (neverSaved.count(i) == 0) {
            dir.Write(PageFile(i), PageOf(captions[static_cast<std::size_t>(i)]));
        }
    }
}

PageTest OneOf(std::vector<std::string> texts) {
    return [texts](const std::string& page) {
        return std::find(texts.begin(), texts.end(), page) != texts.end();
    };
}

// What the next start may show after a cut.
struct Outcomes {
    std::vector<Captions> tabLists;  // one of these
    // Each caption's acceptable pages (a page never saved reads as ""), and the page it had
    // stored before the cut, whose bytes count as lost when it is not found as accepted.
    std::map<std::wstring, PageTest> pages;
    std::map<std::wstring, std::string> stored;
};

// The usual case: every tab keeps the page it had.
Outcomes Unchanged(const Captions& captions, const std::set<int>& neverSaved = {}) {
    Outcomes out;
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        const auto& caption = captions[static_cast<std::size_t>(i)];
        const std::string page = neverSaved.count(i) ? "" : PageOf(caption);
        out.pages[caption] = OneOf({page});
        out.stored[caption] = page;
    }
    return out;
}

std::string PageOnDisk(const ScratchDir& dir, int index) {
    return dir.Exists(PageFile(index)) ? dir.Read(PageFile(index)) : std::string();
}

// Starts the shipped program after a cut and judges what it shows and what is on disk.
void JudgeNextStart(const ScratchDir& dir, const Outcomes& expected, const std::string& context) {
    SCOPED_TRACE(context);
    ++ledger.injected;
    const auto* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    const int partsBefore = result->total_part_count();  // failures recorded so far
    Program next(dir);
    EXPECT_TRUE(next.startupErrors.empty()) << "the next start reports nothing";
    const Captions shown = next.Captions();
    const bool listAllowed = std::find(expected.tabLists.begin(), expected.tabLists.end(), shown) !=
                             expected.tabLists.end();
    EXPECT_TRUE(listAllowed) << "a tab list the user never saw";
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), TabList(shown)) << "the store agrees with the window";
    EXPECT_FALSE(dir.Exists(L"Strings/Tabs.txt.closing")) << "an interrupted close is finished";

    std::set<std::wstring> accepted;
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
        const auto& caption = shown[static_cast<std::size_t>(i)];
        const std::string page = PageOnDisk(dir, i);
        const auto own = expected.pages.find(caption);
        if (own != expected.pages.end() && own->second(page)) {
            accepted.insert(caption);
            continue;
        }
        ADD_FAILURE() << "tab " << i << " shows a page that is not its own: " << page;
        for (const auto& [other, test] : expected.pages) {
            if (other != caption && !page.empty() && test(page)) {
                ++ledger.misplaced;
            }
        }
    }
    // Every note that was stored and whose tab must still be there is found where it belongs.
    for (const auto& note : expected.stored) {
        const std::wstring& caption = note.first;
        const bool mustStay = std::all_of(
            expected.tabLists.begin(), expected.tabLists.end(), [&](const Captions& list) {
                return std::find(list.begin(), list.end(), caption) != list.end();
            });
        if (mustStay && accepted.count(caption) == 0) {
            ledger.bytesLost += static_cast<long long>(note.second.size());
        }
    }
    const int selected = next.SelectedTab();
    if (selected >= 0) {
        EXPECT_EQ(next.MemoText(), FromAnsi(PageOnDisk(dir, selected)).substr(0, 100000))
            << "the text area shows the selected tab's page";
    }
    if (result->total_part_count() == partsBefore) {
        ++ledger.survived;
    }
}

// Runs a command as its menu item or toolbar button would, without waiting for it.
void Command(Program& program, UINT id) {
    PostMessageW(program.form(), WM_COMMAND, id, 0);
}

// OK in a prompt (with the text entered) or in the warning, without waiting for the program.
void AnswerOk(HWND dialog, const wchar_t* text = nullptr) {
    if (text != nullptr) {
        HWND edit = FindWindowExW(dialog, nullptr, L"EDIT", nullptr);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Runs the command and, once its prompt or warning is up, confirms it (with the text entered);
// false when the dialog never comes.
bool RunAndConfirm(Program& program, UINT id, const wchar_t* caption,
                   const wchar_t* text = nullptr) {
    Command(program, id);
    HWND dialog = program.WaitForDialog(caption);
    if (dialog == nullptr) {
        return false;
    }
    AnswerOk(dialog, text);
    return true;
}

// From the moment the user confirms to well after the command is done; a cut at the last one
// must find the command's whole effect on disk.
constexpr int kDelaysMs[] = {0, 3, 10, 30, 100, 1000};
constexpr int kAfterMs = 1000;

// The tab lists the next start may show after a command that turns `before` into `after`:
// `before` as well while the command may not have finished.
std::vector<Captions> ListsAfter(const Captions& after, const Captions& before, bool unfinished) {
    if (unfinished) {
        return {after, before};
    }
    return {after};
}

// A cut as its case's failures name it.
std::string CutAfter(const char* command, int delayMs) {
    return std::string(command) + ", cut after " + std::to_string(delayMs) + " ms";
}

// Sets an environment variable for the programs started in its scope.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const wchar_t* name_;
};

const Captions kFour{L"T0", L"T1", L"T2", L"T3"};
const Captions kFourWithoutT1{L"T0", L"T2", L"T3"};

TEST(PowerCuts, DuringAndAfterClosingATab) {
    for (int delay : kDelaysMs) {
        ScratchDir dir;
        MakeStore(dir, kFour, 1);
        {
            Program program(dir);
            ASSERT_TRUE(RunAndConfirm(program, ID_N1, L"Warning"));
            Pause(delay);
            program.Cut();
        }
        Outcomes expected = Unchanged(kFour);
        expected.tabLists = ListsAfter(kFourWithoutT1, kFour, delay < kAfterMs);
        JudgeNextStart(dir, expected, CutAfter("close", delay));
    }
}

TEST(PowerCuts, BetweenEveryTwoFileOperationsOfAClose) {
    struct Store {
        const char* name;
        std::set<int> neverSaved;
        // The close of tab 1: its record, the page set aside, each later page moved down, the
        // tab list, the page deleted.
        int fileOperations;
    };
    const Store stores[] = {{"every page saved", {}, 6}, {"tab 2 never saved", {2}, 5}};
    for (const auto& store : stores) {
        for (int stop = 1; stop <= store.fileOperations + 1; ++stop) {
            const std::string context =
                std::string(store.name) + ", stopped at operation " + std::to_string(stop);
            SCOPED_TRACE(context);
            ScratchDir dir;
            MakeStore(dir, kFour, 1, store.neverSaved);
            {
                ScopedVariable crashAt(L"QB_CRASH_AT", std::to_wstring(stop));
                Program program(dir, true, "QB_TEST_HOOKS_EXE");
                ASSERT_TRUE(RunAndConfirm(program, ID_N1, L"Warning"));
                if (stop <= store.fileOperations) {
                    ASSERT_TRUE(program.WaitForExit(10000));
                    EXPECT_EQ(program.ExitCode(), 99u) << "ended at the chosen operation";
                } else {
                    program.Idle(200);
                    EXPECT_TRUE(program.Running()) << "a close has no more operations";
                    program.Cut();
                }
            }
            Outcomes expected = Unchanged(kFour, store.neverSaved);
            expected.tabLists = ListsAfter(kFourWithoutT1, kFour, stop <= store.fileOperations);
            JudgeNextStart(dir, expected, context);
        }
    }
}

TEST(PowerCuts, DuringAndAfterANewTab) {
    const Captions withC{L"T0", L"T1", L"T2", L"T3", L"C"};
    for (int delay : kDelaysMs) {
        ScratchDir dir;
        MakeStore(dir, kFour, 0);
        {
            Program program(dir);
            program.SetMemoText(L"T0 as edited");
            ASSERT_TRUE(RunAndConfirm(program, ID_ACTION_NEW, L"Новая вкладка", L"C"));
            Pause(delay);
            program.Cut();
        }
        Outcomes expected = Unchanged(kFour);
        expected.tabLists = ListsAfter(withC, kFour, delay < kAfterMs);
        expected.pages[L"C"] = OneOf({""});
        if (delay < kAfterMs) {
            expected.pages[L"T0"] = OneOf({PageOf(L"T0"), "T0 as edited"});
        } else {
            expected.pages[L"T0"] = OneOf({"T0 as edited"});  // the page left was saved
        }
        JudgeNextStart(dir, expected, CutAfter("new tab", delay));
    }
}

TEST(PowerCuts, NewTabWrittenAndLeftIsThereAfterACut) {
    ScratchDir dir;
    MakeStore(dir, {L"T0", L"T1"}, 0);
    {
        Program program(dir);
        ASSERT_TRUE(RunAndConfirm(program, ID_ACTION_NEW, L"Новая вкладка", L"C"));
        program.Idle(200);
        program.SetMemoText(L"the note written in C");
        program.ClickTab(1);
        program.Cut();
    }
    Outcomes expected = Unchanged({L"T0", L"T1"});
    expected.tabLists = {{L"T0", L"T1", L"C"}};
    expected.pages[L"C"] = OneOf({"the note written in C"});
    expected.stored[L"C"] = "the note written in C";
    JudgeNextStart(dir, expected, "new tab written and left");
}

TEST(PowerCuts, DuringAndAfterTheAboutPage) {
    const Captions three{L"T0", L"T1", L"T2"};
    Captions withAbout = three;
    withAbout.push_back(L"О программе");
    for (int delay : kDelaysMs) {
        ScratchDir dir;
        dir.CopyReadme();
        MakeStore(dir, three, 2);
        {
            Program program(dir);
            Command(program, ID_N14);
            Pause(delay);
            program.Cut();
        }
        Outcomes expected = Unchanged(three);
        expected.tabLists = ListsAfter(withAbout, three, delay < kAfterMs);
        expected.pages[L"О программе"] = OneOf({"", ReadmeBytes()});
        JudgeNextStart(dir, expected, CutAfter("About", delay));
    }
}

TEST(PowerCuts, DuringAndAfterARename) {
    const Captions before{L"T0", L"T1", L"T2"};
    const Captions after{L"T0", L"Renamed", L"T2"};
    for (int delay : kDelaysMs) {
        ScratchDir dir;
        MakeStore(dir, before, 1);
        {
            Program program(dir);
            ASSERT_TRUE(RunAndConfirm(program, ID_ACTION_RENAME, L"Новое имя", L"Renamed"));
            Pause(delay);
            program.Cut();
        }
        Outcomes expected = Unchanged(before);
        expected.tabLists = ListsAfter(after, before, delay < kAfterMs);
        expected.pages[L"Renamed"] = OneOf({PageOf(L"T1")});
        JudgeNextStart(dir, expected, CutAfter("rename", delay));
    }
}

// Types one character at a time as a person would, noting when each was pressed.
std::vector<ULONGLONG> TypeSteadily(const std::string& text, int everyMs) {
    std::vector<ULONGLONG> pressed;
    for (char c : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = static_cast<WORD>(c);
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki = in[0].ki;
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        pressed.push_back(GetTickCount64());
        SendInput(2, in, sizeof(INPUT));
        Pause(everyMs);
    }
    return pressed;
}

std::string Letters(std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    return text;
}

TEST(PowerCuts, WhileTypingAtMostTheLastTwoSecondsAreMissing) {
    struct Case {
        const char* name;
        int typingMs;  // of steady typing, a key every 50 ms
        int pauseMs;   // before the cut
    };
    const Case cases[] = {{"typing, a pause of three seconds", 1500, 3000},
                          {"typing, a pause of half a second", 1500, 500},
                          {"nine seconds of steady typing", 9000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        MakeStore(dir, {L"T0", L"T1"}, 0);
        const std::string stored = PageOf(L"T0");
        const std::string typed = Letters(static_cast<std::size_t>(c.typingMs / 50));
        std::vector<ULONGLONG> pressed;
        ULONGLONG cutAt = 0;
        {
            Program program(dir);
            program.Activate();
            program.Keys({VK_CONTROL, VK_END});
            pressed = TypeSteadily(typed, 50);
            Pause(c.pauseMs);
            cutAt = GetTickCount64();
            program.Cut();
        }
        const std::string page = PageOnDisk(dir, 0);
        ASSERT_EQ(page.substr(0, stored.size()), stored) << "the stored note is whole";
        const std::string kept = page.substr(stored.size());
        ASSERT_EQ(kept, typed.substr(0, kept.size())) << "what was typed, in order";
        if (kept.size() < typed.size()) {
            const ULONGLONG missingFrom = pressed[kept.size()];
            std::printf("  %-36s %zu of %zu keys kept, %llu ms of typing missing\n", c.name,
                        kept.size(), typed.size(), cutAt - missingFrom);
            EXPECT_LE(cutAt - missingFrom, 2000u) << "at most the last two seconds are missing";
        } else {
            std::printf("  %-36s all %zu keys kept\n", c.name, typed.size());
        }
        if (c.pauseMs >= 2000) {
            EXPECT_EQ(kept, typed) << "a pause saves everything typed";
        }
        Outcomes expected = Unchanged({L"T0", L"T1"});
        expected.tabLists = {{L"T0", L"T1"}};
        expected.pages[L"T0"] = OneOf({page});
        JudgeNextStart(dir, expected, c.name);
    }
}

}  // namespace
}  // namespace e2e
