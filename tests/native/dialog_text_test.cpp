#include <gtest/gtest.h>

#include "ui/pure/dialog_text.h"

namespace qb::ui {
namespace {

TEST(DialogCopyText, WarningWithOkAndCancel) {
    const std::wstring rule(27, L'-');
    const std::wstring expected = rule + L"\r\nWarning\r\n" + rule +
                                  L"\r\nВкладка Main будет удалена!\r\n" + rule +
                                  L"\r\nOK   Cancel   \r\n" + rule + L"\r\n";
    EXPECT_EQ(BuildDialogCopyText(L"Warning", L"Вкладка Main будет удалена!", {L"OK", L"Cancel"}),
              expected);
}

TEST(DialogCopyText, RuleIsTwentySevenDashes) {
    EXPECT_EQ(kCopyRule, std::wstring(27, L'-'));
}

TEST(DialogCopyText, EmptyPartsKeepEveryLine) {
    const std::wstring rule(27, L'-');
    EXPECT_EQ(BuildDialogCopyText(L"", L"", {}),
              rule + L"\r\n\r\n" + rule + L"\r\n\r\n" + rule + L"\r\n\r\n" + rule + L"\r\n");
}

TEST(DialogCopyText, MessageLineBreaksAndAmpersandsAreKept) {
    const std::wstring text = BuildDialogCopyText(L"C", L"a&b\r\nc", {L"X"});
    EXPECT_NE(text.find(L"\r\na&b\r\nc\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nX   \r\n"), std::wstring::npos);
}

TEST(DialogRemoveLineBreaks, DropsEveryCrAndLf) {
    EXPECT_EQ(RemoveLineBreaks(L"ab\rcd"), L"abcd");
    EXPECT_EQ(RemoveLineBreaks(L"\r\nab\n\ncd\r"), L"abcd");
    EXPECT_EQ(RemoveLineBreaks(L"\r\n"), L"");
}

TEST(DialogRemoveLineBreaks, KeepsOtherText) {
    EXPECT_EQ(RemoveLineBreaks(L""), L"");
    EXPECT_EQ(RemoveLineBreaks(L" Новая\tвкладка &x "), L" Новая\tвкладка &x ");
}

TEST(DialogMulDivRound, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRound(8, 6, 4), 12);
    EXPECT_EQ(MulDivRound(1, 6, 4), 2);    // 1.5
    EXPECT_EQ(MulDivRound(1, 5, 4), 1);    // 1.25
    EXPECT_EQ(MulDivRound(3, 5, 4), 4);    // 3.75
    EXPECT_EQ(MulDivRound(-1, 6, 4), -2);  // -1.5
    EXPECT_EQ(MulDivRound(1, 6, -4), -2);  // -1.5
    EXPECT_EQ(MulDivRound(-1, -6, -4), -2);
    EXPECT_EQ(MulDivRound(-3, 5, 4), -4);
    EXPECT_EQ(MulDivRound(5, 13, 8), 8);    // 8.125
    EXPECT_EQ(MulDivRound(14, 13, 8), 23);  // 22.75
}

TEST(DialogMulDivRound, ProductBeyondIntIsExact) {
    EXPECT_EQ(MulDivRound(1 << 20, 1 << 20, 1 << 20), 1 << 20);
}

TEST(DialogUnits, AverageWidthIsWholePixels) {
    // 52 letters 311 pixels wide: 5.98 pixels each, truncated to 5.
    const DialogUnits du = DialogUnits::FromMetrics(311, 13);
    EXPECT_EQ(du.averageWidth, 5);
    EXPECT_EQ(du.height, 13);
    EXPECT_EQ(DialogUnits::FromMetrics(312, 13).averageWidth, 6);
    EXPECT_EQ(kAverageWidthLetters.size(), 52u);
}

TEST(DialogUnits, EachProductIsRounded) {
    const DialogUnits du{5, 13};
    EXPECT_EQ(du.X(180), 225);
    EXPECT_EQ(du.X(38), 48);  // 47.5
    EXPECT_EQ(du.X(50), 63);  // 62.5
    EXPECT_EQ(du.X(3), 4);    // 3.75
    EXPECT_EQ(du.Y(14), 23);  // 22.75
    EXPECT_EQ(du.Y(8), 13);
    EXPECT_EQ(du.Y(10), 16);  // 16.25
}

TEST(DialogPromptLayout, PlacesEverythingInDialogUnitsAndPixelGaps) {
    const DialogUnits du{6, 13};
    const PromptLayout l = LayoutPrompt(du, 150, 26, 21);
    EXPECT_EQ(l.clientWidth, 270);
    EXPECT_EQ(l.prompt, (PixelRect{12, 13, 150, 26}));
    EXPECT_EQ(l.edit, (PixelRect{12, 13 + 26 + 5, 246, 21}));
    const int buttonsY = 13 + 26 + 5 + 21 + 15;
    EXPECT_EQ(l.ok, (PixelRect{57, buttonsY, 75, 23}));
    EXPECT_EQ(l.cancel, (PixelRect{138, buttonsY, 75, 23}));
    EXPECT_EQ(l.clientHeight, buttonsY + 23 + 13);
}

TEST(DialogPromptLayout, PromptIsAtMost164UnitsWide) {
    const DialogUnits du{5, 13};
    EXPECT_EQ(PromptTextMaxWidth(du), 205);
    EXPECT_EQ(LayoutPrompt(du, 400, 13, 21).prompt.width, 205);
    EXPECT_EQ(LayoutPrompt(du, 100, 13, 21).prompt.width, 100);
}

TEST(DialogWarningLayout, IconMessageAndCentredButtons) {
    const DialogUnits du{7, 16};  // X(n) = 1.75n, Y(n) = 2n
    const WarningLayout l = LayoutWarning(du, 32, 300, 48, {14, 40});
    EXPECT_EQ(l.icon, (PixelRect{14, 16, 32, 32}));
    // Message right of the icon, 10 units apart.
    EXPECT_EQ(l.message, (PixelRect{14 + 32 + 18, 16, 300, 48}));
    EXPECT_EQ(l.clientWidth, 14 + 32 + 18 + 300 + 14);
    ASSERT_EQ(l.buttons.size(), 2u);
    const int buttonsY = 16 + 48 + 20;
    const int width = 88;  // 50 units = 87.5
    EXPECT_EQ(l.buttons[0].y, buttonsY);
    EXPECT_EQ(l.buttons[0].width, width);
    EXPECT_EQ(l.buttons[0].height, 28);
    EXPECT_EQ(l.buttons[1].x - (l.buttons[0].x + width), 7);  // 4 units
    EXPECT_EQ(l.buttons[1].y, buttonsY);
    const int left = l.buttons[0].x;
    const int right = l.clientWidth - (l.buttons[1].x + l.buttons[1].width);
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_EQ(l.clientHeight, buttonsY + 28 + 16);
}

TEST(DialogWarningLayout, ShortMessageStandsBesideTheIconsMiddle) {
    const DialogUnits du{6, 13};
    const WarningLayout l = LayoutWarning(du, 32, 100, 13, {10, 30});
    EXPECT_EQ(l.message.y, 13 + (32 - 13) / 2);
    // The content is as tall as the icon; buttons follow 10 units below.
    EXPECT_EQ(l.buttons[0].y, 13 + 32 + 16);
}

TEST(DialogWarningLayout, NarrowMessageLetsTheButtonsSetTheWidth) {
    const DialogUnits du{6, 13};
    const WarningLayout l = LayoutWarning(du, 32, 20, 13, {10, 30});
    const int row = 75 + 6 + 75;
    EXPECT_EQ(l.clientWidth, row + 2 * 12);
    EXPECT_EQ(l.buttons[0].x, 12);
    EXPECT_EQ(l.buttons[1].x, 12 + 75 + 6);
}

TEST(DialogWarningLayout, LongCaptionWidensEveryButton) {
    const DialogUnits du{6, 13};
    const WarningLayout l = LayoutWarning(du, 32, 400, 13, {10, 90});
    EXPECT_EQ(l.buttons[0].width, 98);
    EXPECT_EQ(l.buttons[1].width, 98);
}

}  // namespace
}  // namespace qb::ui
