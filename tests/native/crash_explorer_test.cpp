// The crash explorer: every command that changes the store runs on a file system in memory,
// the power is cut after each of its steps in every way the file system allows, and the next
// start runs on what survives (and is itself cut after each of its own steps, and started
// again). Each start is judged: every tab shows its own page, every page the program had
// written before the cut is still there (or a later one), no page is shown under another tab's
// caption, the tab list is one the user saw, and nothing is left half done. The run ends with
// one line: states explored, survived, bytes of saved notes lost, pages under another caption.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "tests/native/code_page_1251.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {
namespace {

using store::Utf16;

const store::Encodings& kEncodings = RussianSystem();

struct Account {
    long states = 0;
    long survived = 0;
    long long bytesLost = 0;
    long misplaced = 0;
};
Account account;

class ReportAccount : public ::testing::Environment {
  public:
    void TearDown() override {
        if (account.states > 0) {
            std::printf(
                "power-loss states explored: %ld, survived: %ld, bytes of saved notes lost: %lld, "
                "pages under another caption: %ld\n",
                account.states, account.survived, account.bytesLost, account.misplaced);
        }
    }
};
const auto* const kReport = ::testing::AddGlobalTestEnvironment(new ReportAccount);

Utf16 Text(const std::string& ascii) {
    return Utf16(ascii.begin(), ascii.end());
}

std::string Bytes(const Utf16& text) {
    return *kEncodings.codePage.EncodeExactly(text);
}

// Each page names its tab and its version, so that a page under another tab's caption, or an
// older one, is seen at once.
Utf16 PageOf(const Utf16& caption, int version) {
    return QB_TEXT("page of ") + caption + QB_TEXT(" v") + Text(std::to_string(version)) +
           QB_TEXT("\r\nsecond line");
}

const std::vector<Utf16> kFour = {QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("C"), QB_TEXT("D")};

// A store as the program leaves it: the tab list, the settings, each page but those never
// saved.
Disk MakeDisk(const std::vector<Utf16>& captions, int selected, std::vector<int> neverSaved = {}) {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(selected);
    disk.files[L"strings/tabs.txt"] = Bytes(store::JoinTabListText(captions));
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (std::find(neverSaved.begin(), neverSaved.end(), i) == neverSaved.end()) {
            disk.files[FoldPath(store::PageFileName(i))] =
                Bytes(PageOf(captions[static_cast<std::size_t>(i)], 0));
        }
    }
    return disk;
}

class Written;

// A program on a file system: its notebook, the window it shows itself in, and a clock.
struct Program {
    explicit Program(MemoryFileSystem& files)
        : files(files), notebook(files, kEncodings, view, [this] { return now; }) {}
    MemoryFileSystem& files;
    Written* written = nullptr;  // where the explored run records what is on the disk
    FakeView view;
    std::uint64_t now = 10000;
    notebook::Notebook notebook;

    // Another program writes a whole file (as a sync engine does): the text of the page it
    // belongs to, under the caption given, is on the disk from then on.
    void Outside(const std::wstring& name, const Utf16& text, const Utf16& caption);

    // The user types into the page on screen, and the background save falls due.
    void TypeAndWait(const Utf16& text) {
        view.Type(text);
        notebook.PageEdited();
        now += 1500;
        notebook.SaveInBackground(false);
    }
    // A click on another tab, with the handlers around it.
    void Switch(int index) {
        notebook.LeavePage();
        view.Click(index);
        notebook.PageSelected();
    }
};

struct Scenario {
    Scenario(std::string n, Disk d, std::vector<Utf16> b, std::vector<Utf16> a,
             std::function<void(Program&)> c)
        : name(std::move(n)),
          disk(std::move(d)),
          before(std::move(b)),
          after(std::move(a)),
          command(std::move(c)) {}
    std::string name;
    Disk disk;
    std::vector<Utf16> before;                // the tab list before the command
    std::vector<Utf16> after;                 // and after it
    std::vector<std::vector<Utf16>> between;  // lists the command passes through
    std::function<void(Program&)> command;
    bool firstRun = false;  // the command is the first start itself
    // Captions that name the same page under another name (a rename).
    std::map<Utf16, Utf16> sameAs;
};

