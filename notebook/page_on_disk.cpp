// The page on screen and its file: read, shown, saved, and the guards that keep a file that was
// not (wholly) read from being written over.
#include <algorithm>

#include "notebook/notebook.h"
#include "notebook/notebook_texts.h"
#include "store/pure/conflict_copies.h"
#include "store/pure/page_names.h"

namespace qb::notebook {

void Notebook::NewPageShown() {
    pageLoaded_ = true;
    pageCut_ = false;
    pageSeen_ = {};
    pageForm_ = store::FormOfNewFile(store_.encodings().systemUsesUtf8);
    UpdateEditable();
}

void Notebook::SetAsideUnownedPage(int index) {
    if (writesStopped_ || !store_.PageExists(index)) {
        return;
    }
    ReadOtherRecords();
    if (!others_.empty()) {
        // In a store other machines share, a page past the last tab is most likely a new tab's
        // page from another machine whose tab list has not come yet: kept in the page history
        // too, where the merge looks for a text its tab list names.
        if (const auto bytes = store_.TryRead(store::PageFileName(index))) {
            try {
                KeepAside(*bytes, {});
            } catch (...) {
                HistoryFailed();
            }
        }
    }
    const std::wstring kept = store_.KeepUnownedPage(index);
    const std::wstring name = store::PageFileName(index);
    Notice(L"unowned:" + name, UnownedPageNotice(name, kept));
}

bool Notebook::ChangedOutside(std::wstring_view path, const store::Fingerprint& seen) {
    // A file deleted meanwhile is simply written again; one that cannot be read now is not
    // known to have changed (the write tells).
    const auto now = store_.FingerprintOf(path);
    return now && now->exists && *now != seen;
}

void Notebook::SavePage() {
    if (std::optional<SaveJob> job = TakeSaveJob()) {
        SaveDone(*job, RunSaveJob(*job, store_));
    }
}

std::optional<SaveJob> Notebook::TakeSaveJob() {
    if (writesStopped_) {
        return std::nullopt;  // the page files cannot be trusted
    }
    if (pageCut_ && !view_.PageModified()) {
        return std::nullopt;  // the bytes not shown stay in the file
    }
    if (pageAway_ && mergeWaiting_) {
        SavePageAway();
        return std::nullopt;
    }
    // (A merge that no longer waits without having placed the page: the file's text is the
    // other machine's version, and what is on screen goes beside it, as for any change outside.)
    SaveJob job;
    job.index = view_.SelectedTab();
    job.text = std::move(spareText_);
    view_.CopyPageText(job.text);
    job.form = pageForm_;
    job.seen = pageSeen_;
    job.loaded = pageLoaded_;
    job.keepOriginal = pageCut_;
    job.shared = !others_.empty();
    job.edits = view_.PageEdits();
    job.taken = clock_();
    return job;
}

bool Notebook::HoldsNothingNew(const SaveJob& job) const {
    // The text last read or written here, and nothing typed since: the other program's version
    // is the only one, followed as any change outside. (An empty page where no file stood is
    // still kept beside it: the file may be another tab's page, renumbered by a close
    // elsewhere, that the tab must not take.)
    if (view_.PageEdits() != job.edits) {
        return false;
    }
    const store::EncodedText file = store::EncodeStoredText(job.text, job.form, store_.encodings());
    return store::FingerprintOf(std::string_view(file.bytes)) == job.seen;
}

void Notebook::SaveDone(SaveJob& job, const SaveResult& result) {
    if (result.outcome == SaveResult::Outcome::ChangedOutside && !HoldsNothingNew(job)) {
        // Another program's version stays, and this program's goes beside it.
        KeepOwnTextAsNewTab();
    }
    spareText_ = std::move(job.text);
    spareText_.clear();
    switch (result.outcome) {
        case SaveResult::Outcome::Skipped:
        case SaveResult::Outcome::ChangedOutside:
            return;
        case SaveResult::Outcome::Failed:
            std::rethrow_exception(result.failure);
        case SaveResult::Outcome::Written:
            break;
    }
    if (result.replaced) {
        KeepReplaced(job.index, Replacement::Typing, result.before, result.after);
    }
    if (result.wrote && job.index >= 0 && job.index < TabCount()) {
        tabs_[static_cast<std::size_t>(job.index)].storedAt = clock_();
        tabs_[static_cast<std::size_t>(job.index)].followed.reset();  // its own text now
    }
    pageCut_ = false;  // the file holds what the text area showed
    pageForm_ = result.form;
    pageSeen_ = result.stored;
    Remember(job.index, pageSeen_);
    if (result.wrote) {
        // Another machine reads whose this text is from the record.
        StoreAgreed(false);
    }
    // Typed since the text was copied: those edits wait for the next save.
    if (view_.PageEdits() == job.edits) {
        PageSaved();
    }
}

void Notebook::PageStored(const store::EncodedText& file) {
    pageCut_ = false;  // the file holds what the text area shows
    pageForm_ = file.form;
    pageSeen_ = store::FingerprintOf(std::string_view(file.bytes));
    Remember(view_.SelectedTab(), pageSeen_);
    if (view_.SelectedTab() >= 0 && view_.SelectedTab() < TabCount()) {
        tabs_[static_cast<std::size_t>(view_.SelectedTab())].followed.reset();
    }
    PageSaved();
}

void Notebook::PageSaved() {
    view_.PageWritten();
    schedule_.Clear();
}

void Notebook::LoadPage() {
    pageLoaded_ = false;
    pageCut_ = false;
    pageForm_ = store::FormOfNewFile(store_.encodings().systemUsesUtf8);
    pageSeen_ = {};
    if (writesStopped_) {
        // The page files may not be numbered as the tabs are: a page shown now could be
        // another tab's.
        view_.ClearPage();
        UpdateEditable();
        return;
    }
    const int index = view_.SelectedTab();
    std::optional<std::string> bytes;
    try {
        bytes = store_.ReadPage(index);
    } catch (...) {
        // Nothing of another page may stay where this one's edits would be typed and saved.
        view_.ClearPage();
        UpdateEditable();
        throw;
    }
    // (Also where its file is gone: another machine may have set it aside, a page past the last
    // tab of a list that had yet to hold this tab.)
    const store::Fingerprint inFile =
        bytes ? store::FingerprintOf(std::string_view(*bytes)) : store::FingerprintOf(std::nullopt);
    // Another tab's page, moved into this tab's file by a close elsewhere in a store machines
    // share: the same, until the tab list that says so comes and is merged.
    if (mergeWaiting_ || (!others_.empty() && AnotherTabsPage(index, inFile))) {
        const PageAway own = OwnPageAway(index, inFile);
        if (own.bytes && mergeWaiting_) {
            ShowStoredPage(index, own.bytes, false);
            pageAway_ = true;
            return;
        }
        if (own.away) {
            // Not here yet: nothing is shown to be typed over (the text of another tab, or an
            // empty page saved over this one's) until the merge places it.
            view_.ClearPage();
            UpdateEditable();
            return;
        }
    }
    ShowStoredPage(index, bytes, false);
}

bool Notebook::AnotherTabsPage(int index, const store::Fingerprint& inFile) const {
    if (!inFile.exists || inFile.size == 0) {
        return false;
    }
    for (int i = 0; i < TabCount(); ++i) {
        const TabState& tab = tabs_[static_cast<std::size_t>(i)];
        if (i != index &&
            ((tab.stored && *tab.stored == inFile) ||
             std::find(tab.older.begin(), tab.older.end(), inFile) != tab.older.end())) {
            return true;
        }
    }
    return false;
}

Notebook::PageAway Notebook::OwnPageAway(int index, const store::Fingerprint& inFile) {
    if (index < 0 || index >= TabCount()) {
        return {};
    }
    const TabState& tab = tabs_[static_cast<std::size_t>(index)];
    if (!tab.stored || !tab.stored->exists || tab.stored->size == 0 || *tab.stored == inFile ||
        std::find(tab.older.begin(), tab.older.end(), inFile) != tab.older.end()) {
        return {};
    }
    for (const Agreed& other : others_) {
        for (const KnownTab& known : other.mine) {
            if (IsTab(known, tab) &&
                (known.page == inFile ||
                 std::find(known.older.begin(), known.older.end(), inFile) != known.older.end())) {
                return {};  // another machine's version of this tab
            }
        }
    }
    // The page as this machine last had it: pushed into a copy of its file, or into another
    // page file, or kept in the page history.
    const auto holds = [&](const std::wstring& path) -> std::optional<std::string> {
        auto bytes = store_.TryRead(path);
        if (bytes && store::FingerprintOf(std::string_view(*bytes)) == *tab.stored) {
            return bytes;
        }
        return std::nullopt;
    };
    for (const std::wstring& name : store_.FileNames()) {
        if (store::ConflictCopyOf(name) || store::PageFileIndex(name)) {
            if (auto bytes = holds(std::wstring(store::kStoreDirectory) + L"/" + name)) {
                return {true, std::move(bytes)};
            }
        }
    }
    if (const auto path = FindInHistory(*tab.stored, HistoryFileNames())) {
        return {true, holds(*path)};
    }
    return {true, std::nullopt};
}

void Notebook::SavePageAway() {
    if (!view_.PageModified() || !pageLoaded_) {
        return;
    }
    const store::EncodedText shown =
        store::EncodeStoredText(view_.PageText(), pageForm_, store_.encodings());
    const store::Fingerprint print = store::FingerprintOf(std::string_view(shown.bytes));
    if (print != pageSeen_) {
        // The merge takes it from there, as this tab's page, once it places the tabs.
        KeepAside(shown.bytes, {});
        pageSeen_ = print;
        Remember(view_.SelectedTab(), print);
        StoreAgreed(false);
    }
    PageSaved();
}

void Notebook::ShowStoredPage(int index, const std::optional<std::string>& bytes, bool reload) {
    bool nul = false;
    bool replaced = false;
    try {
        if (bytes) {
            const store::StoredText page = store_.DecodePage(*bytes);
            reload ? view_.ReloadPage(page.text) : view_.ShowPage(page.text);
            pageForm_ = page.form;
            nul = page.text.find(store::Utf16Unit(0)) != store::Utf16::npos;
            replaced = page.replaced;
        } else {
            view_.ClearPage();
        }
    } catch (...) {
        pageLoaded_ = false;
        view_.ClearPage();
        UpdateEditable();
        throw;
    }
    pageAway_ = false;
    pageSeen_ =
        bytes ? store::FingerprintOf(std::string_view(*bytes)) : store::FingerprintOf(std::nullopt);
    Remember(index, pageSeen_);
    PageSaved();  // what the text area holds is what is stored
    pageLoaded_ = true;
    pageCut_ = nul || replaced;
    UpdateEditable();
    if (pageCut_) {
        const std::wstring name = store::PageFileName(index);
        const std::wstring caption =
            store::ToWide(tabs_.at(static_cast<std::size_t>(index)).caption);
        Notice(name, nul ? CutPageNotice(caption, OriginalFileFor(name))
                         : ReplacedPageNotice(caption, OriginalFileFor(name)));
    }
}

void Notebook::LeavePage() {
    FinishWrites();
    FollowStore();
    SavePage();
    left_ = view_.SelectedTab();
}

void Notebook::PageSelected() {
    FinishWrites();
    // A strip shown anew as the page was left (another program changed the tab list) may
    // have fewer tabs than the place clicked: the tab left stays chosen.
    if (view_.SelectedTab() < 0 || view_.SelectedTab() >= TabCount()) {
        view_.SelectTab(left_ >= 0 && left_ < TabCount() ? left_ : TabCount() - 1);
    }
    // The tab chosen is looked for again in a list another program changed meanwhile.
    const int chosen = view_.SelectedTab();
    const store::Utf16 caption = chosen >= 0 && chosen < TabCount()
                                     ? tabs_[static_cast<std::size_t>(chosen)].caption
                                     : store::Utf16();
    bool followed = false;
    Try([&] { followed = FollowStore(); });  // the page below is shown, or cleared, anyway
    if (followed) {
        const int now = Where(Captions(), caption, chosen);
        if (now >= 0) {
            view_.SelectTab(now);
        }
    }
    SettingsChanged();
    LoadPage();
}

void Notebook::MoveTo(int index) {
    LeavePage();
    view_.SelectTab(index);
    PageSelected();
}

}  // namespace qb::notebook
