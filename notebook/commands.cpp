// The commands: New and About (one sequence), Rename, Close, and the page saved while typing.
#include <memory>
#include <utility>

#include "notebook/notebook.h"
#include "notebook/notebook_texts.h"
#include "notebook/test_hooks.h"
#include "store/pure/page_names.h"

namespace qb::notebook {

store::EncodedText Notebook::AppendTabWithPage(const store::Utf16& caption, store::Utf16View text,
                                               store::TextForm form, std::string id) {
    if (id.empty()) {
        id = NewTabId();
    }
    const int index = TabCount();
    SetAsideUnownedPage(index);
    store_.EnsureDirectory();
    const store::EncodedText file = store::EncodeStoredText(text, form, store_.encodings());
    std::vector<store::Utf16> captions = Captions();
    captions.push_back(caption);
    // The record first, naming the page as this machine's: a page a power cut leaves past the
    // last tab is then never taken for another machine's. Then the page: should the list not
    // follow, it is one no tab owns, kept aside before a new tab takes its number.
    newPage_ = store::FingerprintOf(std::string_view(file.bytes));
    newId_ = id;
    try {
        StoreAgreedBefore(
            store::FingerprintOf(std::string_view(store_.EncodeTabList(captions, tabListForm_).bytes)),
            captions);
        store_.SavePage(index, file.bytes);
        WriteTabList(captions);
    } catch (...) {
        newPage_.reset();
        newId_.clear();
        throw;
    }
    newPage_.reset();
    newId_.clear();
    AppendTab(caption, store::FingerprintOf(std::string_view(file.bytes)), id);
    view_.SetCloseEnabled(true);
    return file;
}

void Notebook::AddPage(store::Utf16View caption, const std::function<void()>& fill) {
    FinishWrites();
    BeginTabChange();
    const int index = TabCount();
    SetAsideUnownedPage(index);
    std::vector<store::Utf16> captions = Captions();
    captions.emplace_back(caption);
    newId_ = NewTabId();
    if (!writesStopped_) {
        try {
            WriteTabList(captions);
        } catch (...) {
            newId_.clear();
            throw;
        }
    }
    tabsChanged_ = true;
    AppendTab(caption, store::FingerprintOf(std::nullopt), std::exchange(newId_, {}));
    SavePage();  // still the tab being left
    view_.SelectTab(index);
    view_.SetCloseEnabled(true);
    // A new page: what the text area held belongs to the tab just left.
    NewPageShown();
    SettingsChanged();
    fill();
}

void Notebook::AddPage(store::Utf16View caption) {
    AddPage(caption, [this] { view_.ClearPage(); });
}

void Notebook::AddAboutPage() {
    AddPage(kAboutCaption, [this] {
        try {
            view_.ShowPage(store_.LoadTextFileText(store::kReadmePath).text);
        } catch (...) {
            view_.ClearPage();
            throw;
        }
    });
}

void Notebook::RenamePage(int index, store::Utf16View caption) {
    FinishWrites();
    const store::Utf16 before = tabs_.at(static_cast<std::size_t>(index)).caption;
    BeginTabChange();
    // The tab is looked for again in a list another program changed meanwhile.
    const int now = Where(Captions(), before, index);
    if (now < 0) {
        return;  // closed elsewhere
    }
    std::vector<store::Utf16> captions = Captions();
    captions[static_cast<std::size_t>(now)] = store::Utf16(caption);
    if (!writesStopped_) {
        WriteTabList(captions);
    }
    tabsChanged_ = true;
    RenameTab(now, caption);
}

void Notebook::ClosePage(int index) {
    FinishWrites();
    if (writesStopped_) {
        throw Error(L"The tab list could not be read, so no page file may be renumbered");
    }
    const std::vector<store::Utf16> seen = Captions();
    BeginTabChange();
    if (Captions() != seen) {
        // Another program changed the tabs while this one was chosen: nothing is closed.
        Notice(L"close:" + std::to_wstring(clock_()), CloseGivenUpNotice());
        return;
    }
    // Closing the only tab leaves no tab to show: the text area keeps the closed tab's stored
    // page, read now, before its file goes.
    const int count = TabCount();
    const bool onlyTab = count == 1;
    std::optional<store::StoredText> lastPage;
    if (onlyTab) {
        lastPage = store_.LoadPageText(index);
    }
    // The store first, all or nothing: the closed page goes, the later pages move down and the
    // tab list loses the tab. When that cannot be done nothing changes, the tab stays and the
    // failure is shown; when it cannot even be undone, nothing more is written in this run, and
    // the next start finishes the close.
    std::vector<store::Utf16> captions = Captions();
    captions.erase(captions.begin() + index);
    store_.EnsureDirectory();
    if (tabListCut_) {
        store_.KeepOriginal(store::kTabListWritePath);
    }
    const store::EncodedText list = store_.EncodeTabList(captions, tabListForm_);
    // The tab and its page as stored go on this machine's list of closed tabs first, to be
    // reopened; a power cut after that leaves a tab there to reopen twice, never one lost. A
    // page that cannot be read now (another program holds it) cannot be moved either: the
    // close then fails below as it would have.
    const std::wstring page = store::PageFileName(index);
    const auto closedPage = store_.TryRead(page);
    const bool kept = closedPage || !store_.PageExists(index);
    if (kept) {
        KeepClosedTab(index, closedPage);
    }
    StoreAgreedBefore(store::FingerprintOf(std::string_view(list.bytes)), captions);
    try {
        store_.CloseTab(index, count - 1, list.bytes);
    } catch (const StoreInDoubt&) {
        StopWrites();
        throw;
    } catch (...) {
        if (kept) {
            closed_.pop_back();  // still open
            Try([this] { WriteClosedTabs(); });
        }
        Try([this] { StoreAgreed(false); });  // the tabs stay as they were
        throw;
    }
    tabListForm_ = list.form;
    listSeen_ = store::FingerprintOf(std::string_view(list.bytes));
    tabListCut_ = false;
    if (view_.SelectedTab() != 0) {
        view_.SelectTab(index - 1);
    } else {
        view_.SelectTab(index + 1);
    }
    RemoveTab(index);
    tabsChanged_ = true;
    if (TabCount() == 1) {
        view_.SetCloseEnabled(false);
    }
    // The text area now shows the stored page of the tab selected; edits made to the closed
    // tab since its page was last saved are dropped.
    if (onlyTab) {
        SettingsChanged();
        lastPage ? view_.ShowPage(lastPage->text) : view_.ClearPage();
        NewPageShown();
    } else {
        PageSelected();
    }
}

// ---- Background saves ----

std::optional<std::uint64_t> Notebook::PageEdited() {
    if (!hooks::BackgroundSavesOn()) {
        return std::nullopt;
    }
    return schedule_.Changed(clock_());
}

std::optional<std::uint64_t> Notebook::SaveInBackground(bool dialogOpen) {
    if (!schedule_.Pending() || !view_.PageModified()) {
        schedule_.Clear();
        return std::nullopt;  // nothing changed since the page was read or saved
    }
    if (dialogOpen) {
        // A dialog of the program is open in the middle of a command; the command saves what
        // it must itself, and the page is saved after it.
        return SaveSchedule::kTypingPauseMs;
    }
    if (saveInFlight_) {
        return kSaveInFlightRetryMs;  // the save before goes first
    }
    // The window's part: a copy of the text. The file work is the writer's, and what follows
    // it comes back here; the edits stay in the text area until then.
    std::optional<SaveJob> job = TakeSaveJob();
    if (!job) {
        return std::nullopt;
    }
    struct Save {
        SaveJob job;
        SaveResult result;
    };
    auto save = std::make_shared<Save>();
    save->job = std::move(*job);
    saveInFlight_ = true;
    writer_->Submit([this, save] { save->result = RunSaveJob(save->job, writerStore_); },
                    [this, save] {
                        saveInFlight_ = false;
                        try {
                            SaveDone(save->job, save->result);
                            backgroundSaveFailed_ = false;
                        } catch (...) {
                            // The edits stay in the text area; the save is tried again once
                            // typing pauses next.
                            schedule_.Clear();
                            const Error failure = CurrentFailure();
                            if (!backgroundSaveFailed_) {
                                backgroundSaveFailed_ = true;
                                view_.ShowError(failure);
                            }
                        }
                        schedule_.Took(clock_() - save->job.taken);
                    });
    return std::nullopt;
}

}  // namespace qb::notebook
