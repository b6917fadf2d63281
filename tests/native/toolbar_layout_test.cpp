#include <gtest/gtest.h>

#include "ui/pure/toolbar_layout.h"

using qb::ui::Box;
using qb::ui::CellContent;
using qb::ui::CellSize;
using qb::ui::ChevronMenuItems;
using qb::ui::LayoutToolbar;
using qb::ui::MeasureCell;
using qb::ui::ToolbarHitTest;

namespace {

CellContent GlyphOnly() {
    CellContent content;
    content.glyph = true;
    return content;
}
CellContent Separator() {
    CellContent content;
    content.separator = true;
    return content;
}
CellContent Caption(int w, int h) {
    CellContent content;
    content.caption = true;
    content.captionWidth = w;
    content.captionHeight = h;
    return content;
}
CellContent GlyphAndCaption(int w, int h) {
    CellContent content = Caption(w, h);
    content.glyph = true;
    return content;
}

// The program's own row: New, Cut, Copy, Paste, separator, Exit with a 30-pixel caption.
std::vector<CellSize> ProgramRow() {
    return {MeasureCell(GlyphOnly()), MeasureCell(GlyphOnly()),
            MeasureCell(GlyphOnly()), MeasureCell(GlyphOnly()),
            MeasureCell(Separator()), MeasureCell(GlyphAndCaption(30, 13))};
}

}  // namespace

TEST(ToolbarLayoutCells, ButtonAndSeparatorSizes) {
    EXPECT_EQ(MeasureCell(GlyphOnly()), (CellSize{25, 24}));
    // 4 + 16 + 4 + 30 + 4 + 1.
    EXPECT_EQ(MeasureCell(GlyphAndCaption(30, 13)), (CellSize{59, 24}));
    // A caption taller than the glyph sets the height.
    EXPECT_EQ(MeasureCell(GlyphAndCaption(30, 20)), (CellSize{59, 28}));
    // A caption that is not shown takes no room.
    CellContent hidden = GlyphAndCaption(30, 20);
    hidden.caption = false;
    EXPECT_EQ(MeasureCell(hidden), (CellSize{25, 24}));
    // Caption alone: no glyph and no gap.
    EXPECT_EQ(MeasureCell(Caption(30, 13)), (CellSize{39, 21}));
    EXPECT_EQ(MeasureCell(Separator()).width, 13);
}

TEST(ToolbarLayoutRow, AllFitSideBySide) {
    const auto layout = LayoutToolbar(ProgramRow(), 400);
    ASSERT_EQ(layout.cells.size(), 6u);
    EXPECT_EQ(layout.rowHeight, 24);
    EXPECT_EQ(layout.cells[0], (Box{1, 1, 26, 25}));
    EXPECT_EQ(layout.cells[1], (Box{26, 1, 51, 25}));
    EXPECT_EQ(layout.cells[3], (Box{76, 1, 101, 25}));
    EXPECT_EQ(layout.cells[4], (Box{101, 1, 114, 25}));  // the separator takes the row's height
    EXPECT_EQ(layout.cells[5], (Box{114, 1, 173, 25}));
    EXPECT_TRUE(layout.chevron.Empty());
}

TEST(ToolbarLayoutRow, ExactFitNeedsNoChevron) {
    // Items end at 173; with the 1-pixel right margin the bar needs 174.
    EXPECT_TRUE(LayoutToolbar(ProgramRow(), 174).chevron.Empty());
    const auto tight = LayoutToolbar(ProgramRow(), 173);
    EXPECT_FALSE(tight.chevron.Empty());
    EXPECT_TRUE(tight.cells[5].Empty());
}

TEST(ToolbarLayoutRow, NarrowBarHidesFromTheRightBesideTheChevron) {
    const auto layout = LayoutToolbar(ProgramRow(), 130);
    // Chevron at the right end inside the margin: 130 - 1 - 13.
    EXPECT_EQ(layout.chevron, (Box{116, 1, 129, 25}));
    EXPECT_FALSE(layout.cells[3].Empty());
    EXPECT_FALSE(layout.cells[4].Empty());  // the separator ends at 114 and still fits
    EXPECT_TRUE(layout.cells[5].Empty());

    const auto narrower = LayoutToolbar(ProgramRow(), 80);
    EXPECT_EQ(narrower.chevron, (Box{66, 1, 79, 25}));
    EXPECT_FALSE(narrower.cells[1].Empty());  // ends at 51
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_TRUE(narrower.cells[i].Empty()) << i;
    }
}

