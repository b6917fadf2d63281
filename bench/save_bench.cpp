// Measures what the program's background saves cost the person typing, under Wine.
//
//   qb_save_bench.exe <Quillbrasset.exe> <QuillbrassetTestHooks.exe> <scratch folder> <runs>
//                     [quick]
//
// Longest pause: the program is started on a one-tab store and left idle; one character is
// typed at the end of the text area (WM_CHAR, answered once the text area has taken it), and
// for the next 2.5 s the driver sends the main window WM_NULL in a tight loop and keeps the
// longest round trip. The save falls 1 s after the change, inside that window; the page file
// on disk must have changed by its end, or the run fails. The same window with no change made
// comes first in each run, as a baseline. Then the same save is timed step by step from a bare
// text area in this process.
//
// With a version: the same save of a 1 MB page in a program just started, whose first save keeps
// the text before it as a version of the page history (written beside the page), a fresh
// program and store each run, in turns with the runs of the page saved without one (whose
// program made one save before the runs, so that its saves keep none).
//
// History: the time from the "История страницы" command to its dialog on the screen with the
// list of a page's 100 versions filled (versions of 100 KB, as another machine's history lists
// them).
//
// Key-to-screen: in a 1 MB page, keys are pressed with SendInput (the window in the
// foreground, the caret at the end of the text, on a line of its own) 100 to 200 ms apart, and each
// is timed until the character's pixels appear on the screen beside the caret. Two programs of the
// test build stand side by side, one with background saves on and one started with
// QB_BACKGROUND_SAVES=0, and take blocks of keys in turns.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "floor_parts.h"
#include "notebook/history.h"
#include "res/resource.h"
#include "save_steps.h"
#include "screen_area.h"
#include "started_program.h"
#include "store_maker.h"
#include "table.h"

namespace fs = std::filesystem;

namespace qb::bench {
namespace {

constexpr double kPingWindowMs = 2500;
// Keys typed into each program in a run, in blocks long enough for the saves made while
// typing goes on (at least every 1.5 s).
constexpr int kKeysPerBlock = 30;
constexpr int kBlocksPerRun = 2;

fs::path PageFile(const fs::path& store) {
    return store / "Strings" / "Tab0.txt";
}

std::string FileBytes(const fs::path& p) {
    std::string bytes;
    if (!ReadWholeFile(p.wstring().c_str(), bytes)) {
        throw std::runtime_error("cannot read " + p.string());
    }
    return bytes;
}

// The size and last write of a file, to see it replaced.
struct FileStamp {
    ULONGLONG size = 0;
    ULONGLONG written = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp Stamp(const fs::path& p) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(p.wstring().c_str(), GetFileExInfoStandard, &data)) {
        throw std::runtime_error("cannot see " + p.string());
    }
    return {(ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
            (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) |
                data.ftLastWriteTime.dwLowDateTime};
}

// The longest round trip of WM_NULL to the window, and when it was sent.
struct RoundTrip {
    double longest = 0;
    double at = 0;  // ms from the start of the window
};

// Sends the window WM_NULL over and over for `windowMs`.
RoundTrip LongestRoundTrip(HWND top, double windowMs) {
    const auto start = Clock::now();
    RoundTrip out;
    auto now = start;
    while (Ms(start, now) < windowMs) {
        const auto sent = now;
        SendTimed(top, WM_NULL);
        now = Clock::now();
        if (Ms(sent, now) > out.longest) {
            out.longest = Ms(sent, now);
            out.at = Ms(start, sent);
        }
    }
    return out;
}

// Lets the program finish what start-up left queued.
void Settle(const Process& p) {
    Sleep(500);
    SendTimed(p.top(), WM_NULL);
}

// The caret at the end of the text.
void CaretToEnd(const Process& p) {
    const auto length = static_cast<WPARAM>(SendTimed(p.edit(), WM_GETTEXTLENGTH));
    SendTimed(p.edit(), EM_SETSEL, length, static_cast<LPARAM>(length));
    SendTimed(p.edit(), EM_SCROLLCARET);
    SendTimed(p.top(), WM_NULL);
}

struct Pauses {
    std::vector<double> baseline;
    std::vector<double> save;
    std::vector<double> saveAt;  // when the longest round trip after the change began
    SIZE area{};                 // the text area's client size
};

// A page the code page cannot hold, as the program stores it: the same lines with an arrow in
// each, in UTF-8 after the byte-order mark. As many characters as the code page's page.
std::string Utf8PageBytes(std::size_t size) {
    std::string lines = PageBytes(size, true, 1);
    std::wstring text(lines.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        MultiByteToWideChar(1251, 0, lines.data(), static_cast<int>(lines.size()), text.data(),
                            static_cast<int>(text.size()))));
    for (std::size_t i = 20; i < text.size(); i += 42) {
        text[i] = L'\x2192';
    }
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return "\xEF\xBB\xBF" + bytes;
}

// One program on a one-tab store whose page has `size` characters, in the code page or (with
// `utf8`) one that needs UTF-8; each run is a window with no change, then one with a change and
// its save.
class PauseCase {
  public:
    // warm: one save is made before the runs, so that the runs' saves keep no version (the
    // first save of a program's run keeps the text before it).
    PauseCase(const std::wstring& exe, const fs::path& store, std::size_t size, bool utf8,
              bool warm = true)
        : store_(store), name_(SizeName(size) + " page" + (utf8 ? " needing UTF-8" : "")) {
        MakeStore(store, 1, size, true);
        if (utf8) {
            WriteFileBytes(PageFile(store), Utf8PageBytes(size));
        }
        process_.emplace(exe, L"", store);
        process_->WaitShown(L"TForm1");
        Settle(*process_);
        CaretToEnd(*process_);
        before_ = FileBytes(PageFile(store));
        RECT client{};
        GetClientRect(process_->edit(), &client);
        pauses_.area = {client.right, client.bottom};
        if (warm) {
            Run();
            pauses_ = Pauses{{}, {}, {}, pauses_.area};
        }
    }

