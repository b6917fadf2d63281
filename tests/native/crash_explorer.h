// The crash explorer's machinery: a program on a disk in memory runs a sequence of commands (each
// a named step the user takes: a close, New, typing, a search ...), the power is cut after each
// step of the file layer in every way the disk allows (memory_file_system.h), and the next start
// runs on what survives, is itself cut after each of its steps, and that start is cut again.
// Each start is judged against what the run had written by the cut:
//
// - every tab shows its own page: its last save before the cut or a later one; where the disk
//   makes no promise for a move written through (Ordering::Lazy), its one-before-last save,
//   whole, counted as an older save;
// - no page is shown under another tab's caption;
// - the tab list is the one on the disk at the cut or a later one the run wrote (or the one a
//   close was asked to leave), and where the disk makes no promise, the one before it;
// - nothing is left half done, and the start reports nothing.
//
// A new command is a Command: a name and what it does to a Program; the pages it writes are
// recorded as the view reports them written, and the tab lists off the disk after each step.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "notebook/notebook.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test::explorer {

using store::Utf16;

const store::Encodings& Encodings();

// A page's text for a tab, and version: unique to both, so that a page under another tab's
// caption, or an older one, is seen at once. The pages of tabs whose caption begins with "C" are
// long (over two sectors); those beginning with "D" hold a character the code page lacks, and
// are stored as UTF-8.
Utf16 PageOf(const Utf16& caption, int version);
// A text's bytes as the program stores a new file of it.
std::string Bytes(const Utf16& text);

// A store as the program leaves it: the tab list, the settings, each page but those never
// saved.
Disk MakeDisk(const std::vector<Utf16>& captions, int selected, std::vector<int> neverSaved = {});

// The name a tab's page is known by: its caption, and where captions repeat (two About pages),
// which of them it is.
Utf16 Key(const std::vector<Utf16>& captions, int index);

// What the run wrote, page by page: each version of each page, and the step after which it
// was on the disk.
class Written {
  public:
    Utf16 Identity(const Utf16& caption) const;
    // A tab renamed: its pages are those of the same page.
    void Renamed(const Utf16& from, const Utf16& to) { sameAs_[to] = Identity(from); }
    void Record(std::size_t step, const Utf16& caption, const Utf16& text);
    // The version a page must at least have after a cut at the step: its index, or -1.
    int Required(const Utf16& caption, std::size_t step) const;
    int VersionOf(const Utf16& caption, const Utf16& text) const;
    const Utf16& Text(const Utf16& caption, int version) const;
    bool BelongsElsewhere(const Utf16& caption, const Utf16& text) const;

    // Tab lists a close was asked to leave (one cut short is finished by the next start).
    std::vector<std::vector<Utf16>> intended;

  private:
    struct Version {
        Utf16 text;
        std::size_t step;
    };
    std::map<Utf16, Utf16> sameAs_;
    std::map<Utf16, std::vector<Version>> versions_;
};

// A program on a file system: its notebook, the window it shows itself in, and a clock.
struct Program {
    Program(MemoryFileSystem& files, Written* written);
    MemoryFileSystem& files;
    Written* written;
    FakeView view;
    std::uint64_t now = 10000;
    notebook::Notebook notebook;
    int versions = 0;  // the texts typed so far

    // A new text for the tab, never typed before.
    Utf16 NextText(int index) { return PageOf(view.TabCaption(index), ++versions); }
    // Another program writes a whole file (as a sync engine does): the text of the page it
    // belongs to, under the caption given, is on the disk from then on.
    void Outside(const std::wstring& name, const Utf16& text, const Utf16& caption);
    // The user types into the page on screen, and the background save falls due.
    void TypeAndWait(const Utf16& text);
    // A click on another tab, with the handlers around it.
    void Switch(int index);
    // A close, with the list it is to leave.
    void Close(int index);
    void Rename(int index, const Utf16& caption);
};

struct Command {
    std::string name;
    std::function<void(Program&)> run;
};

struct Scenario {
    Scenario(std::string n, Disk d, std::vector<Command> c)
        : name(std::move(n)), disk(std::move(d)), commands(std::move(c)) {}
    std::string name;
    Disk disk;
    std::vector<Command> commands;
    bool firstRun = false;  // the first command is the first start itself
    // Faults for the command of that index (cleared after it); the run may then show errors.
    std::function<void(MemoryFileSystem&, std::size_t command)> faults;
    // The cuts of the commands: every state of every step (0), or that many states of each step,
    // chosen by the explorer's sampler, for the largest spaces.
    std::size_t sample = 0;
    // The tab list the commands end with, when they cannot fail.
    std::optional<std::vector<Utf16>> after;
};

// Runs the scenario, cuts it after each of its steps, and judges every start.
void Explore(const Scenario& s, Ordering ordering = Ordering::Journaled);

}  // namespace qb::test::explorer
