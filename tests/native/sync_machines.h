// Machines that keep one store through the sync engine in memory: each a folder, a program on
// it (a Notebook and the window FakeView plays), and the user's commands; a ledger of what the
// user did on each while they were apart; and the judge of what both hold once the engine has
// brought everything and the programs have answered it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "tests/native/fake_view.h"
#include "tests/native/sync_engine.h"

namespace qb::test {

// The time the machines last agreed: 2026-12-09 10:00:00 UTC.
inline constexpr SimTime kAgreedAt = 1796810400;

struct World {
    SimTime now = kAgreedAt;
};

// One machine: its folder and the program running on it.
class Machine {
  public:
    Machine(World& world, const Disk& disk, std::string id);

    // The program starts (again, after an exit): a new window and a new Notebook.
    void Start();
    // Exit, and start again.
    void Restart();

    // What the window does around the user's commands: a failure is shown in the error box.
    void Do(const std::function<void()>& command);
    // The user types the text at the end of tab i's page (clicking the tab first when it is
    // not selected), and the background save falls due; false when the page shown then takes
    // no typing.
    bool Type(int index, const store::Utf16& text);
    void Switch(int index);
    // The directory watch reports a change in the store, and a background save due runs.
    void React();

    World& world;
    std::string id;
    SyncedFolder folder;
    std::unique_ptr<FakeView> view;
    std::unique_ptr<notebook::Notebook> notebook;
};

// What the user did while the machines were apart, by tab.
struct Ledger {
    struct Tab {
        std::set<store::Utf16> captions;  // every caption it had, on any machine
        store::Utf16 basePage;            // its page as last agreed (base tabs)
        bool about = false;
        std::set<int> closedOn;  // machines
    };
    struct Token {
        store::Utf16 text;
        int tab = 0;
        int machine = 0;
        bool closedAfter = false;  // the user closed the tab on that machine afterwards
    };
    std::vector<Tab> tabs;
    std::vector<Token> tokens;
    std::vector<std::vector<int>> strips;  // per machine: the tab of each place in the strip
};

// A user's command while the machines are apart.
struct Command {
    enum Kind { kType, kNew, kAbout, kRename, kClose, kSwitch, kRestart } kind = kType;
    int index = 0;
    store::Utf16 text;  // the typed text, the caption given; made up when empty
};
std::string Describe(const Command& command);

// Chooses which pending delivery the engine makes next.
using Chooser = std::function<std::size_t(const std::vector<Delivery>&)>;

// What was found once the engine went quiet.
struct Verdict {
    int textsLost = 0;
    int underAnotherCaption = 0;  // tabs, counted on each machine
    int unreached = 0;            // files, counted on each machine
    std::vector<std::string> problems;
    std::vector<std::string> held;  // per machine: its tabs and pages, for messages
    bool converged() const { return problems.empty(); }
};

// Two or more machines over one store as last agreed, the engine between them.
class Session {
  public:
    // captions and pages: the tabs of the store as agreed (pages "" for none).
    Session(const Disk& disk, const std::vector<store::Utf16>& captions, int machines);

    // The user's command on a machine while they are apart; false when it does not apply (no
    // such tab, the only tab closed, the selected tab clicked).
    bool Apply(int machine, const Command& command);

    // Before the link is back for good: the engine brings one file it has pending (the link
    // comes up for it, and goes down again), and the program there answers it. Commands given
    // after this act on the tabs each window shows then. The files pending, for the next one.
    std::vector<Delivery> PendingNow();
    void DeliverNow(const Delivery& delivery);

    // The link comes back: the engine brings files in the order chosen, the programs answer
    // each, until nothing is pending after every program had a look. The verdict of the state
    // reached.
    Verdict Reconnect(const Chooser& choose);

    // The deliveries made, for messages.
    const std::vector<std::string>& deliveries() const { return deliveries_; }
    std::vector<std::unique_ptr<Machine>>& machines() { return machines_; }
    SyncEngine& engine() { return *engine_; }
    const Ledger& ledger() const { return ledger_; }
    // Changes of the tabs the programs refused with an error (while a merge waits for a file,
    // say), and which therefore changed nothing.
    int refused() const { return refused_; }

    // Beyond these the programs are taken to write in answer to each other for ever: files
    // delivered (per machine; two machines have needed 23 at most, three 87), and times the
    // engine went quiet and a program wrote again.
    static constexpr int kMaxDeliveriesPerMachine = 60;
    static constexpr int kMaxQuietRounds = 5;

  private:
    Verdict Judge() const;
    void Deliver(const Delivery& delivery);
    // The strip of the machine's window read again, once files came: each tab is the tab of
    // the ledger with its caption (a copy the program made from one is none of the user's).
    void ReadStrip(int machine);

    World world_;
    std::vector<std::unique_ptr<Machine>> machines_;
    std::unique_ptr<SyncEngine> engine_;
    Ledger ledger_;
    std::vector<int> made_;  // commands made per machine, for made-up names
    std::vector<std::size_t> noticesAtLink_;
    std::vector<std::size_t> errorsAtLink_;
    std::vector<std::string> deliveries_;
    bool neverQuiet_ = false;
    bool filesCame_ = false;  // before the reconnection
    int refused_ = 0;
    std::vector<std::size_t> writesAfterQuiet_;  // per machine
};

// A store as the machines last agreed on it: these tabs, these pages, the settings selecting
// tab `selected`, and the readme the About page shows.
Disk AgreedStore(const std::vector<store::Utf16>& captions, const std::vector<store::Utf16>& pages,
                 int selected);

}  // namespace qb::test