    // The versions the page history holds.
    std::size_t Versions() const {
        std::size_t count = 0;
        const fs::path history = store_ / "History";
        if (fs::is_directory(history)) {
            for (const auto& entry : fs::directory_iterator(history)) {
                const std::wstring name = entry.path().filename().wstring();
                count += name.rfind(L"index-", 0) != 0 && name.rfind(L"closed-", 0) != 0;
            }
        }
        return count;
    }

    void Run() {
        const Process& p = *process_;
        pauses_.baseline.push_back(LongestRoundTrip(p.top(), kPingWindowMs).longest);
        if (FileBytes(PageFile(store_)) != before_) {
            throw std::runtime_error("the page was written with no change made");
        }
        const LRESULT length = SendTimed(p.edit(), WM_GETTEXTLENGTH);
        SendTimed(p.edit(), WM_CHAR, L'x', 1);
        if (SendTimed(p.edit(), WM_GETTEXTLENGTH) != length + 1) {
            throw std::runtime_error("the text area did not take the character");
        }
        const RoundTrip save = LongestRoundTrip(p.top(), kPingWindowMs);
        pauses_.save.push_back(save.longest);
        pauses_.saveAt.push_back(save.at);
        std::string after = FileBytes(PageFile(store_));
        if (after.size() != before_.size() + 1 || after.back() != 'x' ||
            after.compare(0, 3, before_, 0, 3) != 0) {
            throw std::runtime_error("no background save of the " + name_ + " within " +
                                     std::to_string(kPingWindowMs / 1000) +
                                     " s of the change (page file unchanged or in another form)");
        }
        before_ = std::move(after);
    }

    const Pauses& pauses() const { return pauses_; }
    const std::string& name() const { return name_; }

  private:
    fs::path store_;
    std::string name_;
    std::optional<Process> process_;
    std::string before_;
    Pauses pauses_;
};

// A 1 MB page saved with a version, each run in a program just started.
class VersionPauseCase {
  public:
    VersionPauseCase(const std::wstring& exe, const fs::path& store) : exe_(exe), store_(store) {}

    void Run() {
        PauseCase c(exe_, store_, 1000000, false, false);
        c.Run();
        if (c.Versions() != 1) {
            throw std::runtime_error("the first save of the 1 MB page kept no version");
        }
        save_.push_back(c.pauses().save.at(0));
    }

