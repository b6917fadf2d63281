#include "tests/native/sync_machines.h"

#include "notebook/notices.h"

#include <algorithm>

#include "store/pure/page_names.h"
#include "store/pure/stored_text.h"
#include "store/pure/tab_list.h"
#include "tests/native/code_page_1251.h"

namespace qb::test {

using store::Utf16;

namespace {

const store::Encodings& kEncodings = RussianSystem();

const Utf16 kAboutCaption = QB_TEXT("О программе");
// The captions the program gives this program's own version of a page changed elsewhere, and
// a sync engine's conflict copy: a tab so named is still the tab it is named after.
const Utf16 kOwnVersion = QB_TEXT(" (ваша версия)");
const Utf16 kSyncCopy = QB_TEXT(" (копия синхронизации)");

Utf16 Text(const std::string& ascii) {
    return Utf16(ascii.begin(), ascii.end());
}

std::string Narrow(const Utf16& text) {
    return store::Utf16ToUtf8(text);
}

// A path or a message, its ASCII as it is.
std::string NarrowPath(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 128 ? static_cast<char>(c) : '?';
    }
    return out;
}

bool EndsWith(const Utf16& text, const Utf16& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The caption of the tab a caption names: without the endings the program adds.
Utf16 Owner(Utf16 caption) {
    for (;;) {
        if (EndsWith(caption, kOwnVersion)) {
            caption.resize(caption.size() - kOwnVersion.size());
        } else if (EndsWith(caption, kSyncCopy)) {
            caption.resize(caption.size() - kSyncCopy.size());
        } else {
            return caption;
        }
    }
}

Utf16 Decode(const std::string& bytes) {
    return store::DecodeStoredText(bytes, kEncodings).text;
}

std::string Encode(const Utf16& text) {
    return *kEncodings.codePage.EncodeExactly(text);
}

std::wstring PagePath(int index) {
    return FoldPath(store::PageFileName(index));
}

// A file the notebook keeps in the store as its own, beside the pages: copies of what it would
// not write over.
bool KeptOnPurpose(const std::wstring& name) {
    return name.find(L".original") != std::wstring::npos;
}

}  // namespace

Disk AgreedStore(const std::vector<Utf16>& captions, const std::vector<Utf16>& pages,
                 int selected) {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(selected);
    disk.files[L"readme.txt"] = "about the program";
    disk.files[L"strings/tabs.txt"] = Encode(store::JoinTabListText(captions));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (!pages[i].empty()) {
            disk.files[PagePath(static_cast<int>(i))] = Encode(pages[i]);
        }
    }
    return disk;
}

std::string Describe(const Command& command) {
    const std::string index = std::to_string(command.index);
    switch (command.kind) {
        case Command::kType:
            return "type in " + index;
        case Command::kNew:
            return "New";
        case Command::kAbout:
            return "About";
        case Command::kRename:
            return "Rename " + index;
        case Command::kClose:
            return "Close " + index;
        case Command::kSwitch:
            return "switch to " + index;
        case Command::kRestart:
            return "Exit and start again";
    }
    return "?";
}

// ---- A machine ----

Machine::Machine(World& w, const Disk& disk, std::string machineId)
    : world(w), id(std::move(machineId)), folder(disk, [&w] { return w.now; }) {}

void Machine::Start() {
    notebook.reset();
    view = std::make_unique<FakeView>();
    World* clock = &world;
    notebook = std::make_unique<notebook::Notebook>(
        folder, kEncodings, *view,
        [clock] { return static_cast<std::uint64_t>(clock->now) * 1000; },
        std::wstring(id.begin(), id.begin() + 7));
    Do([this] { notebook->Start(); });
}

void Machine::Restart() {
    Do([this] { notebook->SaveAll(); });
    Start();
}

void Machine::Do(const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        view->ShowError(notebook::CurrentFailure());
    }
}

void Machine::Switch(int index) {
    Do([&] {
        notebook->LeavePage();
        view->Click(index);
        notebook->PageSelected();
    });
}

bool Machine::Type(int index, const Utf16& text) {
    if (view->SelectedTab() != index) {
        Switch(index);
    }
    if (!view->editable()) {
        return false;  // (a page that cannot be typed into takes no keys)
    }
    view->Type(view->text() + text);
    notebook->PageEdited();
    world.now += 2;
    Do([this] { notebook->SaveInBackground(false); });
    return true;
}

