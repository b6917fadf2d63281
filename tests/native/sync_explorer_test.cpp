// Two (or three) machines keep one store through a sync engine that follows Syncthing's rules
// (sync_engine.h). While the link is down the user works on each; when it is back, the engine
// brings the files one at a time, in every order it may, the programs answering each, until
// nothing is pending. Then both must hold the same tabs and pages, with every text the user
// typed on a tab of its own caption, no tab closed coming back unless changed elsewhere, no
// tab the user did not make, and no file that no tab reaches.
//
// The explorer and the named cases are left out of the default run:
//   native_tests --gtest_also_run_disabled_tests --gtest_filter='SyncExplorer.*'
// QB_SYNC_SEED picks another sample of the explorer's commands and orders, QB_SYNC_PLANS
// how many command pairs it tries, QB_SYNC_PLAN one of them alone (each example of a failure
// names its pair). The run ends with one line: states explored, converged,
// texts lost, pages under another caption, files no tab reaches.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

#include "store/pure/page_names.h"
#include "tests/native/sync_engine.h"
#include "tests/native/sync_machines.h"

namespace qb::test {
namespace {

using store::Utf16;
using Captions = std::vector<Utf16>;

struct Account {
    long states = 0;
    long converged = 0;
    long textsLost = 0;
    long underAnotherCaption = 0;
    long unreached = 0;
};
Account account;

class ReportAccount : public ::testing::Environment {
  public:
    void TearDown() override {
        if (account.states > 0) {
            std::printf(
                "sync states explored: %ld, converged: %ld, texts lost: %ld, pages under another "
                "caption: %ld, files no tab reaches: %ld\n",
                account.states, account.converged, account.textsLost, account.underAnotherCaption,
                account.unreached);
        }
    }
};
const auto* const kReport = ::testing::AddGlobalTestEnvironment(new ReportAccount);

// ---- The engine itself ----

struct Pair {
    World world;
    SyncedFolder a{Start(), [this] { return world.now; }};
    SyncedFolder b{Start(), [this] { return world.now; }};
    SyncEngine engine{std::vector<SyncEngine::Device>{{"AAAAAAA-X", &a}, {"BBBBBBB-X", &b}},
                      [this] { return world.now; }};
    static Disk Start() {
        Disk disk;
        disk.directories.insert(L"strings");
        disk.files[L"strings/tab0.txt"] = "as agreed";
        return disk;
    }
    // Delivers everything pending, first first; the number delivered.
    int Quiet() {
        int delivered = 0;
        for (;;) {
            engine.Scan();
            const auto pending = engine.Pending();
            if (pending.empty() || delivered > 50) {
                return delivered;
            }
            engine.Deliver(pending.front());
            ++delivered;
            world.now += 1;
        }
    }
    static std::string File(const SyncedFolder& folder, const std::wstring& path) {
        const Disk disk = folder.Now();
        const auto found = disk.files.find(path);
        return found == disk.files.end() ? "<none>" : found->second;
    }
};

TEST(SyncEngine, FollowsSyncthingsRulesForConflicts) {
    const std::wstring page = L"strings/tab0.txt";
    {
        SCOPED_TRACE("changed on both sides: the newer wins, the older is kept beside it");
        Pair pair;
        pair.engine.SetLinked(false);
        pair.world.now = kAgreedAt + 60;
        pair.a.Replace(page, "from A", false);
        pair.world.now += 1;
        pair.b.Replace(page, "from B", false);
        pair.engine.Scan();
        EXPECT_TRUE(pair.engine.Pending().empty()) << "nothing moves while the link is down";
        pair.world.now = kAgreedAt + 15 * 60;
        pair.engine.SetLinked(true);
        pair.Quiet();
        const std::wstring copy = L"strings/tab0.sync-conflict-20261209-101500-aaaaaaa.txt";
        for (const SyncedFolder* folder : {&pair.a, &pair.b}) {
            EXPECT_EQ(Pair::File(*folder, page), "from B");
            EXPECT_EQ(Pair::File(*folder, copy), "from A");
            EXPECT_EQ(folder->Now().files.size(), 2u);
        }
    }
    {
        SCOPED_TRACE("the same time: the larger device id wins");
        Pair pair;
        pair.engine.SetLinked(false);
        pair.b.Replace(page, "from B", false);
        pair.a.Replace(page, "from A", false);
        pair.engine.SetLinked(true);
        pair.Quiet();
        EXPECT_EQ(Pair::File(pair.a, page), "from B");
        EXPECT_EQ(Pair::File(pair.b, page), "from B");
    }
    {
        SCOPED_TRACE("the same bytes written again still conflict with an edit elsewhere");
        Pair pair;
        pair.engine.SetLinked(false);
        pair.world.now += 5;
        pair.b.Replace(page, "edited on B", false);
        pair.world.now += 5;
        pair.a.Replace(page, "as agreed", false);
        pair.engine.SetLinked(true);
        pair.Quiet();
        EXPECT_EQ(Pair::File(pair.b, page), "as agreed");
        auto files = pair.b.Now().files;
        files.erase(page);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files.begin()->second, "edited on B");
        EXPECT_NE(files.begin()->first.find(L"-bbbbbbb.txt"), std::wstring::npos);
    }
    {
        SCOPED_TRACE("deleted on one side, changed on the other: it comes back");
        Pair pair;
        pair.engine.SetLinked(false);
        pair.world.now += 5;
        pair.b.Replace(page, "edited on B", false);
        pair.world.now += 5;
        pair.a.Delete(page);
        pair.engine.SetLinked(true);
        pair.Quiet();
        EXPECT_EQ(Pair::File(pair.a, page), "edited on B");
        EXPECT_EQ(pair.a.Now().files.size(), 1u);
    }
    {
        SCOPED_TRACE("a rename is a deletion and a new file, each brought on its own");
        Pair pair;
        pair.world.now += 5;
        pair.a.Move(page, L"strings/tab1.txt", false);
        pair.engine.Scan();
        const auto pending = pair.engine.Pending();
        ASSERT_EQ(pending.size(), 2u);
        pair.engine.Deliver(pending[1]);  // the new name first: both names on B for a while
        EXPECT_EQ(Pair::File(pair.b, page), "as agreed");
        EXPECT_EQ(Pair::File(pair.b, L"strings/tab1.txt"), "as agreed");
        pair.Quiet();
        EXPECT_EQ(Pair::File(pair.b, page), "<none>");
    }
}

TEST(SyncEngine, BringsAChangeToEveryMachine) {
    World world;
    std::vector<std::unique_ptr<SyncedFolder>> folders;
    std::vector<SyncEngine::Device> devices;
    for (const char* id : {"AAAAAAA-X", "BBBBBBB-X", "CCCCCCC-X"}) {
        folders.push_back(std::make_unique<SyncedFolder>(Pair::Start(), [&] { return world.now; }));
        devices.push_back({id, folders.back().get()});
    }
    SyncEngine engine(devices, [&] { return world.now; });
    world.now += 5;
    folders[1]->Replace(L"strings/tab0.txt", "from B", false);
    folders[2]->Replace(L"strings/tab1.txt", "new on C", false);
    for (int delivered = 0; delivered < 20; ++delivered) {
        engine.Scan();
        const auto pending = engine.Pending();
        if (pending.empty()) {
            break;
        }
        engine.Deliver(pending.back());
    }
    for (const auto& folder : folders) {
        EXPECT_EQ(Pair::File(*folder, L"strings/tab0.txt"), "from B");
        EXPECT_EQ(Pair::File(*folder, L"strings/tab1.txt"), "new on C");
    }
}

// ---- Machines apart, then together again ----

// One step of a case: a command on a machine.
struct Step {
    int machine;
    Command command;
};

struct Case {
    std::string name;
    Disk disk;
    Captions captions;
    std::vector<Step> steps;
    int machines = 2;
};

std::string Describe(const std::vector<Step>& steps) {
    std::string out;
    for (const Step& step : steps) {
        out += (out.empty() ? "" : "; ") + std::string(1, static_cast<char>('A' + step.machine)) +
               ": " + Describe(step.command);
    }
    return out;
}

// The kinds of problem the judge finds, with an example of each.
class Findings {
  public:
    void Add(const std::string& commands, const Session& session, const Verdict& verdict) {
        mostDelivered_ = std::max(mostDelivered_, session.deliveries().size());
        ++account.states;
        account.textsLost += verdict.textsLost;
        account.underAnotherCaption += verdict.underAnotherCaption;
        account.unreached += verdict.unreached;
        ++states_;
        if (verdict.converged()) {
            ++account.converged;
            return;
        }
        ++failed_;
        std::set<std::string> kinds;
        for (const std::string& problem : verdict.problems) {
            kinds.insert(Kind(problem));
        }
        for (const std::string& kind : kinds) {
            auto& example = examples_[kind];
            ++example.count;
            example.alone += kinds.size() == 1 ? 1 : 0;
            if (example.text.empty()) {
                std::string order;
                for (const std::string& delivery : session.deliveries()) {
                    order += (order.empty() ? "" : ", ") + delivery;
                }
                example.text = "  commands: " + commands + "\n  delivered (" +
                               std::to_string(session.deliveries().size()) + "): " + order + "\n";
                for (const std::string& held : verdict.held) {
                    example.text += "  " + held + "\n";
                }
                for (const std::string& problem : verdict.problems) {
                    example.text += "  - " + problem + "\n";
                }
            }
        }
    }
    long states() const { return states_; }
    long Count(const std::string& kind) const {
        const auto found = examples_.find(kind);
        return found == examples_.end() ? 0 : found->second.count;
    }
    long failed() const { return failed_; }
    std::string Report() const {
        std::ostringstream out;
        out << failed_ << " of " << states_ << " states did not converge (at most "
            << mostDelivered_ << " files delivered in one)\n";
        for (const auto& [kind, example] : examples_) {
            out << "* " << kind << ": " << example.count << " states (" << example.alone
                << " with nothing else); for example\n"
                << example.text;
        }
        return out.str();
    }

