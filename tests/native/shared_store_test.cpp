// A store other programs write too (another editor, a sync engine bringing another machine's
// changes): the file system in memory plays the other program, writing between the
// program's own steps. Nothing either side wrote is lost.
#include <gtest/gtest.h>

#include <algorithm>

#include "notebook/agreed.h"
#include "notebook/notebook.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "tests/native/code_page_1251.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {
namespace {

using store::Utf16;
using Captions = std::vector<Utf16>;
using namespace std::string_literals;

const store::Encodings& kEncodings = RussianSystem();

Disk TwoTabs() {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(0);
    disk.files[L"strings/tabs.txt"] = "A\r\nB\r\n";
    disk.files[L"strings/tab0.txt"] = "page of A";
    disk.files[L"strings/tab1.txt"] = "page of B";
    return disk;
}

struct Program {
    explicit Program(MemoryFileSystem& files)
        : notebook(files, kEncodings, view, [this] { return now; }) {
        notebook.Start();
    }
    FakeView view;
    std::uint64_t now = 10000;
    notebook::Notebook notebook;
};

// The other program: a whole file written as a sync engine writes it.
void Outside(MemoryFileSystem& files, const std::wstring& name, const std::string& bytes) {
    ASSERT_EQ(files.Replace(name, bytes, false), 0u);
}

std::string File(const MemoryFileSystem& files, const std::wstring& name) {
    const Disk disk = files.Now();
    const auto found = disk.files.find(FoldPath(name));
    return found == disk.files.end() ? "<none>" : found->second;
}

TEST(SharedStore, PageOnScreenChangedOutsideIsShownAndNeverWrittenOver) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    Outside(files, L"strings/tab0.txt", "edited elsewhere");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.text(), QB_TEXT("edited elsewhere"));
    EXPECT_EQ(program.view.reloads, 1);
    program.notebook.LeavePage();
    program.view.Click(1);
    program.notebook.PageSelected();
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "edited elsewhere");
}

TEST(SharedStore, PageOfATabMadeInThisRunChangedOutsideIsShown) {
    // (No other machine keeps a record here: another program's write is the page's news.)
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    program.notebook.AddPage(QB_TEXT("C"));
    ASSERT_EQ(program.view.SelectedTab(), 2);
    Outside(files, L"strings/tab2.txt", "written elsewhere");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.text(), QB_TEXT("written elsewhere"));
}

TEST(SharedStore, PageChangedBeforeTheChangeIsReportedIsNotWrittenOverEither) {
    // The other program's write lands between the notification and the switch.
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    Outside(files, L"strings/tab0.txt", "edited elsewhere");
    program.notebook.LeavePage();
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "edited elsewhere");
}

TEST(SharedStore, APageNotEditedHereThatAnotherProgramWroteMeanwhileAddsNoTab) {
    // The tab is left before the change is reported: the page as read here is nothing to keep
    // beside the other version.
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    Outside(files, L"strings/tab0.txt", "written elsewhere");
    program.notebook.MoveTo(1);
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("A"), QB_TEXT("B")}));
    EXPECT_TRUE(program.view.notices().empty());
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "written elsewhere");
    program.notebook.MoveTo(0);
    EXPECT_EQ(program.view.text(), QB_TEXT("written elsewhere"));
}

TEST(SharedStore, EditsHereAndThereAtOnceKeepBothVersionsInTheirOwnTabs) {
    for (const bool reported : {true, false}) {
        SCOPED_TRACE(reported ? "the change reported" : "found when saving");
        MemoryFileSystem files(TwoTabs());
        Program program(files);
        program.view.Type(QB_TEXT("mine"));
        Outside(files, L"strings/tab0.txt", "theirs");
        if (reported) {
            program.notebook.StoreChanged();
        } else {
            program.notebook.PageEdited();
            program.now += 2000;
            program.notebook.SaveInBackground(false);
        }
        EXPECT_EQ(File(files, L"strings/tab0.txt"), "theirs");
        const Captions tabs = {QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("A (ваша версия)")};
        EXPECT_EQ(program.view.TabCaptions(), tabs);
        EXPECT_EQ(File(files, L"strings/tabs.txt"),
                  "A\r\nB\r\nA (\xE2\xE0\xF8\xE0 \xE2\xE5\xF0\xF1\xE8\xFF)\r\n");
        EXPECT_EQ(File(files, L"strings/tab2.txt"), "mine");
        EXPECT_EQ(program.view.SelectedTab(), 2) << "typing goes on in the user's own text";
        EXPECT_EQ(program.view.text(), QB_TEXT("mine"));
        EXPECT_EQ(program.view.notices().size(), 1u) << "told once, plainly";
        // Typing on writes the user's own tab, not the other program's page.
        program.view.Type(QB_TEXT("mine, more"));
        program.notebook.SaveAll();
        EXPECT_EQ(File(files, L"strings/tab2.txt"), "mine, more");
        EXPECT_EQ(File(files, L"strings/tab0.txt"), "theirs");
    }
}

