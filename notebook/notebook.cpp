#include "notebook/notebook.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "notebook/test_hooks.h"
#include "store/pure/conflict_copies.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"

namespace qb::notebook {

namespace {

const store::Utf16 kAboutCaption = QB_TEXT("О программе");
const store::Utf16 kDeclaredTab = QB_TEXT("Main");
// The tab of this program's version of a page another program changed at the same time, and
// that of a sync engine's conflict copy.
const store::Utf16 kOwnVersion = QB_TEXT(" (ваша версия)");
const store::Utf16 kSyncCopy = QB_TEXT(" (копия синхронизации)");

store::Utf16 Widen(std::wstring_view ascii) {
    return store::Utf16(ascii.begin(), ascii.end());
}

// Where the tab `caption` is now, nearest to where it was; -1 when it is gone.
int Where(const std::vector<store::Utf16>& captions, const store::Utf16& caption, int was) {
    int best = -1;
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (captions[static_cast<std::size_t>(i)] == caption &&
            (best < 0 || std::abs(i - was) < std::abs(best - was))) {
            best = i;
        }
    }
    return best;
}

std::wstring OriginalFileFor(std::wstring_view path) {
    return std::wstring(path) + L".original";
}

}  // namespace

Error CurrentFailure() {
    try {
        throw;
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(L"Out of memory");
    } catch (const std::exception& e) {
        return Error(store::ToWide(store::Utf8ToUtf16(e.what())));
    } catch (...) {
        return Error(L"Unknown failure");
    }
}

Notebook::Notebook(FileSystem& files, const store::Encodings& encodings, View& view, Clock clock)
    : store_(files, encodings),
      view_(view),
      clock_(std::move(clock)),
      pageForm_(store::FormOfNewFile(encodings.systemUsesUtf8)),
      tabListForm_(store::FormOfNewFile(encodings.systemUsesUtf8)) {}

template <typename F>
bool Notebook::Try(F&& step) {
    try {
        step();
        return true;
    } catch (...) {
        view_.ShowError(CurrentFailure());
    }
    return false;
}

void Notebook::Notice(const std::wstring& subject, const std::wstring& text) {
    if (told_.First(subject)) {
        view_.ShowNotice(text);
    }
}

// ---- Guards ----

void Notebook::StopWrites() {
    writesStopped_ = true;
    UpdateEditable();
}

void Notebook::UpdateEditable() {
    view_.SetPageEditable(!writesStopped_ && pageLoaded_);
}

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
    const std::wstring kept = store_.KeepUnownedPage(index);
    const std::wstring name = store::PageFileName(index);
    Notice(L"unowned:" + name, UnownedPageNotice(name, kept));
}

// ---- Pages ----

void Notebook::SavePage() {
    if (writesStopped_) {
        return;  // the page files cannot be trusted
    }
    store_.EnsureDirectory();
    const int index = view_.SelectedTab();
    if (!pageLoaded_ && store_.PageExists(index)) {
        return;  // this tab's page was never read: its file stays as it is
    }
    if (pageCut_ && !view_.PageModified()) {
        return;  // the bytes not shown stay in the file
    }
    // Another program wrote the page since it was read or written here: its version stays,
    // and this program's goes beside it.
    if (ChangedOutside(store::PageFileName(index), pageSeen_)) {
        KeepOwnTextAsNewTab();
        return;
    }
    if (pageCut_) {
        store_.KeepOriginal(store::PageFileName(index));
    }
    PageStored(store_.SavePageText(index, view_.PageText(), pageForm_));
}

bool Notebook::ChangedOutside(std::wstring_view path, const store::Fingerprint& seen) {
    // A file deleted meanwhile is simply written again; one that cannot be read now is not
    // known to have changed (the write tells).
    const auto now = store_.FingerprintOf(path);
    return now && now->exists && *now != seen;
}

void Notebook::PageStored(const store::EncodedText& file) {
    pageCut_ = false;  // the file holds what the text area shows
    pageForm_ = file.form;
    pageSeen_ = store::FingerprintOf(std::string_view(file.bytes));
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
    ShowStoredPage(index, bytes, false);
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
    pageSeen_ =
        bytes ? store::FingerprintOf(std::string_view(*bytes)) : store::FingerprintOf(std::nullopt);
    PageSaved();  // what the text area holds is what is stored
    pageLoaded_ = true;
    pageCut_ = nul || replaced;
    UpdateEditable();
    if (pageCut_) {
        const std::wstring name = store::PageFileName(index);
        const std::wstring caption = store::ToWide(view_.TabCaption(index));
        Notice(name, nul ? CutPageNotice(caption, OriginalFileFor(name))
                         : ReplacedPageNotice(caption, OriginalFileFor(name)));
    }
}