    const std::vector<double>& save() const { return save_; }

  private:
    std::wstring exe_;
    fs::path store_;
    std::vector<double> save_;
};

// A one-tab store whose page has 100 earlier versions of 100 KB, listed by another machine.
void MakeStoreWithHistory(const fs::path& store) {
    MakeStore(store, 1, 100000, true);
    fs::create_directories(store / "History");
    std::vector<notebook::Version> versions;
    const std::string now = FileBytes(PageFile(store));
    for (int i = 0; i < 100; ++i) {
        const std::string text = PageBytes(100000, true, static_cast<unsigned>(10 + i));
        const std::string next =
            i == 99 ? now : PageBytes(100000, true, static_cast<unsigned>(11 + i));
        notebook::Version v;
        v.time = 1'790'000'000'000ull + static_cast<std::uint64_t>(i) * 60'000;
        v.text = store::FingerprintOf(std::string_view(text));
        v.replacedBy = store::FingerprintOf(std::string_view(next));
        v.chars = text.size();
        const std::wstring name = notebook::VersionFileName(L"bench", v.text);
        WriteFileBytes(store / fs::path(name.substr(2)), text);  // without "./"
        versions.push_back(v);
    }
    WriteFileBytes(store / "History" / "index-bench.dat", notebook::EncodeIndex(versions));
}

// From the command to the dialog on the screen with its list filled, each run.
std::vector<double> OpenHistoryTimes(const std::wstring& exe, const fs::path& store, int runs) {
    MakeStoreWithHistory(store);
    Process p(exe, L"", store);
    p.WaitShown(L"TForm1");
    Settle(p);
    std::vector<double> out;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        PostMessageW(p.top(), WM_COMMAND, ID_N15, 0);
        HWND dialog = nullptr;
        HWND list = nullptr;
        while (true) {
            dialog = FindWindowW(L"#32770", L"История страницы");
            list = dialog ? FindWindowExW(dialog, nullptr, L"ListBox", nullptr) : nullptr;
            if (list && IsWindowVisible(dialog) && SendTimed(list, LB_GETCOUNT) == 100) {
                break;
            }
            if (Ms(start, Clock::now()) > 10000) {
                throw std::runtime_error("the page history did not show its 100 versions in 10 s");
            }
            Sleep(1);
        }
        out.push_back(Ms(start, Clock::now()));
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        while (IsWindow(dialog)) {
            Sleep(5);
        }
        Settle(p);
    }
    return out;
}

// The longest pause rows of a case; the median pause with the save.
double PauseRows(const PauseCase& c, const std::string& program = "") {
    const Pauses& p = c.pauses();
    const std::string page = c.name() + program;
    Row("longest pause of the window, no change (baseline), " + page, Summarise(p.baseline));
    const Stats save = Summarise(p.save);
    Row("longest pause of the window, one change and its save, " + page, save);
    Row("(when that longest round trip began, after the change)", Summarise(p.saveAt));
    return save.median;
}

// The same save, step by step, from a bare text area of the program's size and font in this
// process: what the save cannot do without.
std::vector<SaveSteps> SaveFloor(const fs::path& store, SIZE area, int runs) {
    const BareTextArea bare(area);
    const std::wstring page = PageFile(store).wstring();
    const std::string bytes = ReadAll(page);
    const bool utf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    SetText(bare.edit(), utf8 ? bytes.substr(3) : bytes, utf8 ? CP_UTF8 : CP_ACP);
    Pump();
    std::vector<SaveSteps> out;
    for (int r = 0; r < runs; ++r) {
        out.push_back(TimedSave(bare.edit(), page, utf8 ? CP_UTF8 : CP_ACP));
        Pump();
    }
    return out;
}

// The floor of the window's part of a save: the same page's characters copied out of a bare
// text area's own buffer into memory used again from one copy to the next.
std::vector<double> CopyFloor(const fs::path& store, SIZE area, int runs) {
    const BareTextArea bare(area);
    const std::string bytes = ReadAll(PageFile(store).wstring());
    const bool utf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    SetText(bare.edit(), utf8 ? bytes.substr(3) : bytes, utf8 ? CP_UTF8 : CP_ACP);
    Pump();
    std::wstring text;
    std::vector<double> out;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        CopyInPlace(bare.edit(), text);
        out.push_back(Ms(start, Clock::now()));
        Pump();
    }
    return out;
}

