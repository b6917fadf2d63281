// The merge of tabs changed on two machines at once, as pure rules: what a sync engine left on
// disk, read against this machine's record, gives the tabs a careful person would keep.
#include <gtest/gtest.h>

#include "notebook/agreed.h"
#include "notebook/merge.h"

namespace qb::test {
namespace {

using notebook::KnownTab;
using notebook::Merge;
using notebook::MergeInput;
using notebook::TextOnDisk;
using store::Fingerprint;
using store::Utf16;

Fingerprint Print(const std::string& text) {
    return store::FingerprintOf(std::string_view(text));
}

KnownTab Tab(const Utf16& caption, const std::string& page) {
    return {caption, Print(page), {}, {}};
}

TextOnDisk Page(int index, const std::string& text) {
    return {index, {}, Print(text)};
}

struct Shown {
    Utf16 caption;
    Fingerprint page;
    bool operator==(const Shown&) const = default;
};

std::vector<Shown> Tabs(const notebook::MergeOutcome& outcome) {
    std::vector<Shown> tabs;
    for (const auto& tab : outcome.tabs) {
        tabs.push_back({tab.caption, tab.page});
    }
    return tabs;
}

const Utf16 T0 = QB_TEXT("T0"), T1 = QB_TEXT("T1"), T2 = QB_TEXT("T2"), T3 = QB_TEXT("T3");

std::vector<KnownTab> FourTabs() {
    return {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "two"), Tab(T3, "three")};
}

TEST(Merge, CloseThereWhileALaterTabWasTypedHereMovesTheTypingWithItsTab) {
    // Here (B): T3 typed. There (A): T2 closed, its later pages renumbered. The engine kept
    // A's list and A's Tab2, and B's Tab3, which A had deleted.
    MergeInput b;
    b.base = FourTabs();
    b.mine = FourTabs();
    b.mine[3].page = Print("three typed");
    b.listOnDisk = {T0, T1, T3};
    b.texts = {Page(0, "zero"), Page(1, "one"), Page(2, "three"), Page(3, "three typed")};
    const auto outcome = Merge(b);
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(
        Tabs(outcome),
        (std::vector<Shown>{{T0, Print("zero")}, {T1, Print("one")}, {T3, Print("three typed")}}));

    // There (A) the same store gives the same tabs: B's typing is another machine's version of
    // the tab its own list numbers 3 at the base.
    MergeInput a;
    a.base = FourTabs();
    a.mine = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T3, "three")};
    a.listOnDisk = {T0, T1, T3};
    a.texts = b.texts;
    EXPECT_EQ(Tabs(Merge(a)), Tabs(outcome));
}

// There (A): T2 closed, its later pages renumbered. Here (B): T2 typed. The engine met A's
// renumbered Tab2 and B's typed one: B's was newer, A's went to a copy.
MergeInput ClosedThereTypedHere() {
    MergeInput b;
    b.base = FourTabs();
    b.mine = FourTabs();
    b.mine[2].page = Print("two typed");
    b.listOnDisk = {T0, T1, T3};
    b.texts = {Page(0, "zero"),
               Page(1, "one"),
               Page(2, "two typed"),
               {2, L"Tab2.sync-conflict-20261209-101500-AAAAAAA.txt", Print("three")}};
    return b;
}

TEST(Merge, TabClosedThereComesBackWhenItsPageChangedHere) {
    MergeInput b = ClosedThereTypedHere();
    const auto outcome = Merge(b);
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(Tabs(outcome), (std::vector<Shown>{{T0, Print("zero")},
                                                 {T1, Print("one")},
                                                 {T2, Print("two typed")},
                                                 {T3, Print("three")}}));
    EXPECT_TRUE(outcome.tabs[2].broughtBack);

    // Unchanged here, it stays closed.
    b.mine[2].page = Print("two");
    b.texts[2] = Page(2, "two");
    EXPECT_EQ(Tabs(Merge(b)).size(), 3u);
}

