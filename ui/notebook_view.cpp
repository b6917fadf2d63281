#include "ui/notebook_view.h"

#include <algorithm>

#include "res/resource.h"
#include "ui/form1.h"

namespace qb::ui {

store::Utf16 NotebookView::PageText() const {
    return form_.MemoText();
}

void NotebookView::CopyPageText(store::Utf16& into) const {
    form_.CopyMemoText(into);
}

std::uint64_t NotebookView::PageEdits() const {
    return form_.memoEdits_;
}

bool NotebookView::PageModified() const {
    return SendMessageW(form_.Memo1, EM_GETMODIFY, 0, 0) != 0;
}

void NotebookView::ShowPage(store::Utf16View text) {
    const win::ShownCursor wait(IDC_WAIT);
    form_.SetMemoText(text);
}

void NotebookView::ReloadPage(store::Utf16View text) {
    const std::size_t caret = PageSelection().first;
    const auto firstLine =
        static_cast<int>(SendMessageW(form_.Memo1, EM_GETFIRSTVISIBLELINE, 0, 0));
    ShowPage(text);
    // The caret where it was, as far as the new text reaches, and the same lines in view.
    const auto at =
        std::min<std::size_t>(caret, static_cast<std::size_t>(GetWindowTextLengthW(form_.Memo1)));
    SendMessageW(form_.Memo1, EM_SETSEL, at, static_cast<LPARAM>(at));
    const auto nowFirst = static_cast<int>(SendMessageW(form_.Memo1, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageW(form_.Memo1, EM_LINESCROLL, 0, firstLine - nowFirst);
}

std::pair<std::size_t, std::size_t> NotebookView::PageSelection() const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(form_.Memo1, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

void NotebookView::SelectInPage(std::size_t start, std::size_t end) {
    SendMessageW(form_.Memo1, EM_SETSEL, start, static_cast<LPARAM>(end));
    SendMessageW(form_.Memo1, EM_SCROLLCARET, 0, 0);
    SetFocus(form_.Memo1);
}

void NotebookView::ClearPage() {
    form_.ClearMemo();
}

void NotebookView::PageWritten() {
    SendMessageW(form_.Memo1, EM_SETMODIFY, FALSE, 0);
}

void NotebookView::SetPageEditable(bool editable) {
    SendMessageW(form_.Memo1, EM_SETREADONLY, editable ? FALSE : TRUE, 0);
}

int NotebookView::TabCount() const {
    return form_.Tabs().Count();
}

int NotebookView::SelectedTab() const {
    return form_.Tabs().Selected();
}

store::Utf16 NotebookView::TabCaption(int index) const {
    return form_.Tabs().Caption(index);
}

std::vector<store::Utf16> NotebookView::TabCaptions() const {
    return form_.Tabs().Captions();
}

void NotebookView::ShowTabs(const std::vector<store::Utf16>& captions) {
    const win::ShownCursor wait(IDC_WAIT);
    {
        // The captions go straight to the strip: nothing here needs its subclass (it handles
        // the mouse), and a list may hold a thousand tabs.
        const win::LiftedSubclass direct(form_.TabControl1, &TForm1::TabControlProc, 1,
                                         reinterpret_cast<DWORD_PTR>(&form_));
        const auto tabs = form_.Tabs();
        tabs.Clear();
        tabs.AppendAll(captions);
    }
    form_.LayoutControls();
}

void NotebookView::AppendTab(store::Utf16View caption) {
    form_.Tabs().Append(std::wstring(caption));
    form_.LayoutControls();
}

void NotebookView::RenameTab(int index, store::Utf16View caption) {
    form_.Tabs().SetCaption(index, std::wstring(caption));
    form_.LayoutControls();
}

void NotebookView::RemoveTab(int index) {
    form_.Tabs().Delete(index);
    form_.LayoutControls();
}

void NotebookView::SelectTab(int index) {
    form_.Tabs().Select(index);
}

void NotebookView::ApplySettings(const store::Settings& settings) {
    form_.ApplySettings(settings);
}

notebook::WindowPlace NotebookView::Place() const {
    RECT bounds{};
    GetWindowRect(form_.Handle, &bounds);
    return {bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
            form_.AlphaBlendValue()};
}

void NotebookView::SetCloseEnabled(bool enabled) {
    form_.SetActionEnabled(ID_ACTION1, enabled);
}

void NotebookView::ShowNotice(const std::wstring& text) {
    form_.Notice(text);
}

void NotebookView::ShowError(const Error& error) {
    form_.ShowError(error);
}

}  // namespace qb::ui
