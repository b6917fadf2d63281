// Editing from the text area's menu and the toolbar with the real clipboard, and the opacity
// slider dragged with the real mouse.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>

#include "tests/e2e/driver.h"

namespace e2e {
namespace {

void MakeStore(const ScratchDir& dir, const std::string& page) {
    WriteStore(dir, UsualSettings(), "Main\r\n", {{0, page}});
}

// Items of the text area's menu, as the keyboard reaches them from the top (separators are
// passed over).
enum TextMenuItem { kUndo = 1, kCut, kCopy, kPaste, kDelete, kSelectAll };

void TextMenu(Program& program, TextMenuItem item) {
    RECT r{};
    GetClientRect(program.memo(), &r);
    program.Click(program.memo(), r.right / 2, r.bottom / 2, true);
    for (int i = 0; i < item; ++i) {
        program.Keys({VK_DOWN});
    }
    program.Keys({VK_RETURN});
}

// Toolbar cells: New, Cut, Copy, Paste, each 25 pixels wide from x = 1.
void Toolbar(Program& program, int cell) {
    program.Click(program.toolbar(), 13 + 25 * cell, 13);
}
constexpr int kToolCut = 1, kToolCopy = 2, kToolPaste = 3;

void Select(Program& program, int from, int to) {
    SendMessageW(program.memo(), EM_SETSEL, static_cast<WPARAM>(from), to);
}

TEST(Editing, SelectAllCutPasteAndUndoFromTheTextMenu) {
    ScratchDir dir;
    MakeStore(dir, "hello world");
    Program program(dir);
    EmptyTheClipboard();
    TextMenu(program, kSelectAll);
    TextMenu(program, kCut);
    EXPECT_EQ(program.MemoText(), L"");
    EXPECT_EQ(ClipboardText(), L"hello world");

    TextMenu(program, kPaste);
    TextMenu(program, kPaste);
    EXPECT_EQ(program.MemoText(), L"hello worldhello world");
    TextMenu(program, kUndo);
    EXPECT_EQ(program.MemoText(), L"hello world") << "the edit control's own undo";
}

TEST(Editing, CopyAndDeleteFromTheTextMenu) {
    ScratchDir dir;
    MakeStore(dir, "alpha beta");
    Program program(dir);
    EmptyTheClipboard();
    Select(program, 0, 5);
    TextMenu(program, kCopy);
    EXPECT_EQ(ClipboardText(), L"alpha");
    EXPECT_EQ(program.MemoText(), L"alpha beta");

    Select(program, 5, 10);
    TextMenu(program, kDelete);
    EXPECT_EQ(program.MemoText(), L"alpha");
    EXPECT_EQ(ClipboardText(), L"alpha") << "delete leaves the clipboard alone";
}

TEST(Editing, CutCopyPasteFromTheToolbar) {
    ScratchDir dir;
    MakeStore(dir, "one two");
    Program program(dir);
    Select(program, 0, 4);
    Toolbar(program, kToolCut);
    EXPECT_EQ(program.MemoText(), L"two");
    EXPECT_EQ(ClipboardText(), L"one ");
    Select(program, 3, 3);
    Toolbar(program, kToolPaste);
    EXPECT_EQ(program.MemoText(), L"twoone ");
    Select(program, 0, 3);
    Toolbar(program, kToolCopy);
    EXPECT_EQ(ClipboardText(), L"two");
}

TEST(Editing, NothingToActOnChangesNothing) {
    ScratchDir dir;
    MakeStore(dir, "steady");
    Program program(dir);
    SetClipboardText(L"kept");
    Select(program, 2, 2);
    TextMenu(program, kDelete);
    EXPECT_EQ(program.MemoText(), L"steady");
    EXPECT_EQ(ClipboardText(), L"kept");

    EmptyTheClipboard();
    Toolbar(program, kToolPaste);
    TextMenu(program, kPaste);
    EXPECT_EQ(program.MemoText(), L"steady");
}

TEST(Editing, UndoIsEmptiedByLoadingAnotherPage) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(), "A\r\nB\r\n", {{0, "page a"}, {1, "page b"}});
    Program program(dir);
    Select(program, 6, 6);
    program.Activate();
    program.Type(L"!");
    program.ClickTab(1);
    TextMenu(program, kUndo);
    EXPECT_EQ(program.MemoText(), L"page b");
}

