// The window as the notebook sees it: the text area, the tab strip, and what else the
// note-keeping needs of the window.
#pragma once

#include "notebook/notebook.h"

class TForm1;

namespace qb::ui {

class NotebookView final : public notebook::View {
  public:
    explicit NotebookView(TForm1& form) : form_(form) {}

    store::Utf16 PageText() const override;
    void CopyPageText(store::Utf16& into) const override;
    bool PageModified() const override;
    std::uint64_t PageEdits() const override;
    void ShowPage(store::Utf16View text) override;
    void ReloadPage(store::Utf16View text) override;
    std::pair<std::size_t, std::size_t> PageSelection() const override;
    void SelectInPage(std::size_t start, std::size_t end) override;
    void ClearPage() override;
    void PageWritten() override;
    void SetPageEditable(bool editable) override;

    int TabCount() const override;
    int SelectedTab() const override;
    store::Utf16 TabCaption(int index) const override;
    std::vector<store::Utf16> TabCaptions() const override;
    void ShowTabs(const std::vector<store::Utf16>& captions) override;
    void AppendTab(store::Utf16View caption) override;
    void RenameTab(int index, store::Utf16View caption) override;
    void RemoveTab(int index) override;
    void SelectTab(int index) override;

    void ApplySettings(const store::Settings& settings) override;
    notebook::WindowPlace Place() const override;
    void SetCloseEnabled(bool enabled) override;
    void ShowNotice(const std::wstring& text) override;
    void ShowError(const Error& error) override;

  private:
    TForm1& form_;
};

}  // namespace qb::ui