void Notebook::LeavePage() {
    FollowTabList();
    SavePage();
}

void Notebook::PageSelected() {
    // The tab chosen is looked for again in a list another program changed meanwhile.
    const int chosen = view_.SelectedTab();
    const store::Utf16 caption = chosen >= 0 ? view_.TabCaption(chosen) : store::Utf16();
    bool followed = false;
    Try([&] { followed = FollowTabList(); });  // the page below is shown, or cleared, anyway
    if (followed) {
        const int now = Where(view_.TabCaptions(), caption, chosen);
        if (now >= 0) {
            view_.SelectTab(now);
        }
    }
    SettingsChanged();
    LoadPage();
}

// ---- The tab list ----

store::StoredText Notebook::TakeTabList(const std::string& bytes) {
    store::StoredText list = store::DecodeStoredText(bytes, store_.encodings());
    listSeen_ = store::FingerprintOf(std::string_view(bytes));
    tabListForm_ = list.form;
    tabListCut_ =
        list.replaced || store::TabListLosesText(list.text, store::kCaptionBufferChars - 1);
    tabsChanged_ = false;
    return list;
}

void Notebook::LoadTabList() {
    const store::StoredText list = TakeTabList(store_.ReadTabListBytes());
    view_.ShowTabs(store::SplitTabListText(list.text));
    if (tabListCut_) {
        const std::wstring original = OriginalFileFor(store::kTabListWritePath);
        Notice(L"tabs",
               list.replaced ? ReplacedTabListNotice(original) : CutTabListNotice(original));
    }
}

void Notebook::WriteTabList(const std::vector<store::Utf16>& captions) {
    store_.EnsureDirectory();
    if (ChangedOutside(store::kTabListWritePath, listSeen_)) {
        throw Error(L"The tab list was changed by another program meanwhile; nothing was changed");
    }
    StoreTabList(captions);
}

void Notebook::StoreTabList(const std::vector<store::Utf16>& captions) {
    if (tabListCut_) {
        store_.KeepOriginal(store::kTabListWritePath);
    }
    const store::EncodedText file = store_.EncodeTabList(captions, tabListForm_);
    store_.SaveTabListBytes(file.bytes);
    tabListForm_ = file.form;
    listSeen_ = store::FingerprintOf(std::string_view(file.bytes));
    tabListCut_ = false;  // the file holds what the strip shows
}

void Notebook::SaveTabList() {
    if (writesStopped_ || (tabListCut_ && !tabsChanged_)) {
        return;  // what is stored was not (wholly) read, and nothing replaces it
    }
    store_.EnsureDirectory();
    if (ChangedOutside(store::kTabListWritePath, listSeen_)) {
        return;  // another program's list came meanwhile: it stays
    }
    StoreTabList(view_.TabCaptions());
}

void Notebook::BeginTabChange() {
    if (!writesStopped_) {
        StoreChanged();
        store_.RemoveLeftoverCloseRecord();
    }
}

// ---- Other programs ----

bool Notebook::FollowTabList() {
    // A list deleted outside is written again with the next change; one another program
    // holds is looked at again at the next change reported.
    const auto read = writesStopped_ ? std::nullopt : store_.TryRead(store::kTabListReadPath);
    if (!read) {
        return false;
    }
    const std::string& bytes = *read;
    const store::Fingerprint now = store::FingerprintOf(std::string_view(bytes));
    if (now == listSeen_) {
        return false;
    }
    std::vector<store::Utf16> captions = store::SplitTabListText(TakeTabList(bytes).text);
    if (captions.empty()) {
        captions.push_back(kDeclaredTab);
    }
    if (captions == view_.TabCaptions()) {
        return false;
    }
    // The selected tab stays the same tab where it still exists; the page on screen is then
    // judged by what its tab's file holds (FollowPage).
    const int selected = view_.SelectedTab();
    const store::Utf16 caption = selected >= 0 ? view_.TabCaption(selected) : store::Utf16();
    int next = Where(captions, caption, selected);
    if (next < 0) {
        next = std::min(std::max(selected, 0), static_cast<int>(captions.size()) - 1);
    }
    view_.ShowTabs(captions);
    view_.SelectTab(next);
    view_.SetCloseEnabled(captions.size() > 1);
    return true;
}

void Notebook::FollowPage() {
    if (writesStopped_ || !pageLoaded_) {
        return;
    }
    const int index = view_.SelectedTab();
    const auto bytes = store_.TryRead(store::PageFileName(index));
    if (!bytes) {
        return;  // gone (the next save writes it again), or held: looked at again later
    }
    if (store::FingerprintOf(std::string_view(*bytes)) == pageSeen_) {
        return;
    }
    if (view_.PageModified()) {
        KeepOwnTextAsNewTab();
        return;
    }
    ShowStoredPage(index, bytes, true);
}