// What was on the disk, page by page: each version of each page, and the step after which it
// was there for sure (written, or read).
class Written {
  public:
    explicit Written(const Scenario& s) : scenario_(s) {
        for (int i = 0; i < static_cast<int>(s.before.size()); ++i) {
            const auto page = s.disk.files.find(FoldPath(store::PageFileName(i)));
            if (page != s.disk.files.end()) {
                Record(0, s.before[static_cast<std::size_t>(i)],
                       kEncodings.codePage.Decode(page->second));
            }
        }
    }
    Utf16 Identity(const Utf16& caption) const {
        const auto same = scenario_.sameAs.find(caption);
        return same == scenario_.sameAs.end() ? caption : same->second;
    }
    void Record(std::size_t step, const Utf16& caption, const Utf16& text) {
        auto& list = versions_[Identity(caption)];
        if (list.empty() || list.back().text != text) {
            list.push_back({text, step});
        }
    }
    // The version a page must at least have after a cut at the step: its index, or -1 when
    // nothing of it was written by then.
    int Required(const Utf16& caption, std::size_t step) const {
        const auto found = versions_.find(Identity(caption));
        int required = -1;
        if (found != versions_.end()) {
            for (std::size_t v = 0; v < found->second.size(); ++v) {
                if (found->second[v].step <= step) {
                    required = static_cast<int>(v);
                }
            }
        }
        return required;
    }
    // The index of the text among the page's versions, or -1.
    int VersionOf(const Utf16& caption, const Utf16& text) const {
        const auto found = versions_.find(Identity(caption));
        if (found == versions_.end()) {
            return -1;
        }
        for (std::size_t v = 0; v < found->second.size(); ++v) {
            if (found->second[v].text == text) {
                return static_cast<int>(v);
            }
        }
        return -1;
    }
    const Utf16& Text(const Utf16& caption, int version) const {
        return versions_.at(Identity(caption)).at(static_cast<std::size_t>(version)).text;
    }
    // Another page whose version this text is.
    bool BelongsElsewhere(const Utf16& caption, const Utf16& text) const {
        for (const auto& [identity, list] : versions_) {
            if (identity == Identity(caption)) {
                continue;
            }
            for (const auto& version : list) {
                if (!text.empty() && version.text == text) {
                    return true;
                }
            }
        }
        return false;
    }

  private:
    struct Version {
        Utf16 text;
        std::size_t step;
    };
    const Scenario& scenario_;
    std::map<Utf16, std::vector<Version>> versions_;
};

// Starts the program on a disk a cut left, judges what it shows, and (the first time) cuts
// the start itself after each of its steps and judges the start after that.
void JudgeStart(const Scenario& s, const Written& written, std::size_t cut, const Disk& disk,
                Ordering ordering, bool cutTheStartToo, const std::string& context) {
    SCOPED_TRACE(context);
    ++account.states;
    const int failuresBefore =
        ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    MemoryFileSystem files(disk);
    Program next(files);
    next.notebook.Start();
    EXPECT_TRUE(next.view.errors().empty())
        << "the start reports nothing; first: "
        << (next.view.errors().empty() ? "" : Error(next.view.errors()[0]).what());
    EXPECT_FALSE(files.IsFile(store::kCloseRecordPath)) << "an interrupted close is finished";
    const std::vector<Utf16> shown = next.view.TabCaptions();
    const bool firstRunAgain =
        !disk.files.count(L"settings.dat") && !disk.files.count(L"strings/tabs.txt");
    // A list without tabs starts with the declared one.
    const std::vector<Utf16> declared = {QB_TEXT("Main")};
    const auto& after = s.after.empty() ? declared : s.after;
    const bool between = std::find(s.between.begin(), s.between.end(), shown) != s.between.end();
    EXPECT_TRUE(shown == after || shown == s.before || between || (s.firstRun && firstRunAgain))
        << "a tab list the user never saw";
    const auto listOnDisk = disk.files.find(L"strings/tabs.txt");
    if (listOnDisk != disk.files.end() &&
        listOnDisk->second == Bytes(store::JoinTabListText(s.after))) {
        EXPECT_TRUE(shown == after) << "the tab list written is the one shown";
    }
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
        const Utf16& caption = shown[static_cast<std::size_t>(i)];
        const auto page = next.notebook.store().LoadPageText(i);
        const Utf16 text = page ? page->text : Utf16();
        const int required = written.Required(caption, cut);
        const int version = written.VersionOf(caption, text);
        const bool own = version >= 0 || (text.empty() && required < 0);
        if (own && version >= required) {
            continue;
        }
        ADD_FAILURE() << "tab " << i << " does not show its page, or an older one";
        if (written.BelongsElsewhere(caption, text)) {
            ++account.misplaced;
        } else if (required >= 0) {
            account.bytesLost +=
                static_cast<long long>(Bytes(written.Text(caption, required)).size());
        }
    }
    const int selected = next.view.SelectedTab();
    // (The first run's About page is a new page: it is written when it is left.)
    if (selected >= 0 && !next.notebook.WritesStopped() && !firstRunAgain) {
        const auto page = next.notebook.store().LoadPageText(selected);
        const Utf16 text = page ? page->text : Utf16();
        EXPECT_TRUE(next.view.text() == text.substr(0, text.find(store::Utf16Unit(0))))
            << "the text area shows the selected tab's page";
    }
    if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() ==
        failuresBefore) {
        ++account.survived;
    }
    if (!cutTheStartToo) {
        return;
    }
    for (std::size_t step = 1; step <= files.Steps(); ++step) {
        for (const Disk& left : files.AfterCut(step, ordering)) {
            JudgeStart(s, written, cut, left, ordering, false,
                       context + ", the next start cut after its step " + std::to_string(step));
        }
    }
}

