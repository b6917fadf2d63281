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
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "floor_parts.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Stats {
    double median = 0, min = 0, max = 0;
};

Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    Stats s;
    if (v.empty()) {
        return s;
    }
    const std::size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.min = v.front();
    s.max = v.back();
    return s;
}

// ---- store generation ----------------------------------------------------------------------

// Lines of 40 characters (Latin, digits and Cyrillic in code page 1251), then a line break.
std::string PageBytes(std::size_t size, bool crlf, unsigned seed) {
    static const char alphabet[] =
        "abcdefghijklmnopqrstuvwxyz0123456789 .,"
        "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
        "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF";
    const std::size_t letters = sizeof alphabet - 1;
    std::string out;
    out.reserve(size + 64);
    unsigned x = seed * 2654435761u + 1;
    while (out.size() < size) {
        for (int i = 0; i < 40; ++i) {
            x = x * 1103515245u + 12345u;
            out += alphabet[(x >> 16) % letters];
        }
        out += crlf ? "\r\n" : "\n";
    }
    out.resize(size);
    return out;
}

void WriteFileBytes(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + p.string());
    }
}

std::string Settings(int tabIndex) {
    std::string bytes;
    for (int v : {60, 60, 255, 433, 202, tabIndex}) {
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

std::wstring Caption(int i) {
    return L"Заметки " + std::to_wstring(i + 1);
}

std::string AnsiCaption(int i) {
    return "\xC7\xE0\xEC\xE5\xF2\xEA\xE8 " + std::to_string(i + 1);
}

// A store of `tabs` tabs whose selected (first) page has `size` bytes; the other pages are
// small, as start-up reads only the selected one. A second large page when `second` is set.
void MakeStore(const fs::path& dir, int tabs, std::size_t size, bool crlf, bool second = false) {
    fs::remove_all(dir);
    fs::create_directories(dir / "Strings");
    std::string list;
    for (int i = 0; i < tabs; ++i) {
        list += AnsiCaption(i) + "\r\n";
    }
    WriteFileBytes(dir / "Strings" / "Tabs.txt", list);
    WriteFileBytes(dir / "Strings" / "Tab0.txt", PageBytes(size, crlf, 1));
    for (int i = 1; i < tabs; ++i) {
        // The second page differs and is one line shorter, as two real pages would be.
        WriteFileBytes(dir / "Strings" / ("Tab" + std::to_string(i) + ".txt"),
                       i == 1 && second ? PageBytes(size - 42, crlf, 2) : PageBytes(512, crlf, 3));
    }
    WriteFileBytes(dir / "settings.dat", Settings(0));
}

// ---- driving a process ---------------------------------------------------------------------

BOOL CALLBACK FindEdit(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, L"EDIT") == 0) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

LRESULT SendTimed(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, 60000, &result)) {
        throw std::runtime_error("a window did not answer");
    }
    return static_cast<LRESULT>(result);
}

class Process {
  public:
    Process(const std::wstring& exe, const std::wstring& args, const fs::path& cwd) {
        std::wstring line = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        const std::wstring dir = cwd.wstring();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                            &si, &pi_)) {
            throw std::runtime_error("cannot start a program");
        }
    }
    ~Process() {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 10000);
        }
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Waits until a visible top-level window of the class shows a non-empty text area, then
    // until the thread is back in its message loop.
    void WaitShown(const wchar_t* cls) {
        const auto deadline = Clock::now() + std::chrono::seconds(120);
        while (Clock::now() < deadline) {
            HWND top = nullptr;
            while ((top = FindWindowExW(nullptr, top, cls, nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(top, &pid);
                if (pid == pi_.dwProcessId && IsWindowVisible(top)) {
                    break;
                }
            }
            if (top != nullptr) {
                HWND edit = nullptr;
                EnumChildWindows(top, FindEdit, reinterpret_cast<LPARAM>(&edit));
                if (edit != nullptr && SendTimed(edit, WM_GETTEXTLENGTH) > 0) {
                    SendTimed(top, WM_NULL);
                    top_ = top;
                    edit_ = edit;
                    return;
                }
            }
            if (WaitForSingleObject(pi_.hProcess, 2) != WAIT_TIMEOUT) {
                throw std::runtime_error("a program ended before it showed its window");
            }
        }
        throw std::runtime_error("a program did not show its window in time");
    }

    HWND top() const { return top_; }
    HWND edit() const { return edit_; }

    // Committed private memory (what Windows calls private bytes), summed over the process's
    // address space; Wine's process memory counters leave it at zero.
    double PrivateMb() const {
        std::size_t total = 0;
        MEMORY_BASIC_INFORMATION info{};
        const char* at = nullptr;
        while (VirtualQueryEx(pi_.hProcess, at, &info, sizeof info) == sizeof info) {
            if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
                total += info.RegionSize;
            }
            const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
            if (next <= at) {
                break;
            }
            at = next;
        }
        return static_cast<double>(total) / (1024.0 * 1024.0);
    }

  private:
    PROCESS_INFORMATION pi_{};
    HWND top_ = nullptr;
    HWND edit_ = nullptr;
};

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

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