void SaveFloorRows(const std::vector<SaveSteps>& runs, const std::string& page) {
    std::vector<double> total, text, convert, write, flush, move;
    for (const auto& s : runs) {
        total.push_back(s.text + s.convert + s.write + s.flush + s.move);
        text.push_back(s.text);
        convert.push_back(s.convert);
        write.push_back(s.write);
        flush.push_back(s.flush);
        move.push_back(s.move);
    }
    Row("raw floor of that save (bare EDIT, same steps), " + page, Summarise(total));
    std::printf(
        "| (its steps, medians: text out %.1f, convert %.1f, write %.1f, flush %.1f, move %.1f) "
        "| | | ms |\n",
        Summarise(text).median, Summarise(convert).median, Summarise(write).median,
        Summarise(flush).median, Summarise(move).median);
    std::fflush(stdout);
}

// Where the caret of the program's text area is, on the screen.
RECT CaretOnScreen(HWND edit) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(edit, nullptr), &info) ||
        info.hwndCaret != edit) {
        throw std::runtime_error("the text area has no caret");
    }
    RECT r = info.rcCaret;
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A little more than a character on either side of the caret, within the text area.
RECT AroundCaret(HWND edit) {
    const RECT caret = CaretOnScreen(edit);
    RECT client{};
    GetClientRect(edit, &client);
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT area{caret.left - 4, caret.top, caret.left + 16, caret.bottom};
    IntersectRect(&area, &area, &client);
    return area;
}

void PressKey(wchar_t c) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = c;
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    if (SendInput(2, in, sizeof(INPUT)) != 2) {
        throw std::runtime_error("SendInput refused the key");
    }
}

// Columns of a character's ink (every key typed draws at least two).
constexpr int kDrawnColumns = 2;

// The time from a key press to its character on the screen.
double KeyToScreen(HWND edit, wchar_t c) {
    const ScreenArea area(AroundCaret(edit));
    const auto before = area.Grab();
    const auto pressed = Clock::now();
    PressKey(c);
    while (area.DrawnColumns(before, area.Grab()) < kDrawnColumns) {
        if (Ms(pressed, Clock::now()) > 10000) {
            throw std::runtime_error("a key did not reach the screen in 10 s");
        }
        // Not a tight loop: on a machine of few cores it would take the time the program and
        // the X server need to draw.
        Sleep(1);
    }
    return Ms(pressed, Clock::now());
}

// A program of the test build on a fresh one-tab store with a 1 MB page, background saves on
// or off, its window at `left` so that two of them stand side by side.
class Typist {
  public:
    Typist(const std::wstring& exe, const fs::path& store, bool savesOn, int left)
        : page_(PageFile(store)), savesOn_(savesOn) {
        MakeStore(store, 1, 1000000, true);
        WriteFileBytes(store / "settings.dat", Settings(0, left));
        std::optional<ScopedVariable> off;
        if (!savesOn) {
            off.emplace(L"QB_BACKGROUND_SAVES", L"0");
        }
        process_.emplace(exe, L"", store);
    }

    bool savesOn() const { return savesOn_; }

    void WaitShown() {
        process_->WaitShown(L"TForm1");
        Settle(*process_);
        stamp_ = Stamp(page_);
    }

    // The window in the foreground, its text area focused, the pointer away from it, and a new
    // line begun at the end of the text (Enter), so that every block types into a line that
    // fits one row: in a 1 MB page, once the line being typed wraps, Wine's edit control takes
    // several times longer for each key, with saves on or off alike, and that would swamp
    // what the saves add.
    void Activate() {
        SetForegroundWindow(process_->top());
        Settle(*process_);
        if (GetForegroundWindow() != process_->top()) {
            throw std::runtime_error("the program's window did not come to the foreground");
        }
        SetCursorPos(0, 0);
        CaretToEnd(*process_);
        const LRESULT length = SendTimed(process_->edit(), WM_GETTEXTLENGTH);
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = VK_RETURN;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        const auto start = Clock::now();
        while (SendTimed(process_->edit(), WM_GETTEXTLENGTH) != length + 2) {
            if (Ms(start, Clock::now()) > 10000) {
                throw std::runtime_error("the text area did not take Enter");
            }
            Sleep(10);
        }
        Settle(*process_);
        length_ = length + 2;
        typed_ = 0;
    }