  private:
    static std::string Kind(const std::string& problem) {
        static const char* const kKinds[] = {
            "other tabs or pages than A",
            "is on no tab",
            "holds",
            "closed, is back",
            "is gone",
            "the user did not make",
            "a file no tab reaches",
            "left in the folder",
            "notices for one reconnection",
            "an error shown",
            "still wrote",
            "the window shows other tabs",
            "the text area shows another text",
            "no tab list",
        };
        for (const char* kind : kKinds) {
            if (problem.find(kind) != std::string::npos) {
                return kind;
            }
        }
        return problem;
    }
    struct Example {
        long count = 0;
        long alone = 0;
        std::string text;
    };
    long states_ = 0;
    long failed_ = 0;
    std::size_t mostDelivered_ = 0;
    std::map<std::string, Example> examples_;
};

// Runs the case's commands, then the reconnection with deliveries in the order chosen.
void RunOnce(const Case& c, const Chooser& choose, Findings& findings,
             const std::string& label = {}) {
    Session session(c.disk, c.captions, c.machines);
    std::vector<Step> done;
    for (const Step& step : c.steps) {
        if (session.Apply(step.machine, step.command)) {
            done.push_back(step);
        }
    }
    const Verdict verdict = session.Reconnect(choose);
    findings.Add(label + Describe(done), session, verdict);
}

// Every order in which the engine may bring the pages and the tab list: run again and again,
// each run taking the next branch at the latest choice that has one left. Files outside
// Strings/ (the settings, the machines' records) come first whenever there are such, so here a
// record always comes before the files it explains; the orders of the pairs below (Orders) bring
// records at any point.
class EveryOrder {
  public:
    Chooser Choose() {
        step_ = 0;
        return [this](const std::vector<Delivery>& pending) {
            for (std::size_t i = 0; i < pending.size(); ++i) {
                if (pending[i].path.rfind(L"strings/", 0) != 0) {
                    return i;
                }
            }
            if (step_ == choices_.size()) {
                choices_.push_back(0);
                widths_.push_back(pending.size());
            }
            widths_[step_] = pending.size();
            return choices_[step_++];
        };
    }
    // False when every order was taken.
    bool Next() {
        choices_.resize(step_);
        widths_.resize(step_);
        while (!choices_.empty() && choices_.back() + 1 >= widths_.back()) {
            choices_.pop_back();
            widths_.pop_back();
        }
        if (choices_.empty()) {
            return false;
        }
        ++choices_.back();
        return true;
    }

