// A small area of the screen, copied into memory on demand, to see when a program has drawn
// there.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

#include "win/handles.h"

namespace qb::bench {

class ScreenArea {
  public:
    // `area` in screen coordinates.
    explicit ScreenArea(const RECT& area)
        : left_(area.left),
          top_(area.top),
          width_(Extent(area.left, area.right)),
          height_(Extent(area.top, area.bottom)),
          screen_(nullptr),
          memory_(CreateCompatibleDC(screen_.get())),
          bitmap_(TopDownBitmap(memory_.get(), width_, height_, &bits_)),
          selected_(memory_.get(), bitmap_.get()) {
        if (screen_.get() == nullptr || !memory_ || !bitmap_ || bits_ == nullptr) {
            throw std::runtime_error("cannot copy the screen");
        }
    }

    // The area's pixels as the screen shows them now, row by row.
    std::vector<std::uint32_t> Grab() const {
        if (!BitBlt(memory_.get(), 0, 0, width_, height_, screen_.get(), left_, top_, SRCCOPY)) {
            throw std::runtime_error("cannot copy the screen");
        }
        GdiFlush();
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) *
                                          static_cast<std::size_t>(height_));
        std::memcpy(pixels.data(), bits_, pixels.size() * sizeof(std::uint32_t));
        return pixels;
    }

    // How many columns differ between two copies, leaving out the columns that are one solid
    // colour other than the background from top to bottom in either copy: the caret, as it
    // blinks or moves. A character drawn never fills its column from top to bottom.
    int DrawnColumns(const std::vector<std::uint32_t>& before,
                     const std::vector<std::uint32_t>& now) const {
        const std::uint32_t background = Background(before);
        int drawn = 0;
        for (int x = 0; x < width_; ++x) {
            bool changed = false;
            for (int y = 0; y < height_ && !changed; ++y) {
                changed = Rgb(before[At(x, y)]) != Rgb(now[At(x, y)]);
            }
            if (changed && !Solid(before, x, background) && !Solid(now, x, background)) {
                ++drawn;
            }
        }
        return drawn;
    }

  private:
    static int Extent(LONG from, LONG to) {
        if (to <= from) {
            throw std::runtime_error("an empty screen area");
        }
        return to - from;
    }

    // A 32-bit bitmap of the size whose rows run from the top down, its pixels at `bits`.
    static win::UniqueBitmap TopDownBitmap(HDC dc, int width, int height, void** bits) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        return win::UniqueBitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    }

    static std::uint32_t Rgb(std::uint32_t pixel) { return pixel & 0xFFFFFF; }

    std::size_t At(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    // The colour of the most pixels.
    static std::uint32_t Background(const std::vector<std::uint32_t>& pixels) {
        std::map<std::uint32_t, std::size_t> counts;
        for (std::uint32_t p : pixels) {
            ++counts[Rgb(p)];
        }
        return std::max_element(counts.begin(), counts.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first;
    }

    bool Solid(const std::vector<std::uint32_t>& pixels, int x, std::uint32_t background) const {
        const std::uint32_t top = Rgb(pixels[At(x, 0)]);
        if (top == background) {
            return false;
        }
        for (int y = 1; y < height_; ++y) {
            if (Rgb(pixels[At(x, y)]) != top) {
                return false;
            }
        }
        return true;
    }

    int left_, top_, width_, height_;
    // In the order they are made; they go in the reverse order: the bitmap taken out of the
    // memory context before either is freed, and the screen's context released last.
    win::WindowDC screen_;
    win::UniqueMemoryDC memory_;
    void* bits_ = nullptr;  // the bitmap's pixels, set as the bitmap is made
    win::UniqueBitmap bitmap_;
    win::SelectedObject selected_;
};

}  // namespace qb::bench
