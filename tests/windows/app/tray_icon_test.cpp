// The notification icon's record, as the process fills it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>

#include "app/tray_icon.h"

namespace {

TEST(TrayIconRecord, FirstFormWithTheProgramsFields) {
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    HICON icon = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x5678));
    const NOTIFYICONDATAA data = qb::app::MakeNotifyIconData(window, icon);
#ifdef _WIN64
    EXPECT_EQ(data.cbSize, 104u);
#else
    EXPECT_EQ(data.cbSize, 88u);
#endif
    EXPECT_EQ(data.cbSize, static_cast<DWORD>(offsetof(NOTIFYICONDATAA, szTip) + 64));
    EXPECT_EQ(data.hWnd, window);
    EXPECT_EQ(data.uID, 1u);
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 1025u);
    EXPECT_EQ(data.hIcon, icon);
    EXPECT_STREQ(data.szTip, "Quillbrasset 1.5");
    for (std::size_t i = sizeof "Quillbrasset 1.5"; i < 64; ++i) {
        EXPECT_EQ(data.szTip[i], '\0') << i;
    }
}

}  // namespace
