// Geometry of the self-drawn toolbar: the size of each cell, where the cells lie in a bar of a
// given size, which of them fit, and where the "More Buttons" chevron goes when some do not.
#pragma once

#include <cstddef>
#include <vector>

namespace qb::ui {

// The bar's spacing in design pixels (at 96 pixels per inch).
inline constexpr int kToolbarMargin = 1;       // around the row of items
inline constexpr int kCellPadding = 4;         // inside a button cell, around its content
inline constexpr int kGlyphSize = 16;          // the images are 16 by 16
inline constexpr int kGlyphCaptionGap = 4;     // between glyph and caption
inline constexpr int kCellExtra = 1;           // added to the right of every button cell
inline constexpr int kSeparatorWidth = 13;     // a separator's cell
inline constexpr int kChevronWidth = 13;       // the "More Buttons" button
inline constexpr int kToolbarNoHit = -1;       // a point over no item
inline constexpr int kToolbarChevronHit = -2;  // a point over the chevron

// The bar's spacing in the pixels of one display scale: the design pixels above multiplied by
// numerator over denominator (the window's own rule: the height of "0" in its font over the
// height it had when the window was laid out), and the size of the pixel art its glyphs are
// drawn from.
struct ToolbarMetrics {
    int margin = kToolbarMargin;
    int cellPadding = kCellPadding;
    int glyph = kGlyphSize;  // the room a glyph takes in its cell
    int glyphCaptionGap = kGlyphCaptionGap;
    int cellExtra = kCellExtra;
    int separatorWidth = kSeparatorWidth;
    int chevronWidth = kChevronWidth;
    int line = 1;          // the width of a drawn line (frames, the separator, the chevron's marks)
    int art = kGlyphSize;  // the side of the pixel art drawn in that room
    friend bool operator==(const ToolbarMetrics&, const ToolbarMetrics&) = default;
};

// Design pixels at a scale, rounded to the nearest pixel (halves away from zero), never below
// one pixel for a length of at least one; a scale that is not positive leaves them as they are.
int ScaleDesignPixels(int designPixels, int numerator, int denominator);

// The pixel art to draw a glyph of the side needed from: the smallest of the sizes the art
// comes in that is at least as large, or the largest there is (0 when there is none). Art one
// pixel short counts as large enough: the room is itself rounded to a pixel (at 150 % the
// window's rule gives 25 pixels for 24), and a glyph a pixel short of it looks right where the
// next size up would stand out. Art is only ever drawn at its own size, never stretched.
int ChooseArtSize(int needed, const std::vector<int>& artSizes);

// Every spacing at the scale numerator over denominator, with the art chosen for its glyphs.
ToolbarMetrics ScaleToolbarMetrics(int numerator, int denominator,
                                   const std::vector<int>& artSizes);

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const Box&, const Box&) = default;
};

// What a cell has to hold. Caption sizes are measured in the bar's font by the caller and count
// only when the caption is shown.
struct CellContent {
    bool separator = false;
    bool glyph = false;
    bool caption = false;
    int captionWidth = 0;
    int captionHeight = 0;
};

struct CellSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const CellSize&, const CellSize&) = default;
};

// A button: padding, glyph, gap, caption, padding, plus one; high as padding, the taller of glyph
// and caption, padding. A separator is as wide as its cell and has no height of its own.
CellSize MeasureCell(const CellContent& content, const ToolbarMetrics& metrics = {});

struct ToolbarLayout {
    std::vector<Box> cells;  // empty boxes for hidden items
    Box chevron;             // empty when every item fits
    int rowHeight = 0;       // the height every cell of the row shares
};

// Lays the cells out left to right from (margin, margin), all as high as the tallest button
// (separators and the chevron take that height as well). When the row does not fit between the
// margins of a bar barWidth wide, items are hidden from the right end until the rest fits
// beside the chevron, which then sits at the bar's right end.
ToolbarLayout LayoutToolbar(const std::vector<CellSize>& sizes, int barWidth,
                            const ToolbarMetrics& metrics = {});

// The item under a point: its index, kToolbarChevronHit, or kToolbarNoHit.
int ToolbarHitTest(const ToolbarLayout& layout, int x, int y);

// Indices of the hidden items as the drop-down lists them: in order, with separators kept only
// between two listed buttons (never first, last or doubled).
std::vector<std::size_t> ChevronMenuItems(const ToolbarLayout& layout,
                                          const std::vector<bool>& isSeparator);

}  // namespace qb::ui
