// Faults injected into the real program: files held open by another program, files and
// directories in the wrong place, damaged and hostile files, the process killed while it saves,
// the end of the session and a second copy in the same directory. After each, every stored
// note must still be on disk as it was (or as the user last saved it). The suite ends with one
// line: faults injected, survived, and bytes of stored notes lost.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <random>

#include "res/resource.h"
#include "store/pure/linebreaks.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/ledger.h"

namespace e2e {
namespace {

Ledger ledger;
const auto* const kReport = ReportWhenTheRunEnds(ledger, [] {
    std::printf("faults injected: %d, survived: %d, bytes of stored notes lost: %lld\n",
                ledger.injected, ledger.survived, ledger.bytesLost);
});

// The notes a case starts with, by file, and what must be on disk afterwards.
using Notes = std::map<std::wstring, std::string>;

void Store(const ScratchDir& dir, const Notes& notes) {
    for (const auto& [name, bytes] : notes) {
        dir.Write(name, bytes);
    }
}

// Bytes of the expected notes that are not on disk as expected (a kept original counts).
long long Lost(const ScratchDir& dir, const Notes& expected) {
    long long lost = 0;
    for (const auto& [name, bytes] : expected) {
        const bool here = dir.Exists(name) && !std::filesystem::is_directory(dir / name) &&
                          dir.Read(name) == bytes;
        const bool kept = dir.Exists(name + L".original") && dir.Read(name + L".original") == bytes;
        if (!here && !kept) {
            lost += static_cast<long long>(bytes.size());
        }
    }
    return lost;
}

// The page files among the notes.
Notes Pages(const Notes& notes) {
    Notes pages;
    for (const auto& [k, v] : notes) {
        if (k.find(L"/Tab") != std::wstring::npos && k != L"Strings/Tabs.txt") {
            pages[k] = v;
        }
    }
    return pages;
}

// Of the notes a case stores, what must be on disk when it ends.
enum Kept { kEveryFile, kEveryPage };

// One injected fault: counted, and judged at the end of its scope.
class Fault {
  public:
    explicit Fault(const ScratchDir& dir) : dir_(dir) { ++ledger.injected; }
    // Into a store of these notes, written first.
    Fault(const ScratchDir& dir, const Notes& stored, Kept kept) : dir_(dir) {
        Store(dir, stored);
        ++ledger.injected;
        Expect(kept == kEveryFile ? stored : Pages(stored));
    }
    ~Fault() {
        const long long lost = Lost(dir_, expected_);
        ledger.bytesLost += lost;
        if (lost == 0 && !::testing::Test::HasFailure()) {
            ++ledger.survived;
        }
        EXPECT_EQ(lost, 0) << "bytes of stored notes lost";
    }
    Fault(const Fault&) = delete;
    Fault& operator=(const Fault&) = delete;
    // What must be on disk when the case ends.
    void Expect(const Notes& notes) {
        for (const auto& [k, v] : notes) {
            expected_[k] = v;
        }
    }
    // A note the user removed on purpose.
    void Forget(const std::wstring& name) { expected_.erase(name); }