store::EncodedText Notebook::AppendTabWithPage(const store::Utf16& caption, store::Utf16View text,
                                               store::TextForm form) {
    const int index = view_.TabCount();
    SetAsideUnownedPage(index);
    // The page first: should the list not follow, the page is one no tab owns, kept aside
    // before a new tab takes its number.
    store_.EnsureDirectory();
    const store::EncodedText file = store_.SavePageText(index, text, form);
    std::vector<store::Utf16> captions = view_.TabCaptions();
    captions.push_back(caption);
    WriteTabList(captions);
    view_.AppendTab(caption);
    view_.SetCloseEnabled(true);
    return file;
}

void Notebook::KeepOwnTextAsNewTab() {
    const int from = view_.SelectedTab();
    const store::Utf16 caption = view_.TabCaption(from);
    const store::Utf16 own = caption + kOwnVersion;
    const store::Utf16 text = view_.PageText();
    const int index = view_.TabCount();
    const store::EncodedText written =
        AppendTabWithPage(own, text, store::FormOfNewFile(store_.encodings().systemUsesUtf8));
    // The text area goes on showing this program's text, now the new tab's page.
    view_.SelectTab(index);
    pageLoaded_ = true;
    PageStored(written);
    UpdateEditable();
    SettingsChanged();
    Notice(L"both:" + store::ToWide(caption),
           BothVersionsKeptNotice(store::ToWide(caption), store::ToWide(own)));
}

void Notebook::TakeConflictCopies() {
    if (writesStopped_ || !store_.files().IsDirectory(store::kStoreDirectory)) {
        return;
    }
    for (const std::wstring& name : store_.FileNames()) {
        const auto page = store::ConflictCopyOf(name);
        if (!page) {
            continue;
        }
        const std::wstring path = std::wstring(store::kStoreDirectory) + L"/" + name;
        const auto bytes = store_.TryRead(path);
        if (!bytes) {
            continue;  // held for now: taken at the next change reported
        }
        const store::StoredText text = store_.DecodePage(*bytes);
        const store::Utf16 owner = *page >= 0 && *page < view_.TabCount()
                                       ? view_.TabCaption(*page)
                                       : QB_TEXT("Tab") + Widen(std::to_wstring(*page));
        const store::Utf16 caption = owner + kSyncCopy;
        // Taken already, when a power cut came before the copy went.
        bool taken = false;
        const std::vector<store::Utf16> captions = view_.TabCaptions();
        for (int i = 0; i < static_cast<int>(captions.size()) && !taken; ++i) {
            if (captions[static_cast<std::size_t>(i)] == caption) {
                const auto kept = store_.LoadPageText(i);
                taken = kept && kept->text == text.text;
            }
        }
        if (!taken) {
            AppendTabWithPage(caption, text.text, text.form);
        }
        // Its text is a page now; the copy goes. Should it stay, it is taken again next time.
        store_.Remove(path);
        if (!taken) {
            Notice(L"copy:" + name,
                   ConflictCopyNotice(store::ToWide(owner), name, store::ToWide(caption)));
        }
    }
}

void Notebook::StoreChanged() {
    if (writesStopped_) {
        return;
    }
    FollowTabList();
    FollowPage();
    TakeConflictCopies();
}

// ---- Commands ----

void Notebook::AddPage(store::Utf16View caption, const std::function<void()>& fill) {
    BeginTabChange();
    const int index = view_.TabCount();
    SetAsideUnownedPage(index);
    std::vector<store::Utf16> captions = view_.TabCaptions();
    captions.emplace_back(caption);
    if (!writesStopped_) {
        WriteTabList(captions);
    }
    tabsChanged_ = true;
    view_.AppendTab(caption);
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
    const store::Utf16 before = view_.TabCaption(index);
    BeginTabChange();
    // The tab is looked for again in a list another program changed meanwhile.
    const int now = Where(view_.TabCaptions(), before, index);
    if (now < 0) {
        return;  // closed elsewhere
    }
    std::vector<store::Utf16> captions = view_.TabCaptions();
    captions[static_cast<std::size_t>(now)] = store::Utf16(caption);
    if (!writesStopped_) {
        WriteTabList(captions);
    }
    tabsChanged_ = true;
    view_.RenameTab(now, caption);
}

