#include "ui/pure/dialog_text.h"

#include <algorithm>
#include <cstdint>

namespace qb::ui {

std::wstring BuildDialogCopyText(std::wstring_view caption, std::wstring_view message,
                                 const std::vector<std::wstring>& buttonCaptions) {
    constexpr std::wstring_view kLineEnd = L"\r\n";
    std::wstring text;
    auto rule = [&] {
        text += kCopyRule;
        text += kLineEnd;
    };
    rule();
    text += caption;
    text += kLineEnd;
    rule();
    text += message;
    text += kLineEnd;
    rule();
    for (const std::wstring& button : buttonCaptions) {
        text += button;
        text += L"   ";
    }
    text += kLineEnd;
    rule();
    return text;
}

std::wstring RemoveLineBreaks(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        if (c != L'\r' && c != L'\n') {
            result += c;
        }
    }
    return result;
}

int MulDivRound(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    std::int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t rounded =
        product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    return static_cast<int>(rounded);
}

DialogUnits DialogUnits::FromMetrics(int extentOfLetters, int charHeight) {
    const int letters = static_cast<int>(kAverageWidthLetters.size());
    return DialogUnits{extentOfLetters / letters, charHeight};
}

int PromptTextMaxWidth(const DialogUnits& du) {
    return du.X(164);
}

PromptLayout LayoutPrompt(const DialogUnits& du, int promptWidth, int promptHeight,
                          int editHeight) {
    PromptLayout layout;
    layout.clientWidth = du.X(180);
    layout.prompt = {du.X(8), du.Y(8), std::min(promptWidth, PromptTextMaxWidth(du)), promptHeight};
    layout.edit = {du.X(8), layout.prompt.y + layout.prompt.height + 5, du.X(164), editHeight};
    const int buttonsY = layout.edit.y + layout.edit.height + 15;
    layout.ok = {du.X(38), buttonsY, du.X(50), du.Y(14)};
    layout.cancel = {du.X(92), buttonsY, du.X(50), du.Y(14)};
    layout.clientHeight = buttonsY + du.Y(14) + 13;
    return layout;
}

WarningLayout LayoutWarning(const DialogUnits& du, int iconSize, int messageWidth,
                            int messageHeight, const std::vector<int>& buttonTextWidths) {
    const int marginX = du.X(8);
    const int marginY = du.Y(8);
    const int spacingX = du.X(10);
    const int spacingY = du.Y(10);

    WarningLayout layout;
    layout.icon = {marginX, marginY, iconSize, iconSize};
    // A message shorter than the icon stands level with the icon's middle.
    const int messageY =
        messageHeight < iconSize ? marginY + (iconSize - messageHeight) / 2 : marginY;
    layout.message = {marginX + iconSize + spacingX, messageY, messageWidth, messageHeight};
    const int contentBottom = marginY + std::max(iconSize, messageHeight);

    // All buttons share one width: the standard one, or more when a caption needs it.
    int buttonWidth = du.X(50);
    for (int textWidth : buttonTextWidths) {
        buttonWidth = std::max(buttonWidth, textWidth + 8);
    }
    const int buttonHeight = du.Y(14);
    const int gap = du.X(4);
    const int count = static_cast<int>(buttonTextWidths.size());
    const int rowWidth = count > 0 ? count * buttonWidth + (count - 1) * gap : 0;

    layout.clientWidth =
        std::max(layout.message.x + messageWidth + marginX, rowWidth + 2 * marginX);
    const int buttonsY = contentBottom + spacingY;
    int x = (layout.clientWidth - rowWidth) / 2;
    for (int i = 0; i < count; ++i) {
        layout.buttons.push_back({x, buttonsY, buttonWidth, buttonHeight});
        x += buttonWidth + gap;
    }
    layout.clientHeight = buttonsY + buttonHeight + marginY;
    return layout;
}

}  // namespace qb::ui