  private:
    std::vector<std::size_t> choices_;
    std::vector<std::size_t> widths_;
    std::size_t step_ = 0;
};

// Programs that write in answer to each other make every order long: a few such are enough.
constexpr long kEnoughWritingForEver = 20;

// A sample of the orders, at random from a seed.
void OrdersAtRandom(const Case& c, long count, std::uint64_t seed, Findings& findings) {
    std::mt19937_64 random(seed);
    for (long k = 0; k < count && findings.Count("still wrote") < kEnoughWritingForEver; ++k) {
        RunOnce(
            c,
            [&random](const std::vector<Delivery>& pending) {
                return static_cast<std::size_t>(random() % pending.size());
            },
            findings);
    }
}

// Runs the case in every delivery order, and expects each to converge. Where there are more
// than `limit`, the first `limit` in turn, and as many more at random from a seed.
void ExploreOrders(const Case& c, long limit = 600) {
    Findings findings;
    EveryOrder orders;
    bool more = true;
    do {
        RunOnce(c, orders.Choose(), findings);
        more = orders.Next();
    } while (more && findings.states() < limit &&
             findings.Count("still wrote") < kEnoughWritingForEver);
    constexpr std::uint64_t kSeed = 20261209;
    if (more) {
        OrdersAtRandom(c, limit, kSeed, findings);
    }
    EXPECT_EQ(findings.failed(), 0)
        << c.name << ": " << Describe(c.steps) << "\n"
        << (more ? "the first " + std::to_string(limit) + " orders in turn and " +
                       std::to_string(limit) + " at random from seed " + std::to_string(kSeed)
                 : std::string("every order"))
        << "\n"
        << findings.Report();
}

Command Type(int index, const Utf16& text) {
    return {Command::kType, index, text};
}
Command New(const Utf16& caption) {
    return {Command::kNew, 0, caption};
}

// The engine brings the tab list first whenever it has one to bring.
Chooser TabListFirst() {
    return [](const std::vector<Delivery>& pending) {
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (pending[i].path == L"strings/tabs.txt") {
                return i;
            }
        }
        return std::size_t{0};
    };
}