TEST(Merge, ATabClosedWhereThisPageWasSeenStaysClosed) {
    // B typed in T2; A was brought that page, showed it, and closed T2. B's page changed since
    // the base, but not since A saw it: A's list of closed tabs says so.
    MergeInput b = ClosedThereTypedHere();
    for (std::size_t i = 0; i < b.mine.size(); ++i) {
        (*b.base)[i].id = b.mine[i].id = "t" + std::to_string(i);
    }
    b.closed = {{T2, Print("two typed"), {}, "t2"}};
    EXPECT_EQ(Tabs(Merge(b)),
              (std::vector<Shown>{{T0, Print("zero")}, {T1, Print("one")}, {T3, Print("three")}}));

    // Typed again here after that: the tab comes back with it.
    b.mine[2].page = Print("two typed more");
    b.texts[2] = Page(2, "two typed more");
    EXPECT_EQ(Tabs(Merge(b)).size(), 4u);
}

TEST(Merge, NewTabsOnBothMachinesAreAllKeptWithTheirOwnPages) {
    const Utf16 home = QB_TEXT("Home"), fromA = QB_TEXT("FromA"), fromB = QB_TEXT("FromB");
    // The engine kept B's tab list and A's Tab1 (the newer of each); the others are copies.
    std::vector<TextOnDisk> texts = {
        Page(0, "home"),
        Page(1, "newtextA"),
        {1, L"Tab1.sync-conflict-20261209-101500-BBBBBBB.txt", Print("newtextB")}};
    MergeInput a;
    a.base = {Tab(home, "home")};
    a.mine = {Tab(home, "home"), Tab(fromA, "newtextA")};
    a.listOnDisk = {home, fromB};
    a.listCopies = {{home, fromA}};
    a.texts = texts;
    MergeInput b;
    b.base = a.base;
    b.mine = {Tab(home, "home"), Tab(fromB, "newtextB")};
    b.listOnDisk = {home, fromB};
    b.listCopies = {{home, fromA}};
    b.texts = texts;
    const std::vector<Shown> expected = {
        {home, Print("home")}, {fromB, Print("newtextB")}, {fromA, Print("newtextA")}};
    EXPECT_EQ(Tabs(Merge(a)), expected);
    EXPECT_EQ(Tabs(Merge(b)), expected) << "both machines come to the same tabs";
}

TEST(Merge, RenameThereAndTypingHereMeetInOneTab) {
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one")};
    b.mine = {Tab(T0, "zero"), Tab(T1, "one typed")};
    b.listOnDisk = {T0, QB_TEXT("Renamed")};
    b.texts = {Page(0, "zero"), Page(1, "one typed")};
    EXPECT_EQ(Tabs(Merge(b)),
              (std::vector<Shown>{{T0, Print("zero")}, {QB_TEXT("Renamed"), Print("one typed")}}));
}

TEST(Merge, PageChangedOnBothMachinesIsKeptTwiceAlikeOnBoth) {
    std::vector<TextOnDisk> texts = {
        Page(0, "theirs"), {0, L"Tab0.sync-conflict-20261209-101500-BBBBBBB.txt", Print("mine")}};
    MergeInput here;
    here.base = {Tab(T0, "base"), Tab(T1, "one")};
    here.mine = {Tab(T0, "mine"), Tab(T1, "one")};
    here.listOnDisk = {T0, T1};
    here.texts = texts;
    here.texts.push_back(Page(1, "one"));
    // The other machine reads the same files with its own text as "mine".
    MergeInput there = here;
    there.mine[0].page = Print("theirs");
    const auto a = Merge(here);
    const auto b = Merge(there);
    EXPECT_EQ(Tabs(a), Tabs(b));
    ASSERT_EQ(a.tabs.size(), 3u);
    // The tab keeps what the engine put in its page file, as a machine that only takes the
    // copy as a tab of its own shows it.
    EXPECT_EQ(a.tabs[0].page, Print("theirs"));
    EXPECT_EQ(a.tabs[2].page, Print("mine"));
    EXPECT_EQ(a.tabs[2].caption, QB_TEXT("T0 (копия синхронизации)"));
    EXPECT_TRUE(a.tabs[2].otherVersion);
}

TEST(Merge, ACopyOfAnOldVersionAddsNoTab) {
    MergeInput here;
    here.base = {Tab(T0, "old")};
    here.mine = {Tab(T0, "new")};
    here.listOnDisk = {T0};
    here.listCopies = {{T0}};
    here.texts = {Page(0, "new"),
                  {0, L"Tab0.sync-conflict-20261209-101500-BBBBBBB.txt", Print("old")}};
    EXPECT_EQ(Tabs(Merge(here)), (std::vector<Shown>{{T0, Print("new")}}));
}