TEST(SharedStore, TabListChangedOutsideIsFollowed) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    program.view.Click(1);
    program.notebook.PageSelected();
    // Another machine made a tab before B, renumbering B's page, and one after it.
    Outside(files, L"strings/tab1.txt", "page of New");
    Outside(files, L"strings/tab2.txt", "page of B");
    Outside(files, L"strings/tab3.txt", "page of C");
    Outside(files, L"strings/tabs.txt", "A\r\nNew\r\nB\r\nC\r\n");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(),
              (Captions{QB_TEXT("A"), QB_TEXT("New"), QB_TEXT("B"), QB_TEXT("C")}));
    EXPECT_EQ(program.view.SelectedTab(), 2) << "the same tab stays selected";
    EXPECT_EQ(program.view.text(), QB_TEXT("page of B"));
    program.view.Type(QB_TEXT("B edited"));
    program.notebook.LeavePage();
    EXPECT_EQ(File(files, L"strings/tab2.txt"), "B edited");
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "page of New");
}

TEST(SharedStore, NewTabHereAndATabFromAnotherMachineAreBothKept) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    Outside(files, L"strings/tab2.txt", "page of C");
    Outside(files, L"strings/tabs.txt", "A\r\nB\r\nC\r\n");
    // The change is not reported yet when the user makes a tab.
    program.notebook.AddPage(QB_TEXT("D"));
    EXPECT_EQ(program.view.TabCaptions(),
              (Captions{QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("C"), QB_TEXT("D")}));
    EXPECT_EQ(File(files, L"strings/tabs.txt"), "A\r\nB\r\nC\r\nD\r\n");
    EXPECT_EQ(File(files, L"strings/tab2.txt"), "page of C");
    program.view.Type(QB_TEXT("page of D"));
    program.notebook.SaveAll();
    EXPECT_EQ(File(files, L"strings/tab3.txt"), "page of D");
}

TEST(SharedStore, CloseIsGivenUpWhenTheTabsChangedOutside) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    Outside(files, L"strings/tab2.txt", "page of C");
    Outside(files, L"strings/tabs.txt", "A\r\nB\r\nC\r\n");
    program.notebook.ClosePage(0);
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("C")}));
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "page of A") << "nothing was closed";
    EXPECT_EQ(program.view.notices().size(), 1u);
}

TEST(SharedStore, AClickOnATabTheListLostAsThePageWasLeftStaysOnTheTabLeft) {
    // Of A, B, C, another program closed B and C; the change is followed as A is left for
    // the click on C, so the strip holds A alone when the click lands. What is typed next is
    // A's, in A's file: no page file of a tab that is gone.
    Disk disk = TwoTabs();
    disk.files[L"strings/tabs.txt"] = "A\r\nB\r\nC\r\n";
    disk.files[L"strings/tab2.txt"] = "page of C";
    MemoryFileSystem files(disk);
    Program program(files);
    Outside(files, L"strings/tabs.txt", "A\r\n");
    ASSERT_EQ(files.Delete(L"strings/tab1.txt"), 0u);
    ASSERT_EQ(files.Delete(L"strings/tab2.txt"), 0u);
    program.notebook.LeavePage();
    program.view.Click(2);
    program.notebook.PageSelected();
    EXPECT_EQ(program.view.SelectedTab(), 0);
    EXPECT_EQ(program.view.text(), QB_TEXT("page of A"));
    program.view.Type(program.view.text() + QB_TEXT(" typed"));
    program.notebook.PageEdited();
    program.notebook.LeavePage();
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "page of A typed");
    EXPECT_EQ(File(files, L"strings/tab2.txt"), "<none>");
}

