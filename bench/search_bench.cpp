// Measures a search that finds nothing through a thousand pages, under Wine, next to the raw
// floor of reading and decoding those files.
//
//   qb_search_bench.exe <Quillbrasset.exe> <scratch folder> <runs>
//
// The store has 1,000 tabs, each with a page of 10 KB (40-character lines); the first is on
// screen. The text is given once through the prompt; each run is then F3's command (find the
// same text again), timed from the command until the program's notice that nothing was found
// is on the screen. The floor, in this process: each page file read whole and converted from
// the ANSI code page to UTF-16, nothing else.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "floor_parts.h"
#include "res/resource.h"
#include "started_program.h"
#include "store_maker.h"
#include "table.h"

namespace fs = std::filesystem;

namespace qb::bench {
namespace {

constexpr int kPages = 1000;
constexpr std::size_t kPageSize = 10000;
constexpr wchar_t kAbsent[] = L"nowhere-to-be-found";

void MakePages(const fs::path& dir) {
    MakeStore(dir, kPages, kPageSize, true);
    for (int i = 1; i < kPages; ++i) {
        WriteFileBytes(dir / "Strings" / ("Tab" + std::to_string(i) + ".txt"),
                       PageBytes(kPageSize, true, static_cast<unsigned>(i + 11)));
    }
}

// A top-level window of the process with this caption, once it is shown.
HWND WaitForBox(DWORD process, const wchar_t* caption, double timeoutMs) {
    const auto start = Clock::now();
    while (Ms(start, Clock::now()) < timeoutMs) {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"#32770", caption)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            if (owner == process && IsWindowVisible(found)) {
                return found;
            }
        }
        Sleep(1);
    }
    throw std::runtime_error("no window came");
}

std::vector<double> ReadAndDecodeFloor(const fs::path& dir, int runs) {
    std::vector<double> out;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        std::size_t chars = 0;
        for (int i = 0; i < kPages; ++i) {
            const std::string bytes =
                ReadAll((dir / "Strings" / ("Tab" + std::to_string(i) + ".txt")).wstring());
            std::wstring text(bytes.size(), L'\0');
            chars += static_cast<std::size_t>(
                MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    text.data(), static_cast<int>(text.size())));
        }
        out.push_back(Ms(t0, Clock::now()));
        if (chars == 0) {
            throw std::runtime_error("the floor read nothing");
        }
    }
    return out;
}

}  // namespace
}  // namespace qb::bench

int wmain(int argc, wchar_t** argv) {
    using namespace qb::bench;
    if (argc < 4) {
        std::fprintf(stderr, "usage: qb_search_bench <Quillbrasset.exe> <scratch folder> <runs>\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const fs::path dir = fs::path(argv[2]) / "search";
    const int runs = std::max(1, _wtoi(argv[3]));
    try {
        MakePages(dir);
        std::vector<double> searches;
        {
            Process p(exe, L"", dir);
            p.WaitShown(L"TForm1");
            Sleep(500);
            // The text, once, through the prompt.
            PostMessageW(p.top(), WM_COMMAND, ID_ACTION_FIND, 0);
            HWND prompt = WaitForBox(p.id(), L"Найти", 10000);
            Sleep(200);
            SendMessageW(FindWindowExW(prompt, nullptr, L"EDIT", nullptr), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(kAbsent));
            PostMessageW(prompt, WM_COMMAND, IDOK, 0);
            PostMessageW(WaitForBox(p.id(), L"Quillbrasset 1.5", 60000), WM_COMMAND, IDOK, 0);
            Sleep(300);
            for (int r = 0; r < runs; ++r) {
                const auto t0 = Clock::now();
                PostMessageW(p.top(), WM_COMMAND, ID_ACTION_FIND_NEXT, 0);
                HWND notice = WaitForBox(p.id(), L"Quillbrasset 1.5", 60000);
                searches.push_back(Ms(t0, Clock::now()));
                PostMessageW(notice, WM_COMMAND, IDOK, 0);
                Sleep(300);
            }
        }
        const Stats search = Summarise(searches);
        const Stats floor = Summarise(ReadAndDecodeFloor(dir, runs));
        std::printf("| search | median | spread (min .. max) | unit |\n|---|---|---|---|\n");
        Row("search with no match through 1,000 pages of 10 KB, to the notice on screen", search);
        Row("raw floor: the same 1,000 files read and decoded", floor);
        std::printf(
            "\nsearch with no match through 1,000 pages of 10 KB = %.1f ms (target: at most 300 "
            "ms; reading and decoding them alone %.1f ms)\n",
            search.median, floor.median);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qb_search_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
