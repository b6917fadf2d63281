// Measures the program side by side with Wine's Notepad and with raw floors, under Wine.
//
//   qb_bench.exe <Quillbrasset.exe> <scratch folder> <runs> [quick]
//
// Every case runs several times; the table gives the median and the spread (min..max) in
// milliseconds. Start-up is timed from CreateProcess to the moment the program's window is
// visible with its page in the text area and its thread back in the message loop; Notepad is
// timed the same way on the same page file. The program is ended by TerminateProcess so the
// store stays as generated.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "floor_parts.h"
#include "save_steps.h"
#include "started_program.h"
#include "store_maker.h"
#include "table.h"

namespace fs = std::filesystem;

namespace qb::bench {
namespace {

// The bare start-up floor, built beside this driver.
std::wstring FloorPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"qb_floor.exe";
}

std::wstring NotepadPath() {
    wchar_t dir[MAX_PATH] = {};
    GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\notepad.exe";
}

// ---- raw floors ----------------------------------------------------------------------------

// The least a switch between two pages can cost: the shown text written back through a
// temporary file, the other page read and set into a bare word-wrapped edit control of the
// program's size and font.
std::vector<double> SwitchFloor(const fs::path& dir, SIZE memo, int runs) {
    const BareTextArea area(memo);
    const HWND edit = area.edit();
    const std::wstring page[2] = {(dir / "Strings" / "Tab0.txt").wstring(),
                                  (dir / "Strings" / "Tab1.txt").wstring()};
    SetAnsi(edit, ReadAll(page[0]));
    Pump();
    std::vector<double> times;
    int shown = 0;
    for (int i = 0; i < runs + 1; ++i) {
        const auto t0 = Clock::now();
        ReplaceAll(page[shown], GetAnsi(edit));
        shown = 1 - shown;
        SetAnsi(edit, ReadAll(page[shown]));
        const auto t1 = Clock::now();
        Pump();
        if (i > 0) {
            times.push_back(Ms(t0, t1));
        }
    }
    return times;
}

// Inserting the captions into a bare tab strip of the program's size, style and font.
double TabStripFloor(int tabs, SIZE strip) {
    // The window goes before the font its strip uses, and before the next case is measured.
    const win::UniqueFont font = CreateProgramFont();
    const UniqueWindow top = PlainWindow(strip.cx, strip.cy);
    HWND tab = CreateWindowExW(0, WC_TABCONTROLW, L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                   TCS_MULTILINE | TCS_TABS | TCS_FOCUSNEVER,
                               0, 0, strip.cx, strip.cy, top.get(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tab, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    Pump();
    const auto t0 = Clock::now();
    for (int i = 0; i < tabs; ++i) {
        std::wstring caption = Caption(i);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    const auto t1 = Clock::now();
    Pump();
    return Ms(t0, t1);
}

}  // namespace
}  // namespace qb::bench

int wmain(int argc, wchar_t** argv) {
    using namespace qb::bench;
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: qb_bench <Quillbrasset.exe> <scratch folder> <runs> [quick]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const fs::path scratch = argv[2];
    const int runs = std::max(1, _wtoi(argv[3]));
    const bool quick = argc > 4 && std::wstring(argv[4]) == L"quick";
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);

    try {
        std::printf("| case | median | spread (min .. max) | unit |\n|---|---|---|---|\n");
        std::map<std::string, Stats> results;
        SIZE memo{417, 121};
        SIZE strip{425, 149};

        const std::vector<int> tabCounts =
            quick ? std::vector<int>{1, 1000} : std::vector<int>{1, 100, 1000};
        const std::vector<std::size_t> sizes =
            quick ? std::vector<std::size_t>{10000, 1000000}
                  : std::vector<std::size_t>{10000, 1000000, 10000000};
        std::vector<double> oneTab;
        std::vector<double> floorFont;
        std::vector<double> floorSystem;
        std::vector<double> stripInserts;
        double privateMb = -1;
        double notepadMb = -1;

        // Start-up of the program over the store matrix. With one tab, Wine's Notepad opens the
        // same page file in turns with the program, so that load on the machine falls on both.
        for (int tabs : tabCounts) {
            for (std::size_t size : sizes) {
                for (bool crlf : {true, false}) {
                    const fs::path dir = scratch / "store";
                    MakeStore(dir, tabs, size, crlf);
                    const std::wstring file = (dir / "Strings" / "Tab0.txt").wstring();
                    std::vector<double> t;
                    std::vector<double> n;
                    // For the thousand tabs: start-up with one tab and a thousand captions into
                    // a bare strip, in turns with it.
                    const bool parts = tabs == 1000 && size == 10000 && crlf;
                    if (parts) {
                        MakeStore(scratch / "one", 1, size, crlf);
                    }
                    for (int r = 0; r < runs; ++r) {
                        if (parts) {
                            const auto t0 = Clock::now();
                            {
                                Process p(exe, L"", scratch / "one");
                                p.WaitShown(L"TForm1");
                                oneTab.push_back(Ms(t0, Clock::now()));
                            }
                            stripInserts.push_back(TabStripFloor(1000, strip));
                        }
                        {
                            const auto t0 = Clock::now();
                            Process p(exe, L"", dir);
                            p.WaitShown(L"TForm1");
                            t.push_back(Ms(t0, Clock::now()));
                            if (tabs == 1 && size == 1000000 && crlf) {
                                privateMb = p.PrivateMb();
                                RECT r1{}, r2{};
                                GetClientRect(p.edit(), &r1);
                                GetClientRect(GetParent(p.edit()), &r2);
                                memo = {r1.right, r1.bottom};
                                strip = {r2.right, r2.bottom};
                            }
                        }
                        if (tabs == 1 && size == 1000000 && crlf) {
                            // The bare floor, with the program's font and with the system's.
                            const std::wstring area =
                                std::to_wstring(memo.cx) + L" " + std::to_wstring(memo.cy);
                            for (auto* times : {&floorFont, &floorSystem}) {
                                const auto t0 = Clock::now();
                                Process p(FloorPath(),
                                          area + (times == &floorSystem ? L" system" : L""), dir);
                                p.WaitShown(L"QbFloor");
                                times->push_back(Ms(t0, Clock::now()));
                            }
                        }
                        if (tabs == 1) {
                            const auto t0 = Clock::now();
                            Process p(NotepadPath(), L"\"" + file + L"\"", dir);
                            p.WaitShown(L"Notepad");
                            n.push_back(Ms(t0, Clock::now()));
                            if (size == 1000000 && crlf) {
                                notepadMb = p.PrivateMb();
                            }
                        }
                    }
                    const std::string page = SizeName(size) + " page, " + (crlf ? "CR LF" : "LF");
                    const std::string name =
                        "start-up, " + std::to_string(tabs) + " tab(s), " + page;
                    results[name] = Summarise(t);
                    Row(name, results[name]);
                    if (tabs == 1 && size == 1000000 && crlf) {
                        results["floor font"] = Summarise(floorFont);
                        Row("floor: bare program, same page, program's font",
                            results["floor font"]);
                        results["floor system"] = Summarise(floorSystem);
                        Row("floor: bare program, same page, system font", results["floor system"]);
                    }
                    if (tabs == 1) {
                        const std::string np = "Notepad opens the " + page;
                        results[np] = Summarise(n);
                        Row(np, results[np]);
                    }
                }
            }
        }

        // Tab switches between two large pages (save of the one left, load of the other).
        for (std::size_t size : sizes) {
            if (size < 1000000) {
                continue;
            }
            const fs::path dir = scratch / "switch";
            MakeStore(dir, 2, size, true, true);
            std::vector<double> t;
            {
                Process p(exe, L"", dir);
                p.WaitShown(L"TForm1");
                // Tab in the text area: save, select the next tab, load; answered when done.
                for (int r = 0; r < runs + 1; ++r) {
                    const auto t0 = Clock::now();
                    SendTimed(p.edit(), WM_KEYDOWN, VK_TAB, 0);
                    const auto t1 = Clock::now();
                    SendTimed(p.top(), WM_NULL);
                    if (r > 0) {
                        t.push_back(Ms(t0, t1));
                    }
                }
            }
            const std::string name = "tab switch, two " + SizeName(size) + " pages";
            results[name] = Summarise(t);
            Row(name, results[name]);
            MakeStore(dir, 2, size, true, true);
            const std::string floor = "raw floor of that switch (file work, bare EDIT)";
            results[floor + SizeName(size)] = Summarise(SwitchFloor(dir, memo, runs));
            Row(floor + ", " + SizeName(size), results[floor + SizeName(size)]);
        }

        results["one"] = Summarise(oneTab);
        Row("start-up, 1 tab, 10 KB page, CR LF (in turns with the next two)", results["one"]);
        results["strip"] = Summarise(stripInserts);
        Row("raw: 1,000 captions into a bare tab strip", results["strip"]);
        Row("start-up, 1000 tab(s), 10 KB page, CR LF (again, for the ratio)",
            results["start-up, 1000 tab(s), 10 KB page, CR LF"]);

        std::printf("| (text area %ldx%ld, tab strip %ldx%ld pixels) | | | |\n", memo.cx, memo.cy,
                    strip.cx, strip.cy);
        std::printf("| private memory after start-up (1 tab, 1 MB page) | %.1f | | MB |\n",
                    privateMb);
        std::printf("| Notepad's private memory, same page | %.1f | | MB |\n", notepadMb);

        // The figures the targets are set on, from the medians above.
        const double start1 = results["start-up, 1 tab(s), 1 MB page, CR LF"].median;
        const double notepad1 = results["Notepad opens the 1 MB page, CR LF"].median;
        const double switch1 = results["tab switch, two 1 MB pages"].median;
        const double floor1 = results["raw floor of that switch (file work, bare EDIT)1 MB"].median;
        const double start1000 = results["start-up, 1000 tab(s), 10 KB page, CR LF"].median;
        const double start1k = results["one"].median;
        const double strip1000 = results["strip"].median;
        std::printf("\nstart-up, 1 MB page, against Notepad = %.3f (target: at most 0.9)\n",
                    start1 / notepad1);
        std::printf(
            "  floor with the program's font / Notepad = %.3f; with the system font = %.3f\n",
            results["floor font"].median / notepad1, results["floor system"].median / notepad1);
        std::printf(
            "tab switch, two 1 MB pages, against its raw floor = %.3f (target: at most 1.3)\n",
            switch1 / floor1);
        std::printf(
            "start-up, 1,000 tabs, against 1 tab plus 1,000 bare inserts = %.3f (target: at most "
            "1.2)\n",
            start1000 / (start1k + strip1000));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qb_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