// Work on one machine only: the other follows it, whatever order the files come in.
TEST(SyncExplorer, WorkOnOneMachineReachesTheOther) {
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
    const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"), QB_TEXT("page of T2")};
    ExploreOrders({"work on A only",
                   AgreedStore(captions, pages, 1),
                   captions,
                   {{0, Type(1, QB_TEXT(" typedA1"))},
                    {0, New(QB_TEXT("FromA"))},
                    {0, Type(3, QB_TEXT(" typedA2"))},
                    {0, {Command::kRename, 0, QB_TEXT("T0 renamed")}},
                    {0, {Command::kClose, 2, {}}}}});
}

TEST(SyncExplorer, APageRenumberedElsewhereAndShownHereFirstIsReadAsThatMachines) {
    // B closes T2, so its next tab's page becomes its Tab2.txt; A, showing T2, is brought that
    // file before anything that says so, and shows it. Once the rest has come, A's T2 is still
    // the tab B closed and A only renamed, not a tab whose page A changed.
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
    const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"), QB_TEXT("page of T2")};
    Session session(AgreedStore(captions, pages, 0), captions, 2);
    for (const Step& step : std::vector<Step>{{0, {Command::kSwitch, 2, {}}},
                                              {0, {Command::kRename, 2, QB_TEXT("T2 renamed")}},
                                              {1, New(QB_TEXT("FromB"))},
                                              {1, Type(3, QB_TEXT("newtextB"))},
                                              {1, {Command::kClose, 2, {}}}}) {
        ASSERT_TRUE(session.Apply(step.machine, step.command));
    }
    bool first = true;
    const Verdict verdict = session.Reconnect([&](const std::vector<Delivery>& pending) {
        for (std::size_t i = 0; i < pending.size() && first; ++i) {
            if (pending[i].device == 0 && pending[i].path == L"strings/tab2.txt") {
                first = false;
                return i;
            }
        }
        return std::size_t{0};
    });
    EXPECT_FALSE(first);
    EXPECT_TRUE(verdict.converged()) << ::testing::PrintToString(verdict.problems) << "\n"
                                     << ::testing::PrintToString(verdict.held);
}

