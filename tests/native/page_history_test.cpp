// A page's history and the closed tabs: the rule that decides which texts are kept, pruning,
// the chain that finds a tab's versions wherever the tab moved, and the notebook reopening
// closed tabs and restoring earlier texts on a file system in memory.
#include <gtest/gtest.h>

#include <string>

#include "notebook/history.h"
#include "notebook/notebook.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "tests/native/code_page_1251.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {
namespace {

using notebook::Replacement;
using notebook::Version;
using store::Utf16;
using namespace std::string_literals;

const store::Encodings& kEncodings = RussianSystem();

store::Fingerprint Print(std::string_view bytes) {
    return store::FingerprintOf(bytes);
}

TEST(VersionRule, KeepsTheTextBeforeEachStretchOfTypingAndBeforeLargeRemovals) {
    const std::string page = "a page of notes, long enough to matter";
    // Typing on within a stretch keeps nothing; the first save after a pause of a minute, or
    // the first in this run, keeps the text before it.
    EXPECT_FALSE(notebook::KeepsVersion(Replacement::Typing, page, page + " and more", 1500));
    EXPECT_FALSE(notebook::KeepsVersion(Replacement::Typing, page, page + " and more", 59'999));
    EXPECT_TRUE(notebook::KeepsVersion(Replacement::Typing, page, page + " and more", 60'000));
    EXPECT_TRUE(
        notebook::KeepsVersion(Replacement::Typing, page, page + " and more", std::nullopt));
    // A selection typed over, or half of the page deleted, in the middle of a stretch.
    EXPECT_TRUE(notebook::KeepsVersion(Replacement::Typing, page, "x", 1500));
    EXPECT_TRUE(notebook::KeepsVersion(Replacement::Typing, page, page.substr(0, 19), 1500));
    EXPECT_FALSE(notebook::KeepsVersion(Replacement::Typing, page, page.substr(0, 20), 1500));
    const std::string big(5000, 'q');
    EXPECT_TRUE(notebook::KeepsVersion(Replacement::Typing, big + page, page, 1500))
        << "a large delete in a larger page";
    EXPECT_FALSE(notebook::KeepsVersion(Replacement::Typing, big + page, big + "ab" + page, 1500));
    // A restore, another program's text, a close: always; nothing to keep: never.
    for (const auto why : {Replacement::Restore, Replacement::Follow, Replacement::Close}) {
        EXPECT_TRUE(notebook::KeepsVersion(why, page, page + "!", 10));
        EXPECT_FALSE(notebook::KeepsVersion(why, "", "new", std::nullopt));
        EXPECT_FALSE(notebook::KeepsVersion(why, page, page, std::nullopt));
    }
    EXPECT_EQ(notebook::RemovedBytes("abcXYZdef", "abcdef"), 3u);
    EXPECT_EQ(notebook::RemovedBytes("aaaa", "aa"), 2u);
    EXPECT_EQ(notebook::RemovedBytes("abc", "abcabc"), 0u);
}

Version Made(std::uint64_t time, const std::string& text, const std::string& by) {
    return {time, Print(text), Print(by), text.size(), L"here"};
}

TEST(PageHistory, FollowsTheChainOfReplacementsAndPrunesOldestButNeverAPagesNewest) {
    // Page one: a -> b -> c (now); page two: x -> y (now).
    std::vector<Version> versions = {Made(1, "a", "b"), Made(2, "x", "y"), Made(3, "b", "c")};
    auto history = notebook::PageHistory(versions, Print("c"));
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].text, Print("b"));
    EXPECT_EQ(history[1].text, Print("a"));
    // Typed on without a version: the chain reaches the new text.
    EXPECT_TRUE(notebook::Relink(versions, Print("c"), Print("cd")));
    EXPECT_EQ(notebook::PageHistory(versions, Print("cd")).size(), 2u);
    EXPECT_TRUE(notebook::PageHistory(versions, Print("c")).empty());
    EXPECT_EQ(notebook::PageHistory(versions, Print("y")).size(), 1u);
    // Nothing links through an empty page: every empty page would share its history.
    EXPECT_FALSE(notebook::Relink(versions, Print(""), Print("z")));

    // A restore makes a cycle: c -> b restored, b's text back.
    std::vector<Version> cycle = {Made(1, "b", "c"), Made(2, "c", "b")};
    EXPECT_EQ(notebook::PageHistory(cycle, Print("b")).size(), 2u);

    // 5 versions of one page, 2 of another, at most 3 a page: the two oldest of the first go.
    std::vector<Version> many;
    for (int i = 0; i < 5; ++i) {
        many.push_back(Made(static_cast<std::uint64_t>(10 + i), "p" + std::to_string(i),
                            "p" + std::to_string(i + 1)));
    }
    many.push_back(Made(1, "q0", "q1"));
    many.push_back(Made(2, "q1", "q2"));
    EXPECT_EQ(notebook::VersionsToDrop(many, 3, 1'000'000), (std::vector<std::size_t>{0, 1}));
    // A total of 4 bytes: the oldest of all go, but each page keeps its newest.
    EXPECT_EQ(notebook::VersionsToDrop(many, 100, 4), (std::vector<std::size_t>{0, 1, 2, 3, 5}));
}

TEST(PageHistory, AListOfClosedTabsWrittenBeforeIdentitiesIsStillRead) {
    const std::string page = store::FingerprintText(Print("page"));
    const std::vector<notebook::ClosedTab> old = notebook::DecodeClosedTabs(
        "Quillbrasset closed tabs 1\r\n2 " + page + " Notes and more\r\n");
    EXPECT_EQ(old,
              (std::vector<notebook::ClosedTab>{{2, QB_TEXT("Notes and more"), Print("page")}}));
    const std::vector<notebook::ClosedTab> now = {
        {2, QB_TEXT("Notes and more"), Print("page"), "n1"}, {0, QB_TEXT("E"), {}, ""}};
    EXPECT_EQ(notebook::DecodeClosedTabs(notebook::EncodeClosedTabs(now)), now);
}

TEST(PageHistory, FilesSurviveDamage) {
    const std::vector<Version> versions = {Made(1, "a", "b"), Made(5, "b", "")};
    const std::string bytes = notebook::EncodeIndex(versions);
    EXPECT_EQ(notebook::DecodeIndex(bytes, L"here"), versions);
    // A line cut short by a damaged file, or garbage, is left out; the rest is kept.
    EXPECT_EQ(notebook::DecodeIndex(bytes.substr(0, bytes.size() - 3), L"here").size(), 1u);
    EXPECT_EQ(notebook::DecodeIndex(bytes + "junk line\r\n", L"here").size(), 2u);
    EXPECT_TRUE(notebook::DecodeIndex("not an index", L"here").empty());

    const std::vector<notebook::ClosedTab> closed = {{2, QB_TEXT("Заметки x"), Print("page")},
                                                     {0, QB_TEXT("E"), {}}};
    EXPECT_EQ(notebook::DecodeClosedTabs(notebook::EncodeClosedTabs(closed)), closed);
    EXPECT_EQ(notebook::IndexFileMachine(L"index-PC-1.dat"), std::wstring(L"PC-1"));
    EXPECT_FALSE(notebook::IndexFileMachine(L"index-PC-1.sync-conflict-20260101-1.dat"));
    EXPECT_NE(notebook::VersionFileName(L"one", Print("a")),
              notebook::VersionFileName(L"two", Print("a")))
        << "two machines never write the same name";
}

// ---- The notebook ----

const std::vector<Utf16> kFour = {QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("C"), QB_TEXT("D")};

Disk FourTabs(int selected) {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(selected);
    disk.files[L"strings/tabs.txt"] = "A\r\nB\r\nC\r\nD\r\n";
    for (int i = 0; i < 4; ++i) {
        disk.files[FoldPath(store::PageFileName(i))] =
            "page of "s + static_cast<char>('A' + i) + "\r\nsecond line";
    }
    return disk;
}

struct Program {
    explicit Program(MemoryFileSystem& files, std::wstring machine = L"PC1")
        : notebook(
              files, kEncodings, view, [this] { return now; }, std::move(machine)) {
        notebook.SetWallClock([this] { return wall; });
    }
    FakeView view;
    std::uint64_t now = 10000;
    std::uint64_t wall = 1'800'000'000'000;
    notebook::Notebook notebook;

    void TypeAndWait(const Utf16& text) {
        view.Type(text);
        notebook.PageEdited();
        now += 1500;
        wall += 1500;
        notebook.SaveInBackground(false);
    }
    void Switch(int index) {
        notebook.LeavePage();
        view.Click(index);
        notebook.PageSelected();
    }
};

std::string File(const MemoryFileSystem& files, const std::wstring& name) {
    const Disk disk = files.Now();
    const auto found = disk.files.find(FoldPath(name));
    return found == disk.files.end() ? "<none>" : found->second;
}

TEST(ReopenClosedTab, BringsBackTabsInTheReverseOrderOfClosingAtTheirPlacesByteForByte) {
    Disk disk = FourTabs(1);
    disk.files[L"strings/tab2.txt"] = "page of C\r\nin code page 1251: \xff";
    MemoryFileSystem files(disk);
    const Disk start = files.Now();
    Program program(files);
    program.notebook.Start();
    EXPECT_FALSE(program.notebook.CanReopen());
    program.notebook.ClosePage(1);  // B
    program.view.Click(1);          // C
    program.notebook.PageSelected();
    program.notebook.ClosePage(1);  // C
    EXPECT_EQ(program.view.TabCaptions(), (std::vector<Utf16>{QB_TEXT("A"), QB_TEXT("D")}));
    ASSERT_TRUE(program.notebook.CanReopen());

    program.notebook.ReopenPage();
    EXPECT_EQ(program.view.TabCaptions(),
              (std::vector<Utf16>{QB_TEXT("A"), QB_TEXT("C"), QB_TEXT("D")}));
    EXPECT_EQ(program.view.SelectedTab(), 1);
    EXPECT_EQ(program.view.text(), QB_TEXT("page of C\r\nin code page 1251: ") + Utf16(1, 0x044F));
    program.notebook.ReopenPage();
    EXPECT_EQ(program.view.TabCaptions(), kFour);
    EXPECT_EQ(program.view.SelectedTab(), 1);
    EXPECT_EQ(program.view.text(), QB_TEXT("page of B\r\nsecond line"));
    EXPECT_FALSE(program.notebook.CanReopen());
    EXPECT_TRUE(program.view.errors().empty());
    for (const wchar_t* name : {L"strings/tabs.txt", L"strings/tab0.txt", L"strings/tab1.txt",
                                L"strings/tab2.txt", L"strings/tab3.txt"}) {
        EXPECT_EQ(File(files, name), start.files.at(name)) << name;
    }
    EXPECT_FALSE(files.IsFile(store::kReopenRecordPath));
    // The closed pages' copies go once their tabs are back (the first saves in this run kept
    // no version: nothing was typed).
    const Disk end = files.Now();
    EXPECT_EQ(std::count_if(end.files.begin(), end.files.end(),
                            [](const auto& f) { return f.first.rfind(L"history/pc1-", 0) == 0; }),
              0);
}

TEST(ReopenClosedTab, AfterARestartAndOnlyOnTheMachineThatClosedIt) {
    MemoryFileSystem files(FourTabs(0));
    {
        Program program(files, L"PC1");
        program.notebook.Start();
        program.notebook.ClosePage(3);
        program.notebook.SaveAll();
    }
    {
        Program other(files, L"PC2");
        other.notebook.Start();
        EXPECT_FALSE(other.notebook.CanReopen()) << "each machine's closed tabs are its own";
    }
    Program again(files, L"PC1");
    again.notebook.Start();
    ASSERT_TRUE(again.notebook.CanReopen());
    again.notebook.ReopenPage();
    EXPECT_EQ(again.view.TabCaptions(), kFour);
    EXPECT_EQ(again.view.SelectedTab(), 3);
    EXPECT_EQ(File(files, L"strings/tab3.txt"), "page of D\r\nsecond line");
}

TEST(ReopenClosedTab, APowerCutAnywhereInACloseLeavesTheTabOpenOrThereToReopen) {
    MemoryFileSystem files(FourTabs(1));
    const std::string pageB = File(files, L"strings/tab1.txt");
    Program program(files);
    program.notebook.Start();
    const std::size_t from = files.Steps();
    program.notebook.ClosePage(1);
    int reopened = 0;
    for (std::size_t step = from; step <= files.Steps(); ++step) {
        for (const Disk& left : files.AfterCut(step, Ordering::Journaled)) {
            SCOPED_TRACE("cut after step " + std::to_string(step));
            MemoryFileSystem after(left);
            Program next(after);
            next.notebook.Start();
            if (next.view.TabCaptions() == kFour) {
                continue;  // the close did not happen
            }
            ASSERT_TRUE(next.notebook.CanReopen());
            next.notebook.ReopenPage();
            EXPECT_EQ(next.view.TabCaptions(), kFour);
            EXPECT_EQ(File(after, L"strings/tab1.txt"), pageB);
            EXPECT_TRUE(next.view.errors().empty());
            ++reopened;
        }
    }
    EXPECT_GT(reopened, 0);
}

TEST(ReopenClosedTab, AnInterruptedReopenIsFinishedByTheNextStart) {
    // The journal is written and B's room made, then the power goes.
    store::ReopenRecord record;
    record.index = 1;
    record.moves = {{3, 4}, {2, 3}, {1, 2}};
    record.page = "page of X";
    record.tabList = "A\r\nX\r\nB\r\nC\r\nD\r\n";
    record.tabListBefore = "A\r\nB\r\nC\r\nD\r\n";
    Disk disk = FourTabs(0);
    disk.files[L"strings/tabs.txt.reopening"] = store::EncodeReopenRecord(record);
    disk.files[L"strings/tab4.txt"] = disk.files[L"strings/tab3.txt"];
    disk.files.erase(L"strings/tab3.txt");
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.Start();
    EXPECT_TRUE(program.view.errors().empty());
    EXPECT_EQ(File(files, L"strings/tabs.txt"), record.tabList);
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "page of X");
    EXPECT_EQ(File(files, L"strings/tab2.txt"), "page of B\r\nsecond line");
    EXPECT_EQ(File(files, L"strings/tab4.txt"), "page of D\r\nsecond line");
    EXPECT_FALSE(files.IsFile(store::kReopenRecordPath));
    EXPECT_EQ(store::DecodeReopenRecord(store::EncodeReopenRecord(record)), record);
}

TEST(PageHistoryOfATab, TypingOverTheWholePageThenASwitchThenRestore) {
    MemoryFileSystem files(FourTabs(1));
    Program program(files);
    program.notebook.Start();
    const Utf16 before = program.view.text();
    // Typing in the page, saved, a short pause, then the whole page typed over.
    program.TypeAndWait(before + QB_TEXT(" more"));
    program.TypeAndWait(before + QB_TEXT(" more and more"));
    program.TypeAndWait(QB_TEXT("typed over"));
    program.Switch(2);
    program.Switch(1);
    EXPECT_EQ(program.view.text(), QB_TEXT("typed over"));

    auto history = program.notebook.PageHistory();
    ASSERT_EQ(history.size(), 2u) << "the text before the stretch, and before the typing over";
    EXPECT_EQ(program.notebook.VersionText(history[0]).text, before + QB_TEXT(" more and more"));
    EXPECT_EQ(program.notebook.VersionText(history[1]).text, before);
    EXPECT_TRUE(program.notebook.PageHistory().size() == 2u) << "the other tabs have their own";

    program.wall += 5000;
    program.notebook.RestoreVersion(history[1]);
    EXPECT_EQ(program.view.text(), before);
    EXPECT_FALSE(program.view.PageModified());
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "page of B\r\nsecond line");
    // The restore itself can be undone: the text it replaced is the newest version.
    history = program.notebook.PageHistory();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(program.notebook.VersionText(history[0]).text, QB_TEXT("typed over"));

    // A's history is its own.
    program.Switch(0);
    EXPECT_TRUE(program.notebook.PageHistory().empty());
}

TEST(PageHistoryOfATab, FollowsTheTabWhenAnEarlierTabClosesAndAfterARestart) {
    MemoryFileSystem files(FourTabs(2));
    {
        Program program(files);
        program.notebook.Start();
        program.TypeAndWait(QB_TEXT("C typed over"));
        program.now += 120'000;
        program.TypeAndWait(QB_TEXT("C typed over, then a minute later more"));
        program.Switch(0);
        program.notebook.ClosePage(0);
        program.notebook.RenamePage(1, QB_TEXT("C2"));
        program.notebook.SaveAll();
    }
    Program again(files);
    again.notebook.Start();
    again.view.Click(1);
    again.notebook.PageSelected();
    ASSERT_EQ(again.view.TabCaption(1), QB_TEXT("C2"));
    const auto history = again.notebook.PageHistory();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(again.notebook.VersionText(history[0]).text, QB_TEXT("C typed over"));
    EXPECT_EQ(again.notebook.VersionText(history[1]).text, QB_TEXT("page of C\r\nsecond line"));
}

TEST(PageHistoryOfATab, AnotherProgramsTextOfThePageOnScreenKeepsTheTextItReplaced) {
    MemoryFileSystem files(FourTabs(1));
    Program program(files);
    program.notebook.Start();
    ASSERT_EQ(files.Replace(L"Strings/Tab1.txt", "B, as another machine left it", false), 0u);
    program.notebook.StoreChanged();
    EXPECT_EQ(program.view.text(), QB_TEXT("B, as another machine left it"));
    const auto history = program.notebook.PageHistory();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(program.notebook.VersionText(history[0]).text, QB_TEXT("page of B\r\nsecond line"));
}

TEST(PageHistoryOfATab, AVersionFileNoListNamesGoesOnlyWhenTheListsWereReadWhole) {
    MemoryFileSystem made(FourTabs(1));
    {
        Program program(made);
        program.notebook.Start();
        program.TypeAndWait(QB_TEXT("B, typed"));
        program.notebook.SaveAll();
    }
    Disk disk = made.Now();
    ASSERT_EQ(notebook::DecodeIndex(disk.files.at(L"history/index-pc1.dat"), L"PC1").size(), 1u);
    const std::wstring kept =
        FoldPath(notebook::VersionFileName(L"PC1", Print("page of B\r\nsecond line")));
    ASSERT_TRUE(disk.files.count(kept));
    // Left by a power cut between a version's file and its line; another machine's stays.
    const std::wstring orphan = FoldPath(notebook::VersionFileName(L"PC1", Print("lost")));
    const std::wstring others = FoldPath(notebook::VersionFileName(L"PC2", Print("theirs")));
    disk.files[orphan] = "lost";
    disk.files[others] = "theirs";
    {
        MemoryFileSystem files(disk);
        Program program(files);
        program.notebook.Start();
        EXPECT_FALSE(files.IsFile(orphan));
        EXPECT_TRUE(files.IsFile(kept));
        EXPECT_TRUE(files.IsFile(others));
    }
    // A damaged index may have named it: nothing goes.
    disk.files[L"history/index-pc1.dat"] += "damaged";
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.Start();
    EXPECT_TRUE(files.IsFile(orphan));
    EXPECT_TRUE(files.IsFile(kept));
}

TEST(PageHistoryOfATab, ADamagedHistoryNeitherStopsTheProgramNorTouchesAPage) {
    Disk disk = FourTabs(1);
    disk.directories.insert(L"history");
    disk.files[L"history/index-pc1.dat"] = "Quillbrasset history 1\r\nbroken\r\n1 2 3";
    disk.files[L"history/closed-pc1.dat"] = "garbage";
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.Start();
    EXPECT_TRUE(program.view.errors().empty());
    EXPECT_FALSE(program.notebook.CanReopen());
    program.TypeAndWait(QB_TEXT("new text"));
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "new text");
    EXPECT_EQ(program.notebook.PageHistory().size(), 1u);

    // A history directory that cannot be written: the page is stored all the same, once told.
    files.fault = [](const MemoryFileSystem::Call& call) -> notebook::ErrorCode {
        return call.path.rfind(L"history/", 0) == 0 && call.kind != MemoryFileSystem::Call::kRead
                   ? notebook::codes::kAccessDenied
                   : 0;
    };
    program.now += 120'000;
    program.TypeAndWait(QB_TEXT("newer text"));
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "newer text");
    EXPECT_EQ(program.view.notices().size(), 1u);
    EXPECT_TRUE(program.view.errors().empty());
}

}  // namespace
}  // namespace qb::test