  private:
    const ScratchDir& dir_;
    Notes expected_;
};

// Another program holding a file open, sharing nothing.
class Held {
  public:
    explicit Held(const std::filesystem::path& path)
        : h_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Held() { Release(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (ok()) {
            CloseHandle(h_);
            h_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE h_;
};

const std::string kSettings = UsualSettings();
const std::string kThreeTabList = "Home\r\nWork\r\nIdeas\r\n";

// The store most cases start from, with the given files in place of its own or beside them.
Notes ThreeTabs(const Notes& changed = {}) {
    Notes notes{{L"settings.dat", kSettings},
                {L"Strings/Tabs.txt", kThreeTabList},
                {L"Strings/Tab0.txt", "home notes\r\nline two"},
                {L"Strings/Tab1.txt", "work notes"},
                {L"Strings/Tab2.txt", "ideas"}};
    for (const auto& [name, bytes] : changed) {
        notes[name] = bytes;
    }
    return notes;
}

bool ReadOnlyMemo(const Program& program) {
    return (GetWindowLongPtrW(program.memo(), GWL_STYLE) & ES_READONLY) != 0;
}

std::wstring Error(Program& program) {
    auto text = program.ErrorBoxText();
    program.DismissErrorBox();
    return text.value_or(L"(no error box)");
}

// --- Pages that cannot be read ---------------------------------------------------------------

TEST(Faults, PageHeldOpenIsNeverWrittenOverWithAnotherPage) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryPage);
    Program program(dir);
    Held held(dir / L"Strings/Tab1.txt");
    ASSERT_TRUE(held.ok());
    program.ClickTab(1);
    EXPECT_EQ(Error(program).substr(0, 18), L"Cannot open file \"");
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(program.MemoText(), L"") << "nothing of the page left stays on show";
    EXPECT_TRUE(ReadOnlyMemo(program)) << "typing that would not be kept is refused";
    held.Release();
    program.ClickTab(2);  // leaving the unread page must not write it
    EXPECT_EQ(program.MemoText(), L"ideas");
    EXPECT_FALSE(ReadOnlyMemo(program));
    program.ClickTab(1);
    EXPECT_EQ(program.MemoText(), L"work notes");
    ASSERT_TRUE(program.CloseFromOutside());
}

TEST(Faults, DirectoryInAPagesPlaceFailsTheSaveAndKeepsTheEdits) {
    ScratchDir dir;
    Notes notes = ThreeTabs();
    notes.erase(L"Strings/Tab1.txt");
    Fault fault(dir, notes, kEveryPage);
    std::filesystem::create_directories(dir / L"Strings/Tab1.txt");
    Program program(dir);
    program.ClickTab(1);
    EXPECT_EQ(program.MemoText(), L"");
    program.SetMemoText(L"typed on a page that cannot be saved");
    program.ClickTab(0);
    EXPECT_EQ(Error(program).substr(0, 20), L"Cannot create file \"");
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(program.MemoText(), L"typed on a page that cannot be saved");
}

// --- Start-up with a damaged or partial store -------------------------------------------------

TEST(Faults, MissingSettingsRestoreTheStoreInsteadOfTheFirstRun) {
    ScratchDir dir;
    Notes notes = ThreeTabs();
    notes.erase(L"settings.dat");
    Fault fault(dir, notes, kEveryFile);
    {
        Program program(dir);
        EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Home", L"Work", L"Ideas"}));
        EXPECT_EQ(program.SelectedTab(), 0);
        EXPECT_EQ(program.MemoText(), L"home notes\r\nline two");
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u);
}

TEST(Faults, FirstRunNeverWritesTheEmptyPageOverAStoredOne) {
    ScratchDir dir;
    dir.CopyReadme();
    Fault fault(dir, {{L"Strings/Tab0.txt", "a page whose tab list was lost"}}, kEveryFile);
    Program program(dir);
    EXPECT_EQ(program.TabCount(), 2) << "the About page opens as on a first run";
}

TEST(Faults, ShortSettingsAreReportedAndTheStoreStillRestored) {
    for (std::size_t size : {std::size_t{0}, std::size_t{20}}) {
        ScratchDir dir;
        Fault fault(dir, ThreeTabs({{L"settings.dat", kSettings.substr(0, size)}}), kEveryPage);
        fault.Expect({{L"Strings/Tabs.txt", kThreeTabList}});
        Program program(dir);
        ASSERT_EQ(program.startupErrors.size(), 1u) << size;
        EXPECT_EQ(program.startupErrors[0], L"Read beyond end of file.");
        EXPECT_EQ(program.TabCount(), 3);
        EXPECT_EQ(program.MemoText(), L"home notes\r\nline two");
        ASSERT_TRUE(program.CloseFromOutside());
        EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u) << "a whole file replaces the short one";
    }
}

TEST(Faults, SettingsHeldOpenAreNotReplacedAndTheProgramStillEnds) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryFile);
    Held held(dir / L"settings.dat");
    ASSERT_TRUE(held.ok());
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    EXPECT_EQ(program.startupErrors[0], L"I/O error 32.");
    EXPECT_EQ(program.TabCount(), 3);
    ASSERT_TRUE(program.CloseFromOutside());
}

TEST(Faults, TabListHeldOpenIsNotReplacedByTheDeclaredTab) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryFile);
    Held held(dir / L"Strings/Tabs.txt");
    ASSERT_TRUE(held.ok());
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    EXPECT_EQ(program.startupErrors[0].substr(0, 18), L"Cannot open file \"");
    EXPECT_TRUE(ReadOnlyMemo(program)) << "nothing typed in this run could be kept";
    held.Release();
    ASSERT_TRUE(program.CloseFromOutside());
}