    // Presses one key an interval; the times until each is on the screen go to `times`.
    void Type(const std::vector<int>& intervals, std::vector<double>& times) {
        static const wchar_t keys[] = L"nmwuhkdb";
        for (int interval : intervals) {
            const auto pressed = Clock::now();
            times.push_back(KeyToScreen(process_->edit(), keys[typed_ % (std::size(keys) - 1)]));
            ++typed_;
            if (const FileStamp now = Stamp(page_); !(now == stamp_)) {
                ++savesWhileTyping_;
                stamp_ = now;
            }
            while (Ms(pressed, Clock::now()) < interval) {
                Sleep(1);
            }
        }
        SendTimed(process_->top(), WM_NULL);
        if (SendTimed(process_->edit(), WM_GETTEXTLENGTH) != length_ + typed_) {
            throw std::runtime_error("the text area did not take every key");
        }
        if (!savesOn_ && savesWhileTyping_ != 0) {
            throw std::runtime_error("the page was saved with background saves off");
        }
    }

    // With saves on, waits for the save that follows the pause in typing, so that it does not
    // fall into the other program's keys.
    void WaitSaved() {
        const auto start = Clock::now();
        while (savesOn_ && SendTimed(process_->edit(), EM_GETMODIFY) != 0) {
            if (Ms(start, Clock::now()) > 10000) {
                throw std::runtime_error("no background save after typing paused");
            }
            Sleep(10);
        }
        stamp_ = Stamp(page_);
    }

    int savesWhileTyping() const { return savesWhileTyping_; }

  private:
    fs::path page_;
    bool savesOn_;
    std::optional<Process> process_;
    LRESULT length_ = 0;
    LRESULT typed_ = 0;
    FileStamp stamp_;
    int savesWhileTyping_ = 0;
};

// Intervals between 100 and 200 ms, the same for every block, so that the keys fall at
// every phase of the save timer.
std::vector<int> KeyIntervals(int keys) {
    std::vector<int> out;
    unsigned x = 12345;
    for (int i = 0; i < keys; ++i) {
        x = x * 1103515245u + 12345u;
        out.push_back(100 + static_cast<int>((x >> 16) % 101));
    }
    return out;
}

void KeyRow(const std::string& what, const std::vector<double>& t) {
    const Stats s = Summarise(t);
    std::printf("| %s | %.1f | %.1f .. %.1f (95th percentile %.1f) | ms |\n", what.c_str(),
                s.median, s.min, s.max, Percentile(t, 0.95));
    std::fflush(stdout);
}

}  // namespace
}  // namespace qb::bench