TEST(SharedStore, ConflictCopiesBecomeTabsOfTheirOwnOnce) {
    Disk disk = TwoTabs();
    disk.files[L"strings/tab1.sync-conflict-20261208-220327-HNP2OSX.txt"] = "B from home";
    disk.files[L"strings/Tab0 (Ann's conflicted copy 2026-12-08).txt"] = "A from Ann";
    disk.files[L"strings/tab1-HOMEPC.txt"] = "B from OneDrive";
    disk.files[L"strings/tab-1.txt"] = "page of no tab";  // the page of index -1: no copy
    MemoryFileSystem files(disk);
    {
        Program program(files);
        const Captions tabs = program.view.TabCaptions();
        ASSERT_EQ(tabs.size(), 5u);
        EXPECT_EQ(program.view.notices().size(), 3u);
        for (int i = 2; i < 5; ++i) {
            const Utf16& caption = tabs[static_cast<std::size_t>(i)];
            const std::string page = File(files, store::PageFileName(i));
            if (caption == QB_TEXT("A (копия синхронизации)")) {
                EXPECT_EQ(page, "A from Ann");
            } else {
                EXPECT_EQ(caption, QB_TEXT("B (копия синхронизации)"));
                EXPECT_TRUE(page == "B from home" || page == "B from OneDrive") << page;
            }
        }
        EXPECT_EQ(File(files, L"strings/tab1-homepc.txt"), "<none>") << "the copies go";
        EXPECT_EQ(File(files, L"strings/tab-1.txt"), "page of no tab");
    }
    Program again(files);
    EXPECT_EQ(again.view.TabCount(), 5) << "offered once";
}

TEST(SharedStore, TabsThatSwappedPlacesGoThroughThePageHistory) {
    // Another machine holds the same two tabs the other way round, as its record says; its tab
    // list came before its pages. Each page goes where the other stands: one is kept in the
    // page history first, so that no text is ever only in memory.
    Disk disk = TwoTabs();
    const auto print = [](std::string_view bytes) { return store::FingerprintOf(bytes); };
    const notebook::KnownTab a{QB_TEXT("A"), print("page of A"), {}, "a"};
    const notebook::KnownTab b{QB_TEXT("B"), print("page of B"), {}, "b"};
    disk.files[L"sync-base.dat"] =
        notebook::EncodeAgreed({{a, b}, {a, b}, {print("A\r\nB\r\n")}});
    disk.files[L"sync-base-other.dat"] =
        notebook::EncodeAgreed({{a, b}, {b, a}, {print("B\r\nA\r\n")}});
    MemoryFileSystem files(disk);
    Program program(files);
    Outside(files, L"strings/tabs.txt", "B\r\nA\r\n");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("B"), QB_TEXT("A")}));
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "page of B");
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "page of A");
    int kept = 0;
    for (const auto& [name, bytes] : files.Now().files) {
        kept += name.rfind(L"history/", 0) == 0 && (bytes == "page of A" || bytes == "page of B");
    }
    EXPECT_EQ(kept, 1);
}

TEST(SharedStore, ARenamedTabKeepsItsIdentityAndPageInTheRecord) {
    // Another machine reads this machine's record to tell whose a text is: a renamed tab is the
    // same tab, with the same page, not a new one without either.
    Disk disk = TwoTabs();
    const auto print = [](std::string_view bytes) { return store::FingerprintOf(bytes); };
    const notebook::KnownTab a{QB_TEXT("A"), print("page of A"), {}, "a"};
    const notebook::KnownTab b{QB_TEXT("B"), print("page of B"), {}, "b"};
    disk.files[L"sync-base.dat"] = notebook::EncodeAgreed({{a, b}, {a, b}, {print("A\r\nB\r\n")}});
    disk.files[L"sync-base-other.dat"] = disk.files[L"sync-base.dat"];
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.RenamePage(1, QB_TEXT("B renamed"));
    const auto record = notebook::DecodeAgreed(File(files, L"sync-base.dat"));
    ASSERT_TRUE(record);
    ASSERT_EQ(record->mine.size(), 2u);
    EXPECT_EQ(record->mine[1].caption, QB_TEXT("B renamed"));
    EXPECT_EQ(record->mine[1].id, "b");
    EXPECT_EQ(record->mine[1].page, print("page of B"));
}