void Machine::React() {
    Do([this] { notebook->StoreChanged(); });
    Do([this] { notebook->SaveInBackground(false); });
}

// ---- The session ----

Session::Session(const Disk& disk, const std::vector<Utf16>& captions, int machines) {
    static const char* const kIds[] = {"AAAAAAA-MACHINE", "BBBBBBB-MACHINE", "CCCCCCC-MACHINE"};
    std::vector<SyncEngine::Device> devices;
    for (int m = 0; m < machines; ++m) {
        machines_.push_back(std::make_unique<Machine>(world_, disk, kIds[m]));
        devices.push_back({kIds[m], &machines_.back()->folder});
    }
    engine_ = std::make_unique<SyncEngine>(devices, [this] { return world_.now; });
    ledger_.strips.resize(static_cast<std::size_t>(machines));
    for (std::size_t i = 0; i < captions.size(); ++i) {
        Ledger::Tab tab;
        tab.captions.insert(captions[i]);
        const auto page = disk.files.find(PagePath(static_cast<int>(i)));
        if (page != disk.files.end()) {
            tab.basePage = Decode(page->second);
        }
        ledger_.tabs.push_back(tab);
        for (auto& strip : ledger_.strips) {
            strip.push_back(static_cast<int>(i));
        }
    }
    made_.assign(static_cast<std::size_t>(machines), 0);
    for (auto& machine : machines_) {
        machine->Start();
    }
    // Linked at first: each machine's record reaches the others, as when they have kept the
    // store together for a while; then apart.
    for (int delivered = 0; delivered < 20; ++delivered) {
        engine_->Scan();
        const std::vector<Delivery> pending = engine_->Pending();
        if (pending.empty()) {
            break;
        }
        engine_->Deliver(pending.front());
    }
    engine_->Scan();
    engine_->SetLinked(false);
}

bool Session::Apply(int m, const Command& command) {
    Machine& machine = *machines_[static_cast<std::size_t>(m)];
    if (filesCame_) {
        ReadStrip(m);
    }
    std::vector<int>& strip = ledger_.strips[static_cast<std::size_t>(m)];
    const int count = static_cast<int>(strip.size());
    const bool indexed = command.kind == Command::kType || command.kind == Command::kRename ||
                         command.kind == Command::kClose || command.kind == Command::kSwitch;
    if (indexed && command.index >= count) {
        return false;
    }
    if (indexed && command.kind != Command::kSwitch &&
        strip[static_cast<std::size_t>(command.index)] < 0) {
        return false;  // a tab the program made: the ledger does not follow it
    }
    if (command.kind == Command::kClose && count == 1) {
        return false;
    }
    if (command.kind == Command::kSwitch && machine.view->SelectedTab() == command.index) {
        return false;
    }
    const int n = ++made_[static_cast<std::size_t>(m)];
    const Utf16 side = Text(std::string(1, static_cast<char>('A' + m)) + std::to_string(n));
    world_.now += 5;
    // A change of the tabs the program refused changed nothing: the error box shows why, or a
    // notice says a close was given up (the tabs changed under the click).
    const std::size_t errors = machine.view->errors().size();
    const std::size_t notices = machine.view->notices().size();
    const auto refused = [&] {
        const auto& shown = machine.view->notices();
        const bool givenUp = std::find(shown.begin() + static_cast<std::ptrdiff_t>(notices),
                                       shown.end(), notebook::CloseGivenUpNotice()) != shown.end();
        if (machine.view->errors().size() == errors && !givenUp) {
            return false;
        }
        ++refused_;
        return true;
    };
    switch (command.kind) {
        case Command::kType: {
            const Utf16 token = command.text.empty() ? QB_TEXT(" typed") + side : command.text;
            if (!machine.Type(command.index, token)) {
                return false;
            }
            ledger_.tokens.push_back({token, strip[static_cast<std::size_t>(command.index)], m});
            break;
        }
        case Command::kNew:
        case Command::kAbout: {
            Ledger::Tab tab;
            if (command.kind == Command::kNew) {
                tab.captions.insert(command.text.empty() ? QB_TEXT("New") + side : command.text);
                machine.Do([&] { machine.notebook->AddPage(*tab.captions.begin()); });
            } else {
                tab.about = true;
                tab.captions.insert(kAboutCaption);
                machine.Do([&] { machine.notebook->AddAboutPage(); });
            }
            if (refused()) {
                return false;
            }
            ledger_.tabs.push_back(tab);
            strip.push_back(static_cast<int>(ledger_.tabs.size()) - 1);
            break;
        }
        case Command::kRename: {
            const Utf16 caption = command.text.empty() ? machine.view->TabCaption(command.index) +
                                                             QB_TEXT(" r") + side
                                                       : command.text;
            machine.Do([&] { machine.notebook->RenamePage(command.index, caption); });
            if (refused()) {
                return false;
            }
            ledger_.tabs[static_cast<std::size_t>(strip[static_cast<std::size_t>(command.index)])]
                .captions.insert(caption);
            break;
        }
        case Command::kClose: {
            const int tab = strip[static_cast<std::size_t>(command.index)];
            // The window closes the selected tab: the user clicks the tab first.
            if (machine.view->SelectedTab() != command.index) {
                machine.Switch(command.index);
            }
            // What another machine typed in it and this one shows is closed with it too.
            const Utf16 shown = machine.view->text();
            machine.Do([&] { machine.notebook->ClosePage(command.index); });
            if (refused()) {
                return false;
            }
            ledger_.tabs[static_cast<std::size_t>(tab)].closedOn.insert(m);
            for (auto& token : ledger_.tokens) {
                if (token.tab == tab &&
                    (token.machine == m || shown.find(token.text) != Utf16::npos)) {
                    token.closedAfter = true;
                }
            }
            strip.erase(strip.begin() + command.index);
            break;
        }
        case Command::kSwitch:
            machine.Switch(command.index);
            break;
        case Command::kRestart:
            machine.Restart();
            break;
    }
    return true;
}