int wmain(int argc, wchar_t** argv) {
    using namespace qb::bench;
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: qb_save_bench <Quillbrasset.exe> <QuillbrassetTestHooks.exe> "
                     "<scratch folder> <runs> [quick] [against <an earlier Quillbrasset.exe>]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring testExe = argv[2];
    const fs::path scratch = argv[3];
    const int runs = std::max(1, _wtoi(argv[4]));
    std::wstring earlier;
    for (int i = 5; i < argc; ++i) {
        // "quick" changes nothing here: every page size is measured.
        if (std::wstring(argv[i]) == L"against" && i + 1 < argc) {
            earlier = argv[++i];
        }
    }

    try {
        std::printf("| background saves | median | spread (min .. max) | unit |\n");
        std::printf("|---|---|---|---|\n");
        // Every size, also when quick: a save must not hold the window at any of them.
        const std::vector<std::size_t> sizes = {10000, 1000000, 10000000};
        struct Target {
            std::string page;
            double pause = 0;
        };
        std::vector<Target> targets;
        double pause1 = 0;
        double pause1Version = 0;
        for (std::size_t size : sizes) {
            // A page the code page holds and one that needs UTF-8 (and, at 1 MB, the same page
            // in an earlier build of the program, when given), a run of each in turns.
            std::vector<std::unique_ptr<PauseCase>> cases;
            const std::string folder = "saves-" + std::to_string(size);
            cases.push_back(std::make_unique<PauseCase>(exe, scratch / folder, size, false));
            cases.push_back(
                std::make_unique<PauseCase>(exe, scratch / (folder + "-utf8"), size, true));
            if (!earlier.empty() && size == 1000000) {
                cases.push_back(
                    std::make_unique<PauseCase>(earlier, scratch / "saves-earlier", size, false));
            }
            VersionPauseCase withVersion(exe, scratch / "saves-version");
            for (int r = 0; r < runs; ++r) {
                for (auto& c : cases) {
                    c->Run();
                }
                if (size == 1000000) {
                    withVersion.Run();
                }
            }
            for (std::size_t i = 0; i < 2; ++i) {
                const fs::path store = scratch / (folder + (i == 1 ? "-utf8" : ""));
                targets.push_back({cases[i]->name(), PauseRows(*cases[i])});
                Row("raw floor of the copy (bare EDIT, its own buffer read in place), " +
                        cases[i]->name(),
                    Summarise(CopyFloor(store, cases[i]->pauses().area, runs)));
                SaveFloorRows(SaveFloor(store, cases[i]->pauses().area, runs), cases[i]->name());
            }
            if (size == 1000000) {
                pause1 = targets[targets.size() - 2].pause;
                pause1Version = Summarise(withVersion.save()).median;
                Row("longest pause of the window, one change and its save that also writes a "
                    "version, 1 MB page (a program just started)",
                    Summarise(withVersion.save()));
            }
            if (cases.size() > 2) {
                PauseRows(*cases[2], ", the earlier program");
            }
        }

        const Stats open = Summarise(OpenHistoryTimes(exe, scratch / "history", runs));
        Row("\"История страницы\" opened, a page with 100 versions of 100 KB", open);

        // Two programs side by side, saves on in one and off in the other; the keys go to them
        // in blocks, in turns (on first in one run, off first in the next), so that a change of
        // the machine's load falls on both alike.
        const std::vector<int> intervals = KeyIntervals(kKeysPerBlock);
        std::vector<double> on;
        std::vector<double> off;
        int saves = 0;
        for (int r = 0; r < runs; ++r) {
            Typist savesOn(testExe, scratch / "keys-on", true, 60);
            Typist savesOff(testExe, scratch / "keys-off", false, 640);
            savesOn.WaitShown();
            savesOff.WaitShown();
            for (int b = 0; b < 2 * kBlocksPerRun; ++b) {
                Typist& typist = (b + r) % 2 == 0 ? savesOn : savesOff;
                typist.Activate();
                typist.Type(intervals, typist.savesOn() ? on : off);
                typist.WaitSaved();
            }
            if (savesOn.savesWhileTyping() == 0) {
                throw std::runtime_error("no background save while the keys were typed");
            }
            saves += savesOn.savesWhileTyping();
        }
        KeyRow("key to screen, 1 MB page, background saves on (" + std::to_string(saves) +
                   " saves while typing)",
               on);
        KeyRow("key to screen, 1 MB page, background saves off", off);
        std::printf("(%zu keys each: %d blocks of %d keys a run, 100 to 200 ms apart)\n", on.size(),
                    kBlocksPerRun, kKeysPerBlock);

        std::printf("\n");
        for (const Target& t : targets) {
            std::printf(
                "longest pause of a background save, %s = %.1f ms (target: at most 16 ms)\n",
                t.page.c_str(), t.pause);
        }
        std::printf(
            "longest pause of a background save that also writes a version, 1 MB page = %.1f ms "
            "(without one: %.1f ms)\n",
            pause1Version, pause1);
        std::printf("page history of 100 versions opened in %.1f ms\n", open.median);
        std::printf(
            "key to screen, 1 MB page, saves on against off (medians) = %.3f (target: at most "
            "1.05)\n",
            Summarise(on).median / Summarise(off).median);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qb_save_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
