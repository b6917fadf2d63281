// The window as the note-keeping's native tests give it: a text area and a tab strip that
// behave as the program's controls do, and a record of what the user was shown.
#pragma once

#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "store/pure/utf8.h"

namespace qb::test {

class FakeView final : public notebook::View {
  public:
    // The user types: the text area holds this now, edited, the caret at its end.
    void Type(store::Utf16View text) {
        text_ = store::Utf16(text);
        modified_ = true;
        ++edits_;
        selection_ = {text_.size(), text_.size()};
    }
    // The user puts the caret (or a selection) somewhere.
    void Select(std::size_t start, std::size_t end) { selection_ = {start, end}; }
    // The user clicks a tab (the strip moves its selection; the window's handlers run around it).
    void Click(int index) { selected_ = index; }

    const store::Utf16& text() const { return text_; }
    bool editable() const { return editable_; }
    bool closeEnabled() const { return closeEnabled_; }
    const std::vector<std::wstring>& notices() const { return notices_; }
    const std::vector<std::wstring>& errors() const { return errors_; }
    const store::Settings& applied() const { return applied_; }
    notebook::WindowPlace place;

    // Called each time the text area's page is what is on the disk: after a save, or a page
    // read; with the selected tab.
    std::function<void(int index)> onWritten;

    store::Utf16 PageText() const override { return text_; }
    bool PageModified() const override { return modified_; }
    std::uint64_t PageEdits() const override { return edits_; }
    void ShowPage(store::Utf16View text) override {
        text_ = store::Utf16(text.substr(0, text.find(store::Utf16Unit(0))));
        ++edits_;
        modified_ = false;
        selection_ = {0, 0};
    }
    std::pair<std::size_t, std::size_t> PageSelection() const override { return selection_; }
    void SelectInPage(std::size_t start, std::size_t end) override { selection_ = {start, end}; }
    // The selected text.
    store::Utf16 Selected() const {
        return text_.substr(selection_.first, selection_.second - selection_.first);
    }
    void ReloadPage(store::Utf16View text) override {
        ShowPage(text);
        ++reloads;
    }
    int reloads = 0;
    void ClearPage() override {
        text_.clear();
        ++edits_;
        modified_ = false;
        selection_ = {0, 0};
    }
    void PageWritten() override {
        modified_ = false;
        if (onWritten && selected_ >= 0 && selected_ < TabCount()) {
            onWritten(selected_);
        }
    }
    void SetPageEditable(bool editable) override { editable_ = editable; }

    int TabCount() const override { return static_cast<int>(tabs_.size()); }
    int SelectedTab() const override { return selected_; }
    store::Utf16 TabCaption(int index) const override {
        return tabs_.at(static_cast<std::size_t>(index));
    }
    std::vector<store::Utf16> TabCaptions() const override { return tabs_; }
    void ShowTabs(const std::vector<store::Utf16>& captions) override {
        tabs_ = captions;
        selected_ = tabs_.empty() ? -1 : 0;
    }
    void AppendTab(store::Utf16View caption) override {
        tabs_.emplace_back(caption);
        if (tabs_.size() == 1) {
            selected_ = 0;
        }
    }
    void RenameTab(int index, store::Utf16View caption) override {
        tabs_.at(static_cast<std::size_t>(index)) = store::Utf16(caption);
    }
    void RemoveTab(int index) override {
        tabs_.erase(tabs_.begin() + index);
        // As the strip does: a selection after the removed tab moves down with its tab.
        if (selected_ > index) {
            --selected_;
        } else if (selected_ == index) {
            selected_ = -1;
        }
    }
    void SelectTab(int index) override {
        if (index >= TabCount() || index < -1) {
            return;
        }
        selected_ = index;
    }

    void ApplySettings(const store::Settings& settings) override { applied_ = settings; }
    notebook::WindowPlace Place() const override { return place; }
    void SetCloseEnabled(bool enabled) override { closeEnabled_ = enabled; }
    void ShowNotice(const std::wstring& text) override { notices_.push_back(text); }
    void ShowError(const Error& error) override { errors_.push_back(error.text()); }

  private:
    store::Utf16 text_;
    std::pair<std::size_t, std::size_t> selection_;
    bool modified_ = false;
    std::uint64_t edits_ = 0;
    bool editable_ = false;
    bool closeEnabled_ = true;
    // As the window's declaration makes the strip: one tab, "Main", selected.
    std::vector<store::Utf16> tabs_ = {QB_TEXT("Main")};
    int selected_ = 0;
    std::vector<std::wstring> notices_;
    std::vector<std::wstring> errors_;
    store::Settings applied_;
};

// The settings file of a store whose window stood at (60, 60), 433 by 202, with a tab selected.
inline std::string SettingsFile(int tabIndex) {
    const auto bytes = store::EncodeSettings(store::Settings{60, 60, 240, 433, 202, tabIndex});
    return std::string(bytes.data(), bytes.size());
}

}  // namespace qb::test