void Program::Outside(const std::wstring& name, const Utf16& text, const Utf16& caption) {
    ASSERT_EQ(files.Replace(name, Bytes(text), false), 0u);
    written->Record(files.Steps(), caption, text);
}

void Explore(const Scenario& s, Ordering ordering = Ordering::Journaled) {
    MemoryFileSystem files(s.disk);
    Program program(files);
    Written written(s);
    program.written = &written;
    // What is on the disk now for the tab: its page as stored, which the text area may show
    // only in part.
    program.view.onWritten = [&](int index) {
        const auto page = program.notebook.store().LoadPageText(index);
        written.Record(files.Steps(), program.view.TabCaption(index), page ? page->text : Utf16());
    };
    if (!s.firstRun) {
        program.notebook.Start();
        ASSERT_TRUE(program.view.errors().empty());
    }
    const std::size_t from = files.Steps();
    s.command(program);
    ASSERT_TRUE(program.view.errors().empty()) << Error(program.view.errors()[0]).what();
    ASSERT_TRUE(program.view.TabCaptions() == s.after) << "the command did what it says";
    for (std::size_t step = from; step <= files.Steps(); ++step) {
        for (const Disk& left : files.AfterCut(step, ordering)) {
            JudgeStart(s, written, step, left, ordering, true,
                       s.name + ", cut after step " + std::to_string(step));
        }
    }
}

std::vector<Utf16> Without(std::vector<Utf16> captions, int index) {
    captions.erase(captions.begin() + index);
    return captions;
}

std::vector<Utf16> With(std::vector<Utf16> captions, const Utf16& caption) {
    captions.push_back(caption);
    return captions;
}

TEST(CrashExplorer, TypingSavedInTheBackground) {
    Explore({"typing", MakeDisk(kFour, 1), kFour, kFour, [](Program& p) {
                 p.TypeAndWait(PageOf(QB_TEXT("B"), 1));
                 p.TypeAndWait(PageOf(QB_TEXT("B"), 2));
             }});
}

TEST(CrashExplorer, TabSwitch) {
    Explore({"tab switch", MakeDisk(kFour, 1), kFour, kFour, [](Program& p) {
                 p.view.Type(PageOf(QB_TEXT("B"), 1));
                 p.Switch(2);
                 p.view.Type(PageOf(QB_TEXT("C"), 1));
                 p.Switch(0);
             }});
}

TEST(CrashExplorer, NewTabAndItsFirstPage) {
    Explore({"new tab", MakeDisk(kFour, 1), kFour, With(kFour, QB_TEXT("E")), [](Program& p) {
                 p.view.Type(PageOf(QB_TEXT("B"), 1));
                 p.notebook.AddPage(QB_TEXT("E"));
                 p.view.Type(PageOf(QB_TEXT("E"), 1));
                 p.Switch(0);
             }});
}

TEST(CrashExplorer, NewTabOverAPageNoTabOwns) {
    Disk disk = MakeDisk(kFour, 1);
    disk.files[L"strings/tab4.txt"] = "left by an earlier version";
    Explore({"new tab over a page no tab owns", disk, kFour, With(kFour, QB_TEXT("E")),
             [](Program& p) { p.notebook.AddPage(QB_TEXT("E")); }});
}

TEST(CrashExplorer, AboutPage) {
    Disk disk = MakeDisk(kFour, 3);
    disk.files[L"readme.txt"] = "about the program";
    Explore({"About", disk, kFour, With(kFour, QB_TEXT("О программе")), [](Program& p) {
                 p.notebook.AddAboutPage();
                 p.Switch(0);
             }});
}

TEST(CrashExplorer, Rename) {
    std::vector<Utf16> after = kFour;
    after[1] = QB_TEXT("B2");
    Scenario s{"rename", MakeDisk(kFour, 1), kFour, after,
               [](Program& p) { p.notebook.RenamePage(1, QB_TEXT("B2")); }};
    s.sameAs[QB_TEXT("B2")] = QB_TEXT("B");
    Explore(s);
}

