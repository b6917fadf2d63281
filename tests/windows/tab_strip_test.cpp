// The tab strip's captions and selection on a real tab control.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "store/pure/error.h"
#include "ui/form1.h"
#include "ui/tab_strip.h"

namespace {

class TabStripTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        hwnd_ = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | TCS_MULTILINE, 0, 0, 300, 200,
                                parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(hwnd_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    std::wstring FailureOf(void (*f)(const qb::ui::TabStrip&), const qb::ui::TabStrip& tabs) {
        try {
            f(tabs);
        } catch (const qb::Error& e) {
            return e.text();
        }
        return L"(no failure)";
    }

    HWND parent_ = nullptr;
    HWND hwnd_ = nullptr;
};

TEST_F(TabStripTest, FirstTabAppendedToAnEmptyStripIsSelected) {
    qb::ui::TabStrip tabs(hwnd_);
    EXPECT_EQ(tabs.Selected(), -1);
    tabs.Append(L"Main");
    EXPECT_EQ(tabs.Selected(), 0);
    tabs.Append(L"Work");
    EXPECT_EQ(tabs.Selected(), 0) << "later tabs do not take the selection";
    EXPECT_EQ(tabs.Captions(), (std::vector<std::wstring>{L"Main", L"Work"}));
}

TEST_F(TabStripTest, SelectingBeyondTheCountLeavesTheSelection) {
    qb::ui::TabStrip tabs(hwnd_);
    tabs.Append(L"A");
    tabs.Append(L"B");
    tabs.Select(1);
    tabs.Select(2);
    EXPECT_EQ(tabs.Selected(), 1);
    tabs.Select(7);
    EXPECT_EQ(tabs.Selected(), 1);
}

TEST_F(TabStripTest, CaptionsAreReadBackCutTo4095Characters) {
    qb::ui::TabStrip tabs(hwnd_);
    tabs.Append(std::wstring(5000, L'x'));
    tabs.Append(std::wstring(4095, L'y'));
    EXPECT_EQ(tabs.Caption(0), std::wstring(4095, L'x'));
    EXPECT_EQ(tabs.Caption(1), std::wstring(4095, L'y'));
}

TEST_F(TabStripTest, EmptyAndOddCaptionsSurvive) {
    qb::ui::TabStrip tabs(hwnd_);
    tabs.Append(L"");
    tabs.Append(L"Заметки & %s %d");
    EXPECT_EQ(tabs.Caption(0), L"");
    EXPECT_EQ(tabs.Caption(1), L"Заметки & %s %d");
    tabs.SetCaption(0, L"renamed");
    EXPECT_EQ(tabs.Caption(0), L"renamed");
}

TEST_F(TabStripTest, FailuresNameTheIndex) {
    qb::ui::TabStrip tabs(hwnd_);
    EXPECT_EQ(FailureOf([](const qb::ui::TabStrip& t) { t.Caption(-1); }, tabs),
              L"Failed to retrieve tab at index -1");
    EXPECT_EQ(FailureOf([](const qb::ui::TabStrip& t) { t.Caption(0); }, tabs),
              L"Failed to retrieve tab at index 0");
    EXPECT_EQ(FailureOf([](const qb::ui::TabStrip& t) { t.SetCaption(3, L"%s at %d"); }, tabs),
              L"Failed to set tab \"%s at %d\" at index 3");
    EXPECT_EQ(FailureOf([](const qb::ui::TabStrip& t) { t.Delete(0); }, tabs),
              L"Failed to delete tab at index 0");
}

TEST_F(TabStripTest, DeleteAndClear) {
    qb::ui::TabStrip tabs(hwnd_);
    for (const wchar_t* c : {L"A", L"B", L"C"}) {
        tabs.Append(c);
    }
    tabs.Select(1);
    tabs.Delete(0);
    EXPECT_EQ(tabs.Captions(), (std::vector<std::wstring>{L"B", L"C"}));
    EXPECT_EQ(tabs.Selected(), 0) << "the selection moves with its tab";
    tabs.Clear();
    EXPECT_EQ(tabs.Count(), 0);
    EXPECT_EQ(tabs.Selected(), -1);
}

TEST_F(TabStripTest, AppendAllLaysOutTabsAsAppendingOneByOne) {
    HWND other = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | TCS_MULTILINE, 0, 0, 300, 200,
                                 parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    std::vector<std::wstring> captions;
    for (int i = 0; i < 60; ++i) {
        captions.push_back(std::wstring(static_cast<std::size_t>(1 + i % 7 * 3), L'W') +
                           std::to_wstring(i));
    }
    const qb::ui::TabStrip one(hwnd_);
    for (const auto& caption : captions) {
        one.Append(caption);
    }
    const LONG_PTR style = GetWindowLongPtrW(other, GWL_STYLE);
    const qb::ui::TabStrip all(other);
    all.AppendAll(captions);

    EXPECT_EQ(GetWindowLongPtrW(other, GWL_STYLE), style);
    EXPECT_EQ(all.Selected(), 0);
    EXPECT_EQ(all.Captions(), captions);
    EXPECT_EQ(SendMessageW(other, TCM_GETROWCOUNT, 0, 0),
              SendMessageW(hwnd_, TCM_GETROWCOUNT, 0, 0));
    EXPECT_GT(SendMessageW(other, TCM_GETROWCOUNT, 0, 0), 1);
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        RECT a{}, b{};
        SendMessageW(hwnd_, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&a));
        SendMessageW(other, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&b));
        EXPECT_TRUE(EqualRect(&a, &b)) << "tab " << i;
    }
}

}  // namespace
