// Start-up and shutdown of the real program: the first run, restoring a store, and writing it
// back when the program is closed.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

const std::wstring kAbout = L"О программе";

// The program's readme as the text area shows it (CR LF lines, up to the first NUL).
std::wstring ReadmeAsText() {
    return FromAnsi(ReadmeBytes());
}

TEST(FirstRun, WithReadmeOpensTheAboutPageAndSavesTheDeclaredPage) {
    ScratchDir dir;
    dir.CopyReadme();
    Program program(dir);
    EXPECT_TRUE(program.startupErrors.empty());
    EXPECT_TRUE(program.TrayIconRegistered());
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main", kAbout}));
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(program.MemoText(), ReadmeAsText());
    ASSERT_TRUE(dir.Exists(L"Strings/Tab0.txt"));
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "");
    // The store follows at once: a cut now would bring the About page back at the next start.
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"),
              "Main\r\n\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5\r\n");
    ASSERT_TRUE(dir.Exists(L"settings.dat"));
    EXPECT_EQ(DecodeSettings(dir.Read(L"settings.dat")).tabIndex, 1);

    ASSERT_TRUE(program.CloseFromOutside());
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"),
              "Main\r\n\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5\r\n");
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), ReadmeBytes());
    EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u);
}

TEST(FirstRun, WithoutReadmeShowsTheFailureThenTheWindow) {
    ScratchDir dir;
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    const std::wstring expected =
        L"Cannot open file \"" + (dir.path() / L"readme.txt").wstring() + L"\". ";
    EXPECT_EQ(program.startupErrors[0].substr(0, expected.size()), expected)
        << "got: " << std::string(program.startupErrors[0].begin(), program.startupErrors[0].end());
    EXPECT_GT(program.startupErrors[0].size(), expected.size() + 1) << "the system's reason";
    EXPECT_EQ(program.startupErrors[0].back(), L'.');
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main", kAbout}));
    EXPECT_EQ(program.SelectedTab(), 1);
    EXPECT_EQ(program.MemoText(), L"");
}

TEST(Restore, GeometryOpacityTabAndPageComeBack) {
    ScratchDir dir;
    WriteStore(dir, SettingsBytes(100, 50, 200, 500, 300, 2), "One\r\nTwo\r\nThree\r\n",
               {{0, "first"}, {2, "third\nline"}});
    Program program(dir);
    EXPECT_TRUE(program.startupErrors.empty());
    RECT r{};
    GetWindowRect(program.form(), &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 300);
    EXPECT_EQ(program.Alpha(), 200);
    EXPECT_EQ(SendMessageW(program.trackbar(), TBM_GETPOS, 0, 0), 200);
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"One", L"Two", L"Three"}));
    EXPECT_EQ(program.SelectedTab(), 2);
    EXPECT_EQ(program.MemoText(), L"third\r\nline");
}

TEST(Restore, SettingsFollowTheSelectedTabAndTheWindowsPlaceAtOnce) {
    ScratchDir dir;
    WriteStore(dir, SettingsBytes(100, 50, 200, 500, 300, 0), "One\r\nTwo\r\n");
    Program program(dir);
    program.ClickTab(1);
    EXPECT_EQ(DecodeSettings(dir.Read(L"settings.dat")).tabIndex, 1) << "the tab clicked";

    // The window dragged by its caption: written when the move ends.
    RECT before{};
    GetWindowRect(program.form(), &before);
    program.Drag(program.form(), POINT{60, -8}, POINT{160, 52});
    RECT after{};
    GetWindowRect(program.form(), &after);
    ASSERT_NE(after.left, before.left) << "the window moved";
    const SettingsValues stored = DecodeSettings(dir.Read(L"settings.dat"));
    EXPECT_EQ(stored.left, after.left);
    EXPECT_EQ(stored.top, after.top);
    EXPECT_EQ(stored.width, 500);
    EXPECT_EQ(stored.height, 300);
    EXPECT_EQ(stored.opacity, 200);
    EXPECT_EQ(stored.tabIndex, 1);
}

TEST(Restore, OpacityBelowTheSliderRangeStartsAtFifty) {
    for (int stored : {30, 300}) {
        ScratchDir dir;
        dir.Write(L"settings.dat", SettingsBytes(10, 10, stored, 433, 202, 0));
        Program program(dir);
        EXPECT_EQ(program.Alpha(), 50) << stored;
        EXPECT_EQ(SendMessageW(program.trackbar(), TBM_GETPOS, 0, 0), 50) << stored;
    }
}

TEST(Restore, EmptyTabListGivesMain) {
    ScratchDir dir;
    WriteStore(dir, SettingsBytes(10, 10, 240, 433, 202, 0), "");
    Program program(dir);
    EXPECT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main"}));
    EXPECT_EQ(program.SelectedTab(), 0);
}