TEST(Faults, HostileSettingsValuesStartTheProgram) {
    for (const std::string& settings :
         {SettingsBytes(-2147483647 - 1, 2147483647, -1, -5, 0, 2147483647),
          SettingsBytes(0, 0, 0, 100000, 100000, -7), kSettings + std::string(1000000 - 24, 'x')}) {
        ScratchDir dir;
        Fault fault(dir, ThreeTabs({{L"settings.dat", settings}}), kEveryPage);
        Program program(dir);
        EXPECT_TRUE(program.startupErrors.empty());
        EXPECT_TRUE(program.Running());
        ASSERT_TRUE(program.CloseFromOutside());
        EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u);
    }
}

// --- Closing tabs ------------------------------------------------------------------------------

void CloseSelectedTab(Program& program) {
    program.TabMenu(Program::kCloseTab);
    ASSERT_NE(program.WaitForDialog(L"Warning"), nullptr);
    program.Keys({VK_RETURN});
}

TEST(Faults, ClosingATabWhosePageIsHeldOpenChangesNothing) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs({{L"settings.dat", UsualSettings(1)}}), kEveryPage);
    Program program(dir);
    Held held(dir / L"Strings/Tab1.txt");
    ASSERT_TRUE(held.ok());
    CloseSelectedTab(program);
    EXPECT_EQ(Error(program).substr(0, 18), L"Cannot move file \"");
    EXPECT_EQ(program.TabCount(), 3);
    EXPECT_EQ(program.SelectedTab(), 1);
}

TEST(Faults, ClosingATabWhileALaterPageIsHeldOpenRollsBack) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryPage);
    Program program(dir);
    Held held(dir / L"Strings/Tab2.txt");
    ASSERT_TRUE(held.ok());
    CloseSelectedTab(program);
    EXPECT_EQ(Error(program).substr(0, 18), L"Cannot move file \"");
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Home", L"Work", L"Ideas"}));
    held.Release();
    // With nothing in the way the same close goes through, every page at its new number.
    CloseSelectedTab(program);
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Work", L"Ideas"}));
    fault.Expect({{L"Strings/Tab0.txt", "work notes"}, {L"Strings/Tab1.txt", "ideas"}});
    fault.Forget(L"Strings/Tab2.txt");  // "home notes" went with its tab
    EXPECT_FALSE(dir.Exists(L"Strings/Tab2.txt"));
    EXPECT_EQ(program.MemoText(), L"work notes");
}

TEST(Faults, ClosingATabWhileTheTabListIsHeldOpenChangesNothing) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryPage);
    fault.Expect({{L"Strings/Tabs.txt", kThreeTabList}});
    Program program(dir);
    Held held(dir / L"Strings/Tabs.txt");
    ASSERT_TRUE(held.ok());
    CloseSelectedTab(program);
    EXPECT_EQ(Error(program).substr(0, 20), L"Cannot create file \"");
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Home", L"Work", L"Ideas"}));
    EXPECT_FALSE(dir.Exists(L"Strings/Tabs.txt.closing")) << "nothing left to finish";
    EXPECT_EQ(program.MemoText(), L"home notes\r\nline two");
}

TEST(Faults, DamagedRecordOfAnInterruptedCloseStopsEveryWrite) {
    ScratchDir dir;
    const std::string record = "Quillbrasset close\r\nindex 1\r\npage 1\r\ntabs 9";
    Fault fault(dir, ThreeTabs({{L"Strings/Tabs.txt.closing", record}}), kEveryFile);
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    EXPECT_EQ(program.startupErrors[0].substr(0, 30), L"Cannot finish closing a tab: \"");
    EXPECT_TRUE(ReadOnlyMemo(program)) << "nothing typed in this run could be kept";
    ASSERT_TRUE(program.CloseFromOutside());
}

// --- Pages no tab owns -------------------------------------------------------------------------

TEST(Faults, PageNoTabOwnsIsKeptBeforeANewTabWritesIt) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs({{L"Strings/Tab3.txt", "left by an earlier version"}}), kEveryPage);
    Program program(dir);
    PostMessageW(program.form(), WM_COMMAND, ID_ACTION_NEW, 0);
    HWND prompt = program.WaitForDialog(L"Новая вкладка");
    ASSERT_NE(prompt, nullptr);
    SendMessageW(FindWindowExW(prompt, nullptr, L"EDIT", nullptr), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"New"));
    PostMessageW(prompt, WM_COMMAND, IDOK, 0);
    auto notice = program.ErrorBoxText();
    ASSERT_TRUE(notice.has_value()) << "the user is told";
    EXPECT_NE(notice->find(L"Tab3.txt.original"), std::wstring::npos);
    program.DismissErrorBox();
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Home", L"Work", L"Ideas", L"New"}));
    program.SetMemoText(L"the new tab's note");
    program.ClickTab(0);
    EXPECT_EQ(dir.Read(L"Strings/Tab3.txt"), "the new tab's note");
    EXPECT_EQ(dir.Read(L"Strings/Tab3.txt.original"), "left by an earlier version");
}

