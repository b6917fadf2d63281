// Measures how soon another program's write of the page on screen shows in the program, under
// Wine, next to a tab switch between two pages of the same size in the same program.
//
//   qb_outside_bench.exe <Quillbrasset.exe> <scratch folder> <runs>
//
// The program is started on a two-tab store with two 1 MB pages. A run is a tab switch (Tab
// in the text area: the page left saved, the other one loaded; answered when done), timed, and
// then an outside write: a whole new 1 MB page written beside the page on screen and moved over
// it (as a sync engine writes), timed from the move until the text area shows the new text's
// first line. The two kinds take turns, run by run.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "started_program.h"
#include "store_maker.h"
#include "table.h"

namespace fs = std::filesystem;

namespace qb::bench {
namespace {

constexpr std::size_t kPageSize = 1000000;

// The first characters of the text area.
std::wstring Head(HWND edit) {
    wchar_t head[32] = {};
    SendTimed(edit, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(head));
    return head;
}

// Another program's page: a first line of its own, then the usual lines.
std::string OutsidePage(int run) {
    return "written outside, run " + std::to_string(run) + "\r\n" +
           PageBytes(kPageSize, true, static_cast<unsigned>(run + 7));
}

// Writes the page as a sync engine does: beside it, then moved over it.
void WriteOutside(const fs::path& page, const std::string& bytes) {
    const fs::path temp = page.parent_path() / ".syncthing.Tab.tmp";
    WriteFileBytes(temp, bytes);
    if (!MoveFileExW(temp.wstring().c_str(), page.wstring().c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw std::runtime_error("cannot move the outside page into place");
    }
}

}  // namespace
}  // namespace qb::bench

int wmain(int argc, wchar_t** argv) {
    using namespace qb::bench;
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: qb_outside_bench <Quillbrasset.exe> <scratch folder> <runs>\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const fs::path dir = fs::path(argv[2]) / "outside";
    const int runs = std::max(1, _wtoi(argv[3]));
    try {
        MakeStore(dir, 2, kPageSize, true, true);
        Process p(exe, L"", dir);
        p.WaitShown(L"TForm1");
        Sleep(500);
        SendTimed(p.top(), WM_NULL);
        std::vector<double> switches;
        std::vector<double> outside;
        // The first switch is not counted: it reads the second page for the first time.
        SendTimed(p.edit(), WM_KEYDOWN, VK_TAB, 0);
        SendTimed(p.top(), WM_NULL);
        for (int r = 0; r < runs; ++r) {
            const auto t0 = Clock::now();
            SendTimed(p.edit(), WM_KEYDOWN, VK_TAB, 0);
            const auto t1 = Clock::now();
            SendTimed(p.top(), WM_NULL);
            switches.push_back(Ms(t0, t1));

            HWND tabs = FindWindowExW(p.top(), nullptr, WC_TABCONTROLW, nullptr);
            const int selected = static_cast<int>(SendTimed(tabs, TCM_GETCURSEL));
            const fs::path page = dir / "Strings" / ("Tab" + std::to_string(selected) + ".txt");
            const std::wstring head = L"written outside, run " + std::to_wstring(r);
            const std::string bytes = OutsidePage(r);
            Sleep(300);  // the program's own writes have settled
            const auto written = Clock::now();
            WriteOutside(page, bytes);
            while (Head(p.edit()).rfind(head, 0) != 0) {
                if (Ms(written, Clock::now()) > 20000) {
                    throw std::runtime_error("the outside write did not show in 20 s");
                }
                Sleep(2);
            }
            outside.push_back(Ms(written, Clock::now()));
            Sleep(300);
        }
        std::printf("| outside writes | median | spread (min .. max) | unit |\n");
        std::printf("|---|---|---|---|\n");
        const Stats sw = Summarise(switches);
        const Stats out = Summarise(outside);
        Row("tab switch, two 1 MB pages (in turns with the row below)", sw);
        Row("outside write of the 1 MB page on screen to its new text on screen", out);
        std::printf(
            "\noutside write of a 1 MB page to the new text on screen = %.1f ms, tab switch to "
            "such a page = %.1f ms (target: at most the switch + 100 ms = %.1f ms)\n",
            out.median, sw.median, sw.median + 100);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qb_outside_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
