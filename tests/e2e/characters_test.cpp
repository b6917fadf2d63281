// Any character, on any code page: what the user pastes into a page or a caption comes back
// character for character; a page the code page holds stays byte for byte; pages another editor
// wrote in UTF-8 show right and keep their form. locale_check.sh runs these under code page 1251,
// under code page 1252, and where the system's code page is UTF-8 (65001).
#include <gtest/gtest.h>

#include <windows.h>

#include "res/resource.h"
#include "tests/e2e/driver.h"

namespace e2e {
namespace {

const std::string kMark = "\xEF\xBB\xBF";
const std::wstring kPasted = L"стрелка → галочка ✓ смайл 😀 café Łódź 東京";
const std::wstring kCaption = L"Задачи ✓ 😀";

// How a text the code page cannot hold is stored: as UTF-8 with the mark; where the system's
// own code page is UTF-8, as that code page's bytes.
std::string Beyond(const std::wstring& text) {
    return GetACP() == CP_UTF8 ? Utf8(text) : kMark + Utf8(text);
}

// Pastes into whatever has the focus, as the user would.
void Paste(Program& program, const std::wstring& text) {
    SetClipboardText(text);
    program.Keys({VK_CONTROL, 'V'});
}

void NoNoticeShown(Program& program) {
    const auto box = program.ErrorBoxText(300);
    EXPECT_FALSE(box.has_value()) << "a box said: " << Utf8(box.value_or(L""));
}

TEST(Characters, PastedTextAndCaptionComeBackAfterASwitchExitAndARestart) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "Main\r\nWork\r\n", {{0, "page 0"}, {1, "page 1"}});
    {
        Program program(dir);
        program.Activate();
        program.SetMemoText(L"");
        Paste(program, kPasted);
        ASSERT_EQ(program.MemoText(), kPasted);
        program.ClickTab(1);
        NoNoticeShown(program);
        EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), Beyond(kPasted));
        program.ClickTab(0);
        EXPECT_EQ(program.MemoText(), kPasted) << "read back after the switch";

        PostMessageW(program.form(), WM_COMMAND, ID_ACTION_NEW, 0);
        ASSERT_NE(program.WaitForDialog(L"Новая вкладка"), nullptr);
        Paste(program, kCaption);  // the initial caption is selected: the paste replaces it
        program.Keys({VK_RETURN});
        NoNoticeShown(program);
        ASSERT_EQ(program.Captions(), (std::vector<std::wstring>{L"Main", L"Work", kCaption}));
        EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), Beyond(L"Main\r\nWork\r\n" + kCaption + L"\r\n"));
        ASSERT_TRUE(program.CloseFromOutside());
    }
    Program again(dir);
    EXPECT_TRUE(again.startupErrors.empty());
    EXPECT_EQ(again.Captions(), (std::vector<std::wstring>{L"Main", L"Work", kCaption}));
    again.ClickTab(0);
    EXPECT_EQ(again.MemoText(), kPasted);
}

// "café" is in code page 1252 but not in 1251, where it once became "cafe" without a word.
TEST(Characters, ALetterTheCodePageLacksIsKeptAndOneItHoldsIsStoredAsBefore) {
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "Main\r\nWork\r\n", {{0, "page 0"}, {1, "page 1"}});
    {
        Program program(dir);
        program.SetMemoText(L"café");
        program.ClickTab(1);
        NoNoticeShown(program);
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), GetACP() == 1252 ? "caf\xE9" : Beyond(L"café"));
    Program again(dir);
    again.ClickTab(0);
    EXPECT_EQ(again.MemoText(), L"café");
}

TEST(Characters, APageTheCodePageHoldsStaysByteForByte) {
    // Letters of the system's own code page.
    const std::wstring own = GetACP() == 1252 ? L"Grüße, café" : L"Привет, мир «ёлка» №1";
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "Main\r\nWork\r\n", {{0, Ansi(own)}, {1, Ansi(own)}});
    {
        Program program(dir);
        EXPECT_EQ(program.MemoText(), own);
        program.SetMemoText(own + L"\r\nok");
        program.ClickTab(1);
        EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), Ansi(own) + "\r\nok");
        ASSERT_TRUE(program.CloseFromOutside());
    }
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), Ansi(own)) << "shown, not edited, written back";
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), "Main\r\nWork\r\n");
}

TEST(Characters, PagesAnotherEditorWroteInUtf8ShowRightAndKeepTheirForm) {
    const std::wstring marked = L"С меткой → ok";
    const std::wstring bare = L"Без метки: ещё café";
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "Main\r\nWork\r\n",
               {{0, kMark + Utf8(marked)}, {1, Utf8(bare)}});
    Program program(dir);
    EXPECT_EQ(program.MemoText(), marked);
    program.SetMemoText(marked + L"!");
    program.ClickTab(1);
    EXPECT_EQ(program.MemoText(), bare);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), kMark + Utf8(marked + L"!"));
    program.SetMemoText(bare + L"!");
    program.ClickTab(0);
    NoNoticeShown(program);
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), Utf8(bare + L"!")) << "still without the mark";
}

TEST(Characters, TheAboutCaptionIsKeptOnEveryCodePage) {
    const std::wstring list = L"Main\r\nО программе\r\n";
    ScratchDir dir;
    dir.CopyReadme();
    {
        Program program(dir);
        ASSERT_TRUE(program.CloseFromOutside());
    }
    // Where the code page holds Cyrillic, the list is its bytes as ever.
    EXPECT_EQ(dir.Read(L"Strings/Tabs.txt"), GetACP() == 1252 ? kMark + Utf8(list) : Ansi(list));
    Program again(dir);
    EXPECT_EQ(again.Captions(), (std::vector<std::wstring>{L"Main", L"О программе"}));
}

// Where the system's code page is UTF-8, a page that is not UTF-8 was written before that
// setting, in the code page of the user's locale: it is read so (Wine's locales without a code
// page of their own fall back to 1252), never as replacement characters that the next save
// would write over the note, and it stays in that code page while it holds the text.
TEST(Characters, OnAUtf8SystemAnOldPageIsReadInTheLegacyCodePage) {
    if (GetACP() != CP_UTF8) {
        GTEST_SKIP() << "for a system whose code page is UTF-8";
    }
    ScratchDir dir;
    WriteStore(dir, UsualSettings(0), "Main\r\nWork\r\n", {{0, "caf\xE9"}, {1, "page 1"}});
    Program program(dir);
    EXPECT_EQ(program.MemoText(), L"café");
    program.SetMemoText(L"café!");
    program.ClickTab(1);
    EXPECT_EQ(dir.Read(L"Strings/Tab0.txt"), "caf\xE9!");
    program.SetMemoText(L"Привет");
    program.ClickTab(0);
    EXPECT_EQ(dir.Read(L"Strings/Tab1.txt"), Utf8(L"Привет")) << "UTF-8 is this system's own";
}

}  // namespace
}  // namespace e2e
