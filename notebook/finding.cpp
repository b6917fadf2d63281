// Finding a text across the pages: the page on screen first, then the others in strip order.
#include "notebook/notebook.h"

namespace qb::notebook {

namespace {

// A page's text as the text area would show it: up to its first NUL.
store::Utf16View Shown(const store::Utf16& text) {
    return store::Utf16View(text).substr(0, text.find(store::Utf16Unit(0)));
}

}  // namespace

bool Notebook::Find(store::Utf16View text, bool forward, const store::CaseTable& fold) {
    FinishWrites();
    lastSearch_ = store::Utf16(text);
    const std::size_t length = text.size();
    const store::Utf16 onScreen = view_.PageText();
    const auto [start, end] = view_.PageSelection();
    const auto select = [&](std::size_t at) {
        view_.SelectInPage(at, at + length);
        return true;
    };
    if (const auto at = store::FindText(onScreen, text, forward ? end : start, forward, fold)) {
        return select(*at);
    }
    // The other pages, from their files, in strip order round from the tab on screen. Where
    // the page files cannot be trusted, no other page is read.
    const int count = TabCount();
    const int here = view_.SelectedTab();
    for (int step = 1; step < count && !writesStopped_ && here >= 0; ++step) {
        const int index = forward ? (here + step) % count : (here - step + count) % count;
        const auto page = store_.LoadPageText(index);
        if (!page) {
            continue;
        }
        const store::Utf16View shown = Shown(page->text);
        if (!store::FindText(shown, text, forward ? 0 : shown.size(), forward, fold)) {
            continue;
        }
        // As a click on the tab would: the page left saved, then the tab's page shown.
        MoveTo(index);
        const store::Utf16 now = view_.PageText();
        if (const auto at = store::FindText(now, text, forward ? 0 : now.size(), forward, fold)) {
            return select(*at);
        }
        return true;
    }
    // Round to where it began.
    if (const auto at =
            store::FindText(onScreen, text, forward ? 0 : onScreen.size(), forward, fold)) {
        return select(*at);
    }
    view_.ShowNotice(NotFoundNotice(store::ToWide(text)));
    return false;
}

}  // namespace qb::notebook