TEST(SharedStore, AnEmptyPageWithoutAFileIsLeftWithoutOne) {
    // A tab whose page has not come yet (another machine's list came first) shows empty.
    // Looking at it writes no file of nothing: the engine would carry it back as a change
    // standing against the page on its way.
    Disk disk = TwoTabs();
    const auto print = [](std::string_view bytes) { return store::FingerprintOf(bytes); };
    const notebook::KnownTab a{QB_TEXT("A"), print("page of A"), {}, "a"};
    const notebook::KnownTab b{QB_TEXT("B"), print("page of B"), {}, "b"};
    disk.files[L"sync-base-other.dat"] =
        notebook::EncodeAgreed({{a, b}, {a, b}, {print("A\r\nB\r\n")}});
    disk.files[L"strings/tabs.txt"] = "A\r\nB\r\nC\r\n";
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.MoveTo(2);
    EXPECT_EQ(program.view.text(), QB_TEXT(""));
    program.notebook.MoveTo(0);
    EXPECT_EQ(File(files, L"strings/tab2.txt"), "<none>");
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "page of A");
}

// A store of no tabs yet, for the records and pages a test puts in it.
Disk SharedFolder() {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(0);
    return disk;
}

store::Fingerprint Print(std::string_view bytes) {
    return store::FingerprintOf(bytes);
}

notebook::KnownTab Known(const Utf16& caption, std::string_view page, const char* id) {
    return {caption, Print(page), {}, id};
}

TEST(SharedStore, APageAMergeCannotPlaceYetAtStartUpStaysForItsTab) {
    // Of A, B, C: closed here, B; on another machine, C, and a new tab N typed into. N's page
    // came before that machine's tab list, to a file past this machine's last tab. Starting
    // meanwhile leaves the file: the tab it belongs to is on its way.
    Disk disk = SharedFolder();
    const notebook::KnownTab a = Known(QB_TEXT("A"), "page of A", "a");
    const notebook::KnownTab b = Known(QB_TEXT("B"), "page of B", "b");
    const notebook::KnownTab c = Known(QB_TEXT("C"), "page of C", "c");
    const notebook::KnownTab n = Known(QB_TEXT("N"), "typed there", "n");
    disk.files[L"sync-base.dat"] =
        notebook::EncodeAgreed({{a, b, c}, {a, c}, {Print("A\r\nC\r\n")}});
    disk.files[L"sync-base-other.dat"] =
        notebook::EncodeAgreed({{a, b, c}, {a, b, n}, {Print("A\r\nB\r\nN\r\n")}});
    disk.files[L"strings/tabs.txt"] = "A\r\nC\r\n";
    disk.files[L"strings/tab0.txt"] = "page of A";
    disk.files[L"strings/tab1.txt"] = "page of C";
    disk.files[L"strings/tab2.txt"] = "typed there";
    MemoryFileSystem files(disk);
    Program program(files);
    EXPECT_EQ(File(files, L"strings/tab2.txt"), "typed there");
    Outside(files, L"strings/tabs.txt", "A\r\nB\r\nN\r\n");
    Outside(files, L"strings/tab1.txt", "page of B");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("A"), QB_TEXT("N")}));
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "typed there");
}

// A and B, as agreed on both machines.
const notebook::KnownTab kAgreedA = Known(QB_TEXT("A"), "page of A", "a");
const notebook::KnownTab kAgreedB = Known(QB_TEXT("B"), "page of B", "b");
Disk AgreedOnBoth() {
    Disk disk = TwoTabs();
    disk.files[L"sync-base.dat"] =
        notebook::EncodeAgreed({{kAgreedA, kAgreedB}, {kAgreedA, kAgreedB}, {Print("A\r\nB\r\n")}});
    disk.files[L"sync-base-other.dat"] = disk.files[L"sync-base.dat"];
    return disk;
}

TEST(SharedStore, ACopyOfAnEarlierTabListOfThisMachinesGoesWithoutAWait) {
    // Renamed here twice; the engine left the first list as a copy. No other machine's record
    // will ever explain it: it is this machine's own.
    MemoryFileSystem files(AgreedOnBoth());
    Program program(files);
    program.notebook.RenamePage(1, QB_TEXT("B2"));
    program.notebook.RenamePage(1, QB_TEXT("B3"));
    const std::wstring copy = L"strings/tabs.sync-conflict-20261209-100000-AAAAAAA.txt";
    Outside(files, copy, "A\r\nB2\r\n");
    program.notebook.StoreChanged();
    EXPECT_EQ(File(files, copy), "<none>");
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("A"), QB_TEXT("B3")}));
}

