// Random commands on both machines for a while (typing a text of its own, New, Rename, Close, a
// switch of tabs), the engine's link paused and resumed at random, from a seed the run prints.
// At the end both machines must hold the same store, and every text typed must be reachable on
// both from a tab of its own caption (or of a caption that tab was renamed to), unless that tab
// was closed afterwards. The run ends with its account:
//   sync soak: seed S, commands N, texts typed N, reachable on both machines N, lost N,
//   converged: yes|no
// QB_SYNC_SEED runs a seed again; QB_SYNC_SOAK_SECONDS sets how long commands are given.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/sync/two_machines.h"

namespace e2e {
namespace {

std::uint64_t Seed() {
    if (const char* seed = std::getenv("QB_SYNC_SEED"); seed != nullptr && *seed != '\0') {
        return std::strtoull(seed, nullptr, 10);
    }
    return std::random_device{}() % 1000000;
}

int SoakSeconds() {
    const char* seconds = std::getenv("QB_SYNC_SOAK_SECONDS");
    return seconds != nullptr && *seconds != '\0' ? std::atoi(seconds) : 130;
}

// A caption of the text's own, or one the program made from it for a version kept beside
// another ("<caption> (…)").
bool Fits(const std::set<std::wstring>& own, const std::wstring& caption) {
    for (const std::wstring& mine : own) {
        if (caption == mine || caption.rfind(mine + L" (", 0) == 0) {
            return true;
        }
    }
    return false;
}

// What the run did that the end is checked against.
struct Ledger {
    struct Typed {
        std::string text;
        std::set<std::wstring> captions;  // of the tab on screen just before and after typing
        int step;
    };
    struct Closed {
        std::wstring caption;
        int step;
    };
    std::vector<Typed> typed;
    std::multimap<std::wstring, std::wstring> renamed;  // old caption to new
    std::vector<Closed> closed;

    // The captions a text counts as its own: those it was typed under, and every caption those
    // tabs were renamed to, on either machine; a version kept beside another ("<caption> (…)")
    // renamed is the same text under the caption the user gave it.
    std::set<std::wstring> Own(const Typed& text) const {
        std::set<std::wstring> own = text.captions;
        for (bool grew = true; grew;) {
            grew = false;
            for (const auto& [from, to] : renamed) {
                if (Fits(own, from) && own.insert(to).second) {
                    grew = true;
                }
            }
        }
        return own;
    }