Verdict Session::Reconnect(const Chooser& choose) {
    for (auto& machine : machines_) {
        noticesAtLink_.push_back(machine->view->notices().size());
        errorsAtLink_.push_back(machine->view->errors().size());
    }
    engine_->SetLinked(true);
    int delivered = 0;
    int quietRounds = 0;
    std::vector<std::size_t> writesAtQuiet;
    for (;;) {
        engine_->Scan();
        std::vector<Delivery> pending = engine_->Pending();
        if (pending.empty()) {
            // Quiet: every program has a look once more. Quiet for good when none of them
            // writes anything in answer.
            if (writesAtQuiet.empty()) {
                for (auto& machine : machines_) {
                    writesAtQuiet.push_back(machine->folder.writes);
                }
            }
            for (auto& machine : machines_) {
                machine->React();
            }
            // A merge still waiting for a text once everything came gives up after its while,
            // as the window's timer has it do.
            bool waited = false;
            for (auto& machine : machines_) {
                if (machine->notebook->MergeWaits()) {
                    if (!waited) {
                        world_.now += notebook::Notebook::kMergeWaitMs;
                        waited = true;
                    }
                    machine->Do([&machine] { machine->notebook->MergeWaitOver(); });
                }
            }
            // And what the merges had to tell is told once they have been still a while, as
            // the window's timer has it.
            for (auto& machine : machines_) {
                if (const auto due = machine->notebook->MergeNewsDue()) {
                    world_.now += *due;
                    machine->Do([&machine] { machine->notebook->TellMergeNews(); });
                }
            }
            engine_->Scan();
            if (engine_->Pending().empty() && !waited) {
                break;
            }
            if (++quietRounds > kMaxQuietRounds) {
                neverQuiet_ = true;
                break;
            }
            continue;
        }
        if (++delivered > kMaxDeliveriesPerMachine * static_cast<int>(machines_.size())) {
            neverQuiet_ = true;
            break;
        }
        Deliver(pending[choose(pending) % pending.size()]);
    }
    for (std::size_t m = 0; m < writesAtQuiet.size(); ++m) {
        writesAfterQuiet_.push_back(machines_[m]->folder.writes - writesAtQuiet[m]);
    }
    return Judge();
}

void Session::Deliver(const Delivery& delivery) {
    const std::wstring copy = engine_->Deliver(delivery);
    deliveries_.push_back(std::string(1, static_cast<char>('A' + delivery.device)) + "<-" +
                          NarrowPath(delivery.path) +
                          (copy.empty() ? std::string() : " (copy " + NarrowPath(copy) + ")"));
    world_.now += 1;
    if (delivery.path.rfind(L"strings/", 0) == 0) {
        machines_[static_cast<std::size_t>(delivery.device)]->React();
    }
}

