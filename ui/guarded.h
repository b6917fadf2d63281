// A window message's handler run through the window's one guard: a failure is shown, and the
// message answers as a failed handler should.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/form1.h"

namespace qb::ui {

// What a message answers when its handler failed: a failed save before a tab change refuses
// the change.
inline LRESULT FailedResult(UINT msg, LPARAM lParam) {
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGING) {
        return TRUE;
    }
    return 0;
}

template <typename F>
LRESULT Guarded(TForm1* form, UINT msg, LPARAM lParam, F&& f) {
    LRESULT result = 0;
    if (!form->Guard([&] { result = f(); })) {
        return FailedResult(msg, lParam);
    }
    return result;
}

}  // namespace qb::ui