TEST(Merge, ACopyOfAChangeMadeThereReplacesThePageAsAgreed) {
    // There (B): T2 typed. Here (A): T0 closed, so Tab1.txt holds T2's page as agreed and
    // Tab2.txt a new tab's page; the engine kept B's Tab2 in a copy, and B's record names it.
    // T2 was not changed here: B's text is its page, not a second version beside it.
    MergeInput a;
    a.base = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "two")};
    for (std::size_t i = 0; i < a.base->size(); ++i) {
        (*a.base)[i].id = "t" + std::to_string(i);
    }
    a.mine = {(*a.base)[1], (*a.base)[2], Tab(T3, "new")};
    a.mine[2].id = "n3";
    a.listOnDisk = {T1, T2, T3};
    a.others = {*a.base};
    a.others[0][2].page = Print("two typed");
    a.texts = {Page(0, "one"),
               Page(1, "two"),
               Page(2, "new"),
               {2, L"Tab2.sync-conflict-20261209-101500-BBBBBBB.txt", Print("two typed")}};
    EXPECT_EQ(
        Tabs(Merge(a)),
        (std::vector<Shown>{{T1, Print("one")}, {T2, Print("two typed")}, {T3, Print("new")}}));
}

TEST(Merge, APageNeverSavedHereKeepsTheTextAgreedOn) {
    // A new tab came from the other machine with its page, and was agreed on; here it was never
    // shown, so this machine has no page of its own for it. The other machine closes T0: the
    // page is its text, not an empty one.
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "typed there")};
    b.mine = *b.base;
    b.mine[2].page = Fingerprint{};
    b.listOnDisk = {T1, T2};
    b.texts = {Page(0, "one"), Page(1, "typed there")};
    EXPECT_EQ(Tabs(Merge(b)), (std::vector<Shown>{{T1, Print("one")}, {T2, Print("typed there")}}));
}

// A closed T1 and numbered T2's page as Tab1. B took A's write of Tab1.txt as T1's page and
// started again, so it remembers T1's page as T2's text.
MergeInput AnotherTabsPageTakenForAClosedOnes() {
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "two")};
    for (std::size_t i = 0; i < b.base->size(); ++i) {
        (*b.base)[i].id = "t" + std::to_string(i);
    }
    b.mine = *b.base;
    b.mine[1].page = Print("two");
    b.listOnDisk = {T0, T2};
    b.texts = {Page(0, "zero"), Page(1, "two")};
    return b;
}

TEST(Merge, AnotherTabsPageIsNoChangeOfAClosedTab) {
    // Here (B) T1 holds T2's page: that is no change made here, and A's close of T1 stands.
    const MergeInput b = AnotherTabsPageTakenForAClosedOnes();
    EXPECT_EQ(Tabs(Merge(b)), (std::vector<Shown>{{T0, Print("zero")}, {T2, Print("two")}}));

    // There (A) the same holds when B's record and list, keeping T1 with that page, come back:
    // the text is A's own T2's.
    MergeInput a;
    a.base = b.base;
    a.mine = {(*b.base)[0], (*b.base)[2]};
    a.listOnDisk = {T0, T1, T2};
    a.listOnDiskPrint = Print("B's list");
    a.others = {b.mine};
    a.otherLists = {{a.listOnDiskPrint}};
    a.texts = {Page(0, "zero"), Page(1, "two"), Page(2, "two")};
    EXPECT_EQ(Tabs(Merge(a)), (std::vector<Shown>{{T0, Print("zero")}, {T2, Print("two")}}));
}

TEST(Merge, ATextOfThisMachineThatLostToAnothersIsKeptAsATab) {
    // This machine followed the other's version of T0; its own went to the engine's copy.
    MergeInput here;
    here.base = {Tab(T0, "base")};
    here.mine = {Tab(T0, "theirs")};
    here.mine[0].older = {Print("mine, lost")};
    here.listOnDisk = {T0};
    here.texts = {Page(0, "theirs"),
                  {0, L"Tab0.sync-conflict-20261209-101500-AAAAAAA.txt", Print("mine, lost")}};
    EXPECT_EQ(Tabs(Merge(here)),
              (std::vector<Shown>{{T0, Print("theirs")},
                                  {QB_TEXT("T0 (копия синхронизации)"), Print("mine, lost")}}));
}

