// The notebook's state and its guards, the tabs it keeps, the settings, start-up and shutdown.
// Its other jobs are in files of their own: a page on disk (page_on_disk.cpp), the tab list file
// (tab_list_file.cpp), following other programs and machines (following.cpp), the commands
// (commands.cpp), finding text (finding.cpp).
#include "notebook/notebook.h"

#include <map>
#include <new>
#include <utility>

#include "notebook/notebook_texts.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"

namespace qb::notebook {

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

Notebook::Notebook(FileSystem& files, const store::Encodings& encodings, View& view, Clock clock,
                   std::wstring machine)
    : store_(files, encodings),
      writerStore_(files, encodings),
      view_(view),
      agreedPath_(AgreedFileName(machine)),
      clock_(std::move(clock)),
      machine_(machine),
      pageForm_(store::FormOfNewFile(encodings.systemUsesUtf8)),
      tabListForm_(store::FormOfNewFile(encodings.systemUsesUtf8)) {
    writerStore_.SetPatient(false);  // typing is not held up for a file another program holds
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

// ---- The tabs ----

std::vector<store::Utf16> Notebook::Captions() const {
    std::vector<store::Utf16> captions;
    captions.reserve(tabs_.size());
    for (const TabState& tab : tabs_) {
        captions.push_back(tab.caption);
    }
    return captions;
}

void Notebook::ShowTabs(const std::vector<store::Utf16>& captions) {
    // Each tab keeps its identity: the one another machine's record gives the list it left, or
    // else the one of the n-th tab of its caption before.
    const std::vector<TabState> before = std::move(tabs_);
    tabs_.clear();
    std::map<store::Utf16, std::size_t> seen;
    for (const store::Utf16& caption : captions) {
        const std::size_t nth = seen[caption]++;
        std::string id;
        for (std::size_t i = 0, k = 0; i < before.size(); ++i) {
            if (before[i].caption == caption && k++ == nth) {
                id = before[i].id;
            }
        }
        tabs_.push_back({caption, std::nullopt, {}, std::nullopt, id, std::nullopt});
    }
    for (const Agreed& other : others_) {
        if (CaptionsOf(other.mine) == captions) {
            for (std::size_t i = 0; i < tabs_.size(); ++i) {
                tabs_[i].id = other.mine[i].id;
            }
            break;
        }
    }
    view_.ShowTabs(captions);
}

void Notebook::AppendTab(store::Utf16View caption, const store::Fingerprint& stored,
                         std::string id) {
    tabs_.push_back({store::Utf16(caption), stored, {}, std::nullopt, std::move(id), std::nullopt});
    view_.AppendTab(caption);
}

void Notebook::RenameTab(int index, store::Utf16View caption) {
    tabs_.at(static_cast<std::size_t>(index)).caption = store::Utf16(caption);
    view_.RenameTab(index, caption);
}

void Notebook::RemoveTab(int index) {
    tabs_.erase(tabs_.begin() + index);
    view_.RemoveTab(index);
}

void Notebook::Remember(int index, const store::Fingerprint& stored) {
    if (index < 0 || index >= TabCount()) {
        return;
    }
    TabState& tab = tabs_[static_cast<std::size_t>(index)];
    if (tab.stored && *tab.stored != stored) {
        RelinkHistory(*tab.stored, stored);  // the page's history follows its text
    }
    if (tab.stored && *tab.stored != stored && tab.stored->exists) {
        tab.older.insert(tab.older.begin(), *tab.stored);
        if (tab.older.size() > kOlderVersionsKept) {
            tab.older.resize(kOlderVersionsKept);
        }
    }
    tab.stored = stored;
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

void Notebook::WriteSettings() {
    settings_ = CurrentSettings();
    const auto bytes = store::EncodeSettings(settings_);
    // The same bytes are not written again: a sync engine would carry the write to the other
    // machines as a change.
    const auto now = store_.FingerprintOf(store::kSettingsPath);
    if (now && *now == store::FingerprintOf(std::string_view(bytes.data(), bytes.size()))) {
        return;
    }
    store_.WriteSettings(settings_);
}

void Notebook::SettingsChanged() {
    FinishWrites();
    if (writesStopped_ || !settingsWritable_) {
        return;
    }
    // Shown once: the settings are written again at the next change and when the program ends.
    try {
        WriteSettings();
        settingsFollowFailed_ = false;
    } catch (const Error& e) {
        if (!settingsFollowFailed_) {
            settingsFollowFailed_ = true;
            view_.ShowError(e);
        }
    }
}

void Notebook::Start() {
    tabs_.clear();
    for (const store::Utf16& caption : view_.TabCaptions()) {
        tabs_.push_back({caption, std::nullopt, {}, std::nullopt, {}, std::nullopt});
    }
    // A tab close cut short by a crash is finished before anything reads the store. When it
    // cannot be, which page belongs to which tab is not known: nothing is written in this run.
    if (!Try([this] {
            closeFinished_ = store_.FinishInterruptedClose();
            closeFinished_ = store_.FinishInterruptedReopen() || closeFinished_;
        })) {
        StopWrites();
    }
    LoadHistory();
    const bool haveSettings = store_.SettingsExist();
    const bool haveTabList = store_.TabListExists();
    if (!haveSettings && !haveTabList) {
        // The first run: the About page instead of a restored store.
        AddAboutPage();
        Try([this] { StoreAgreed(true); });
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
    if (TabCount() == 0) {
        AppendTab(kDeclaredTab, {});
    }
    view_.SelectTab(tabIndex);
    if (!writesStopped_) {
        // What another machine changed while this program was not running is taken in first.
        Try([this] {
            LoadAgreed();
            MergeStore(false);
        });
        LoadPage();
        TakeConflictCopies();
        DropSettingsCopies();
        Try([this] { StoreAgreed(false); });
    }
}

void Notebook::SaveAll() {
    FinishWrites();
    if (writesStopped_) {
        return;  // nothing of this run may replace a store that was not read
    }
    Try([this] { StoreChanged(); });  // what the program has is written all the same
    store_.EnsureDirectory();
    SaveTabList();
    SavePage();
    settings_ = CurrentSettings();
    if (settingsWritable_) {
        WriteSettings();
    }
    StoreAgreed(false);
}

}  // namespace qb::notebook