void Notebook::ClosePage(int index) {
    if (writesStopped_) {
        throw Error(L"The tab list could not be read, so no page file may be renumbered");
    }
    const std::vector<store::Utf16> seen = view_.TabCaptions();
    BeginTabChange();
    if (view_.TabCaptions() != seen) {
        // Another program changed the tabs while this one was chosen: nothing is closed.
        Notice(L"close:" + std::to_wstring(clock_()), CloseGivenUpNotice());
        return;
    }
    // Closing the only tab leaves no tab to show: the text area keeps the closed tab's stored
    // page, read now, before its file goes.
    const int count = view_.TabCount();
    const bool onlyTab = count == 1;
    std::optional<store::StoredText> lastPage;
    if (onlyTab) {
        lastPage = store_.LoadPageText(index);
    }
    // The store first, all or nothing: the closed page goes, the later pages move down and the
    // tab list loses the tab. When that cannot be done nothing changes, the tab stays and the
    // failure is shown; when it cannot even be undone, nothing more is written in this run, and
    // the next start finishes the close.
    std::vector<store::Utf16> captions = view_.TabCaptions();
    captions.erase(captions.begin() + index);
    store_.EnsureDirectory();
    if (tabListCut_) {
        store_.KeepOriginal(store::kTabListWritePath);
    }
    const store::EncodedText list = store_.EncodeTabList(captions, tabListForm_);
    try {
        store_.CloseTab(index, count - 1, list.bytes);
    } catch (const StoreInDoubt&) {
        StopWrites();
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
    view_.RemoveTab(index);
    tabsChanged_ = true;
    if (view_.TabCount() == 1) {
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
    const std::uint64_t start = clock_();
    // Typing is not held up waiting for a file another program holds: the save is tried again
    // at the next pause.
    store_.SetPatient(false);
    try {
        SavePage();
        backgroundSaveFailed_ = false;
    } catch (...) {
        // The edits stay in the text area; the save is tried again once typing pauses next.
        schedule_.Clear();
        const Error failure = CurrentFailure();
        if (!backgroundSaveFailed_) {
            backgroundSaveFailed_ = true;
            view_.ShowError(failure);
        }
    }
    store_.SetPatient(true);
    schedule_.Took(clock_() - start);
    return std::nullopt;
}

// ---- Settings, start-up and shutdown ----

store::Settings Notebook::CurrentSettings() const {
    const WindowPlace place = view_.Place();
    store::Settings now = settings_;
    now.left = place.left;
    now.top = place.top;
    now.opacity = place.opacity;
    now.width = place.width;
    now.height = place.height;
    now.tabIndex = view_.SelectedTab();
    return now;
}

void Notebook::SettingsChanged() {
    if (writesStopped_ || !settingsWritable_) {
        return;
    }
    // Shown once: the settings are written again at the next change and when the program ends.
    try {
        settings_ = CurrentSettings();
        store_.WriteSettings(settings_);
        settingsFollowFailed_ = false;
    } catch (const Error& e) {
        if (!settingsFollowFailed_) {
            settingsFollowFailed_ = true;
            view_.ShowError(e);
        }
    }
}

void Notebook::Start() {
    // A tab close cut short by a crash is finished before anything reads the store. When it
    // cannot be, which page belongs to which tab is not known: nothing is written in this run.
    if (!Try([this] { store_.FinishInterruptedClose(); })) {
        StopWrites();
    }
    const bool haveSettings = store_.SettingsExist();
    const bool haveTabList = store_.TabListExists();
    if (!haveSettings && !haveTabList) {
        // The first run: the About page instead of a restored store.
        AddAboutPage();
        return;
    }

    // Without settings (or with unreadable ones) the window keeps its declared geometry and
    // opacity, and the first tab is selected. Each step's failure is shown, and start-up goes
    // on with what can be read.
    int tabIndex = 0;
    if (haveSettings) {
        Try([&] {
            try {
                settings_ = store_.ReadSettings();
            } catch (const IoError& e) {
                // A file that could not even be opened (held by another program, not ours to
                // write) is not replaced at shutdown; a short one holds nothing worth keeping.
                if (e.code() != kReadBeyondEndCode) {
                    settingsWritable_ = false;
                }
                throw;
            }
            view_.ApplySettings(settings_);
            tabIndex = settings_.tabIndex;
        });
    }
    if (haveTabList && !Try([this] { LoadTabList(); })) {
        StopWrites();  // which page belongs to which tab is unknown now
    }
    if (view_.TabCount() == 0) {
        view_.AppendTab(kDeclaredTab);
    }
    view_.SelectTab(tabIndex);
    if (!writesStopped_) {
        LoadPage();
        TakeConflictCopies();
    }
}

void Notebook::SaveAll() {
    if (writesStopped_) {
        return;  // nothing of this run may replace a store that was not read
    }
    Try([this] { StoreChanged(); });  // what the program has is written all the same
    store_.EnsureDirectory();
    SaveTabList();
    SavePage();
    settings_ = CurrentSettings();
    if (settingsWritable_) {
        store_.WriteSettings(settings_);
    }
}

}  // namespace qb::notebook