// --- Background saves -------------------------------------------------------------------------

TEST(Faults, BackgroundSaveThatFailsIsShownOnceAndTriedAgainAtTheNextPause) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryPage);
    Program program(dir);
    Held held(dir / L"Strings/Tab0.txt");
    ASSERT_TRUE(held.ok());
    program.Activate();
    program.Keys({VK_CONTROL, VK_END});
    program.Type(L"x");
    EXPECT_EQ(Error(program).substr(0, 20), L"Cannot create file \"");
    program.Type(L"y");
    EXPECT_FALSE(program.ErrorBoxText(2500).has_value()) << "told once, not at every attempt";
    EXPECT_EQ(program.MemoText(), L"home notes\r\nline twoxy") << "the edits stay";
    held.Release();
    program.Type(L"z");
    Pause(2500);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "home notes\r\nline twoxyz");
    fault.Expect({{L"Strings/Tab0.txt", "home notes\r\nline twoxyz"}});
}

// --- Saves interrupted --------------------------------------------------------------------------

TEST(Faults, ProcessKilledDuringSavesLeavesEveryPageWhole) {
    ScratchDir dir;
    std::string line = "0123456789 abcdefghijklmnopqrstuvwxyz\r\n";
    std::string big;
    while (big.size() < 2'000'000) {
        big += line;
    }
    Store(dir, ThreeTabs({{L"Strings/Tab0.txt", big}}));
    std::mt19937 random(20261207);
    std::string stored = big;
    for (int round = 0; round < 6; ++round) {
        Fault fault(dir);
        Program program(dir);
        ASSERT_EQ(program.MemoText().size(), stored.size()) << "round " << round;
        // A different whole page each round, then a close that is cut short at some moment.
        std::wstring text(stored.size(), L'x');
        for (std::size_t i = 0; i < stored.size(); ++i) {
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(stored[i]));
        }
        text[0] = static_cast<wchar_t>(L'A' + round);
        program.SetMemoText(text);
        std::string next = stored;
        next[0] = static_cast<char>('A' + round);
        PostMessageW(program.form(), WM_CLOSE, 0, 0);
        Pause(static_cast<int>(random() % 400));
        TerminateProcess(OpenProcess(PROCESS_TERMINATE, FALSE, program.pid()), 9);
        program.WaitForExit();
        const std::string now = dir.Read(L"Strings/Tab0.txt");
        EXPECT_TRUE(now == stored || now == next) << "round " << round << ": a torn page";
        fault.Expect({{L"Strings/Tab0.txt", now == next ? next : stored}});
        fault.Expect({{L"Strings/Tab1.txt", "work notes"}, {L"Strings/Tab2.txt", "ideas"}});
        stored = now;
    }
}

// --- The end of the session, a second copy -------------------------------------------------------

TEST(Faults, EndOfSessionSavesLikeExit) {
    ScratchDir dir;
    Store(dir, ThreeTabs());
    Fault fault(dir);
    Program program(dir);
    program.SetMemoText(L"written just before log-off");
    DWORD_PTR agreed = 0;
    SendMessageTimeoutW(program.form(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000,
                        &agreed);
    EXPECT_EQ(agreed, TRUE);
    fault.Expect({{L"Strings/Tab0.txt", "written just before log-off"},
                  {L"Strings/Tabs.txt", kThreeTabList}});
    EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u);
    PostMessageW(program.form(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(program.WaitForExit());
}

TEST(Faults, SecondCopyInTheSameDirectoryBringsTheFirstForward) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryPage);
    Program first(dir);
    PostMessageW(first.form(), WM_USER + 1, 1, WM_LBUTTONUP);  // hidden to the icon
    first.Idle(100);
    ASSERT_FALSE(IsWindowVisible(first.form()));

    Program second(dir, false);
    EXPECT_TRUE(second.WaitForExit()) << "the second copy ends";
    first.Idle(200);
    EXPECT_TRUE(IsWindowVisible(first.form())) << "and the first one shows itself";

    ScratchDir elsewhere;
    Store(elsewhere, ThreeTabs());
    Program beside(elsewhere);
    EXPECT_TRUE(beside.Running()) << "copies in other directories run side by side";
}