TEST(CrashExplorer, CloseEveryTabInTurn) {
    for (int index = 0; index < 4; ++index) {
        const std::string name = "close tab " + std::to_string(index);
        Explore({name, MakeDisk(kFour, index), kFour, Without(kFour, index),
                 [index](Program& p) { p.notebook.ClosePage(index); }});
    }
}

TEST(CrashExplorer, CloseWithPagesNeverSaved) {
    Explore({"close B, C never saved", MakeDisk(kFour, 1, {2}), kFour, Without(kFour, 1),
             [](Program& p) { p.notebook.ClosePage(1); }});
    Explore({"close B, never saved itself", MakeDisk(kFour, 1, {1}), kFour, Without(kFour, 1),
             [](Program& p) { p.notebook.ClosePage(1); }});
}

TEST(CrashExplorer, CloseWhereAnEarlierCloseLeftItsPageAside) {
    Disk disk = MakeDisk(kFour, 1);
    disk.files[L"strings/tab1.txt.removed"] = "a page closed long ago";
    Explore({"close B beside a page left aside", disk, kFour, Without(kFour, 1),
             [](Program& p) { p.notebook.ClosePage(1); }});
}

TEST(CrashExplorer, CloseTheOnlyTab) {
    const std::vector<Utf16> one = {QB_TEXT("A")};
    Explore({"close the only tab", MakeDisk(one, 0), one, {}, [](Program& p) {
                 p.notebook.ClosePage(0);
             }});
}

TEST(CrashExplorer, CloseWhereMetadataReachesTheDiskOutOfOrder) {
    for (int index : {0, 1}) {
        const std::string name = "close tab " + std::to_string(index) + ", out of order";
        Explore({name, MakeDisk(kFour, index), kFour, Without(kFour, index),
                 [index](Program& p) { p.notebook.ClosePage(index); }},
                Ordering::Reordered);
    }
}

TEST(CrashExplorer, SettingsFollowTheWindow) {
    Explore({"settings", MakeDisk(kFour, 1), kFour, kFour, [](Program& p) {
                 p.view.place = {10, 20, 500, 300, 128};
                 p.notebook.SettingsChanged();
             }});
}

TEST(CrashExplorer, Exit) {
    Explore({"exit", MakeDisk(kFour, 2), kFour, kFour, [](Program& p) {
                 p.view.Type(PageOf(QB_TEXT("C"), 1));
                 p.notebook.SaveAll();
             }});
}

TEST(CrashExplorer, FirstRun) {
    Disk disk;
    disk.files[L"readme.txt"] = "about the program";
    const std::vector<Utf16> first = {QB_TEXT("Main"), QB_TEXT("О программе")};
    Scenario s{"first run", disk, first, first, [](Program& p) {
                   p.notebook.Start();
                   p.notebook.SaveAll();
               }};
    s.firstRun = true;
    Explore(s);
}

TEST(CrashExplorer, PageCutAtANulEditedAndSaved) {
    Disk disk = MakeDisk(kFour, 1);
    disk.files[L"strings/tab1.txt"] = std::string("page of B v0\0hidden tail", 24);
    Explore({"page cut at a NUL", disk, kFour, kFour,
             [](Program& p) { p.TypeAndWait(PageOf(QB_TEXT("B"), 1)); }});
}

// ---- Other programs writing in the store between the program's own steps ----

const Utf16 kB = QB_TEXT("B");

TEST(CrashExplorer, PageOnScreenChangedOutsideThenTypedOn) {
    Explore(
        {"outside edit of the page on screen", MakeDisk(kFour, 1), kFour, kFour, [](Program& p) {
             p.Outside(L"strings/tab1.txt", PageOf(kB, 1), kB);
             p.notebook.StoreChanged();
             p.TypeAndWait(PageOf(kB, 2));
         }});
}

TEST(CrashExplorer, EditedHereAndThereAtOnce) {
    const Utf16 own = QB_TEXT("B (ваша версия)");
    for (const bool reported : {true, false}) {
        Explore({reported ? "edited here and there, reported" : "edited here and there, saved",
                 MakeDisk(kFour, 1), kFour, With(kFour, own), [reported, own](Program& p) {
                     p.view.Type(PageOf(own, 1));
                     p.Outside(L"strings/tab1.txt", PageOf(kB, 1), kB);
                     if (reported) {
                         p.notebook.StoreChanged();
                     } else {
                         p.TypeAndWait(PageOf(own, 1));
                     }
                 }});
    }
}