TEST(Merge, TextStillOnItsWayLeavesTheMergeIncomplete) {
    // The tab list came before the page that goes with it.
    MergeInput b;
    b.base = FourTabs();
    b.mine = FourTabs();
    b.listOnDisk = {T0, T1, T3};
    b.texts = {Page(0, "zero"), Page(1, "one"), Page(2, "two")};  // Tab3 deleted already
    EXPECT_FALSE(Merge(b).complete);
}

TEST(Merge, APageNumberedOnlyAsAtTheBaseWaitsForTheRecordOfItsMachine) {
    // Both machines closed T0 and wrote lists alike in bytes; the other also typed in T2, now
    // its Tab1. Until its record comes, Tab1 could as well be T1's page typed there.
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "two")};
    b.mine = {Tab(T1, "one"), Tab(T2, "two")};
    b.listOnDisk = {T1, T2};
    b.texts = {Page(0, "one"),
               Page(1, "two typed"),
               {1, L"Tab1.sync-conflict-20261209-101500-BBBBBBB.txt", Print("two")}};
    b.others = {*b.base};  // its record as they last agreed
    EXPECT_FALSE(Merge(b).complete);

    b.others = {{Tab(T1, "one"), Tab(T2, "two typed")}};
    const auto outcome = Merge(b);
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(Tabs(outcome), (std::vector<Shown>{{T1, Print("one")}, {T2, Print("two typed")}}));
}

TEST(Merge, ARecordOlderThanThisMachinesListDoesNotSayATabClosedHereIsUnchangedThere) {
    // T0 closed here. The other machine's list, alike in bytes to the base's, keeps it: its
    // record, unchanged since this machine wrote its list, may be older than that list (the
    // other machine typed in T0 and answered the close).
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one")};
    b.mine = {Tab(T1, "one")};
    b.listOnDisk = {T0, T1};
    b.listOnDiskPrint = Print("T0 T1 list");
    b.texts = {Page(0, "zero"), Page(1, "one")};
    b.others = {*b.base};
    b.otherLists = {{b.listOnDiskPrint}};
    b.otherSinceList = {false};
    EXPECT_FALSE(Merge(b).complete);

    // A record that came since tells: nothing changed there, the tab stays closed.
    b.otherSinceList = {true};
    const auto outcome = Merge(b);
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(Tabs(outcome), (std::vector<Shown>{{T1, Print("one")}}));
}

TEST(Merge, ARenameReadIntoAConflictCopyOfTheListWaitsForTheRecordOfItsMachine) {
    // There: T1 renamed and T0 closed; its list lost to this machine's and became the copy.
    // By captions alone T0 may as well have been renamed and T1 closed.
    const Utf16 renamed = QB_TEXT("T1 renamed");
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "two")};
    b.mine = *b.base;
    b.listOnDisk = {T0, T1, T2};
    b.listCopies = {{renamed, T2}};
    b.texts = {Page(0, "zero"), Page(1, "one"), Page(2, "two")};
    b.others = {*b.base};  // its record as they last agreed
    EXPECT_FALSE(Merge(b).complete);

    b.others = {{Tab(renamed, "one"), Tab(T2, "two")}};
    const auto outcome = Merge(b);
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(Tabs(outcome), (std::vector<Shown>{{renamed, Print("one")}, {T2, Print("two")}}));
}

TEST(Merge, ATabNewInAListNoRecordExplainsWaitsForItsPageOrTheRecord) {
    // Another machine's list came with a new tab and no page file at its place: its page may be
    // on its way, or the tab may have none. Only that machine's record tells.
    const Utf16 made = QB_TEXT("New there");
    MergeInput b;
    b.base = {Tab(T0, "zero"), Tab(T1, "one")};
    b.mine = *b.base;
    b.listOnDisk = {T0, T1, made};
    b.texts = {Page(0, "zero"), Page(1, "one")};
    b.others = {*b.base};  // its record as they last agreed
    EXPECT_FALSE(Merge(b).complete);

    b.others = {
        {Tab(T0, "zero"), Tab(T1, "one"), {made, store::FingerprintOf(std::nullopt), {}, "n"}}};
    const auto outcome = Merge(b);
    ASSERT_TRUE(outcome.complete);
    ASSERT_EQ(outcome.tabs.size(), 3u);
    EXPECT_FALSE(outcome.tabs[2].page.exists);
}

