// Changes made on two machines while the engine's link between them is paused, then brought
// together by the engine: a tab closed on one while a later tab is typed on the other, a new tab
// on each, and tab switches on one while the other types. However the engine orders the files,
// both machines end with the same store, every text typed reachable under the caption of the tab
// it was typed in and under no other, no file in Strings/ left where no tab reaches it; the same
// after a restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/sync/two_machines.h"

namespace e2e {
namespace {

struct Typed {
    std::string text;
    std::wstring caption;  // of the tab it was typed in
};

struct Expected {
    std::vector<std::wstring> tabs;
    bool anyOrder = false;
    std::vector<Typed> typed;
};

void ExpectOneStore(TwoMachines& pair, const Expected& expected) {
    const std::string why = pair.Settle(45);
    EXPECT_EQ(why, "") << "the machines did not come to rest";
    const StoreOnDisk onA = pair.a.Store();
    const StoreOnDisk onB = pair.b.Store();
    SCOPED_TRACE("A:\n" + onA.Describe() + "B:\n" + onB.Describe());
    EXPECT_TRUE(onA == onB) << "the machines hold different stores";
    for (const StoreOnDisk* store : {&onA, &onB}) {
        const char* side = store == &onA ? "A" : "B";
        EXPECT_EQ(store->Unreached(), std::vector<std::wstring>{})
            << "files no tab reaches on " << side;
        auto tabs = store->captions;
        auto want = expected.tabs;
        if (expected.anyOrder) {
            std::sort(tabs.begin(), tabs.end());
            std::sort(want.begin(), want.end());
        }
        EXPECT_EQ(tabs, want) << "the tabs on " << side;
        for (const Typed& typed : expected.typed) {
            EXPECT_TRUE(store->HoldsUnder(typed.text, typed.caption))
                << "\"" << typed.text << "\" is not under \"" << Shown(typed.caption) << "\" on "
                << side;
            EXPECT_FALSE(
                store->Holds(typed.text, [&](const std::wstring& c) { return c != typed.caption; }))
                << "\"" << typed.text << "\" is under another caption on " << side;
        }
    }
}

// Once the link is back, and again after both programs were ended and started.
void ExpectAfterResumeAndRestart(TwoMachines& pair, const Expected& expected) {
    ASSERT_TRUE(pair.Resume());
    {
        SCOPED_TRACE("after the link came back");
        ExpectOneStore(pair, expected);
    }
    pair.Restart();
    SCOPED_TRACE("after a restart");
    ExpectOneStore(pair, expected);
    for (Machine* m : {&pair.a, &pair.b}) {
        auto tabs = m->program().Captions();
        auto want = expected.tabs;
        if (expected.anyOrder) {
            std::sort(tabs.begin(), tabs.end());
            std::sort(want.begin(), want.end());
        }
        EXPECT_EQ(tabs, want) << "the tabs on screen on " << m->name();
    }
}

TEST(SyncCases, ATabClosedOnOneMachineWhileALaterTabIsTypedOnTheOther) {
    TwoMachines pair(L"closed-and-typed");
    pair.Share("T0\r\nT1\r\nT2\r\nT3\r\n",
               {{0, "page zero"}, {1, "page one"}, {2, "page two"}, {3, "page three"}});
    ASSERT_TRUE(pair.link.Pause());
    ASSERT_TRUE(pair.a.Switch(2));
    ASSERT_TRUE(pair.a.Close());
    ASSERT_TRUE(pair.b.Switch(3));
    ASSERT_TRUE(pair.b.TypeAtTheEnd(L" typedonB"));
    Pause(1500);  // the background save
    ExpectAfterResumeAndRestart(pair, {{L"T0", L"T1", L"T3"}, false, {{" typedonB", L"T3"}}});
}

TEST(SyncCases, ANewTabOnEachMachine) {
    TwoMachines pair(L"new-on-each");
    pair.Share("Home\r\n", {{0, "home page"}});
    ASSERT_TRUE(pair.link.Pause());
    ASSERT_TRUE(pair.a.New(L"FromA"));
    ASSERT_TRUE(pair.a.TypeAtTheEnd(L"newtextA"));
    ASSERT_TRUE(pair.b.New(L"FromB"));
    ASSERT_TRUE(pair.b.TypeAtTheEnd(L"newtextB"));
    Pause(1500);
    ExpectAfterResumeAndRestart(
        pair,
        {{L"Home", L"FromA", L"FromB"}, true, {{"newtextA", L"FromA"}, {"newtextB", L"FromB"}}});
}

TEST(SyncCases, OnlyLookingOnOneMachineWhileTheOtherTypes) {
    TwoMachines pair(L"looking-and-typing");
    pair.Share("Home\r\nWork\r\n", {{0, "home text"}, {1, "work text"}});
    ASSERT_TRUE(pair.link.Pause());
    for (const int tab : {1, 0, 1, 0}) {
        ASSERT_TRUE(pair.a.Switch(tab));
    }
    ASSERT_TRUE(pair.b.TypeAtTheEnd(L" typedonB"));
    Pause(1500);
    ExpectAfterResumeAndRestart(pair, {{L"Home", L"Work"}, false, {{" typedonB", L"Home"}}});
}

}  // namespace
}  // namespace e2e
