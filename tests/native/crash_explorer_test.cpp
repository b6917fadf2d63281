// The crash explorer (crash_explorer.h): every command that changes the store, alone, in every
// pair, and with a failing operation, runs on a file system in memory that takes the file
// layer's own steps; the power is cut after each step in every way the disk allows, and the
// next starts (themselves cut, two levels deep) are judged. The run ends with one line: states
// explored, survived, bytes of saved notes lost, pages under another caption, older saves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/pure/page_names.h"
#include "store/pure/search.h"
#include "store/pure/tab_list.h"
#include "tests/native/crash_explorer.h"

namespace qb::test::explorer {
namespace {

using notebook::ErrorCode;
constexpr ErrorCode kHeld = notebook::codes::kSharingViolation;

const std::vector<Utf16> kFour = {QB_TEXT("A"), QB_TEXT("B"), QB_TEXT("C"), QB_TEXT("D")};
const Utf16 kB = QB_TEXT("B");

// Where the disk keeps its promises, and where a move written through may still be lost.
void ExploreBoth(const Scenario& s) {
    Explore(s, Ordering::Journaled);
    Explore(s, Ordering::Lazy);
}

Command Do(std::string name, std::function<void(Program&)> run) {
    return {std::move(name), std::move(run)};
}

std::vector<Utf16> Without(std::vector<Utf16> captions, int index) {
    captions.erase(captions.begin() + index);
    return captions;
}

std::vector<Utf16> With(std::vector<Utf16> captions, const Utf16& caption) {
    captions.push_back(caption);
    return captions;
}

// ---- The commands, each on whatever the strip shows ----

int Selected(const Program& p) {
    return std::max(p.view.SelectedTab(), 0);
}

Command CloseCommand() {
    return Do("close", [](Program& p) {
        if (p.view.TabCount() > 1) {
            p.Close(std::min(1, p.view.TabCount() - 1));
        }
    });
}

Command NewCommand() {
    return Do("New", [](Program& p) {
        p.view.Type(p.NextText(Selected(p)));
        p.notebook.AddPage(QB_TEXT("E") + store::Utf16(1, u'0' + p.versions % 10));
    });
}

Command AboutCommand() {
    return Do("About", [](Program& p) { p.notebook.AddAboutPage(); });
}

Command RenameCommand() {
    return Do("rename", [](Program& p) {
        const int index = Selected(p);
        p.Rename(index, p.view.TabCaption(index) + QB_TEXT("2"));
    });
}

Command TypingCommand() {
    return Do("typing", [](Program& p) {
        p.TypeAndWait(p.NextText(Selected(p)));
        p.TypeAndWait(p.NextText(Selected(p)));
    });
}

Command SwitchCommand() {
    return Do("tab switch", [](Program& p) {
        p.view.Type(p.NextText(Selected(p)));
        p.Switch((Selected(p) + 1) % p.view.TabCount());
    });
}

// A search that finds the page two tabs on: the page left is saved first.
Command FindCommand() {
    return Do("Find", [](Program& p) {
        p.view.Type(p.NextText(Selected(p)));
        const int from = Selected(p);
        const int target = (from + 2) % p.view.TabCount();
        const auto stored = p.notebook.store().LoadPageText(target);
        const Utf16 needle = stored ? stored->text.substr(0, stored->text.find(u'\n') + 7)
                                    : QB_TEXT("nowhere to be found");
        const bool found = p.notebook.Find(needle, true, store::LatinAndCyrillicCase());
        if (stored && target != from && p.view.errors().empty()) {
            EXPECT_TRUE(found && Selected(p) == target) << "the search reaches the page";
        }
    });
}

Command ExitCommand() {
    return Do("Exit", [](Program& p) {
        p.view.Type(p.NextText(Selected(p)));
        p.notebook.SaveAll();
    });
}

Command ConflictCopyCommand() {
    return Do("conflict copy taken", [](Program& p) {
        const int index = Selected(p);
        const Utf16 copy = p.view.TabCaption(index) + QB_TEXT(" (копия синхронизации)");
        // The tab it becomes, after the last.
        const std::vector<Utf16> tabs = With(p.view.TabCaptions(), copy);
        p.Outside(
            L"strings/tab" + std::to_wstring(index) + L".sync-conflict-20261208-220327-HNP2OSX.txt",
            PageOf(copy, ++p.versions), Key(tabs, static_cast<int>(tabs.size()) - 1));
        p.notebook.StoreChanged();
    });
}

std::vector<Command> EveryCommand() {
    return {CloseCommand(),  NewCommand(),  AboutCommand(), RenameCommand(),      TypingCommand(),
            SwitchCommand(), FindCommand(), ExitCommand(),  ConflictCopyCommand()};
}

Disk FourTabsWithReadme(int selected) {
    Disk disk = MakeDisk(kFour, selected);
    disk.files[L"readme.txt"] = "about the program";
    return disk;
}

// ---- One command ----

TEST(CrashExplorer, TypingSavedInTheBackground) {
    ExploreBoth({"typing", MakeDisk(kFour, 1), {Do("typing", [](Program& p) {
                     p.TypeAndWait(PageOf(kB, 1));
                     p.TypeAndWait(PageOf(kB, 2));
                 })}});
}

TEST(CrashExplorer, TabSwitch) {
    ExploreBoth({"tab switch", MakeDisk(kFour, 1), {Do("tab switch", [](Program& p) {
                     p.view.Type(PageOf(kB, 1));
                     p.Switch(2);
                     p.view.Type(PageOf(QB_TEXT("C"), 1));
                     p.Switch(3);
                     p.view.Type(PageOf(QB_TEXT("D"), 1));
                     p.Switch(0);
                 })}});
}

TEST(CrashExplorer, NewTabAndItsFirstPage) {
    Scenario s{"new tab", MakeDisk(kFour, 1), {Do("New", [](Program& p) {
                   p.view.Type(PageOf(kB, 1));
                   p.notebook.AddPage(QB_TEXT("E"));
                   p.view.Type(PageOf(QB_TEXT("E"), 1));
                   p.Switch(0);
               })}};
    s.after = With(kFour, QB_TEXT("E"));
    ExploreBoth(s);
}

TEST(CrashExplorer, NewTabOverAPageNoTabOwns) {
    Disk disk = MakeDisk(kFour, 1);
    disk.files[L"strings/tab4.txt"] = "left by an earlier version";
    Scenario s{"new tab over a page no tab owns",
               disk,
               {Do("New", [](Program& p) { p.notebook.AddPage(QB_TEXT("E")); })}};
    s.after = With(kFour, QB_TEXT("E"));
    ExploreBoth(s);
}

TEST(CrashExplorer, AboutPage) {
    Scenario s{"About", FourTabsWithReadme(3), {Do("About", [](Program& p) {
                   p.notebook.AddAboutPage();
                   p.Switch(0);
               })}};
    s.after = With(kFour, QB_TEXT("О программе"));
    ExploreBoth(s);
}

TEST(CrashExplorer, Rename) {
    std::vector<Utf16> after = kFour;
    after[1] = QB_TEXT("B2");
    Scenario s{"rename",
               MakeDisk(kFour, 1),
               {Do("rename", [](Program& p) { p.Rename(1, QB_TEXT("B2")); })}};
    s.after = after;
    ExploreBoth(s);
}

TEST(CrashExplorer, CloseEveryTabInTurn) {
    for (int index = 0; index < 4; ++index) {
        Scenario s{"close tab " + std::to_string(index),
                   MakeDisk(kFour, index),
                   {Do("close", [index](Program& p) { p.Close(index); })}};
        s.after = Without(kFour, index);
        ExploreBoth(s);
    }
}

TEST(CrashExplorer, CloseWithPagesNeverSaved) {
    ExploreBoth({"close B, C never saved", MakeDisk(kFour, 1, {2}), {Do("close", [](Program& p) {
                     p.Close(1);
                 })}});
    ExploreBoth({"close B, never saved itself",
                 MakeDisk(kFour, 1, {1}),
                 {Do("close", [](Program& p) { p.Close(1); })}});
}

TEST(CrashExplorer, CloseWhereAnEarlierCloseLeftItsPageAside) {
    Disk disk = MakeDisk(kFour, 1);
    disk.files[L"strings/tab1.txt.removed"] = "a page closed long ago";
    ExploreBoth(
        {"close B beside a page left aside", disk, {Do("close", [](Program& p) { p.Close(1); })}});
}

TEST(CrashExplorer, CloseTheOnlyTab) {
    const std::vector<Utf16> one = {QB_TEXT("A")};
    ExploreBoth(
        {"close the only tab", MakeDisk(one, 0), {Do("close", [](Program& p) { p.Close(0); })}});
}

TEST(CrashExplorer, CloseWhereMetadataReachesTheDiskOutOfOrder) {
    for (int index : {0, 1}) {
        Explore({"close tab " + std::to_string(index) + ", out of order",
                 MakeDisk(kFour, index),
                 {Do("close", [index](Program& p) { p.Close(index); })}},
                Ordering::Reordered);
    }
}

TEST(CrashExplorer, SettingsFollowTheWindow) {
    ExploreBoth({"settings", MakeDisk(kFour, 1), {Do("settings", [](Program& p) {
                     p.view.place = {10, 20, 500, 300, 128};
                     p.notebook.SettingsChanged();
                 })}});
}

TEST(CrashExplorer, Exit) {
    ExploreBoth({"exit", MakeDisk(kFour, 2), {Do("Exit", [](Program& p) {
                     p.view.Type(PageOf(QB_TEXT("C"), 1));
                     p.notebook.SaveAll();
                 })}});
}

TEST(CrashExplorer, FirstRun) {
    Disk disk;
    disk.files[L"readme.txt"] = "about the program";
    Scenario s{"first run", disk, {Do("first run", [](Program& p) {
                   p.notebook.Start();
                   p.notebook.SaveAll();
               })}};
    s.firstRun = true;
    s.after = std::vector<Utf16>{QB_TEXT("Main"), QB_TEXT("О программе")};
    ExploreBoth(s);
}

TEST(CrashExplorer, PageCutAtANulEditedAndSaved) {
    Disk disk = MakeDisk(kFour, 1);
    disk.files[L"strings/tab1.txt"] = std::string("page of B v0\0hidden tail", 24);
    ExploreBoth({"page cut at a NUL", disk, {Do("typing", [](Program& p) {
                     p.TypeAndWait(PageOf(kB, 1));
                 })}});
}

// ---- Other programs writing in the store between the program's own steps ----

TEST(CrashExplorer, PageOnScreenChangedOutsideThenTypedOn) {
    ExploreBoth({"outside edit of the page on screen",
                 MakeDisk(kFour, 1),
                 {Do("outside edit, then typing", [](Program& p) {
                     p.Outside(L"strings/tab1.txt", PageOf(kB, 1), kB);
                     p.notebook.StoreChanged();
                     p.TypeAndWait(PageOf(kB, 2));
                 })}});
}

TEST(CrashExplorer, EditedHereAndThereAtOnce) {
    const Utf16 own = QB_TEXT("B (ваша версия)");
    for (const bool reported : {true, false}) {
        Scenario s{reported ? "edited here and there, reported" : "edited here and there, saved",
                   MakeDisk(kFour, 1),
                   {Do("both", [reported, own](Program& p) {
                       p.view.Type(PageOf(own, 1));
                       p.Outside(L"strings/tab1.txt", PageOf(kB, 1), kB);
                       if (reported) {
                           p.notebook.StoreChanged();
                       } else {
                           p.TypeAndWait(PageOf(own, 1));
                       }
                   })}};
        s.after = With(kFour, own);
        ExploreBoth(s);
    }
}

TEST(CrashExplorer, TabFromAnotherMachineThenANewTabHere) {
    const std::vector<Utf16> withE = With(kFour, QB_TEXT("E"));
    Scenario s{"a tab from another machine, then New",
               MakeDisk(kFour, 1),
               {Do("outside tab, then New", [withE](Program& p) {
                   p.Outside(L"strings/tab4.txt", PageOf(QB_TEXT("E"), 0), QB_TEXT("E"));
                   p.Outside(L"strings/tabs.txt", store::JoinTabListText(withE), QB_TEXT("-"));
                   p.notebook.AddPage(QB_TEXT("F"));
                   p.view.Type(PageOf(QB_TEXT("F"), 1));
                   p.Switch(0);
               })}};
    s.after = With(withE, QB_TEXT("F"));
    ExploreBoth(s);
}

TEST(CrashExplorer, ConflictCopyTakenAsATab) {
    const Utf16 copy = QB_TEXT("B (копия синхронизации)");
    Scenario s{"a conflict copy", MakeDisk(kFour, 0), {Do("copy", [copy](Program& p) {
                   p.Outside(L"strings/tab1.sync-conflict-20261208-220327-HNP2OSX.txt",
                             PageOf(copy, 0), copy);
                   p.notebook.StoreChanged();
               })}};
    s.after = With(kFour, copy);
    ExploreBoth(s);
}

// ---- Two commands ----

// States of each step of a pair's cuts (and of one with a failure) that are judged, chosen by
// the explorer's sampler: the disk where nothing is promised for moves keeps every state the
// one that keeps its promises may leave. One a step keeps the native tier within its time now
// that every command also writes the machine's record of the store.
constexpr std::size_t kPairSample = 1;

TEST(CrashExplorer, EveryPairOfCommands) {
    for (const Command& first : EveryCommand()) {
        for (const Command& second : EveryCommand()) {
            Scenario s{
                first.name + ", then " + second.name, FourTabsWithReadme(1), {first, second}};
            s.sample = kPairSample;
            Explore(s, Ordering::Lazy);
        }
    }
}

// A close whose last steps are not yet on the disk when the next command's writes are, on a disk
// that keeps no order among them. (Not a second close: its page set aside could then be taken
// for the first close's, whose removal never reached the disk; NTFS keeps the order.)
TEST(CrashExplorer, CloseThenEveryCommandWithMetadataOutOfOrder) {
    for (const Command& second : EveryCommand()) {
        if (second.name == "close") {
            continue;
        }
        Scenario s{"close, then " + second.name + ", out of order",
                   FourTabsWithReadme(1),
                   {CloseCommand(), second}};
        s.sample = kPairSample;
        Explore(s, Ordering::Reordered);
    }
}

// ---- A failing operation, and a cut ----

// Moves that fail from the n-th of the command on: a close that cannot be undone either.
std::function<void(MemoryFileSystem&, std::size_t)> MovesFailFrom(int n) {
    return [n](MemoryFileSystem& files, std::size_t command) {
        if (command != 0) {
            return;
        }
        files.fault = [n, seen = 0](const MemoryFileSystem::Call& call) mutable -> ErrorCode {
            return call.kind == MemoryFileSystem::Call::kMove && ++seen >= n ? kHeld : 0;
        };
    };
}

// The n-th move of the command on the disk (a replace's too) is made but reported failed.
std::function<void(MemoryFileSystem&, std::size_t)> MoveFailsHalfway(int n) {
    return [n](MemoryFileSystem& files, std::size_t command) {
        if (command != 0) {
            return;
        }
        files.failAfterMove = [n, seen = 0](const MemoryFileSystem::Call&) mutable -> ErrorCode {
            return ++seen == n ? notebook::codes::kAccessDenied : 0;
        };
    };
}

std::vector<Command> CommandsAfterAFailure() {
    return {CloseCommand(),  NewCommand(),    RenameCommand(),
            TypingCommand(), SwitchCommand(), ExitCommand()};
}

TEST(CrashExplorer, CloseThatFailsThenEveryCommand) {
    for (int n = 1; n <= 3; ++n) {
        for (const Command& second : CommandsAfterAFailure()) {
            Scenario s{
                "close whose moves fail from the " + std::to_string(n) + "th, then " + second.name,
                FourTabsWithReadme(1),
                {CloseCommand(), second}};
            s.faults = MovesFailFrom(n);
            s.sample = kPairSample;
            Explore(s, Ordering::Lazy);
        }
    }
}

// A journal left behind, then the tab list changed without a tab command (a sync engine's copy
// taken): the next start must not run the old close again.
TEST(CrashExplorer, CloseWhoseJournalCannotBeDeletedThenEveryCommand) {
    for (const Command& second :
         {NewCommand(), TypingCommand(), ExitCommand(), ConflictCopyCommand()}) {
        Scenario s{"close whose journal stays, then " + second.name,
                   FourTabsWithReadme(1),
                   {CloseCommand(), second}};
        s.sample = kPairSample;
        s.faults = [](MemoryFileSystem& files, std::size_t command) {
            if (command == 0) {
                files.fault = [](const MemoryFileSystem::Call& call) -> ErrorCode {
                    return call.kind == MemoryFileSystem::Call::kDelete &&
                                   call.path == FoldPath(store::kCloseRecordPath)
                               ? kHeld
                               : 0;
                };
            }
        };
        ExploreBoth(s);
    }
}

TEST(CrashExplorer, MoveThatFailsHalfwayThenEveryCommand) {
    for (const Command& first : {CloseCommand(), TypingCommand(), NewCommand()}) {
        for (int n = 1; n <= 3; ++n) {
            for (const Command& second : {TypingCommand(), ExitCommand()}) {
                Scenario s{first.name + " whose move " + std::to_string(n) +
                               " fails halfway, then " + second.name,
                           FourTabsWithReadme(1),
                           {first, second}};
                s.faults = MoveFailsHalfway(n);
                s.sample = kPairSample;
                Explore(s, Ordering::Lazy);
            }
        }
    }
}

// The settings file held open by another program that shares it: written in place, and a cut
// may tear it.
TEST(CrashExplorer, SettingsWrittenInPlaceWhileAnotherProgramHoldsThem) {
    for (const Command& command : {SwitchCommand(), NewCommand(), ExitCommand()}) {
        Scenario s{"settings held, " + command.name, FourTabsWithReadme(1), {command}};
        s.faults = [](MemoryFileSystem& files, std::size_t) {
            files.heldShared.insert(L"settings.dat");
        };
        ExploreBoth(s);
    }
}

// ---- Another machine's tab changes meeting this one's typing ----

TEST(CrashExplorer, TabClosedElsewhereWhileALaterOneWasTypedHere) {
    // D is typed here while the other machine closes C: its tab list and its renumbered Tab2
    // arrive, and this machine's Tab3 stays, as an engine keeps a file changed on one side and
    // deleted on the other. D's typing is moved to D's new place.
    const std::vector<Utf16> withoutC = Without(kFour, 2);
    const Utf16 d = QB_TEXT("D");
    Scenario s{"a close elsewhere, typing here", MakeDisk(kFour, 3),
               {Do("typing here, a close elsewhere", [&](Program& p) {
                   p.TypeAndWait(PageOf(d, 1));
                   p.Outside(L"strings/tabs.txt", store::JoinTabListText(withoutC),
                             QB_TEXT("-"));
                   p.Outside(L"strings/tab2.txt", PageOf(d, 0), QB_TEXT("-"));
                   p.notebook.StoreChanged();
                   p.Switch(0);
               })}};
    s.after = withoutC;
    ExploreBoth(s);
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
    Scenario s{name, disk,
               {Do("close", [index](Program& p) { p.notebook.ClosePage(index); }),
                Do("rename", [](Program& p) { p.Rename(0, p.view.TabCaption(0) + QB_TEXT("2")); }),
                Do("reopen", [](Program& p) { p.notebook.ReopenPage(); })}};
    s.after = after;
    (void)renamedList;
    ExploreBoth(s);
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
    Scenario s{"typing with versions kept", MakeDisk(kFour, 1),
               {Do("typing with versions kept", [](Program& p) {
                   p.TypeAndWait(PageOf(QB_TEXT("B"), 1));
                   p.now += 120'000;
                   p.TypeAndWait(PageOf(QB_TEXT("B"), 2));
                   p.TypeAndWait(QB_TEXT("B typed over"));
                   p.Switch(0);
               })}};
    s.after = kFour;
    ExploreBoth(s);
}

}  // namespace
}  // namespace qb::test::explorer