// --- Bytes the window cannot show ---------------------------------------------------------------

// A page shown otherwise than its file holds it: the user is told once, while the program
// starts; the file stays as it is while the page is not edited, and when it is, the file's
// earlier content is kept beside it.
void ExpectKeptUntilEdited(const std::string& stored, const std::wstring& shown,
                           const std::string& savedAfterTyping) {
    ScratchDir dir;
    Fault fault(dir, ThreeTabs({{L"Strings/Tab0.txt", stored}}), kEveryPage);
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    EXPECT_NE(program.startupErrors[0].find(L"Tab0.txt.original"), std::wstring::npos);
    EXPECT_EQ(program.MemoText(), shown);
    program.ClickTab(1);
    program.ClickTab(0);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), stored) << "unchanged page, file untouched";
    EXPECT_EQ(program.FindOwnWindow(L"#32770", nullptr, 300), nullptr) << "told once only";

    program.Activate();
    program.Keys({VK_CONTROL, VK_END});
    program.Type(L"+");
    program.ClickTab(1);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), savedAfterTyping);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt.original"), stored);
}

TEST(Faults, PageCutAtANulByteKeepsItsFile) {
    ExpectKeptUntilEdited(std::string("shown\0hidden tail", 17), L"shown", "shown+");
}

// After the UTF-8 mark, bytes that are no UTF-8 show as U+FFFD: written back, they would be
// changed for good.
TEST(Faults, PageMarkedUtf8WithOtherBytesKeepsItsFile) {
    ExpectKeptUntilEdited("\xEF\xBB\xBFshown \xCF\xF0", L"shown \xFFFD\xFFFD",
                          "\xEF\xBB\xBFshown \xEF\xBF\xBD\xEF\xBF\xBD+");
}

TEST(Faults, TabListMarkedUtf8WithOtherBytesKeepsItsFile) {
    ScratchDir dir;
    const std::string list = "\xEF\xBB\xBFHome\r\nW\xF0rk\r\nIdeas\r\n";
    Fault fault(dir, ThreeTabs({{L"Strings/Tabs.txt", list}}), kEveryFile);
    Program program(dir);
    EXPECT_EQ(program.startupErrors.size(), 1u) << "the notice";
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Home", L"W\xFFFDrk", L"Ideas"}));
    ASSERT_TRUE(program.CloseFromOutside());
    fault.Expect({{L"settings.dat", dir.Read(L"settings.dat")}});
}

TEST(Faults, TabListThatTheStripCannotHoldKeepsItsFile) {
    ScratchDir dir;
    const std::string list = "Home\r\n" + std::string(100000, 'c') + "\r\nIdeas\r\n" +
                             std::string("\0after the nul\r\n", 16);
    Fault fault(dir, ThreeTabs({{L"Strings/Tabs.txt", list}}), kEveryFile);
    Program program(dir);
    EXPECT_EQ(program.startupErrors.size(), 1u) << "the notice";
    EXPECT_EQ(program.TabCount(), 3);
    ASSERT_TRUE(program.CloseFromOutside());
    fault.Expect({{L"settings.dat", dir.Read(L"settings.dat")}});
}

