// The tab strip's captions and selection, through the control's own messages. Selecting from
// code sends no change notification.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/pure/tab_list.h"

namespace qb::ui {

// Captions are read through a buffer of this many characters, the last one for the NUL.
constexpr int kCaptionBufferChars = static_cast<int>(store::kCaptionBufferChars);

class TabStrip {
  public:
    explicit TabStrip(HWND control) : hwnd_(control) {}

    int Count() const;
    // -1 when no tab is selected.
    int Selected() const;
    // An index at or beyond the count leaves the selection as it was.
    void Select(int index) const;

    // Fails with "Failed to retrieve tab at index %d".
    std::wstring Caption(int index) const;
    std::vector<std::wstring> Captions() const;
    // Fails with "Failed to set tab "%s" at index %d".
    void SetCaption(int index, const std::wstring& caption) const;
    // Appends a tab; the first tab of an empty strip becomes selected.
    void Append(const std::wstring& caption) const;
    // Appends many tabs as Append does, measuring their captions once instead of at each one.
    void AppendAll(const std::vector<std::wstring>& captions) const;
    // Fails with "Failed to delete tab at index %d".
    void Delete(int index) const;
    // Fails with "Failed to clear tab control".
    void Clear() const;

  private:
    HWND hwnd_;
};

}  // namespace qb::ui