TEST(Editing, TypingIntoALongPageAddsTheText) {
    ScratchDir dir;
    std::string page;
    while (page.size() < 40000) {
        page += "0123456789012345678901234567890123456\r\n";  // 40 characters a line
    }
    page.resize(40000);
    MakeStore(dir, page);
    Program program(dir);
    ASSERT_EQ(program.MemoText().size(), 40000u);
    program.Activate();
    program.Keys({VK_CONTROL, VK_END});
    program.Type(L"typed");
    EXPECT_EQ(program.MemoText().size(), 40005u);
    ASSERT_TRUE(program.CloseFromOutside());
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), page + "typed");
}

// Polls the page file until it holds the bytes; false when it does not within the time. A read
// that meets the file while the program's writer moves its new bytes into place is tried again.
// (A save falls due up to five seconds after typing began, and a loaded machine adds to that.)
bool PageBecomes(const ScratchDir& dir, const std::string& bytes, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        try {
            if (dir.Read(L"Strings/Tab0.txt") == bytes) {
                return true;
            }
        } catch (const std::runtime_error&) {
        }
        Pause(50);
    }
    return false;
}

TEST(Editing, BackgroundSaveKeepsUndoSelectionAndScrollAndWritesOnlyChanges) {
    ScratchDir dir;
    std::string page;
    for (int i = 0; i < 200; ++i) {
        page += "line " + std::to_string(i) + "\r\n";
    }
    MakeStore(dir, page);
    Program program(dir);
    program.Activate();
    program.Keys({VK_CONTROL, VK_END});
    program.Type(L"typed");
    const int firstVisible =
        static_cast<int>(SendMessageW(program.memo(), EM_GETFIRSTVISIBLELINE, 0, 0));
    ASSERT_GT(firstVisible, 0) << "scrolled to the end";
    const int end = static_cast<int>(page.size()) + 5;
    Select(program, end - 3, end - 1);
    ASSERT_TRUE(PageBecomes(dir, page + "typed")) << "saved once typing paused";

    DWORD from = 0, to = 0;
    SendMessageW(program.memo(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, static_cast<DWORD>(end - 3));
    EXPECT_EQ(to, static_cast<DWORD>(end - 1));
    EXPECT_EQ(SendMessageW(program.memo(), EM_GETFIRSTVISIBLELINE, 0, 0), firstVisible);
    EXPECT_NE(SendMessageW(program.memo(), EM_CANUNDO, 0, 0), 0) << "the undo buffer stays";

    // Nothing changed since: nothing is written.
    const auto saved = std::filesystem::last_write_time(dir / L"Strings/Tab0.txt");
    Pause(2500);
    EXPECT_EQ(std::filesystem::last_write_time(dir / L"Strings/Tab0.txt"), saved);

    TextMenu(program, kUndo);
    EXPECT_EQ(program.MemoText().size(), page.size());
    EXPECT_TRUE(PageBecomes(dir, page)) << "the undone text is saved in turn";
}

TEST(Opacity, SliderDraggedToItsEndsGivesFiftyAndOpaque) {
    ScratchDir dir;
    MakeStore(dir, "");
    {
        Program program(dir);
        EXPECT_EQ(program.Alpha(), 240);
        RECT track{};
        GetClientRect(program.trackbar(), &track);
        RECT thumb = program.RemoteRect(program.trackbar(), TBM_GETTHUMBRECT, 0);
        POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
        program.Drag(program.trackbar(), grab, POINT{-40, grab.y});
        EXPECT_EQ(SendMessageW(program.trackbar(), TBM_GETPOS, 0, 0), 50);
        EXPECT_EQ(program.Alpha(), 50);

        thumb = program.RemoteRect(program.trackbar(), TBM_GETTHUMBRECT, 0);
        grab = POINT{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
        program.Drag(program.trackbar(), grab, POINT{track.right + 40, grab.y});
        EXPECT_EQ(program.Alpha(), 255);

        thumb = program.RemoteRect(program.trackbar(), TBM_GETTHUMBRECT, 0);
        grab = POINT{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
        program.Drag(program.trackbar(), grab, POINT{track.right / 2, grab.y});
        const BYTE chosen = program.Alpha();
        EXPECT_GT(chosen, 50);
        EXPECT_LT(chosen, 255);
        EXPECT_EQ(DecodeSettings(dir.Read(L"settings.dat")).opacity, chosen)
            << "written when the slider is released";
        ASSERT_TRUE(program.CloseFromOutside());
        EXPECT_EQ(DecodeSettings(dir.Read(L"settings.dat")).opacity, chosen);
    }
    const int stored = DecodeSettings(dir.Read(L"settings.dat")).opacity;
    Program again(dir);
    EXPECT_EQ(again.Alpha(), stored);
    EXPECT_EQ(SendMessageW(again.trackbar(), TBM_GETPOS, 0, 0), stored);
}

}  // namespace
}  // namespace e2e
