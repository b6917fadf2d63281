// Background saves written apart from the window: the text copied on the window's side, the file
// work done later by the writer, and the notebook following the outcome only when it comes back.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>

#include "notebook/notebook.h"
#include "store/pure/page_names.h"
#include "store/pure/search.h"
#include "tests/native/code_page_1251.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {
namespace {

using namespace std::string_literals;

// A writer whose work waits until the test lets it run, as a writer thread's may.
class HeldWriter final : public notebook::Writer {
  public:
    void Submit(std::function<void()> work, std::function<void()> done) override {
        held.emplace_back(std::move(work), std::move(done));
    }
    void Finish() override {
        while (!held.empty()) {
            auto [work, done] = std::move(held.front());
            held.pop_front();
            work();
            done();
        }
    }
    std::deque<std::pair<std::function<void()>, std::function<void()>>> held;
};

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
        : files(files), notebook(files, RussianSystem(), view, [this] { return now; }) {
        notebook.UseWriter(writer);
        notebook.Start();
    }
    std::string Page(int index) const {
        const Disk disk = files.Now();
        const auto found = disk.files.find(FoldPath(store::PageFileName(index)));
        return found == disk.files.end() ? "<none>" : found->second;
    }
    // The user types; the background save falls due. The delay it asks for, if any.
    std::optional<std::uint64_t> TypeAndSave(store::Utf16View text) {
        view.Type(text);
        notebook.PageEdited();
        now += 1500;
        return notebook.SaveInBackground(false);
    }
    MemoryFileSystem& files;
    FakeView view;
    HeldWriter writer;
    std::uint64_t now = 10000;
    notebook::Notebook notebook;
};

TEST(BackgroundWriter, EditsMadeWhileTheSaveIsWrittenWaitForTheNextOne) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);

    EXPECT_EQ(program.TypeAndSave(QB_TEXT("one")), std::nullopt);
    ASSERT_EQ(program.writer.held.size(), 1u);
    EXPECT_EQ(program.Page(0), "page of A") << "the file work is the writer's";

    // Typing goes on while the writer works: the save that falls due meanwhile waits its turn,
    // so that saves of the page reach the disk in the order they were taken.
    EXPECT_EQ(program.TypeAndSave(QB_TEXT("one two")), notebook::Notebook::kSaveInFlightRetryMs);
    EXPECT_EQ(program.writer.held.size(), 1u);

    program.notebook.FinishWrites();
    EXPECT_EQ(program.Page(0), "one");
    // What was typed after the copy is not on the disk: the text area stays unsaved.
    EXPECT_TRUE(program.view.PageModified());

    EXPECT_EQ(program.notebook.SaveInBackground(false), std::nullopt);
    program.notebook.FinishWrites();
    EXPECT_EQ(program.Page(0), "one two");
    EXPECT_FALSE(program.view.PageModified());
    EXPECT_EQ(program.view.TabCount(), 2) << "its own writes are not taken for another program's";
    EXPECT_TRUE(program.view.errors().empty());
}

TEST(BackgroundWriter, EveryCommandOnTheStoreWaitsForTheSaveBeingWritten) {
    const std::vector<std::function<void(Program&)>> commands = {
        [](Program& p) { p.notebook.MoveTo(1); },
        [](Program& p) { p.notebook.SaveAll(); },
        [](Program& p) { p.notebook.AddPage(QB_TEXT("C")); },
        [](Program& p) { p.notebook.RenamePage(1, QB_TEXT("B2")); },
        [](Program& p) { p.notebook.ClosePage(1); },
        [](Program& p) { p.notebook.StoreChanged(); },
        [](Program& p) { p.notebook.SettingsChanged(); },
        [](Program& p) {
            const store::CaseTable fold = store::LatinAndCyrillicCase();
            p.notebook.Find(QB_TEXT("nowhere"), true, fold);
        },
    };
    for (std::size_t i = 0; i < commands.size(); ++i) {
        MemoryFileSystem files(TwoTabs());
        Program program(files);
        program.TypeAndSave(QB_TEXT("typed into A"));
        ASSERT_EQ(program.writer.held.size(), 1u);
        commands[i](program);
        EXPECT_TRUE(program.writer.held.empty()) << "command " << i;
        EXPECT_EQ(program.Page(0), "typed into A") << "command " << i;
        // Had the command gone ahead of the save, the save would have found the page written
        // by this program meanwhile and kept its text on a tab of its own.
        for (const auto& caption : program.view.TabCaptions()) {
            EXPECT_EQ(caption.find(QB_TEXT("(")), store::Utf16::npos) << "command " << i;
        }
        EXPECT_TRUE(program.view.errors().empty()) << "command " << i;
    }
}

TEST(BackgroundWriter, ASwitchIsRefusedWhenThePageLeftCannotBeWritten) {
    MemoryFileSystem files(TwoTabs());
    Program program(files);
    program.TypeAndSave(QB_TEXT("typed into A"));
    files.fault = [](const MemoryFileSystem::Call& call) -> notebook::ErrorCode {
        return call.kind == MemoryFileSystem::Call::kReplace && call.path == L"strings/tab0.txt"
                   ? notebook::codes::kSharingViolation
                   : 0;
    };
    EXPECT_THROW(program.notebook.MoveTo(1), Error);
    EXPECT_EQ(program.view.SelectedTab(), 0);
    EXPECT_EQ(program.view.text(), QB_TEXT("typed into A"));
    EXPECT_EQ(program.view.errors().size(), 1u) << "the background save's failure, shown once";
    EXPECT_EQ(program.Page(0), "page of A");
}

}  // namespace
}  // namespace qb::test
