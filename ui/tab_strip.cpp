#include "ui/tab_strip.h"

#include <commctrl.h>

#include "store/pure/error.h"
#include "store/pure/messages.h"
#include "win/handles.h"

namespace qb::ui {

int TabStrip::Count() const {
    return static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0));
}

int TabStrip::Selected() const {
    return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
}

void TabStrip::Select(int index) const {
    if (index >= Count()) {
        return;
    }
    SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::wstring TabStrip::Caption(int index) const {
    std::wstring buffer(kCaptionBufferChars, L'\0');
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer.data();
    item.cchTextMax = kCaptionBufferChars;
    if (index < 0 || !SendMessageW(hwnd_, TCM_GETITEMW, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(&item))) {
        throw Error(FailedToRetrieveTabText(index));
    }
    // The control may hand back its own buffer instead of filling ours.
    const wchar_t* text = item.pszText != nullptr ? item.pszText : buffer.data();
    return std::wstring(text, wcsnlen(text, kCaptionBufferChars - 1));
}

std::vector<std::wstring> TabStrip::Captions() const {
    std::vector<std::wstring> captions;
    const int n = Count();
    captions.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        captions.push_back(Caption(i));
    }
    return captions;
}

void TabStrip::SetCaption(int index, const std::wstring& caption) const {
    std::wstring text = caption;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    if (index < 0 || !SendMessageW(hwnd_, TCM_SETITEMW, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(&item))) {
        throw Error(FailedToSetTabText(caption, index));
    }
}

void TabStrip::Append(const std::wstring& caption) const {
    const int count = Count();
    std::wstring text = caption;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    const auto at = SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                                 reinterpret_cast<LPARAM>(&item));
    if (at < 0) {
        throw Error(FailedToSetTabText(caption, count));
    }
    if (count == 0) {
        SendMessageW(hwnd_, TCM_SETCURSEL, 0, 0);
    }
}

void TabStrip::AppendAll(const std::vector<std::wstring>& captions) const {
    // The strip lays out all its tabs again at every insert, measuring every caption: a
    // thousand tabs cost half a million measurements. With fixed-width tabs nothing is
    // measured; the strip's own style comes back after, and setting its font again lays the
    // tabs out once with their real widths.
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    const bool many = captions.size() > 1 && (style & TCS_FIXEDWIDTH) == 0;
    if (many) {
        SetWindowLongPtrW(hwnd_, GWL_STYLE, style | TCS_FIXEDWIDTH);
    }
    win::AtScopeEnd restore([&] {
        if (many) {
            SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
            SendMessageW(hwnd_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), TRUE);
        }
    });
    for (const auto& caption : captions) {
        Append(caption);
    }
}

void TabStrip::Delete(int index) const {
    if (index < 0 || !SendMessageW(hwnd_, TCM_DELETEITEM, static_cast<WPARAM>(index), 0)) {
        throw Error(FailedToDeleteTabText(index));
    }
}

void TabStrip::Clear() const {
    if (!SendMessageW(hwnd_, TCM_DELETEALLITEMS, 0, 0)) {
        throw Error(std::wstring(kFailedToClearTabControl));
    }
}

}  // namespace qb::ui