TEST(ToolbarLayoutRow, TooNarrowForAnything) {
    const auto layout = LayoutToolbar(ProgramRow(), 5);
    for (const Box& cell : layout.cells) {
        EXPECT_TRUE(cell.Empty());
    }
    // The chevron never moves left of the margin.
    EXPECT_EQ(layout.chevron, (Box{1, 1, 14, 25}));
}

TEST(ToolbarLayoutHits, CellsChevronAndGaps) {
    const auto layout = LayoutToolbar(ProgramRow(), 130);
    EXPECT_EQ(ToolbarHitTest(layout, 1, 1), 0);
    EXPECT_EQ(ToolbarHitTest(layout, 25, 24), 0);
    EXPECT_EQ(ToolbarHitTest(layout, 26, 1), 1);
    EXPECT_EQ(ToolbarHitTest(layout, 0, 10), qb::ui::kToolbarNoHit);    // left margin
    EXPECT_EQ(ToolbarHitTest(layout, 10, 25), qb::ui::kToolbarNoHit);   // below the row
    EXPECT_EQ(ToolbarHitTest(layout, 115, 10), qb::ui::kToolbarNoHit);  // between items and chevron
    EXPECT_EQ(ToolbarHitTest(layout, 120, 10), qb::ui::kToolbarChevronHit);
    EXPECT_EQ(ToolbarHitTest(layout, 105, 10),
              4);  // hits the separator; reacting is the bar's call
}

TEST(ToolbarLayoutChevronMenu, ListsHiddenItemsWithInnerSeparatorsOnly) {
    const std::vector<bool> seps = {false, false, true, false, true, true, false, true};
    std::vector<CellSize> sizes;
    for (bool s : seps) {
        sizes.push_back(MeasureCell(s ? Separator() : GlyphOnly()));
    }
    // Only item 0 fits (1..26, chevron at 28..41 in a 42-wide bar).
    const auto layout = LayoutToolbar(sizes, 42);
    ASSERT_FALSE(layout.cells[0].Empty());
    ASSERT_TRUE(layout.cells[1].Empty());
    // 1 button, 2 sep, 3 button, 4+5 seps collapse to one, 6 button, 7 trailing sep dropped.
    EXPECT_EQ(ChevronMenuItems(layout, seps), (std::vector<std::size_t>{1, 2, 3, 4, 6}));

    // A leading hidden separator is dropped.
    const auto wider = LayoutToolbar(sizes, 25 * 2 + 13 + 2 + 10);  // items 0 and 1 fit
    ASSERT_FALSE(wider.cells[1].Empty());
    ASSERT_TRUE(wider.cells[2].Empty());
    EXPECT_EQ(ChevronMenuItems(wider, seps), (std::vector<std::size_t>{3, 4, 6}));

    EXPECT_TRUE(ChevronMenuItems(LayoutToolbar(sizes, 1000), seps).empty());
}

// ---- Display scales ----

TEST(ToolbarScale, DesignPixelsRoundAsTheWindowsOwnRule) {
    using qb::ui::ScaleDesignPixels;
    // The window's rule: the height of "0" (16 at 120 pixels per inch) over 13.
    EXPECT_EQ(ScaleDesignPixels(16, 16, 13), 20);  // 19.69
    EXPECT_EQ(ScaleDesignPixels(4, 16, 13), 5);    // 4.92
    EXPECT_EQ(ScaleDesignPixels(26, 16, 13), 32);
    EXPECT_EQ(ScaleDesignPixels(1, 3, 2), 2);  // a half rounds up, as MulDiv does
    EXPECT_EQ(ScaleDesignPixels(5, 3, 2), 8);
    EXPECT_EQ(ScaleDesignPixels(-5, 3, 2), -8);
    // A line stays visible however small the scale.
    EXPECT_EQ(ScaleDesignPixels(1, 1, 3), 1);
    EXPECT_EQ(ScaleDesignPixels(0, 2, 1), 0);
    // No scale known: design pixels.
    EXPECT_EQ(ScaleDesignPixels(16, 0, 13), 16);
    EXPECT_EQ(ScaleDesignPixels(16, 20, 0), 16);
}