    // Whether a tab of the text's own captions was closed after it was typed: the user then
    // closed what held it.
    bool ClosedAfterwards(const Typed& text) const {
        const auto own = Own(text);
        for (const Closed& close : closed) {
            if (close.step > text.step && Fits(own, close.caption)) {
                return true;
            }
        }
        return false;
    }
};

std::string Numbered(const char* prefix, char side, int n) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%c%04d", prefix, side, n);
    return text;
}

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

TEST(SyncSoak, RandomCommandsOnBothMachinesWithTheLinkComingAndGoing) {
    const std::uint64_t seed = Seed();
    std::printf("soak: seed %" PRIu64 " (QB_SYNC_SEED=%" PRIu64 " runs it again)\n", seed, seed);
    std::fflush(stdout);

    TwoMachines pair(L"soak");
    pair.Share("Home\r\nWork\r\n", {{0, "home"}, {1, "work"}});

    std::mt19937_64 random(seed);
    Ledger ledger;
    bool linked = true;
    int commands = 0;
    int names = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(SoakSeconds());
    for (int step = 1; std::chrono::steady_clock::now() < end; ++step) {
        // The same draws at every step, so that a seed gives the same commands again.
        const std::uint64_t toggle = random() % 8;
        const std::uint64_t side = random() % 2;
        const std::uint64_t roll = random() % 100;
        const std::uint64_t argument = random();
        const std::uint64_t think = random() % 400;

        if (toggle == 0) {
            ASSERT_TRUE(linked ? pair.link.Pause() : pair.Resume());
            linked = !linked;
            std::printf("%d: link %s\n", step, linked ? "resumed" : "paused");
        }
        Machine& m = side == 0 ? pair.a : pair.b;
        const char name = m.name()[0];
        ++commands;
        std::string what;
        bool done = false;
        if (roll < 45) {
            const std::string text = Numbered("tok", name, step);
            const std::wstring before = m.CaptionOnScreen();
            // Typed is typed: a text the program did not keep counts as lost, unless the keys
            // never reached the text area (a notice box came up in between and took them, or
            // the window had lost the focus): that is no text of the user's notes.
            done = m.TypeAtTheEnd(L" " + Wide(text));
            const bool reached = done || m.program().Focus() == m.program().memo();
            if (reached) {
                ledger.typed.push_back({text, {before, m.CaptionOnScreen()}, step});
            }
            what = "types " + text + " under [" + Shown(before) + "]" +
                   (reached ? "" : " (the keys did not reach the text area)");
        } else if (roll < 67) {
            const int count = m.program().TabCount();
            const int index = static_cast<int>(argument % static_cast<std::uint64_t>(count));
            done = m.Switch(index);
            what = "switches to tab " + std::to_string(index);
        } else if (roll < 82) {
            const std::string caption = Numbered("new", name, ++names);
            done = m.New(Wide(caption));
            what = "adds [" + caption + "]";
        } else if (roll < 94) {
            const std::wstring before = m.CaptionOnScreen();
            const std::string caption = Numbered("ren", name, ++names);
            done = m.Rename(Wide(caption));
            const auto shown = m.program().Captions();
            if (done || std::find(shown.begin(), shown.end(), Wide(caption)) != shown.end()) {
                ledger.renamed.emplace(before, Wide(caption));
            }
            what = "renames [" + Shown(before) + "] to [" + caption + "]";
        } else if (m.program().TabCount() > 1) {
            const std::wstring before = m.CaptionOnScreen();
            done = m.Close();
            if (done) {
                ledger.closed.push_back({before, step});
            }
            what = "closes [" + Shown(before) + "]";
        } else {
            what = "leaves the last tab open";
            done = true;
        }
        if (!done) {
            what += " (not done; shown:" + m.WindowsShown() + ", focus on " + m.FocusClass() +
                    ", text area: " + Shown(m.program().MemoText().substr(0, 80)) + ")";
        }
        std::printf("%d: %c %s\n", step, name, what.c_str());
        Pause(static_cast<int>(think));
    }
    if (!linked) {
        ASSERT_TRUE(pair.Resume());
    }
    Pause(1500);  // the background saves of the last typing
    // Syncthing tries a file it failed to pull (gone or changed again on the other side before
    // it came) only a minute later: the store is given that long and a half to settle.
    const std::string why = pair.Settle(90);
    const StoreOnDisk onA = pair.a.Store();
    const StoreOnDisk onB = pair.b.Store();
    const bool converged =
        why.empty() && onA == onB && onA.Unreached().empty() && onB.Unreached().empty();

    int reachable = 0;
    int excused = 0;
    std::vector<std::string> lost;
    for (const Ledger::Typed& text : ledger.typed) {
        const auto own = ledger.Own(text);
        const auto fits = [&](const std::wstring& caption) { return Fits(own, caption); };
        if (onA.Holds(text.text, fits) && onB.Holds(text.text, fits)) {
            ++reachable;
        } else if (ledger.ClosedAfterwards(text)) {
            ++excused;
        } else {
            lost.push_back(text.text);
            std::string mine;
            for (const std::wstring& caption : own) {
                mine += " [" + Shown(caption) + "]";
            }
            std::printf("soak: lost %s, its own captions%s; on A in%s; on B in%s\n",
                        text.text.c_str(), mine.c_str(), onA.WhereIs(text.text).c_str(),
                        onB.WhereIs(text.text).c_str());
        }
    }
    std::printf("soak: %d texts on tabs closed afterwards\n", excused);
    if (!converged) {
        const std::string what = !why.empty()    ? why
                                 : !(onA == onB) ? "the stores differ"
                                                 : "files no tab reaches";
        std::printf("soak: not converged: %s\nA:\n%sB:\n%s", what.c_str(), onA.Describe().c_str(),
                    onB.Describe().c_str());
    }
    std::printf(
        "sync soak: seed %" PRIu64
        ", commands %d, texts typed %zu, reachable on both machines %d, lost %zu, converged: %s\n",
        seed, commands, ledger.typed.size(), reachable, lost.size(), converged ? "yes" : "no");
    std::fflush(stdout);
    EXPECT_TRUE(lost.empty()) << lost.size() << " texts lost; seed " << seed;
    EXPECT_TRUE(converged) << "the machines did not converge; seed " << seed;
}

}  // namespace
}  // namespace e2e
