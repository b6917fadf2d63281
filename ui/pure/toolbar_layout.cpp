#include "ui/pure/toolbar_layout.h"

#include <algorithm>

namespace qb::ui {

CellSize MeasureCell(const CellContent& content) {
    if (content.separator) {
        return {kSeparatorWidth, 0};
    }
    int width = kCellPadding;
    int inner = 0;
    if (content.glyph) {
        width += kGlyphSize;
        inner = kGlyphSize;
    }
    if (content.caption) {
        if (content.glyph) {
            width += kGlyphCaptionGap;
        }
        width += content.captionWidth;
        inner = std::max(inner, content.captionHeight);
    }
    width += kCellPadding + kCellExtra;
    return {width, kCellPadding + inner + kCellPadding};
}

ToolbarLayout LayoutToolbar(const std::vector<CellSize>& sizes, int barWidth) {
    ToolbarLayout layout;
    for (const CellSize& size : sizes) {
        layout.rowHeight = std::max(layout.rowHeight, size.height);
    }
    if (layout.rowHeight == 0) {
        layout.rowHeight = kCellPadding + kGlyphSize + kCellPadding;
    }
    const int top = kToolbarMargin;
    const int bottom = top + layout.rowHeight;

    layout.cells.resize(sizes.size());
    int x = kToolbarMargin;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        layout.cells[i] = {x, top, x + sizes[i].width, bottom};
        x += sizes[i].width;
    }

    const int limit = barWidth - kToolbarMargin;
    if (x <= limit) {
        return layout;
    }
    // Not everything fits: make room for the chevron at the right end and hide from the right.
    const int chevronRight = std::max(limit, kToolbarMargin + kChevronWidth);
    layout.chevron = {chevronRight - kChevronWidth, top, chevronRight, bottom};
    for (Box& cell : layout.cells) {
        if (cell.right > layout.chevron.left) {
            cell = {};
        }
    }
    return layout;
}

int ToolbarHitTest(const ToolbarLayout& layout, int x, int y) {
    if (layout.chevron.Contains(x, y)) {
        return kToolbarChevronHit;
    }
    for (std::size_t i = 0; i < layout.cells.size(); ++i) {
        if (layout.cells[i].Contains(x, y)) {
            return static_cast<int>(i);
        }
    }
    return kToolbarNoHit;
}

std::vector<std::size_t> ChevronMenuItems(const ToolbarLayout& layout,
                                          const std::vector<bool>& isSeparator) {
    std::vector<std::size_t> listed;
    std::size_t pending = 0;
    bool hasPending = false;
    for (std::size_t i = 0; i < layout.cells.size(); ++i) {
        if (!layout.cells[i].Empty()) {
            continue;
        }
        if (i < isSeparator.size() && isSeparator[i]) {
            // Kept only if a listed button comes before and after it.
            if (!listed.empty() && !hasPending) {
                pending = i;
                hasPending = true;
            }
            continue;
        }
        if (hasPending) {
            listed.push_back(pending);
            hasPending = false;
        }
        listed.push_back(i);
    }
    return listed;
}

}  // namespace qb::ui