// Of A, B, C: closed here, A; the other machine has not seen that close.
Disk ClosedHereWhileBTypedThere() {
    Disk disk = SharedFolder();
    const notebook::KnownTab a = Known(QB_TEXT("A"), "page of A", "a");
    const notebook::KnownTab b = Known(QB_TEXT("B"), "page of B", "b");
    const notebook::KnownTab c = Known(QB_TEXT("C"), "page of C", "c");
    disk.files[L"sync-base.dat"] =
        notebook::EncodeAgreed({{a, b, c}, {b, c}, {Print("B\r\nC\r\n")}});
    disk.files[L"sync-base-other.dat"] =
        notebook::EncodeAgreed({{a, b, c}, {a, b, c}, {Print("A\r\nB\r\nC\r\n")}});
    disk.files[L"strings/tabs.txt"] = "B\r\nC\r\n";
    disk.files[L"strings/tab0.txt"] = "page of B";
    disk.files[L"strings/tab1.txt"] = "page of C";
    return disk;
}

TEST(SharedStore, ACopyOfAPageFileTheOtherMachineNumberedAsAgreedWaitsForItsTab) {
    // Of A, B, C, closed here: A, so Tab1.txt is C's page here. Another machine typed into B,
    // its Tab1.txt still, and the engine kept that as a copy beside this machine's newer file.
    // The copy is B's page, not C's: it waits until the other machine has followed the close.
    MemoryFileSystem files(ClosedHereWhileBTypedThere());
    Program program(files);
    const std::wstring copy = L"strings/tab1.sync-conflict-20261209-100000-BBBBBBB.txt";
    Outside(files, copy, "page of B typed there");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("B"), QB_TEXT("C")}));
    EXPECT_EQ(File(files, copy), "page of B typed there");
    // That machine merged: B's page with its typing, in B's file now.
    const notebook::KnownTab b = Known(QB_TEXT("B"), "page of B typed there", "b");
    const notebook::KnownTab c = Known(QB_TEXT("C"), "page of C", "c");
    Outside(files, L"strings/tab0.txt", "page of B typed there");
    Outside(files, L"sync-base-other.dat",
            notebook::EncodeAgreed({{b, c}, {b, c}, {Print("B\r\nC\r\n")}}));
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("B"), QB_TEXT("C")}));
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "page of B typed there");
    EXPECT_EQ(File(files, copy), "<none>");
}

TEST(SharedStore, WhileAMergeWaitsATabShowsItsOwnPageAndWhatIsTypedWritesOverNothing) {
    // Of A, B, C, closed here: A. Another machine typed into B before its close came there, and
    // wrote Tab1.txt, where this machine's list has C: the engine pushed C's page into a copy.
    // Until that machine's record says whose the text is, the merge waits.
    MemoryFileSystem files(ClosedHereWhileBTypedThere());
    Program program(files);
    Outside(files, L"strings/tab1.txt", "page of B typed there");
    Outside(files, L"strings/tab1.sync-conflict-20261209-100000-BBBBBBB.txt", "page of C");
    program.notebook.StoreChanged();
    program.notebook.MoveTo(1);
    EXPECT_EQ(program.view.text(), QB_TEXT("page of C"));
    program.view.Type(QB_TEXT("page of C typed here"));
    program.notebook.PageEdited();
    program.notebook.MoveTo(0);
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "page of B typed there");
    int kept = 0;
    for (const auto& [name, bytes] : files.Now().files) {
        kept += name.rfind(L"history/", 0) == 0 && bytes == "page of C typed here";
    }
    EXPECT_EQ(kept, 1);
}

TEST(SharedStore, AMergeThatWaitsForATextThatDoesNotComeGivesUpAndKeepsEveryText) {
    // As above, but the record that would say whose the text in Tab1.txt is never comes. Once
    // the merge has waited its while the tabs are merged from what is there, as at start-up:
    // the window shows the tab list on disk again, and a text the merge wrote over is in the
    // page history.
    MemoryFileSystem files(ClosedHereWhileBTypedThere());
    Program program(files);
    Outside(files, L"strings/tabs.txt", "A\r\nB\r\nC\r\n");
    Outside(files, L"strings/tab1.txt", "page of B typed there");
    Outside(files, L"strings/tab1.sync-conflict-20261209-100000-BBBBBBB.txt", "page of C");
    program.notebook.StoreChanged();
    ASSERT_TRUE(program.notebook.MergeWaits());
    program.now += notebook::Notebook::kMergeWaitMs;
    program.notebook.MergeWaitOver();
    EXPECT_FALSE(program.notebook.MergeWaits());
    const Disk now = files.Now();
    const std::string& bytes = now.files.at(L"strings/tabs.txt");  // (captions in ASCII)
    EXPECT_EQ(program.view.TabCaptions(),
              store::SplitTabListText(Utf16(bytes.begin(), bytes.end())));
    for (const std::string text : {"page of B typed there", "page of C"}) {
        EXPECT_TRUE(std::any_of(now.files.begin(), now.files.end(), [&](const auto& file) {
            return file.second == text && file.first.find(L"sync-conflict") == std::wstring::npos;
        })) << text;
    }
}

