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
