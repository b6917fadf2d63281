// Texts and layout arithmetic of the program's two modal dialogs (the input prompt and the
// warning dialog), kept apart from the windows so that they can be checked anywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qb::ui {

// The dividing line of the clipboard copy of a message dialog: 27 dashes.
inline constexpr std::wstring_view kCopyRule = L"---------------------------";

// What Ctrl+C in a message dialog puts on the clipboard: a rule, the caption, a rule, the
// message, a rule, every button caption followed by three blanks, a rule; each line ending in
// CR LF.
std::wstring BuildDialogCopyText(std::wstring_view caption, std::wstring_view message,
                                 const std::vector<std::wstring>& buttonCaptions);

// A tab caption is one line: a pasted CR or LF is dropped from the prompt's result.
std::wstring RemoveLineBreaks(std::wstring_view text);

// a * b / c rounded to the nearest integer, halves away from zero, as the system's MulDiv does;
// c must not be 0.
int MulDivRound(int a, int b, int c);

// Dialog units of one font: a horizontal unit is a quarter of the average character width,
// a vertical unit an eighth of the character height; each product is rounded.
struct DialogUnits {
    int averageWidth = 0;  // pixels, whole
    int height = 0;        // pixels

    // The average width from the extent of the 52 letters "A".."Z" "a".."z", in whole pixels.
    static DialogUnits FromMetrics(int extentOfLetters, int charHeight);
    int X(int units) const { return MulDivRound(units, averageWidth, 4); }
    int Y(int units) const { return MulDivRound(units, height, 8); }
};

// The 52 letters whose extent gives a font's average character width.
inline constexpr std::wstring_view kAverageWidthLetters =
    L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The input prompt, in client pixels.
struct PromptLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    PixelRect prompt;
    PixelRect edit;
    PixelRect ok;
    PixelRect cancel;
};

// The widest the prompt text may be, in pixels; it is word-wrapped within that width.
int PromptTextMaxWidth(const DialogUnits& du);

// promptWidth / promptHeight: the word-wrapped prompt text's measured size in pixels;
// editHeight: the single-line edit box's height in pixels.
PromptLayout LayoutPrompt(const DialogUnits& du, int promptWidth, int promptHeight, int editHeight);

// The warning dialog, in client pixels.
struct WarningLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    PixelRect icon;
    PixelRect message;
    std::vector<PixelRect> buttons;  // left to right
};

// iconSize: the icon's side in pixels; messageWidth / messageHeight: the word-wrapped message's
// measured size; buttonTextWidths: each button caption's width in pixels, left to right.
WarningLayout LayoutWarning(const DialogUnits& du, int iconSize, int messageWidth,
                            int messageHeight, const std::vector<int>& buttonTextWidths);

}  // namespace qb::ui