TEST(SyncExplorer, ANewTabOverAPageThatCameBeforeItsTabList) {
    // B adds a tab and types in it; its page reaches A before B's tab list does, and A's user
    // adds a tab then. A's new tab takes that file's number; B's text must still come back under
    // B's caption, on both machines.
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
    const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"), QB_TEXT("page of T2")};
    Session session(AgreedStore(captions, pages, 0), captions, 2);
    ASSERT_TRUE(session.Apply(1, New(QB_TEXT("FromB"))));
    ASSERT_TRUE(session.Apply(1, Type(3, QB_TEXT("newtextB"))));
    session.engine().SetLinked(true);
    session.engine().Scan();
    const Delivery page{0, L"strings/tab3.txt"};
    const auto pending = session.engine().Pending();
    ASSERT_NE(std::find(pending.begin(), pending.end(), page), pending.end());
    session.engine().Deliver(page);
    session.machines()[0]->React();
    session.engine().SetLinked(false);
    ASSERT_TRUE(session.Apply(0, New(QB_TEXT("FromA"))));
    ASSERT_TRUE(session.Apply(0, Type(3, QB_TEXT("newtextA"))));
    const Verdict verdict = session.Reconnect([](const std::vector<Delivery>&) { return 0; });
    EXPECT_TRUE(verdict.converged()) << ::testing::PrintToString(verdict.problems) << "\n"
                                     << ::testing::PrintToString(verdict.held);
}

// Three tabs agreed on two machines; the steps while they are apart, then the link back, the
// engine bringing the files in the order chosen.
Verdict ApartThenBack(const std::vector<Step>& steps, const Chooser& choose) {
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
    const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"), QB_TEXT("page of T2")};
    Session session(AgreedStore(captions, pages, 0), captions, 2);
    for (const Step& step : steps) {
        EXPECT_TRUE(session.Apply(step.machine, step.command)) << Describe(step.command);
    }
    return session.Reconnect(choose);
}

void ExpectConverged(const Verdict& verdict) {
    EXPECT_TRUE(verdict.converged()) << ::testing::PrintToString(verdict.problems) << "\n"
                                     << ::testing::PrintToString(verdict.held);
}

const Chooser kEngineOrder = [](const std::vector<Delivery>&) { return std::size_t{0}; };
const Command kRestart{Command::kRestart, 0, {}};

Command Close(int index) {
    return {Command::kClose, index, {}};
}

TEST(SyncExplorer, AConflictCopyOfAnotherMachinesTabIsThatTabsPage) {
    // B types in T1 and closes T0, so its Tab0.txt holds T1's page; A types in T0 and closes
    // T1. The engine keeps B's Tab0.txt as a copy of Tab0: the text is T1's (B's record says
    // so), and comes back as T1, not as a second version of T0. A showed T0 all along: the
    // merge that brings back T1 is its one notice.
    ExpectConverged(ApartThenBack({{1, Type(1, QB_TEXT(" typedB"))},
                                   {0, New(QB_TEXT("FromA"))},
                                   {1, Close(0)},
                                   {0, Type(0, QB_TEXT(" typedA"))},
                                   {0, Close(1)}},
                                  kEngineOrder));
}

TEST(SyncExplorer, ACopyTakenAsATabBeforeTheRecordThatNamesItsTab) {
    // A types in T2 and closes T0, so its Tab1.txt holds T2's page; B types in T1, in its own
    // Tab1.txt. B meets A's text in a copy of Tab1 long before A's record, and keeps it as a
    // second version of T1. Once A's list and record come, the text is T2's, on both machines,
    // and the second version goes.
    ExpectConverged(ApartThenBack({{1, kRestart},
                                   {0, Type(2, QB_TEXT(" typedA"))},
                                   {1, Type(1, QB_TEXT(" typedB"))},
                                   {0, kRestart},
                                   {0, Close(0)}},
                                  kEngineOrder));
}

