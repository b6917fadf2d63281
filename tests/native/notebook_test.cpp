// The note-keeping's rules where a file is held by another program or left behind by an earlier
// run: a close that cannot even be undone, a journal that cannot be deleted, the original of a
// page cut at a NUL, a store whose page files cannot be trusted.
#include <gtest/gtest.h>

#include <stdexcept>

#include "notebook/notebook.h"
#include "store/pure/close_record.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "tests/native/code_page_1251.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {
namespace {

using store::Utf16;
using namespace std::string_literals;

const store::Encodings& kEncodings = RussianSystem();
constexpr notebook::ErrorCode kHeld = notebook::codes::kSharingViolation;

// Tabs A, B, C, D with their pages, tab `selected` selected.
Disk FourTabs(int selected) {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(selected);
    disk.files[L"strings/tabs.txt"] = "A\r\nB\r\nC\r\nD\r\n";
    for (const char* page : {"A", "B", "C", "D"}) {
        const int i = page[0] - 'A';
        disk.files[FoldPath(store::PageFileName(i))] = "page of "s + page;
    }
    return disk;
}

struct Program {
    explicit Program(MemoryFileSystem& files)
        : notebook(files, kEncodings, view, [this] { return now; }) {}
    FakeView view;
    std::uint64_t now = 10000;
    notebook::Notebook notebook;
};

std::string File(const MemoryFileSystem& files, const std::wstring& name) {
    const Disk disk = files.Now();
    const auto found = disk.files.find(FoldPath(name));
    return found == disk.files.end() ? "<none>" : found->second;
}

TEST(Notebook, CloseThatCannotBeUndoneStopsWritesAndTheNextStartFinishesIt) {
    MemoryFileSystem files(FourTabs(1));
    Program program(files);
    program.notebook.Start();
    // Another program holds C's page as it is to move down, and still as it would move back.
    files.fault = [](const MemoryFileSystem::Call& call) -> notebook::ErrorCode {
        const bool movesC = call.kind == MemoryFileSystem::Call::kMove &&
                            (call.path == L"strings/tab3.txt" || call.to == L"strings/tab2.txt");
        return movesC ? kHeld : 0;
    };
    EXPECT_THROW(program.notebook.ClosePage(1), notebook::StoreInDoubt);
    EXPECT_TRUE(program.notebook.WritesStopped());
    EXPECT_FALSE(program.view.editable());
    EXPECT_TRUE(files.IsFile(store::kCloseRecordPath)) << "the journal stays for the next start";

    // Nothing typed now is written over a page that may be another tab's.
    const Disk before = files.Now();
    program.view.Type(QB_TEXT("typed into B"));
    program.notebook.LeavePage();
    program.notebook.SaveAll();
    EXPECT_TRUE(files.Now() == before);

    files.fault = nullptr;
    MemoryFileSystem next(files.Now());
    Program again(next);
    again.notebook.Start();
    EXPECT_TRUE(again.view.errors().empty());
    EXPECT_EQ(again.view.TabCaptions(),
              (std::vector<Utf16>{QB_TEXT("A"), QB_TEXT("C"), QB_TEXT("D")}));
    EXPECT_EQ(File(next, L"strings/tab0.txt"), "page of A");
    EXPECT_EQ(File(next, L"strings/tab1.txt"), "page of C");
    EXPECT_EQ(File(next, L"strings/tab2.txt"), "page of D");
    EXPECT_FALSE(next.IsFile(store::kCloseRecordPath));
}

TEST(Notebook, JournalThatCannotBeDeletedHoldsBackTheNextTabChange) {
    MemoryFileSystem files(FourTabs(1));
    Program program(files);
    program.notebook.Start();
    bool held = true;
    files.fault = [&](const MemoryFileSystem::Call& call) -> notebook::ErrorCode {
        return held && call.kind == MemoryFileSystem::Call::kDelete &&
                       call.path == FoldPath(store::kCloseRecordPath)
                   ? kHeld
                   : 0;
    };
    program.notebook.ClosePage(1);
    EXPECT_EQ(File(files, L"strings/tabs.txt"), "A\r\nC\r\nD\r\n") << "the close went through";
    EXPECT_TRUE(files.IsFile(store::kCloseRecordPath));

    // A rename now would leave a journal that a later start takes for a close in progress.
    EXPECT_THROW(program.notebook.RenamePage(0, QB_TEXT("A2")), Error);
    EXPECT_EQ(program.view.TabCaption(0), QB_TEXT("A"));
    EXPECT_EQ(File(files, L"strings/tabs.txt"), "A\r\nC\r\nD\r\n");

    held = false;
    program.notebook.RenamePage(0, QB_TEXT("A2"));
    EXPECT_FALSE(files.IsFile(store::kCloseRecordPath));
    EXPECT_EQ(File(files, L"strings/tabs.txt"), "A2\r\nC\r\nD\r\n");
}

TEST(Notebook, JournalOfACloseTheStoreHasMovedOnFromIsNotRunAgain) {
    // B was closed; its journal stayed behind; then a tab E was made. The list is now neither
    // the one before the close nor the one after it.
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(0);
    disk.files[L"strings/tabs.txt"] = "A\r\nC\r\nD\r\nE\r\n";
    disk.files[L"strings/tab0.txt"] = "page of A";
    disk.files[L"strings/tab1.txt"] = "page of C";
    disk.files[L"strings/tab2.txt"] = "page of D";
    disk.files[L"strings/tab3.txt"] = "page of E";
    store::CloseRecord record;
    record.index = 1;
    record.hadPage = true;
    record.moves = {{2, 1}, {3, 2}};
    record.tabList = "A\r\nC\r\nD\r\n";
    record.tabListBefore = "A\r\nB\r\nC\r\nD\r\n";
    disk.files[FoldPath(store::kCloseRecordPath)] = store::EncodeCloseRecord(record);
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.Start();
    EXPECT_TRUE(program.view.errors().empty());
    EXPECT_EQ(File(files, L"strings/tabs.txt"), "A\r\nC\r\nD\r\nE\r\n");
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "page of C");
    EXPECT_EQ(File(files, L"strings/tab3.txt"), "page of E");
    EXPECT_FALSE(files.IsFile(store::kCloseRecordPath)) << "the leftover goes";
}

