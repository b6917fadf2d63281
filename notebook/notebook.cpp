#include "notebook/notebook.h"

#include <new>
#include <utility>

#include "notebook/test_hooks.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"

namespace qb::notebook {

namespace {

const store::Utf16 kAboutCaption = QB_TEXT("О программе");
const store::Utf16 kDeclaredTab = QB_TEXT("Main");

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
    if (pageCut_) {
        if (!view_.PageModified()) {
            return;  // the bytes not shown stay in the file
        }
        store_.KeepOriginal(store::PageFileName(index));
    }
    pageForm_ = store_.SavePageText(index, view_.PageText(), pageForm_);
    pageCut_ = false;  // the file holds what the text area shows
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
    if (writesStopped_) {
        // The page files may not be numbered as the tabs are: a page shown now could be
        // another tab's.
        view_.ClearPage();
        UpdateEditable();
        return;
    }
    const int index = view_.SelectedTab();
    bool nul = false;
    bool replaced = false;
    try {
        if (auto page = store_.LoadPageText(index)) {
            view_.ShowPage(page->text);
            pageForm_ = page->form;
            nul = page->text.find(store::Utf16Unit(0)) != store::Utf16::npos;
            replaced = page->replaced;
        } else {
            view_.ClearPage();
        }
    } catch (...) {
        // Nothing of another page may stay where this one's edits would be typed and saved.
        view_.ClearPage();
        UpdateEditable();
        throw;
    }
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
    SavePage();
}

void Notebook::PageSelected() {
    SettingsChanged();
    LoadPage();
}

// ---- The tab list ----

void Notebook::LoadTabList() {
    const store::StoredText list = store_.LoadTabListText();
    view_.ShowTabs(store::SplitTabListText(list.text));
    tabsChanged_ = false;
    tabListForm_ = list.form;
    tabListCut_ =
        list.replaced || store::TabListLosesText(list.text, store::kCaptionBufferChars - 1);
    if (tabListCut_) {
        const std::wstring original = OriginalFileFor(store::kTabListWritePath);
        Notice(L"tabs",
               list.replaced ? ReplacedTabListNotice(original) : CutTabListNotice(original));
    }
}

void Notebook::SaveTabList() {
    if (writesStopped_ || (tabListCut_ && !tabsChanged_)) {
        return;  // what is stored was not (wholly) read, and nothing replaces it
    }
    store_.EnsureDirectory();
    if (tabListCut_) {
        store_.KeepOriginal(store::kTabListWritePath);
    }
    const store::EncodedText file = store_.EncodeTabList(view_.TabCaptions(), tabListForm_);
    store_.SaveTabListBytes(file.bytes);
    tabListForm_ = file.form;
    tabListCut_ = false;  // the file holds what the strip shows
}

void Notebook::TabListChanged() {
    tabsChanged_ = true;
    SaveTabList();
}

void Notebook::BeginTabChange() {
    if (!writesStopped_) {
        store_.RemoveLeftoverCloseRecord();
    }
}

// ---- Commands ----

void Notebook::AddPage(store::Utf16View caption, const std::function<void()>& fill) {
    BeginTabChange();
    const int index = view_.TabCount();
    SetAsideUnownedPage(index);
    view_.AppendTab(caption);
    TabListChanged();
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
    BeginTabChange();
    view_.RenameTab(index, caption);
    TabListChanged();
}

void Notebook::ClosePage(int index) {
    if (writesStopped_) {
        throw Error(L"The tab list could not be read, so no page file may be renumbered");
    }
    BeginTabChange();
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
    }
}

void Notebook::SaveAll() {
    if (writesStopped_) {
        return;  // nothing of this run may replace a store that was not read
    }
    store_.EnsureDirectory();
    SaveTabList();
    SavePage();
    settings_ = CurrentSettings();
    if (settingsWritable_) {
        store_.WriteSettings(settings_);
    }
}

}  // namespace qb::notebook
