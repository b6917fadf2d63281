#include "ui/pure/toolbar_layout.h"

#include <algorithm>

namespace qb::ui {

int ScaleDesignPixels(int designPixels, int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0) {
        return designPixels;
    }
    const long long product = static_cast<long long>(designPixels) * numerator;
    const long long half = denominator / 2;
    const long long scaled =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    if (designPixels >= 1 && scaled < 1) {
        return 1;
    }
    return static_cast<int>(scaled);
}

int ChooseArtSize(int needed, const std::vector<int>& artSizes) {
    int atLeast = 0;
    int largest = 0;
    for (const int size : artSizes) {
        largest = std::max(largest, size);
        if (size >= needed - 1 && (atLeast == 0 || size < atLeast)) {
            atLeast = size;
        }
    }
    return atLeast != 0 ? atLeast : largest;
}

ToolbarMetrics ScaleToolbarMetrics(int numerator, int denominator,
                                   const std::vector<int>& artSizes) {
    const auto scaled = [&](int design) {
        return ScaleDesignPixels(design, numerator, denominator);
    };
    ToolbarMetrics metrics;
    metrics.margin = scaled(kToolbarMargin);
    metrics.cellPadding = scaled(kCellPadding);
    metrics.glyph = scaled(kGlyphSize);
    metrics.glyphCaptionGap = scaled(kGlyphCaptionGap);
    metrics.cellExtra = scaled(kCellExtra);
    metrics.separatorWidth = scaled(kSeparatorWidth);
    metrics.chevronWidth = scaled(kChevronWidth);
    metrics.line = scaled(1);
    metrics.art = ChooseArtSize(metrics.glyph, artSizes);
    if (metrics.art == 0) {
        metrics.art = metrics.glyph;
    }
    return metrics;
}

CellSize MeasureCell(const CellContent& content, const ToolbarMetrics& metrics) {
    if (content.separator) {
        return {metrics.separatorWidth, 0};
    }
    int width = metrics.cellPadding;
    int inner = 0;
    if (content.glyph) {
        width += metrics.glyph;
        inner = metrics.glyph;
    }
    if (content.caption) {
        if (content.glyph) {
            width += metrics.glyphCaptionGap;
        }
        width += content.captionWidth;
        inner = std::max(inner, content.captionHeight);
    }
    width += metrics.cellPadding + metrics.cellExtra;
    return {width, metrics.cellPadding + inner + metrics.cellPadding};
}

ToolbarLayout LayoutToolbar(const std::vector<CellSize>& sizes, int barWidth,
                            const ToolbarMetrics& metrics) {
    ToolbarLayout layout;
    for (const CellSize& size : sizes) {
        layout.rowHeight = std::max(layout.rowHeight, size.height);
    }
    if (layout.rowHeight == 0) {
        layout.rowHeight = metrics.cellPadding + metrics.glyph + metrics.cellPadding;
    }
    const int top = metrics.margin;
    const int bottom = top + layout.rowHeight;

    layout.cells.resize(sizes.size());
    int x = metrics.margin;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        layout.cells[i] = {x, top, x + sizes[i].width, bottom};
        x += sizes[i].width;
    }

    const int limit = barWidth - metrics.margin;
    if (x <= limit) {
        return layout;
    }
    // Not everything fits: make room for the chevron at the right end and hide from the right.
    const int chevronRight = std::max(limit, metrics.margin + metrics.chevronWidth);
    layout.chevron = {chevronRight - metrics.chevronWidth, top, chevronRight, bottom};
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
