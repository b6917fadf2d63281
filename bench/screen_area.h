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

namespace qb::bench {

class ScreenArea {
  public:
    // `area` in screen coordinates.
    explicit ScreenArea(const RECT& area)
        : left_(area.left),
          top_(area.top),
          width_(area.right - area.left),
          height_(area.bottom - area.top) {
        if (width_ <= 0 || height_ <= 0) {
            throw std::runtime_error("an empty screen area");
        }
        screen_ = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen_);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (screen_ == nullptr || memory_ == nullptr || bitmap_ == nullptr || bits_ == nullptr) {
            Release();
            throw std::runtime_error("cannot copy the screen");
        }
        old_ = SelectObject(memory_, bitmap_);
    }
    ~ScreenArea() { Release(); }
    ScreenArea(const ScreenArea&) = delete;
    ScreenArea& operator=(const ScreenArea&) = delete;

    // The area's pixels as the screen shows them now, row by row.
    std::vector<std::uint32_t> Grab() const {
        if (!BitBlt(memory_, 0, 0, width_, height_, screen_, left_, top_, SRCCOPY)) {
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

    void Release() {
        if (old_ != nullptr) {
            SelectObject(memory_, old_);
        }
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        }
        if (memory_ != nullptr) {
            DeleteDC(memory_);
        }
        if (screen_ != nullptr) {
            ReleaseDC(nullptr, screen_);
        }
    }

    int left_, top_, width_, height_;
    HDC screen_ = nullptr;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

}  // namespace qb::bench