TEST(Notebook, PageCutAtANulKeepsEveryOriginal) {
    Disk disk = FourTabs(1);
    const std::string withNul("shown\0hidden tail", 17);
    disk.files[L"strings/tab1.txt"] = withNul;
    disk.files[L"strings/tab1.txt.original"] = "an original kept in an earlier run";
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.Start();
    EXPECT_EQ(program.view.notices().size(), 1u);

    // The copy cannot be made: the page file is not written over.
    files.fault = [](const MemoryFileSystem::Call& call) -> notebook::ErrorCode {
        return call.kind == MemoryFileSystem::Call::kReplace &&
                       call.path == L"strings/tab1.txt.original2"
                   ? kHeld
                   : 0;
    };
    program.view.Type(QB_TEXT("shown+"));
    EXPECT_THROW(program.notebook.LeavePage(), Error);
    EXPECT_EQ(File(files, L"strings/tab1.txt"), withNul);

    files.fault = nullptr;
    program.notebook.LeavePage();
    EXPECT_EQ(File(files, L"strings/tab1.txt"), "shown+");
    EXPECT_EQ(File(files, L"strings/tab1.txt.original"), "an original kept in an earlier run");
    EXPECT_EQ(File(files, L"strings/tab1.txt.original2"), withNul);
    // Saved again, the page has nothing more to keep.
    program.view.Type(QB_TEXT("shown++"));
    program.notebook.LeavePage();
    EXPECT_FALSE(files.IsFile(L"strings/tab1.txt.original3"));
}

TEST(Notebook, StoreThatCannotBeTrustedShowsNoPageUnderAnyTab) {
    Disk disk = FourTabs(0);
    disk.files[FoldPath(store::kCloseRecordPath)] = "Quillbrasset close\r\nindex 1\r\n";
    MemoryFileSystem files(disk);
    Program program(files);
    program.notebook.Start();
    ASSERT_EQ(program.view.errors().size(), 1u);
    EXPECT_TRUE(program.notebook.WritesStopped());
    program.view.Click(2);
    program.notebook.PageSelected();
    EXPECT_EQ(program.view.text(), QB_TEXT("")) << "which page is C's is not known";
    EXPECT_FALSE(program.view.editable());
}

TEST(Notebook, EveryFailureReachesTheUserWithItsText) {
    const auto failure = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            return notebook::CurrentFailure().text();
        }
        return std::wstring();
    };
    EXPECT_EQ(failure([] { throw Error(L"Cannot open file"); }), L"Cannot open file");
    EXPECT_EQ(failure([] { throw std::bad_alloc(); }), L"Out of memory");
    EXPECT_EQ(failure([] { throw std::length_error("basic_string::_M_create"); }),
              L"basic_string::_M_create");
    EXPECT_FALSE(failure([] { throw 42; }).empty());
}

}  // namespace
}  // namespace qb::test