TEST(SyncExplorer, ACopyTakenAsATabOnBothMachinesIsOneTab) {
    // B types in T2; A closes T1 and types in T2, now in its Tab1.txt. Both machines meet a
    // copy of a page and keep A's text as a second version of T2; B's list, with its tab for
    // it, reaches A before B's record does. One such tab, on both machines.
    ExpectConverged(ApartThenBack({{1, Type(2, QB_TEXT(" typedB"))},
                                   {0, Close(1)},
                                   {0, Type(1, QB_TEXT(" typedA"))},
                                   {1, kRestart}},
                                  TabListFirst()));
}

TEST(SyncExplorer, MergesOfOneReconnectionAreToldInOneNotice) {
    // B types in T1 and closes T2; A types in T1 and in T2. On B one merge brings T2 back and
    // the next keeps T1 twice, a file apart: one notice tells both.
    const std::vector<Step> steps = {{1, Type(1, QB_TEXT(" typedB"))},
                                     {0, Type(1, QB_TEXT(" typedA1"))},
                                     {1, Close(2)},
                                     {0, Type(2, QB_TEXT(" typedA2"))},
                                     {1, kRestart}};
    const Chooser backwards = [](const std::vector<Delivery>& pending) {
        return pending.size() - 1;
    };
    for (const Chooser& order : {kEngineOrder, TabListFirst(), backwards}) {
        const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
        const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"),
                                QB_TEXT("page of T2")};
        Session session(AgreedStore(captions, pages, 0), captions, 2);
        for (const Step& step : steps) {
            session.Apply(step.machine, step.command);
        }
        const std::size_t before = session.machines()[1]->view->notices().size();
        ExpectConverged(session.Reconnect(order));
        const auto& notices = session.machines()[1]->view->notices();
        ASSERT_EQ(notices.size(), before + 1);
        EXPECT_NE(notices.back().find(L"«T2»"), std::wstring::npos) << "brought back";
    }
}

TEST(SyncExplorer, EveryTabClosedOnOneMachineOrTheOther) {
    // A closes T0; B closes T2 and T1. Each close stands, and none is left: the notebook keeps
    // the tab list written last, the same on both machines, rather than none.
    ExpectConverged(ApartThenBack({{0, Close(0)}, {1, Close(2)}, {0, kRestart}, {1, Close(1)}},
                                  TabListFirst()));
}

TEST(SyncExplorer, ATextAMergeWritesOverGoesToTheHistoryWhereAnotherCloseMayTakeItsOtherFile) {
    // A closes T0 and renames T2, now in its Tab1.txt; B types in T0. B meets A's Tab1.txt
    // and puts T1's page back in it, while T2's page still stands in B's Tab2.txt, the file
    // A's close deleted. That delete comes next: T2's page would be on no disk.
    ExpectConverged(ApartThenBack(
        {{0, Close(0)}, {1, Type(0, QB_TEXT(" typedB"))}, {0, {Command::kRename, 1, {}}}},
        kEngineOrder));
}

TEST(SyncExplorer, DISABLED_TabClosedOnOneMachineWhileALaterTabIsTypedOnTheOther) {
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2"), QB_TEXT("T3")};
    const Captions pages = {QB_TEXT("page zero"), QB_TEXT("page one"), QB_TEXT("page two"),
                            QB_TEXT("page three")};
    ExploreOrders({"a close on A, typing on B",
                   AgreedStore(captions, pages, 3),
                   captions,
                   {{0, {Command::kClose, 2, {}}}, {1, Type(3, QB_TEXT(" typedonB"))}}});
}

TEST(SyncExplorer, DISABLED_NewTabOnEachMachine) {
    const Captions captions = {QB_TEXT("Home")};
    ExploreOrders({"a new tab on each",
                   AgreedStore(captions, {QB_TEXT("home page")}, 0),
                   captions,
                   {{0, New(QB_TEXT("FromA"))},
                    {1, New(QB_TEXT("FromB"))},
                    {0, Type(1, QB_TEXT("newtextA"))},
                    {1, Type(1, QB_TEXT("newtextB"))}}});
}