TEST(CrashExplorer, TabFromAnotherMachineThenANewTabHere) {
    const std::vector<Utf16> withE = With(kFour, QB_TEXT("E"));
    Scenario s{"a tab from another machine, then New", MakeDisk(kFour, 1), kFour,
               With(withE, QB_TEXT("F")), [&withE](Program& p) {
                   p.Outside(L"strings/tab4.txt", PageOf(QB_TEXT("E"), 0), QB_TEXT("E"));
                   p.Outside(L"strings/tabs.txt", store::JoinTabListText(withE), QB_TEXT("-"));
                   p.notebook.AddPage(QB_TEXT("F"));
                   p.view.Type(PageOf(QB_TEXT("F"), 1));
                   p.Switch(0);
               }};
    s.between = {withE};
    Explore(s);
}

TEST(CrashExplorer, ConflictCopyTakenAsATab) {
    const Utf16 copy = QB_TEXT("B (копия синхронизации)");
    Explore({"a conflict copy", MakeDisk(kFour, 0), kFour, With(kFour, copy), [copy](Program& p) {
                 p.Outside(L"strings/tab1.sync-conflict-20261208-220327-HNP2OSX.txt",
                           PageOf(copy, 0), copy);
                 p.notebook.StoreChanged();
             }});
}

// ---- Another machine's tab changes meeting this one's typing ----

TEST(CrashExplorer, TabClosedElsewhereWhileALaterOneWasTypedHere) {
    // D is typed here while the other machine closes C: its tab list and its renumbered Tab2
    // arrive, and this machine's Tab3 stays, as an engine keeps a file changed on one side and
    // deleted on the other. D's typing is moved to D's new place.
    const std::vector<Utf16> withoutC = Without(kFour, 2);
    const Utf16 d = QB_TEXT("D");
    Scenario s{"a close elsewhere, typing here", MakeDisk(kFour, 3), kFour, withoutC,
               [&](Program& p) {
                   p.TypeAndWait(PageOf(d, 1));
                   p.Outside(L"strings/tabs.txt", store::JoinTabListText(withoutC),
                             QB_TEXT("-"));
                   p.Outside(L"strings/tab2.txt", PageOf(d, 0), QB_TEXT("-"));
                   p.notebook.StoreChanged();
                   p.Switch(0);
               }};
    s.between = {withoutC};
    Explore(s);
}

// ---- Closed tabs reopened, and the page history ----

// A close, a rename (so that no tab list comes twice), and the closed tab reopened.
void ExploreCloseRenameReopen(const std::string& name, const Disk& disk, int index) {
    const int renamed = index == 0 ? 1 : 0;
    const std::vector<Utf16> closed = Without(kFour, index);
    std::vector<Utf16> renamedList = closed;
    renamedList[0] = closed[0] + QB_TEXT("2");
    std::vector<Utf16> after = kFour;
    after[static_cast<std::size_t>(renamed)] =
        kFour[static_cast<std::size_t>(renamed)] + QB_TEXT("2");
    Scenario s{name, disk, kFour, after, [index](Program& p) {
                   p.notebook.ClosePage(index);
                   p.notebook.RenamePage(0, p.view.TabCaption(0) + QB_TEXT("2"));
                   p.notebook.ReopenPage();
               }};
    s.between = {closed, renamedList};
    s.sameAs[closed[0] + QB_TEXT("2")] = closed[0];
    Explore(s);
}

TEST(CrashExplorer, CloseThenReopen) {
    for (const int index : {0, 1, 3}) {
        ExploreCloseRenameReopen("close tab " + std::to_string(index) + ", reopen it",
                                 MakeDisk(kFour, index), index);
    }
}

TEST(CrashExplorer, ReopenWithPagesNeverSaved) {
    ExploreCloseRenameReopen("close B, D never saved, reopen B", MakeDisk(kFour, 1, {3}), 1);
}

TEST(CrashExplorer, TypingThatKeepsEarlierTexts) {
    // The first save keeps the text before it, a minute's pause keeps another, and a page typed
    // over keeps one more: each version is written beside the save.
    Explore({"typing with versions kept", MakeDisk(kFour, 1), kFour, kFour, [](Program& p) {
                 p.TypeAndWait(PageOf(QB_TEXT("B"), 1));
                 p.now += 120'000;
                 p.TypeAndWait(PageOf(QB_TEXT("B"), 2));
                 p.TypeAndWait(QB_TEXT("B typed over"));
                 p.Switch(0);
             }});
}

}  // namespace
}  // namespace qb::test