// Of A and B, as agreed: the other machine made a tab, M, with its page.
Disk NewTabThere() {
    Disk disk = TwoTabs();
    const notebook::KnownTab a = Known(QB_TEXT("A"), "page of A", "a");
    const notebook::KnownTab b = Known(QB_TEXT("B"), "page of B", "b");
    const notebook::KnownTab m = Known(QB_TEXT("M"), "page of M", "m");
    disk.files[L"sync-base.dat"] = notebook::EncodeAgreed({{a, b}, {a, b}, {Print("A\r\nB\r\n")}});
    disk.files[L"sync-base-other.dat"] =
        notebook::EncodeAgreed({{a, b}, {a, b, m}, {Print("A\r\nB\r\nM\r\n")}});
    return disk;
}

TEST(SharedStore, ANewTabWithoutAPageFileHereAndAnEmptyOneThereAreTheSameTab) {
    // N made here and left empty: no page file. The other machine took N over, and its
    // program wrote an empty Tab2.txt. The machines agree, so a copy of a text the tabs hold
    // goes, and the record here takes N into what was last agreed.
    MemoryFileSystem files(AgreedOnBoth());
    Program program(files);
    program.notebook.AddPage(QB_TEXT("N"));
    program.notebook.MoveTo(0);
    ASSERT_EQ(File(files, L"strings/tab2.txt"), "<none>");
    const notebook::KnownTab n = Known(QB_TEXT("N"), "", "");
    Outside(files, L"strings/tab2.txt", "");
    Outside(files, L"sync-base-other.dat",
            notebook::EncodeAgreed(
                {{kAgreedA, kAgreedB}, {kAgreedA, kAgreedB, n}, {Print("A\r\nB\r\nN\r\n")}}));
    const std::wstring copy = L"strings/tab1.sync-conflict-20261209-100000-BBBBBBB.txt";
    Outside(files, copy, "page of B");
    program.notebook.StoreChanged();
    EXPECT_EQ(File(files, copy), "<none>");
    const auto agreed = notebook::DecodeAgreed(File(files, L"sync-base.dat"));
    ASSERT_TRUE(agreed.has_value());
    EXPECT_EQ(agreed->base.size(), 3u);
}

// New here, typed, and left (so saved).
void TypeInANewTab(Program& program, const Utf16& caption, const Utf16& text) {
    program.notebook.AddPage(caption);
    program.view.Type(text);
    program.notebook.PageEdited();
    program.notebook.MoveTo(0);
}

TEST(SharedStore, ACopyNoRecordExplainsBecomesATabOfItsOwnOnceTheMergeHasWaited) {
    // A tab made on each machine, N here and M there; an engine left a copy of Tab2.txt with
    // a text no record names (that machine's record has moved on since). Once the merge has
    // waited its while, the copy is a tab of its own, under the caption of the tab whose page
    // file it is a copy of in that machine's list, and the merge waits for it no more.
    MemoryFileSystem files(NewTabThere());
    Program program(files);
    TypeInANewTab(program, QB_TEXT("N"), QB_TEXT("page of N"));
    const std::wstring copy = L"strings/tab2.sync-conflict-20261209-100000-BBBBBBB.txt";
    Outside(files, L"strings/tabs.txt", "A\r\nB\r\nM\r\n");
    Outside(files, L"strings/tab2.txt", "page of M");
    Outside(files, L"strings/tab2.sync-conflict-20261209-100001-AAAAAAA.txt", "page of N");
    Outside(files, copy, "page of M as it once was");
    program.notebook.StoreChanged();
    ASSERT_TRUE(program.notebook.MergeWaits());
    program.now += notebook::Notebook::kMergeWaitMs;
    program.notebook.MergeWaitOver();
    EXPECT_FALSE(program.notebook.MergeWaits());
    EXPECT_EQ(File(files, copy), "<none>");
    const Captions captions = program.view.TabCaptions();
    EXPECT_EQ(
        std::count(captions.begin(), captions.end(), notebook::OtherVersionCaption(QB_TEXT("M"))),
        1);
    const Disk now = files.Now();
    EXPECT_TRUE(std::any_of(now.files.begin(), now.files.end(), [](const auto& file) {
        return file.first.rfind(L"strings/tab", 0) == 0 &&
               file.second == "page of M as it once was";
    }));
    program.notebook.StoreChanged();
    EXPECT_FALSE(program.notebook.MergeWaits());
}

