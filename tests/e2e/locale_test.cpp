// The Russian interface on a Western system: the program started under another locale (code
// page 1252) draws its own Russian texts pixel for pixel as under the Russian one (code page
// 1251), while the user's text follows the system's code page.
//
// Wine takes a process's code page from the Unix locale it was started in, and the programs it
// starts keep it, so one run sees one code page. locale_check.sh runs this test twice: under
// code page 1251 it records what the screen shows in the file QB_PIXEL_REFERENCE names, under
// code page 1252 it compares the screen with that record.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/driver.h"

namespace e2e {
namespace {

// The screen's pixels in a rectangle, row by row.
std::vector<COLORREF> ScreenPixels(const RECT& r) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(GetPixel(memory, x, y));
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Pixels that are not the background: the text drawn.
int Drawn(const std::vector<COLORREF>& pixels) {
    int n = 0;
    for (COLORREF c : pixels) {
        n += c != GetSysColor(COLOR_BTNFACE) ? 1 : 0;
    }
    return n;
}

RECT ScreenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

struct Seen {
    std::wstring page;
    std::vector<COLORREF> caption;     // the window's caption bar
    std::vector<COLORREF> exitButton;  // the toolbar's "Выход" cell
    std::vector<COLORREF> promptLabel;  // the New prompt's "Введите имя для новой вкладки:"
};

Seen StartAndLook() {
    ScratchDir dir;
    WriteStore(dir, SettingsBytes(100, 100, 255, 433, 202, 0), "Main\r\n", {{0, "caf\xE9"}});
    Program program(dir);
    Seen seen;
    seen.page = program.MemoText();
    SetCursorPos(0, 0);  // nothing hot
    program.Idle(300);
    RECT frame = ScreenRect(program.form());
    POINT client{0, 0};
    ClientToScreen(program.form(), &client);
    seen.caption = ScreenPixels(RECT{frame.left, frame.top, frame.right, client.y});
    // The toolbar from the separator's end to the slider: Exit's glyph and caption.
    POINT from{1 + 4 * 25 + 13, 0};
    ClientToScreen(program.toolbar(), &from);
    RECT slider = ScreenRect(program.trackbar());
    RECT bar = ScreenRect(program.toolbar());
    seen.exitButton = ScreenPixels(RECT{from.x, bar.top, slider.left, bar.bottom});

    PostMessageW(program.form(), WM_COMMAND, ID_ACTION_NEW, 0);
    HWND prompt = program.FindOwnWindow(nullptr, L"Новая вкладка");
    if (prompt != nullptr) {
        program.Idle(300);
        seen.promptLabel = ScreenPixels(ScreenRect(GetDlgItem(prompt, 100)));
        PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
        program.Idle();
    }
    return seen;
}

std::vector<COLORREF> Read(std::ifstream& in) {
    std::size_t n = 0;
    in.read(reinterpret_cast<char*>(&n), sizeof n);
    std::vector<COLORREF> pixels(in ? n : 0);
    in.read(reinterpret_cast<char*>(pixels.data()),
            static_cast<std::streamsize>(pixels.size() * sizeof(COLORREF)));
    return pixels;
}

void Write(std::ofstream& out, const std::vector<COLORREF>& pixels) {
    const std::size_t n = pixels.size();
    out.write(reinterpret_cast<const char*>(&n), sizeof n);
    out.write(reinterpret_cast<const char*>(pixels.data()),
              static_cast<std::streamsize>(n * sizeof(COLORREF)));
}

TEST(Locale, ProgramTextsDrawAsOnARussianSystemAndUserTextFollowsTheCodePage) {
    const char* reference = std::getenv("QB_PIXEL_REFERENCE");
    if (reference == nullptr) {
        GTEST_SKIP() << "run by locale_check.sh, once for each code page";
    }
    const Seen seen = StartAndLook();
    ASSERT_FALSE(seen.caption.empty());
    ASSERT_FALSE(seen.exitButton.empty());
    EXPECT_GT(Drawn(seen.exitButton), 40) << "the glyph and the caption are drawn";
    ASSERT_FALSE(seen.promptLabel.empty()) << "the prompt opened";
    EXPECT_GT(Drawn(seen.promptLabel), 100);

    if (GetACP() == 1251) {
        EXPECT_EQ(seen.page, L"caf\x0439") << "code page 1251: the byte E9 is a Cyrillic letter";
        std::ofstream out(reference, std::ios::binary | std::ios::trunc);
        Write(out, seen.caption);
        Write(out, seen.exitButton);
        Write(out, seen.promptLabel);
        ASSERT_TRUE(out.good()) << "the record is written";
        return;
    }
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(seen.page, L"caf\x00E9") << "code page 1252: the user's own accented letter";
    std::ifstream in(reference, std::ios::binary);
    ASSERT_TRUE(in.good()) << "the record made under code page 1251";
    const auto caption = Read(in);
    const auto exitButton = Read(in);
    const auto promptLabel = Read(in);
    EXPECT_TRUE(seen.caption == caption) << "the caption as on a Russian system";
    EXPECT_TRUE(seen.exitButton == exitButton) << "\"Выход\" as on a Russian system";
    EXPECT_TRUE(seen.promptLabel == promptLabel) << "the prompt reads as on a Russian system";
}

}  // namespace
}  // namespace e2e
