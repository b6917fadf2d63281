// Owners of window-system handles: each frees its handle once, when it goes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace qb::ui {

// Runs a step when the scope ends, also on a failure.
template <typename F>
class AtScopeEnd {
  public:
    explicit AtScopeEnd(F f) : f_(std::move(f)) {}
    ~AtScopeEnd() { f_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

  private:
    F f_;
};

template <typename H, auto Free>
class UniqueHandleOf {
  public:
    UniqueHandleOf() = default;
    explicit UniqueHandleOf(H h) : h_(h) {}
    UniqueHandleOf(const UniqueHandleOf&) = delete;
    UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;
    UniqueHandleOf(UniqueHandleOf&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandleOf& operator=(UniqueHandleOf&& o) noexcept {
        if (this != &o) {
            reset(std::exchange(o.h_, nullptr));
        }
        return *this;
    }
    ~UniqueHandleOf() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset(H h = nullptr) {
        if (h_ != nullptr) {
            Free(h_);
        }
        h_ = h;
    }

  private:
    H h_ = nullptr;
};

inline void FreeGdiObject(HGDIOBJ h) {
    DeleteObject(h);
}
inline void FreeMenu(HMENU h) {
    DestroyMenu(h);
}
inline void FreeImageList(HIMAGELIST h) {
    ImageList_Destroy(h);
}
inline void FreeIcon(HICON h) {
    DestroyIcon(h);
}

using UniqueFont = UniqueHandleOf<HFONT, FreeGdiObject>;
using UniqueBitmap = UniqueHandleOf<HBITMAP, FreeGdiObject>;
using UniqueMenu = UniqueHandleOf<HMENU, FreeMenu>;
using UniqueImageList = UniqueHandleOf<HIMAGELIST, FreeImageList>;
using UniqueIcon = UniqueHandleOf<HICON, FreeIcon>;

// Selects a GDI object into a device context for one scope.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's device context for one scope.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() { ReleaseDC(hwnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

}  // namespace qb::ui