HWND PlainWindow(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QbBenchFloor";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassW(&wc);
        registered = true;
    }
    HWND w = CreateWindowExW(0, L"QbBenchFloor", L"floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700,
                             60, width + 40, height + 80, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    return w;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    if (!qb::bench::ReadWholeFile(path.c_str(), bytes)) {
        throw std::runtime_error("floor: cannot open");
    }
    return bytes;
}

void ReplaceAll(const std::wstring& path, const std::string& bytes) {
    const std::wstring temp = path + L".saving";
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("floor: cannot create");
    }
    DWORD put = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    FlushFileBuffers(f);
    CloseHandle(f);
    MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void SetAnsi(HWND edit, const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n));
    SetWindowTextW(edit, text.c_str());
}

std::string GetAnsi(HWND edit) {
    const int len = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), len + 1)));
    std::string bytes(text.size() * 2, '\0');
    const int n =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
}

// The least a switch between two pages can cost: the shown text written back through a
// temporary file, the other page read and set into a bare word-wrapped edit control of the
// program's size and font.
std::vector<double> SwitchFloor(const fs::path& dir, SIZE memo, int runs) {
    HWND top = PlainWindow(memo.cx, memo.cy);
    HFONT font = qb::bench::CreateProgramFont();
    HWND edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                            ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                        4, 4, memo.cx, memo.cy, top, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
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
    DestroyWindow(top);
    DeleteObject(font);
    return times;
}

// Inserting the captions into a bare tab strip of the program's size, style and font.
double TabStripFloor(int tabs, SIZE strip) {
    HWND top = PlainWindow(strip.cx, strip.cy);
    HFONT font = qb::bench::CreateProgramFont();
    HWND tab =
        CreateWindowExW(0, WC_TABCONTROLW, L"",
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_MULTILINE |
                            TCS_TABS | TCS_FOCUSNEVER,
                        0, 0, strip.cx, strip.cy, top, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tab, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
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
    DestroyWindow(top);
    DeleteObject(font);
    return Ms(t0, t1);
}

// ---- the table -----------------------------------------------------------------------------

void Row(const std::string& what, const Stats& s, const char* unit = "ms") {
    std::printf("| %s | %.1f | %.1f .. %.1f | %s |\n", what.c_str(), s.median, s.min, s.max, unit);
    std::fflush(stdout);
}

std::string SizeName(std::size_t size) {
    return size >= 1000000 ? std::to_string(size / 1000000) + " MB"
                           : std::to_string(size / 1000) + " KB";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
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

        // The goals, from the medians above.
        const double start1 = results["start-up, 1 tab(s), 1 MB page, CR LF"].median;
        const double notepad1 = results["Notepad opens the 1 MB page, CR LF"].median;
        const double switch1 = results["tab switch, two 1 MB pages"].median;
        const double floor1 = results["raw floor of that switch (file work, bare EDIT)1 MB"].median;
        const double start1000 = results["start-up, 1000 tab(s), 10 KB page, CR LF"].median;
        const double start1k = results["one"].median;
        const double strip1000 = results["strip"].median;
        std::printf("\nGOAL 1 start-up 1 MB / Notepad 1 MB = %.3f (at most 0.9)\n",
                    start1 / notepad1);
        std::printf(
            "  floor with the program's font / Notepad = %.3f; with the system font = %.3f\n",
            results["floor font"].median / notepad1, results["floor system"].median / notepad1);
        std::printf("GOAL 2 switch 1 MB / raw floor = %.3f (at most 1.3)\n", switch1 / floor1);
        std::printf(
            "GOAL 3 start-up 1,000 tabs / (start-up 1 tab + 1,000 bare inserts) = %.3f (at most "
            "1.2)\n",
            start1000 / (start1k + strip1000));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qb_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