// N's page file goes, and the other machine's list with M comes before M's page: the merge
// waits.
void NsFileGoesAndMsListComes(Program& program, MemoryFileSystem& files) {
    ASSERT_EQ(files.Delete(L"strings/tab2.txt"), 0u);
    Outside(files, L"strings/tabs.txt", "A\r\nB\r\nM\r\n");
    program.notebook.StoreChanged();
    ASSERT_TRUE(program.notebook.MergeWaits());
}

TEST(SharedStore, WhileAMergeWaitsATabWhosePageFileWasSetAsideShowsItsPage) {
    // A tab made here, N, typed and saved in Tab2.txt. The other machine made a tab of its own,
    // M, before N's list came there, and set N's page aside (as Tab2.txt.original, and in the
    // page history). M's page has not come: the merge waits. N shows its own page, not an
    // empty one that what is typed next would be saved over.
    MemoryFileSystem files(NewTabThere());
    Program program(files);
    TypeInANewTab(program, QB_TEXT("N"), QB_TEXT("page of N"));
    files.MakeDirectory(L"history");
    Outside(files, notebook::VersionFileName(L"other", Print("page of N")), "page of N");
    Outside(files, L"strings/tab2.txt.original", "page of N");
    NsFileGoesAndMsListComes(program, files);
    program.notebook.MoveTo(2);
    EXPECT_EQ(program.view.text(), QB_TEXT("page of N"));
    // What is typed there is N's, once M's page has come and the merge places the tabs.
    program.view.Type(QB_TEXT("page of N typed"));
    program.notebook.PageEdited();
    program.notebook.MoveTo(0);
    Outside(files, L"strings/tab2.txt", "page of M");
    program.notebook.StoreChanged();
    EXPECT_FALSE(program.notebook.MergeWaits());
    EXPECT_EQ(program.view.TabCaptions(),
              (Captions{QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("M"), QB_TEXT("N")}));
    EXPECT_EQ(File(files, L"strings/tab3.txt"), "page of N typed");
}

TEST(SharedStore, WhileAMergeWaitsATabWhosePageIsNowhereYetTakesNoTyping) {
    // As above, but N's page has not come back from the other machine yet: not in a copy, not
    // in the page history. Until the merge places it, N shows nothing and takes no typing,
    // which would be saved over its page as an empty one.
    MemoryFileSystem files(NewTabThere());
    Program program(files);
    TypeInANewTab(program, QB_TEXT("N"), QB_TEXT("page of N"));
    NsFileGoesAndMsListComes(program, files);
    program.notebook.MoveTo(2);
    EXPECT_EQ(program.view.text(), QB_TEXT(""));
    EXPECT_FALSE(program.view.editable());
    program.notebook.MoveTo(0);
    EXPECT_TRUE(program.view.editable()) << "A's page is here";
}

TEST(SharedStore, ATabWhoseFileHoldsAnotherTabsPageTakesNoTypingUntilTheListComes) {
    // Of A, B, C, the other machine closed B: C's page came into Tab1.txt, its tab list has
    // not come yet. B shows nothing to type over C's page with; once the list has come, the
    // tabs are A and C.
    const std::vector<notebook::KnownTab> tabs = {kAgreedA, kAgreedB,
                                                  Known(QB_TEXT("C"), "page of C", "c")};
    Disk disk = AgreedOnBoth();
    disk.files[L"sync-base.dat"] = notebook::EncodeAgreed({tabs, tabs, {Print("A\r\nB\r\nC\r\n")}});
    disk.files[L"sync-base-other.dat"] = disk.files[L"sync-base.dat"];
    disk.files[L"strings/tabs.txt"] = "A\r\nB\r\nC\r\n";
    disk.files[L"strings/tab2.txt"] = "page of C";
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.MoveTo(2);
    program.notebook.MoveTo(0);
    Outside(files, L"strings/tab1.txt", "page of C");
    ASSERT_EQ(files.Delete(L"strings/tab2.txt"), 0u);
    program.notebook.StoreChanged();
    program.notebook.MoveTo(1);
    EXPECT_EQ(program.view.text(), QB_TEXT(""));
    EXPECT_FALSE(program.view.editable());
    Outside(files, L"sync-base-other.dat",
            notebook::EncodeAgreed({tabs, {tabs[0], tabs[2]}, {Print("A\r\nC\r\n")}}));
    Outside(files, L"strings/tabs.txt", "A\r\nC\r\n");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("A"), QB_TEXT("C")}));
    EXPECT_EQ(program.view.text(), QB_TEXT("page of C"));
    EXPECT_TRUE(program.view.editable());
}