TEST(SyncExplorer, DISABLED_OnlyLookingOnOneMachine) {
    const Captions captions = {QB_TEXT("Home"), QB_TEXT("Work")};
    ExploreOrders({"tab switches on A, typing on B",
                   AgreedStore(captions, {QB_TEXT("home page"), QB_TEXT("work page")}, 0),
                   captions,
                   {{0, {Command::kSwitch, 1, {}}},
                    {1, Type(0, QB_TEXT(" typedonB"))},
                    {0, {Command::kSwitch, 0, {}}}}});
}

TEST(SyncExplorer, DISABLED_ANewTabOnEachOfThreeMachines) {
    const Captions captions = {QB_TEXT("Home")};
    Case c{"a new tab on each of three",
           AgreedStore(captions, {QB_TEXT("home page")}, 0),
           captions,
           {{0, New(QB_TEXT("FromA"))},
            {1, New(QB_TEXT("FromB"))},
            {2, New(QB_TEXT("FromC"))},
            {0, Type(1, QB_TEXT("newtextA"))},
            {1, Type(1, QB_TEXT("newtextB"))},
            {2, Type(1, QB_TEXT("newtextC"))}},
           3};
    ExploreOrders(c, 150);
}

// ---- The explorer ----

std::uint64_t FromEnvironment(const char* name, std::uint64_t otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10) : otherwise;
}

// Orders that tell apart what a program sees first: the engine's own (by machine, then name:
// pages before the tab list), the tab list first, the tab list last, backwards, and at random.
std::vector<Chooser> Orders(std::mt19937_64& random) {
    const auto isList = [](const Delivery& d) { return d.path == L"strings/tabs.txt"; };
    std::vector<Chooser> orders;
    orders.push_back([](const std::vector<Delivery>&) { return std::size_t{0}; });
    orders.push_back(TabListFirst());
    orders.push_back([isList](const std::vector<Delivery>& pending) {
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (!isList(pending[i])) {
                return i;
            }
        }
        return std::size_t{0};
    });
    orders.push_back([](const std::vector<Delivery>& pending) { return pending.size() - 1; });
    for (int r = 0; r < 2; ++r) {
        const std::uint64_t seed = random();
        orders.push_back(
            [generator = std::mt19937_64(seed)](const std::vector<Delivery>& pending) mutable {
                return static_cast<std::size_t>(generator() % pending.size());
            });
    }
    return orders;
}

TEST(SyncExplorer, DISABLED_EveryPairOfShortCommandSequences) {
    const std::uint64_t seed = FromEnvironment("QB_SYNC_SEED", 20261209);
    const std::uint64_t plans = FromEnvironment("QB_SYNC_PLANS", 49 * 4);
    // QB_SYNC_PLAN=N gives command pair N alone, in the orders it had among the others.
    const std::uint64_t only = FromEnvironment("QB_SYNC_PLAN", plans);
    std::printf(
        "sync explorer: seed %llu, %llu command pairs (QB_SYNC_SEED, QB_SYNC_PLANS, "
        "QB_SYNC_PLAN)\n",
        static_cast<unsigned long long>(seed), static_cast<unsigned long long>(plans));
    std::mt19937_64 random(seed);
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
    const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"), QB_TEXT("page of T2")};
    const Disk disk = AgreedStore(captions, pages, 0);
    constexpr int kKinds = Command::kRestart + 1;
    const auto command = [&](int kind) {
        return Command{static_cast<Command::Kind>(kind), static_cast<int>(random() % 3), {}};
    };
    Findings findings;
    for (std::uint64_t plan = 0; plan < plans; ++plan) {
        // Each pair of kinds leads a side in turn; one or two commands of any kind follow.
        std::vector<std::vector<Command>> sides(2);
        sides[0].push_back(command(static_cast<int>(plan % kKinds)));
        sides[1].push_back(command(static_cast<int>(plan / kKinds % kKinds)));
        for (auto& side : sides) {
            const int more = 1 + static_cast<int>(random() % 2);
            for (int k = 0; k < more; ++k) {
                side.push_back(command(static_cast<int>(random() % kKinds)));
            }
        }
        // Which machine acts first decides which change is the newer.
        const int first = static_cast<int>(random() % 2);
        Case c{"explored", disk, captions, {}};
        for (std::size_t k = 0; k < 3; ++k) {
            for (int m : {first, 1 - first}) {
                if (k < sides[static_cast<std::size_t>(m)].size()) {
                    c.steps.push_back({m, sides[static_cast<std::size_t>(m)][k]});
                }
            }
        }
        const std::string label = "pair " + std::to_string(plan) + ": ";
        for (const Chooser& order : Orders(random)) {
            if (only >= plans || plan == only) {
                RunOnce(c, order, findings, label);
            }
        }
    }
    EXPECT_EQ(findings.failed(), 0) << findings.Report();
}