TEST(Merge, ATypedPageAnotherMachinesMergeKeptInThePageHistoryBringsItsTabBack) {
    // Here (A): T1 typed. There (B): T1 closed; B's merge took A's typed Tab1 in before A's
    // record had come, and wrote T2's page over it, keeping A's text in the page history.
    MergeInput a;
    a.base = {Tab(T0, "zero"), Tab(T1, "one"), Tab(T2, "two")};
    for (std::size_t i = 0; i < a.base->size(); ++i) {
        (*a.base)[i].id = "t" + std::to_string(i);
    }
    a.mine = *a.base;
    a.mine[1].page = Print("one typed");
    a.listOnDisk = {T0, T2};
    a.texts = {Page(0, "zero"), Page(1, "two")};
    a.others = {{(*a.base)[0], (*a.base)[2]}};
    a.closed = {{T1, Print("one"), {}, "t1"}};
    a.inHistory = {Print("one typed")};
    const auto outcome = Merge(a);
    EXPECT_FALSE(outcome.complete);  // until the text is taken from the page history
    ASSERT_EQ(outcome.tabs.size(), 3u);
    EXPECT_EQ(outcome.tabs[1].caption, T1);
    EXPECT_EQ(outcome.tabs[1].page, Print("one typed"));

    // A text in no history was seen and dropped elsewhere; so is one B closed its tab with.
    a.inHistory.clear();
    EXPECT_EQ(Tabs(Merge(a)), (std::vector<Shown>{{T0, Print("zero")}, {T2, Print("two")}}));
    a.inHistory = {Print("one typed")};
    a.closed = {{T1, Print("one typed"), {}, "t1"}};
    EXPECT_EQ(Tabs(Merge(a)), (std::vector<Shown>{{T0, Print("zero")}, {T2, Print("two")}}));
}

TEST(Merge, ATabTheListsMachineChangedWaitsForThatTextBeforeTakingThisMachinesAlone) {
    // Both typed into T1; the other machine made a tab too. Its list and record came, its page
    // of T1 not yet (this machine's write holds the file).
    MergeInput a;
    a.base = {Tab(T0, "zero"), Tab(T1, "one")};
    (*a.base)[0].id = "t0";
    (*a.base)[1].id = "t1";
    a.mine = *a.base;
    a.mine[1].page = Print("one here");
    const Utf16 made = QB_TEXT("New there");
    a.listOnDisk = {T0, T1, made};
    a.listOnDiskPrint = Print("T0\r\nT1\r\nNew there\r\n");
    KnownTab there = (*a.base)[1];
    there.page = Print("one there");
    a.others = {{(*a.base)[0], there, {made, store::FingerprintOf(std::nullopt), {}, "n"}}};
    a.otherLists = {{a.listOnDiskPrint}};
    a.texts = {Page(0, "zero"), Page(1, "one here")};
    EXPECT_FALSE(Merge(a).complete);

    a.texts.push_back({1, L"tab1.sync-conflict-20261209-100000-BBBBBBB.txt", Print("one there")});
    const auto outcome = Merge(a);
    ASSERT_TRUE(outcome.complete);
    std::vector<Fingerprint> pages;
    for (const auto& tab : outcome.tabs) {
        pages.push_back(tab.page);
    }
    EXPECT_EQ(std::count(pages.begin(), pages.end(), Print("one here")), 1);
    EXPECT_EQ(std::count(pages.begin(), pages.end(), Print("one there")), 1);
}

TEST(AgreedRecord, RoundTripsAndRefusesDamage) {
    notebook::Agreed record;
    record.base = {Tab(QB_TEXT("Заметки\tи прочее"), "a"), {QB_TEXT(""), Fingerprint{}, {}, {}}};
    record.mine = {Tab(QB_TEXT("x"), "b")};
    record.mine[0].older = {Print("c"), Print("d")};
    record.mine[0].id = "n0:0123456789abcdef";
    const std::string bytes = notebook::EncodeAgreed(record);
    EXPECT_EQ(notebook::DecodeAgreed(bytes), record);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7) {
        EXPECT_FALSE(notebook::DecodeAgreed(bytes.substr(0, cut))) << cut;
    }
    std::string flipped = bytes;
    flipped[bytes.size() / 2] ^= 1;
    EXPECT_FALSE(notebook::DecodeAgreed(flipped));
}

}  // namespace
}  // namespace qb::test