std::vector<Delivery> Session::PendingNow() {
    engine_->SetLinked(true);
    engine_->Scan();
    std::vector<Delivery> pending = engine_->Pending();
    engine_->SetLinked(false);
    return pending;
}

void Session::DeliverNow(const Delivery& delivery) {
    engine_->SetLinked(true);
    engine_->Scan();
    Deliver(delivery);
    engine_->Scan();
    engine_->SetLinked(false);
    filesCame_ = true;
}

void Session::ReadStrip(int m) {
    std::vector<int>& strip = ledger_.strips[static_cast<std::size_t>(m)];
    strip.clear();
    std::set<int> taken;
    for (const Utf16& caption : machines_[static_cast<std::size_t>(m)]->view->TabCaptions()) {
        int tab = -1;
        for (std::size_t t = 0; t < ledger_.tabs.size() && tab < 0; ++t) {
            if (Owner(caption) == caption && ledger_.tabs[t].captions.count(caption) != 0 &&
                taken.insert(static_cast<int>(t)).second) {
                tab = static_cast<int>(t);
            }
        }
        strip.push_back(tab);
    }
}

// ---- The judge ----

Verdict Session::Judge() const {
    Verdict verdict;
    const auto problem = [&](int m, const std::string& text) {
        verdict.problems.push_back(std::string(1, static_cast<char>('A' + m)) + ": " + text);
    };
    if (neverQuiet_) {
        std::string writes;
        for (std::size_t m = 0; m < writesAfterQuiet_.size(); ++m) {
            writes += (m == 0 ? "" : ", ") + std::string(1, static_cast<char>('A' + m)) + " " +
                      std::to_string(writesAfterQuiet_[m]);
        }
        verdict.problems.push_back(
            "the programs still wrote in answer to each other after " +
            std::to_string(deliveries_.size()) + " deliveries (writes since the engine was " +
            "first quiet: " + (writes.empty() ? "never quiet" : writes) + ")");
    }
    const auto matches = [&](const Utf16& caption, int tab) {
        return ledger_.tabs[static_cast<std::size_t>(tab)].captions.count(Owner(caption)) != 0;
    };
    std::set<std::size_t> lost;
    std::set<std::size_t> lostPages;  // tabs of the store as agreed
    std::vector<Disk> disks;
    for (std::size_t mi = 0; mi < machines_.size(); ++mi) {
        const int m = static_cast<int>(mi);
        const Machine& machine = *machines_[mi];
        const Disk disk = machine.folder.Now();
        disks.push_back(disk);
        const auto list = disk.files.find(L"strings/tabs.txt");
        if (list == disk.files.end()) {
            problem(m, "no tab list");
            continue;
        }
        const std::vector<Utf16> captions = store::SplitTabListText(Decode(list->second));
        const int count = static_cast<int>(captions.size());
        if (machine.view->TabCaptions() != captions) {
            std::string shown;
            for (const Utf16& caption : machine.view->TabCaptions()) {
                shown += (shown.empty() ? "" : ", ") + Narrow(caption);
            }
            problem(m, "the window shows other tabs than the tab list on disk: " + shown);
        }
        std::vector<Utf16> pages;
        for (int i = 0; i < count; ++i) {
            const auto page = disk.files.find(PagePath(i));
            pages.push_back(page == disk.files.end() ? Utf16() : Decode(page->second));
        }
        const int selected = machine.view->SelectedTab();
        // (An About page is a new page: it is written when it is left.)
        const bool aboutNotLeft = selected >= 0 && selected < count &&
                                  captions[static_cast<std::size_t>(selected)] == kAboutCaption &&
                                  pages[static_cast<std::size_t>(selected)].empty();
        if (selected >= 0 && selected < count && !machine.view->PageModified() && !aboutNotLeft) {
            const Utf16& page = pages[static_cast<std::size_t>(selected)];
            if (machine.view->text() != page.substr(0, page.find(store::Utf16Unit(0)))) {
                problem(m, "the text area shows another text than the selected tab's page");
            }
        }
        std::string held;
        for (int i = 0; i < count; ++i) {
            held += (i == 0 ? "" : ", ") + Narrow(captions[static_cast<std::size_t>(i)]) + ": \"" +
                    Narrow(pages[static_cast<std::size_t>(i)]) + "\"";
        }
        std::string others;
        for (const auto& [path, bytes] : disk.files) {
            if (path.rfind(L"strings/", 0) == 0 && path != L"strings/tabs.txt" &&
                !store::PageFileIndex(path.substr(8))) {
                others += " " + NarrowPath(path.substr(8));
            }
        }
        verdict.held.push_back(std::string(1, static_cast<char>('A' + m)) + " holds " + held +
                               (others.empty() ? "" : "; also" + others));
        const auto holds = [&](int i, const Utf16& text) {
            return pages[static_cast<std::size_t>(i)].find(text) != Utf16::npos;
        };

        // Each page holds its own tab's text only.
        for (int i = 0; i < count; ++i) {
            const Utf16& caption = captions[static_cast<std::size_t>(i)];
            std::string whose;
            for (std::size_t t = 0; t < ledger_.tabs.size() && whose.empty(); ++t) {
                const Utf16& base = ledger_.tabs[t].basePage;
                if (!base.empty() && pages[static_cast<std::size_t>(i)].rfind(base, 0) == 0 &&
                    !matches(caption, static_cast<int>(t))) {
                    whose = "the page as agreed of " + Narrow(*ledger_.tabs[t].captions.begin());
                }
            }
            for (const auto& token : ledger_.tokens) {
                if (whose.empty() && holds(i, token.text) && !matches(caption, token.tab)) {
                    whose =
                        "\"" + Narrow(token.text) + "\" typed in " +
                        Narrow(*ledger_.tabs[static_cast<std::size_t>(token.tab)].captions.begin());
                }
            }
            if (!whose.empty()) {
                ++verdict.underAnotherCaption;
                problem(m, "tab \"" + Narrow(caption) + "\" holds " + whose);
            }
        }

        // Every text typed is reachable, unless its tab was closed where it was typed.
        for (std::size_t k = 0; k < ledger_.tokens.size(); ++k) {
            const auto& token = ledger_.tokens[k];
            if (token.closedAfter) {
                continue;
            }
            bool found = false;
            for (int i = 0; i < count && !found; ++i) {
                found = holds(i, token.text);
            }
            if (!found) {
                lost.insert(k);
                // (Still in the store, kept in the page history, or gone from it.)
                bool kept = false;
                for (const auto& [path, bytes] : disk.files) {
                    kept = kept || (path.rfind(L"history/", 0) == 0 &&
                                    Decode(bytes).find(token.text) != Utf16::npos);
                }
                problem(m, "\"" + Narrow(token.text) + "\" typed on " +
                               std::string(1, static_cast<char>('A' + token.machine)) +
                               " is on no tab" +
                               (kept ? " (kept in the page history)" : ", nor in the store"));
            }
        }

        // So is every page as agreed, unless its tab was closed somewhere.
        for (std::size_t t = 0; t < ledger_.tabs.size(); ++t) {
            const Ledger::Tab& tab = ledger_.tabs[t];
            bool found = tab.basePage.empty() || !tab.closedOn.empty();
            for (int i = 0; i < count && !found; ++i) {
                found = holds(i, tab.basePage);
            }
            if (!found) {
                lostPages.insert(t);
                problem(m,
                        "the page as agreed of " + Narrow(*tab.captions.begin()) + " is on no tab");
            }
        }

        // A tab closed stays closed, unless another machine typed in it meanwhile; every
        // other tab, made here or there, is kept.
        std::vector<bool> owned(static_cast<std::size_t>(count), false);
        // (Every tab closed on one machine or another: a notebook keeps a tab, so the tab list
        // written last stands.)
        const bool everyTabClosed =
            std::all_of(ledger_.tabs.begin(), ledger_.tabs.end(),
                        [](const Ledger::Tab& tab) { return !tab.closedOn.empty(); });
        for (std::size_t t = 0; t < ledger_.tabs.size(); ++t) {
            const Ledger::Tab& tab = ledger_.tabs[t];
            const std::string name = Narrow(*tab.captions.begin());
            if (!tab.closedOn.empty()) {
                bool changedElsewhere = false;
                for (const auto& token : ledger_.tokens) {
                    changedElsewhere = changedElsewhere ||
                                       (token.tab == static_cast<int>(t) && !token.closedAfter &&
                                        tab.closedOn.count(token.machine) == 0);
                }
                if (!changedElsewhere && !tab.about) {
                    for (int i = 0; i < count; ++i) {
                        if (matches(captions[static_cast<std::size_t>(i)], static_cast<int>(t))) {
                            if (everyTabClosed && count == 1) {
                                owned[static_cast<std::size_t>(i)] = true;
                            } else {
                                problem(m, "tab \"" + name + "\", closed, is back");
                            }
                            break;
                        }
                    }
                }
                continue;
            }
            int found = -1;
            for (int pass = 0; pass < 2 && found < 0; ++pass) {
                for (int i = 0; i < count && found < 0; ++i) {
                    const Utf16& caption = captions[static_cast<std::size_t>(i)];
                    const bool exact = tab.captions.count(caption) != 0;
                    if (!owned[static_cast<std::size_t>(i)] &&
                        (pass == 0 ? exact : matches(caption, static_cast<int>(t)))) {
                        found = i;
                    }
                }
            }
            if (found < 0) {
                problem(m, "tab \"" + name + "\" is gone");
            } else {
                owned[static_cast<std::size_t>(found)] = true;
            }
        }
        // Any other tab holds a text typed that no other tab holds: the user made it.
        for (int i = 0; i < count; ++i) {
            if (owned[static_cast<std::size_t>(i)]) {
                continue;
            }
            bool own = false;
            for (const auto& token : ledger_.tokens) {
                if (!holds(i, token.text)) {
                    continue;
                }
                bool elsewhere = false;
                for (int j = 0; j < count && !elsewhere; ++j) {
                    elsewhere = j != i && holds(j, token.text);
                }
                own = own || !elsewhere;
            }
            if (!own) {
                problem(m, "tab \"" + Narrow(captions[static_cast<std::size_t>(i)]) +
                               "\" is one the user did not make");
            }
        }

        // Nothing in the store that no tab reaches.
        for (const auto& [path, bytes] : disk.files) {
            if (path.rfind(L"strings/", 0) != 0) {
                // (The page history's folder is the program's own, kept on purpose.)
                if (path != L"settings.dat" && path != L"readme.txt" &&
                    !notebook::IsAgreedFileName(path) && path.rfind(L"history/", 0) != 0) {
                    problem(m, "left in the folder: " + NarrowPath(path));
                }
                continue;
            }
            const std::wstring name = path.substr(8);
            bool reached = name == L"tabs.txt" || KeptOnPurpose(name);
            for (int i = 0; i < count && !reached; ++i) {
                reached = path == PagePath(i);
            }
            if (!reached) {
                ++verdict.unreached;
                problem(m, "a file no tab reaches: " + NarrowPath(path));
            }
        }

        const std::size_t notices = machine.view->notices().size() - noticesAtLink_[mi];
        if (notices > 1) {
            problem(m, std::to_string(notices) + " notices for one reconnection");
        }
        for (std::size_t e = errorsAtLink_[mi]; e < machine.view->errors().size(); ++e) {
            problem(m, "an error shown: " + NarrowPath(machine.view->errors()[e]));
        }
    }
    verdict.textsLost = static_cast<int>(lost.size() + lostPages.size());

    // Both hold the same tabs and pages.
    for (std::size_t m = 1; m < disks.size(); ++m) {
        const auto same = [&](const std::wstring& path) {
            const auto a = disks[0].files.find(path);
            const auto b = disks[m].files.find(path);
            return (a == disks[0].files.end()) == (b == disks[m].files.end()) &&
                   (a == disks[0].files.end() || a->second == b->second);
        };
        bool differ = !same(L"strings/tabs.txt");
        const auto list = disks[0].files.find(L"strings/tabs.txt");
        const std::size_t count =
            list == disks[0].files.end() ? 0 : store::SplitTabListText(Decode(list->second)).size();
        for (std::size_t i = 0; i < count && !differ; ++i) {
            differ = !same(PagePath(static_cast<int>(i)));
        }
        if (differ) {
            problem(static_cast<int>(m), "holds other tabs or pages than A");
        }
    }
    return verdict;
}

}  // namespace qb::test
