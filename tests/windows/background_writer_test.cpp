// The writer of background saves on its own thread, and the text area's text as the window
// copies it for a save.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scratch_dir.h"
#include "ui/form1.h"
#include "win/background_writer.h"
#include "win/handles.h"

namespace {

TEST(BackgroundWriter, WorksInOrderOnItsOwnThreadAndWhatFollowsRunsOnlyOnTheWindowsSide) {
    const qb::win::UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0,
                                                       HWND_MESSAGE, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    constexpr UINT kMessage = WM_APP + 7;
    std::vector<int> worked;
    std::vector<int> followed;
    std::vector<DWORD> workThreads;
    std::vector<DWORD> followThreads;
    {
        qb::win::BackgroundWriter writer(window.get(), kMessage);
        for (int i = 0; i < 3; ++i) {
            writer.Submit(
                [&, i] {
                    Sleep(30);  // a slow disk: the window must not go ahead of it
                    worked.push_back(i);
                    workThreads.push_back(GetCurrentThreadId());
                },
                [&, i] {
                    followed.push_back(i);
                    followThreads.push_back(GetCurrentThreadId());
                });
        }
        EXPECT_TRUE(followed.empty()) << "nothing follows the work until the window takes it";
        writer.Finish();
        EXPECT_EQ(worked, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(followed, (std::vector<int>{0, 1, 2}));
        for (DWORD id : workThreads) {
            EXPECT_NE(id, GetCurrentThreadId());
        }
        for (DWORD id : followThreads) {
            EXPECT_EQ(id, GetCurrentThreadId());
        }
        MSG msg{};
        EXPECT_TRUE(PeekMessageW(&msg, window.get(), kMessage, kMessage, PM_REMOVE))
            << "the window is told when work is done";

        // Work given just before the writer goes is still done.
        writer.Submit([&] { worked.push_back(3); }, [&] { followed.push_back(3); });
    }
    EXPECT_EQ(worked.back(), 3);
    EXPECT_EQ(followed.size(), 3u);
}

class NoHost : public TFormHost {
  public:
    void FormCreate(TForm1&) override {}
    void FormClose(TForm1&) override {}
    void N14Click(TForm1&) override {}
    BOOL TrayIcon(TForm1&, int, HICON) override { return TRUE; }
    void ShowMessageBox(HWND, const std::wstring&, UINT) override {}
};

TEST(BackgroundWriter, TheTextAreasTextIsCopiedWholeIntoMemoryUsedAgain) {
    qb::test::ScratchDir dir;
    NoHost host;
    TForm1 form;
    form.Create(GetModuleHandleW(nullptr), nullptr, host);
    std::wstring longer;
    for (int i = 0; i < 2000; ++i) {
        longer += L"Строка " + std::to_wstring(i) + L" of the page\r\n";
    }
    SetWindowTextW(form.Memo1, longer.c_str());
    SendMessageW(form.Memo1, WM_CHAR, L'ё', 1);  // typed at the caret, at the start
    std::wstring copy;
    form.CopyMemoText(copy);
    EXPECT_EQ(copy, form.MemoText());
    EXPECT_EQ(copy.size(), longer.size() + 1);

    // A shorter text into the same string: no character of the one before stays.
    SetWindowTextW(form.Memo1, L"короче");
    form.CopyMemoText(copy);
    EXPECT_EQ(copy, L"короче");
    SetWindowTextW(form.Memo1, L"");
    form.CopyMemoText(copy);
    EXPECT_EQ(copy, L"");
}

}  // namespace