// Commands given while the engine is still bringing files, as people use two machines that are
// both on: two commands a side apart, then in turn, at random, a file brought or a command on
// either machine, and at last the link back for good, the files in an order at random.
TEST(SyncExplorer, DISABLED_CommandsWhileFilesArrive) {
    const std::uint64_t seed = FromEnvironment("QB_SYNC_SEED", 20261209);
    const std::uint64_t runs = FromEnvironment("QB_SYNC_RUNS", 300);
    // QB_SYNC_RUN=N gives run N alone, as it went among the others.
    const std::uint64_t only = FromEnvironment("QB_SYNC_RUN", runs);
    // QB_SYNC_STEPS: how many files brought or commands given between the first commands and
    // the link back for good.
    const std::uint64_t steps = FromEnvironment("QB_SYNC_STEPS", 12);
    std::printf(
        "sync explorer: seed %llu, %llu runs of commands while files arrive "
        "(QB_SYNC_SEED, QB_SYNC_RUNS, QB_SYNC_RUN)\n",
        static_cast<unsigned long long>(seed), static_cast<unsigned long long>(runs));
    const Captions captions = {QB_TEXT("T0"), QB_TEXT("T1"), QB_TEXT("T2")};
    const Captions pages = {QB_TEXT("page of T0"), QB_TEXT("page of T1"), QB_TEXT("page of T2")};
    const Disk disk = AgreedStore(captions, pages, 0);
    constexpr int kKinds = Command::kRestart + 1;
    Findings findings;
    long refused = 0;
    for (std::uint64_t run = 0; run < runs; ++run) {
        if (only < runs && run != only) {
            continue;
        }
        std::mt19937_64 random(seed + run);
        Session session(disk, captions, 2);
        std::string commands = "run " + std::to_string(run) + ":";
        const auto give = [&](int machine) {
            // (No About: its tabs share one caption, and the ledger, reading the strips again,
            // tells tabs apart by caption.)
            Command::Kind kind = static_cast<Command::Kind>(random() % kKinds);
            kind = kind == Command::kAbout ? Command::kType : kind;
            const Command command{kind, static_cast<int>(random() % 4), {}};
            if (session.Apply(machine, command)) {
                commands += (commands.back() == ':' ? " " : "; ") +
                            std::string(1, static_cast<char>('A' + machine)) + ": " +
                            Describe(command) + " (after " +
                            std::to_string(session.deliveries().size()) + " files)";
            }
        };
        for (int k = 0; k < 2; ++k) {
            give(0);
            give(1);
        }
        for (std::uint64_t step = 0; step < steps; ++step) {
            if (random() % 2 == 0) {
                const std::vector<Delivery> pending = session.PendingNow();
                if (!pending.empty()) {
                    session.DeliverNow(pending[random() % pending.size()]);
                    continue;
                }
            }
            give(static_cast<int>(random() % 2));
        }
        const Verdict verdict = session.Reconnect(
            [generator = std::mt19937_64(random())](const std::vector<Delivery>& pending) mutable {
                return static_cast<std::size_t>(generator() % pending.size());
            });
        findings.Add(commands, session, verdict);
        refused += session.refused();
    }
    std::printf("sync explorer: %ld commands refused with an error while files arrived\n", refused);
    EXPECT_EQ(findings.failed(), 0) << findings.Report();
}

}  // namespace
}  // namespace qb::test