TEST(ToolbarScale, ArtIsTheNearestSizeAtOrAboveTheNeedWithinAPixel) {
    using qb::ui::ChooseArtSize;
    const std::vector<int> sizes = {32, 16, 24};  // in any order
    EXPECT_EQ(ChooseArtSize(16, sizes), 16);
    EXPECT_EQ(ChooseArtSize(17, sizes), 16);  // a pixel short
    EXPECT_EQ(ChooseArtSize(18, sizes), 24);
    EXPECT_EQ(ChooseArtSize(20, sizes), 24);
    EXPECT_EQ(ChooseArtSize(24, sizes), 24);
    EXPECT_EQ(ChooseArtSize(25, sizes), 24);  // 150 % by the window's rule
    EXPECT_EQ(ChooseArtSize(26, sizes), 32);
    EXPECT_EQ(ChooseArtSize(12, sizes), 16);
    // Larger than any art: the largest, drawn at its own size.
    EXPECT_EQ(ChooseArtSize(40, sizes), 32);
    EXPECT_EQ(ChooseArtSize(16, {}), 0);
}

TEST(ToolbarScale, TheDesignScaleIsTheDesignLookAndOthersScaleEverySpacing) {
    using qb::ui::ScaleToolbarMetrics;
    using qb::ui::ToolbarMetrics;
    const std::vector<int> art = {16, 24, 32};
    // At the design scale, whatever its terms, every spacing is the design's.
    EXPECT_EQ(ScaleToolbarMetrics(13, 13, art), ToolbarMetrics{});
    EXPECT_EQ(ScaleToolbarMetrics(1, 1, art), ToolbarMetrics{});

    const ToolbarMetrics doubled = ScaleToolbarMetrics(26, 13, art);
    EXPECT_EQ(doubled.margin, 2);
    EXPECT_EQ(doubled.cellPadding, 8);
    EXPECT_EQ(doubled.glyph, 32);
    EXPECT_EQ(doubled.glyphCaptionGap, 8);
    EXPECT_EQ(doubled.cellExtra, 2);
    EXPECT_EQ(doubled.separatorWidth, 26);
    EXPECT_EQ(doubled.chevronWidth, 26);
    EXPECT_EQ(doubled.line, 2);
    EXPECT_EQ(doubled.art, 32);

    // 120 pixels per inch: a 20-pixel room, drawn from the 24-pixel art.
    const ToolbarMetrics m120 = ScaleToolbarMetrics(16, 13, art);
    EXPECT_EQ(m120.glyph, 20);
    EXPECT_EQ(m120.art, 24);
    EXPECT_EQ(m120.line, 1);
    // 144: "0" is 20 pixels high, the room 25, the art 24.
    const ToolbarMetrics m144 = ScaleToolbarMetrics(20, 13, art);
    EXPECT_EQ(m144.glyph, 25);
    EXPECT_EQ(m144.art, 24);
    EXPECT_EQ(m144.cellPadding, 6);
    // Without art of other sizes the glyph keeps its own.
    EXPECT_EQ(ScaleToolbarMetrics(26, 13, {16}).art, 16);
}

TEST(ToolbarScale, CellsRowAndChevronFollowTheScale) {
    const auto metrics = qb::ui::ScaleToolbarMetrics(26, 13, {16, 24, 32});
    EXPECT_EQ(MeasureCell(GlyphOnly(), metrics), (CellSize{50, 48}));
    EXPECT_EQ(MeasureCell(Separator(), metrics), (CellSize{26, 0}));
    // 8 + 32 + 8 + 60 + 8 + 2; a caption taller than the glyph sets the height.
    EXPECT_EQ(MeasureCell(GlyphAndCaption(60, 36), metrics), (CellSize{118, 52}));

    const std::vector<CellSize> row = {MeasureCell(GlyphOnly(), metrics),
                                       MeasureCell(GlyphOnly(), metrics)};
    const auto fits = LayoutToolbar(row, 200, metrics);
    EXPECT_EQ(fits.rowHeight, 48);
    EXPECT_EQ(fits.cells[0], (Box{2, 2, 52, 50}));
    EXPECT_EQ(fits.cells[1], (Box{52, 2, 102, 50}));
    EXPECT_TRUE(fits.chevron.Empty());
    // Too narrow: the chevron, 26 wide, ends a margin before the bar's right end.
    const auto narrow = LayoutToolbar(row, 90, metrics);
    EXPECT_EQ(narrow.chevron, (Box{62, 2, 88, 50}));
    EXPECT_FALSE(narrow.cells[0].Empty());
    EXPECT_TRUE(narrow.cells[1].Empty());
    // An empty row is as high as a glyph's cell at the scale.
    EXPECT_EQ(LayoutToolbar({}, 200, metrics).rowHeight, 48);
}