TEST(Faults, StartupNoticeComesOnceTheWindowShowsItsRestoredPage) {
    ScratchDir dir;
    const std::string list("Home\r\nWork\r\nIdeas\r\n\0after\r\n", 25);
    Fault fault(dir, ThreeTabs({{L"Strings/Tabs.txt", list}, {L"settings.dat", UsualSettings(2)}}),
                kEveryFile);
    Program program(dir, false);
    HWND box = program.FindOwnWindow(L"#32770", L"Quillbrasset 1.5", 10000);
    ASSERT_NE(box, nullptr) << "the notice about the cut tab list";
    HWND form = program.FindOwnWindow(L"TForm1", nullptr, 0);
    ASSERT_NE(form, nullptr) << "the window is on screen under the notice";
    HWND tabs = FindWindowExW(form, nullptr, WC_TABCONTROLW, nullptr);
    HWND memo = FindWindowExW(tabs, nullptr, L"EDIT", nullptr);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 2) << "the stored tab is selected";
    wchar_t text[16] = {};
    SendMessageW(memo, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"ideas") << "and shows its page";
    SendMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(Faults, CharactersTheCodePageCannotHoldAreKept) {
    ScratchDir dir;
    Store(dir, ThreeTabs());
    Fault fault(dir);
    Program program(dir);
    program.SetMemoText(L"日本語 and ☃");
    program.ClickTab(1);
    EXPECT_FALSE(program.ErrorBoxText(500).has_value()) << "nothing lost, nothing to tell";
    program.ClickTab(0);
    EXPECT_EQ(program.MemoText(), L"日本語 and ☃");
    // The page as UTF-8 after the byte-order mark.
    fault.Expect(
        {{L"Strings/Tab0.txt", "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E and \xE2\x98\x83"},
         {L"Strings/Tab1.txt", "work notes"},
         {L"Strings/Tab2.txt", "ideas"}});
}

// --- Read-only files (they stop only an unprivileged user: root writes them anyway) ----------

bool Unprivileged() {
    const char* flag = std::getenv("QB_UNPRIVILEGED");
    return flag != nullptr && std::string(flag) == "1";
}

void MakeReadOnly(const std::filesystem::path& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

TEST(FaultsReadOnly, ReadOnlyPageRefusesTheSwitchAndKeepsTheEdits) {
    if (!Unprivileged()) {
        GTEST_SKIP() << "needs an unprivileged user";
    }
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryPage);
    MakeReadOnly(dir / L"Strings/Tab0.txt");
    Program program(dir);
    program.SetMemoText(L"edits that cannot be saved here");
    program.ClickTab(1);
    EXPECT_EQ(Error(program).substr(0, 20), L"Cannot create file \"");
    EXPECT_EQ(program.SelectedTab(), 0);
    EXPECT_EQ(program.MemoText(), L"edits that cannot be saved here");
}

TEST(FaultsReadOnly, ReadOnlySettingsAreReportedAndNotReplaced) {
    if (!Unprivileged()) {
        GTEST_SKIP() << "needs an unprivileged user";
    }
    ScratchDir dir;
    Fault fault(dir, ThreeTabs(), kEveryFile);
    MakeReadOnly(dir / L"settings.dat");
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    EXPECT_EQ(program.startupErrors[0], L"File access denied.");
    EXPECT_EQ(program.TabCount(), 3);
    ASSERT_TRUE(program.CloseFromOutside()) << "the program still ends";
}

// --- Files the controls are slow or unable to take
// -------------------------------------------------

TEST(Faults, HostileFilesAreReadAsTheFormatsSay) {
    struct Case {
        const char* name;
        std::string tabs;
        std::string page;
    };
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 7 + 1) % 255 + 1);  // every byte but NUL
    }
    std::string manyLines;
    for (int i = 0; i < 5000; ++i) {
        manyLines += 't';
        manyLines += std::to_string(i);
        manyLines += "\r\n";
    }
    std::string tenMegabytes;
    while (tenMegabytes.size() < 10'000'000) {
        tenMegabytes += "an ordinary line of notes, forty chars\r\n";
    }
    const std::vector<Case> cases = {
        {"binary tab list and page", binary, binary},
        {"lone CRs", "a\rb\rc\r", "x\ry\rz"},
        {"5,000 tabs", manyLines, "page"},
        {"10 MB of lines", "Main\r\n", tenMegabytes},
        {"one line of 20,000 characters", "Main\r\n", std::string(20000, 'w')},
        {"broken double-byte bytes", "Main\r\n", "\x81\r\n\x82"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.Write(L"settings.dat", kSettings);
        dir.Write(L"Strings/Tabs.txt", c.tabs);
        dir.Write(L"Strings/Tab0.txt", c.page);
        Fault fault(dir);
        const auto start = std::chrono::steady_clock::now();
        Program program(dir);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("  %-32s started in %.2f s\n", c.name, seconds);
        EXPECT_TRUE(program.startupErrors.empty()) << c.name;
        ASSERT_TRUE(program.CloseFromOutside(120000)) << c.name;
        // Saved back unchanged by the user: the page as read, line breaks made CR LF.
        fault.Expect({{L"Strings/Tab0.txt",
                       qb::store::NormaliseLineBreaks(c.page, qb::store::NoLeadBytes())}});
    }
}

}  // namespace
}  // namespace e2e