TEST(Restore, ShortSettingsFileIsReported) {
    ScratchDir dir;
    dir.Write(L"settings.dat", SettingsBytes(10, 10, 240, 433, 202, 0).substr(0, 20));
    Program program(dir);
    ASSERT_EQ(program.startupErrors.size(), 1u);
    EXPECT_EQ(program.startupErrors[0], L"Read beyond end of file.");
}

TEST(Shutdown, CloseFromOutsideWritesEverythingAndTheNextStartRestoresIt) {
    ScratchDir dir;
    WriteStore(dir, SettingsBytes(120, 80, 180, 450, 260, 1), "Main\r\nWork\r\n",
               {{1, "work notes"}});
    {
        Program program(dir);
        EXPECT_EQ(program.MemoText(), L"work notes");
        program.SetMemoText(L"new work notes\r\nсо словами");
        SetWindowPos(program.form(), nullptr, 130, 90, 470, 280, SWP_NOZORDER | SWP_NOACTIVATE);
        program.Idle();
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\nWork\r\n");
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"),
              "new work notes\r\n\xF1\xEE \xF1\xEB\xEE\xE2\xE0\xEC\xE8");
    const std::string settings = dir.Read(L"settings.dat");
    ASSERT_EQ(settings.size(), 24u);
    const auto s = DecodeSettings(settings);
    EXPECT_EQ(s.left, 130);
    EXPECT_EQ(s.top, 90);
    EXPECT_EQ(s.opacity, 180);
    EXPECT_EQ(s.width, 470);
    EXPECT_EQ(s.height, 280);
    EXPECT_EQ(s.tabIndex, 1);

    Program again(dir);
    EXPECT_TRUE(again.startupErrors.empty());
    EXPECT_EQ(again.SelectedTab(), 1);
    EXPECT_EQ(again.MemoText(), L"new work notes\r\nсо словами");
    RECT r{};
    GetWindowRect(again.form(), &r);
    EXPECT_EQ(r.left, 130);
    EXPECT_EQ(r.right - r.left, 470);
}

// An end-task request (Wine's taskkill, the task manager) closes every top-level window of the
// program, the application window after the main one: the store is written once, whole.
TEST(Shutdown, EndTaskClosingEveryWindowWritesTheStoreOnce) {
    ScratchDir dir;
    WriteStore(dir, SettingsBytes(120, 80, 180, 450, 260, 1), "Main\r\nWork\r\n",
               {{1, "work notes"}});
    Program program(dir);
    const HWND application = program.application();
    PostMessageW(program.form(), WM_CLOSE, 0, 0);
    PostMessageW(application, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\nWork\r\n");
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), "work notes");
    const auto s = DecodeSettings(dir.Read(L"settings.dat"));
    EXPECT_EQ(s.width, 450);
    EXPECT_EQ(s.tabIndex, 1);
}

// Each step of shutdown is made to fail in turn: what comes before it is written, what comes
// after it is not, and the program keeps running.
TEST(Shutdown, WritesTabListThenPageThenSettings) {
    ScratchDir dir;
    const std::string settings = SettingsBytes(10, 10, 240, 433, 202, 0);
    WriteStore(dir, settings, "Main\r\n", {{0, "old page"}});
    Program program(dir);
    program.SetMemoText(L"new page");

    // The tab list cannot be written: nothing else is.
    std::filesystem::remove(dir / L"Strings/Tabs.txt");
    std::filesystem::create_directory(dir / L"Strings/Tabs.txt");
    PostMessageW(program.form(), WM_CLOSE, 0, 0);
    auto error = program.ErrorBoxText();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->substr(0, 20), L"Cannot create file \"");
    program.DismissErrorBox();
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "old page");
    EXPECT_EQ(dir.Read(L"settings.dat"), settings);

    // The page cannot be written: the tab list is, the settings are not.
    std::filesystem::remove(dir / L"Strings/Tabs.txt");
    std::filesystem::remove(dir / L"Strings/Tab0.txt");
    std::filesystem::create_directory(dir / L"Strings/Tab0.txt");
    PostMessageW(program.form(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.ErrorBoxText().has_value());
    program.DismissErrorBox();
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\n");
    EXPECT_EQ(dir.Read(L"settings.dat"), settings);

    // Nothing in the way: all three are written and the program ends.
    std::filesystem::remove(dir / L"Strings/Tab0.txt");
    ASSERT_TRUE(program.CloseFromOutside());
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "new page");
    EXPECT_EQ(dir.Read(L"settings.dat").size(), 24u);
}

}  // namespace
}  // namespace e2e