TEST(SharedStore, ACopyAMergeRemovesLeavesItsTextInThePageHistoryWhereACloseMayTakeTheRest) {
    // Typed here: T1. On another machine: T1 closed, T2's page moved to Tab1.txt; the engine
    // kept this machine's Tab1.txt and that machine's as a copy. T1 comes back, and the copy
    // goes: T2's page is left only in Tab2.txt, which that machine's close deletes next.
    Disk disk = SharedFolder();
    const notebook::KnownTab t0 = Known(QB_TEXT("T0"), "page of T0", "t0");
    const notebook::KnownTab t1 = Known(QB_TEXT("T1"), "page of T1", "t1");
    const notebook::KnownTab t2 = Known(QB_TEXT("T2"), "page of T2", "t2");
    notebook::KnownTab typed = t1;
    typed.page = Print("page of T1 typed here");
    disk.files[L"sync-base.dat"] =
        notebook::EncodeAgreed({{t0, t1, t2}, {t0, typed, t2}, {Print("T0\r\nT1\r\nT2\r\n")}});
    disk.files[L"sync-base-other.dat"] =
        notebook::EncodeAgreed({{t0, t1, t2}, {t0, t2}, {Print("T0\r\nT2\r\n")}});
    disk.files[L"strings/tabs.txt"] = "T0\r\nT1\r\nT2\r\n";
    disk.files[L"strings/tab0.txt"] = "page of T0";
    disk.files[L"strings/tab1.txt"] = "page of T1 typed here";
    disk.files[L"strings/tab2.txt"] = "page of T2";
    MemoryFileSystem files(disk);
    Program program(files);
    const std::wstring copy = L"strings/tab1.sync-conflict-20261209-100000-BBBBBBB.txt";
    Outside(files, copy, "page of T2");
    Outside(files, L"strings/tabs.sync-conflict-20261209-100000-BBBBBBB.txt", "T0\r\nT2\r\n");
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.TabCaptions(), (Captions{QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")}));
    EXPECT_EQ(File(files, copy), "<none>");
    int kept = 0;
    for (const auto& [name, bytes] : files.Now().files) {
        kept += name.rfind(L"history/", 0) == 0 && bytes == "page of T2";
    }
    EXPECT_EQ(kept, 1);
}

TEST(SharedStore, FileHeldForAMomentIsAskedForAgain) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    int refusals = 5;
    files.fault = [&](const MemoryFileSystem::Call& call) -> notebook::ErrorCode {
        if (call.kind == MemoryFileSystem::Call::kReplace && call.path == L"strings/tab0.txt" &&
            refusals > 0) {
            --refusals;
            return notebook::codes::kSharingViolation;
        }
        return 0;
    };
    program.view.Type(QB_TEXT("saved after a moment"));
    program.notebook.LeavePage();
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "saved after a moment");
    EXPECT_EQ(files.waited, 5 * notebook::Store::kRetryMs);

    // Held for good: given up after about a second, the page as it was.
    refusals = 1000;
    files.waited = 0;
    program.view.Type(QB_TEXT("not saved"));
    EXPECT_THROW(program.notebook.LeavePage(), Error);
    EXPECT_EQ(files.waited, notebook::Store::kPatienceMs);
    EXPECT_EQ(File(files, L"strings/tab0.txt"), "saved after a moment");

    // A background save does not hold typing up: it tries again at the next pause.
    files.waited = 0;
    program.notebook.PageEdited();
    program.now += 2000;
    program.notebook.SaveInBackground(false);
    EXPECT_EQ(files.waited, 0u);
}

}  // namespace
}  // namespace qb::test
