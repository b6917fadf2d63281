// Owners of the system's handles, in one place: each frees its handle once, when it goes, and
// nothing in the program frees one by hand.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace qb::win {

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

// A kernel object (a file, a mapping, a process); invalid as nullptr or INVALID_HANDLE_VALUE.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) {
            CloseHandle(h_);
        }
        h_ = h;
    }
    // Closes now, reporting whether the system agreed.
    bool close() { return !valid() || CloseHandle(release()) != FALSE; }

  private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A change notification on a directory (FindFirstChangeNotificationW).
class ChangeNotification {
  public:
    explicit ChangeNotification(HANDLE h) : h_(h) {}
    ~ChangeNotification() {
        if (valid()) {
            FindCloseChangeNotification(h_);
        }
    }
    ChangeNotification(const ChangeNotification&) = delete;
    ChangeNotification& operator=(const ChangeNotification&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

  private:
    HANDLE h_;
};

// A directory search (FindFirstFileW), closed with FindClose.
class FindHandle {
  public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (valid()) {
            FindClose(h_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE h_;
};

// Any other handle, null when it holds none, freed by Free.
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
    // Gives the handle up to whoever frees it now (the clipboard, say).
    H release() { return std::exchange(h_, nullptr); }
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
inline void FreeMemoryDC(HDC h) {
    DeleteDC(h);
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
inline void FreeView(void* view) {
    UnmapViewOfFile(view);
}
inline void FreeWindow(HWND h) {
    DestroyWindow(h);
}
inline void FreeGlobal(HGLOBAL h) {
    GlobalFree(h);
}

// One reference to a COM object, released when the owner goes.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    // Takes over a reference the caller holds (from a factory or an out parameter).
    explicit ComRef(T* p) : p_(p) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComRef& operator=(ComRef&& o) noexcept {
        if (this != &o) {
            reset(std::exchange(o.p_, nullptr));
        }
        return *this;
    }
    ~ComRef() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Where a function that hands out a reference puts it; whatever was held goes first.
    T** put() {
        reset();
        return &p_;
    }
    void reset(T* p = nullptr) {
        if (p_ != nullptr) {
            p_->Release();
        }
        p_ = p;
    }

  private:
    T* p_ = nullptr;
};

using UniqueFont = UniqueHandleOf<HFONT, FreeGdiObject>;
using UniqueBitmap = UniqueHandleOf<HBITMAP, FreeGdiObject>;
using UniqueBrush = UniqueHandleOf<HBRUSH, FreeGdiObject>;
using UniqueMemoryDC = UniqueHandleOf<HDC, FreeMemoryDC>;  // from CreateCompatibleDC
using UniqueMenu = UniqueHandleOf<HMENU, FreeMenu>;
using UniqueImageList = UniqueHandleOf<HIMAGELIST, FreeImageList>;
using UniqueIcon = UniqueHandleOf<HICON, FreeIcon>;
using UniqueView = UniqueHandleOf<void*, FreeView>;  // a mapped view of a file
using UniqueWindow = UniqueHandleOf<HWND, FreeWindow>;
using UniqueGlobal = UniqueHandleOf<HGLOBAL, FreeGlobal>;  // from GlobalAlloc

// The clipboard opened for one scope. Another program may hold it for a moment: it is asked
// again, a few times, before giving up.
class OpenedClipboard {
  public:
    explicit OpenedClipboard(HWND owner, int attempts = 20, DWORD pauseMs = 10) {
        for (int attempt = 0; attempt < attempts && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != 0;
            if (!open_) {
                Sleep(pauseMs);
            }
        }
    }
    ~OpenedClipboard() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool ok() const { return open_; }

  private:
    bool open_ = false;
};

// A window that takes no input for one scope (the owner of a modal dialog); it takes input
// again after, unless it took none before.
class DisabledWindow {
  public:
    explicit DisabledWindow(HWND window)
        // EnableWindow tells whether the window was disabled already.
        : window_(window), wasEnabled_(window != nullptr && EnableWindow(window, FALSE) == 0) {}
    ~DisabledWindow() {
        if (wasEnabled_) {
            EnableWindow(window_, TRUE);
        }
    }
    DisabledWindow(const DisabledWindow&) = delete;
    DisabledWindow& operator=(const DisabledWindow&) = delete;

  private:
    HWND window_;
    bool wasEnabled_;
};

// Selects a GDI object into a device context for one scope (nothing when the object is null).
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ obj)
        : dc_(dc), old_(obj != nullptr ? SelectObject(dc, obj) : nullptr) {}
    ~SelectedObject() {
        if (old_ != nullptr && old_ != HGDI_ERROR) {
            SelectObject(dc_, old_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's device context (the screen's for nullptr) for one scope.
class WindowDC {
  public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_ != nullptr) {
            ReleaseDC(hwnd_, dc_);
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// The device context of one WM_PAINT.
class PaintDC {
  public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd_, &ps_); }
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return ps_.hdc; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// A cursor shown for one scope (a wait cursor while stored text is read into the window); the
// one before comes back.
class ShownCursor {
  public:
    explicit ShownCursor(const wchar_t* cursor)
        : previous_(SetCursor(LoadCursorW(nullptr, cursor))) {}
    ~ShownCursor() { SetCursor(previous_); }
    ShownCursor(const ShownCursor&) = delete;
    ShownCursor& operator=(const ShownCursor&) = delete;

  private:
    HCURSOR previous_;
};

// A control's subclass taken off for one scope and put back after: for a burst of messages
// straight to the control. Under Wine every message through a subclass costs about as much as
// a tab strip's answer to it.
class LiftedSubclass {
  public:
    LiftedSubclass(HWND control, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data)
        : control_(control),
          proc_(proc),
          id_(id),
          data_(data),
          lifted_(RemoveWindowSubclass(control, proc, id) != FALSE) {}
    ~LiftedSubclass() {
        if (lifted_) {
            SetWindowSubclass(control_, proc_, id_, data_);
        }
    }
    LiftedSubclass(const LiftedSubclass&) = delete;
    LiftedSubclass& operator=(const LiftedSubclass&) = delete;

  private:
    HWND control_;
    SUBCLASSPROC proc_;
    UINT_PTR id_;
    DWORD_PTR data_;
    bool lifted_;
};

}  // namespace qb::win
