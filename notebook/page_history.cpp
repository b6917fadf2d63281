// A page's earlier texts and the tabs closed here (history.h): versions kept as the rule says,
// pruned, looked up and restored; a closed tab reopened.
#include <algorithm>
#include <chrono>
#include <cwctype>
#include <utility>

#include "notebook/notebook.h"
#include "notebook/notebook_texts.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"

namespace qb::notebook {

namespace {

std::uint64_t SystemTimeMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
    });
}

std::wstring InHistory(const std::wstring& name) {
    return std::wstring(kHistoryDirectory) + L"/" + name;
}

}  // namespace

std::uint64_t Notebook::WallTime() const {
    return wallClock_ ? wallClock_() : SystemTimeMs();
}

void Notebook::LoadHistory() {
    const auto index = store_.TryRead(IndexFileName(machine_));
    versions_ = index ? DecodeIndex(*index, machine_) : std::vector<Version>();
    historyWritten_ = index ? *index : std::string();
    const auto closed = store_.TryRead(ClosedTabsFileName(machine_));
    closed_ = closed ? DecodeClosedTabs(*closed) : std::vector<ClosedTab>();
    closedWritten_ = closed ? *closed : std::string();
    // This machine's version files that neither list names (a power cut between a version's
    // file and its line) go, but only when both lists were read whole: a list that could not
    // be read, or was damaged, may name them.
    const bool indexWhole =
        index ? EncodeIndex(versions_) == *index : !store_.files().IsFile(IndexFileName(machine_));
    const bool closedWhole = closed ? EncodeClosedTabs(closed_) == *closed
                                    : !store_.files().IsFile(ClosedTabsFileName(machine_));
    if (indexWhole && closedWhole && !writesStopped_) {
        Try([this] { RemoveUnnamedVersionFiles(); });
    }
}

void Notebook::RemoveUnnamedVersionFiles() {
    if (!store_.files().IsDirectory(kHistoryDirectory)) {
        return;
    }
    // "<machine>-": a version file's name without the fingerprint and ".txt".
    const std::wstring none = VersionFileName(machine_, {});
    const std::wstring prefix = none.substr(
        kHistoryDirectory.size() + 1, none.size() - kHistoryDirectory.size() - 1 -
                                          std::wstring_view(L"0000000000000000-0.txt").size());
    for (const std::wstring& name : store_.files().List(kHistoryDirectory)) {
        if (name.size() <= prefix.size() || !SameName(name.substr(0, prefix.size()), prefix) ||
            !SameName(name.substr(name.size() - 4), L".txt")) {
            continue;
        }
        const std::wstring path = InHistory(name);
        const auto named = [&](const store::Fingerprint& print) {
            return SameName(VersionFileName(machine_, print), path);
        };
        if (std::none_of(versions_.begin(), versions_.end(),
                         [&](const Version& v) { return named(v.text); }) &&
            std::none_of(closed_.begin(), closed_.end(),
                         [&](const ClosedTab& t) { return named(t.page); })) {
            store_.Remove(path);
        }
    }
}

void Notebook::EnsureHistoryDirectory() {
    if (!store_.files().IsDirectory(kHistoryDirectory)) {
        if (const ErrorCode code = store_.files().MakeDirectory(kHistoryDirectory)) {
            throw IoError(IoErrorText(code), code);
        }
    }
}

void Notebook::WriteHistoryIndex() {
    std::string bytes = EncodeIndex(versions_);
    if (bytes == historyWritten_) {
        return;
    }
    EnsureHistoryDirectory();
    store_.WriteFile(IndexFileName(machine_), bytes);
    historyWritten_ = std::move(bytes);
}

void Notebook::WriteClosedTabs() {
    std::string bytes = EncodeClosedTabs(closed_);
    if (bytes == closedWritten_) {
        return;
    }
    EnsureHistoryDirectory();
    store_.WriteFile(ClosedTabsFileName(machine_), bytes);
    closedWritten_ = std::move(bytes);
}

void Notebook::WriteVersionFile(const store::Fingerprint& print, std::string_view bytes) {
    EnsureHistoryDirectory();
    const std::wstring name = VersionFileName(machine_, print);
    if (store_.FingerprintOf(name) != print) {
        store_.WriteFile(name, bytes);
    }
}

void Notebook::HistoryFailed() {
    // The page is stored all the same; the history is told of once.
    Notice(L"history", HistoryFailedNotice(CurrentFailure().text()));
}

void Notebook::KeepReplaced(int index, Replacement why, std::string_view before,
                            std::string_view after) {
    if (writesStopped_ || index < 0 || index >= TabCount()) {
        return;
    }
    const TabState& tab = tabs_[static_cast<std::size_t>(index)];
    const std::optional<std::uint64_t> since =
        tab.storedAt ? std::optional(clock_() - *tab.storedAt) : std::nullopt;
    if (!KeepsVersion(why, before, after, since)) {
        return;
    }
    try {
        AddVersion(before, after);
        PruneHistory();
    } catch (...) {
        HistoryFailed();
    }
}

void Notebook::AddVersion(std::string_view before, std::string_view after) {
    const std::string kept(before);  // before may be the store's scratch, read over next
    Version version;
    version.time = WallTime();
    version.text = store::FingerprintOf(std::string_view(kept));
    version.replacedBy = store::FingerprintOf(after);
    version.chars = store_.DecodePage(kept).text.size();
    version.machine = machine_;
    WriteVersionFile(version.text, kept);
    versions_.push_back(std::move(version));
}

void Notebook::KeepAside(std::string_view before, std::string_view after) {
    AddVersion(before, after);
    WriteHistoryIndex();  // (not pruned now: the version must stay until it stands elsewhere)
}

void Notebook::KeepScreenAsVersion(std::string_view replacement) {
    const std::string shown =
        store::EncodeStoredText(view_.PageText(), pageForm_, store_.encodings()).bytes;
    if (store::FingerprintOf(std::string_view(shown)) == pageSeen_) {
        KeepReplaced(view_.SelectedTab(), Replacement::Follow, shown, replacement);
    }
}

void Notebook::ForgetPageFile(const store::Fingerprint& page) {
    const bool named = std::any_of(versions_.begin(), versions_.end(),
                                   [&](const Version& v) { return v.text == page; }) ||
                       std::any_of(closed_.begin(), closed_.end(),
                                   [&](const ClosedTab& t) { return t.page == page; });
    if (page.exists && !named) {
        store_.Remove(VersionFileName(machine_, page));
    }
}

void Notebook::PruneHistory() {
    const std::vector<std::size_t> drop =
        VersionsToDrop(versions_, kVersionsPerPage, kHistoryBytes);
    std::vector<Version> gone;
    for (auto it = drop.rbegin(); it != drop.rend(); ++it) {
        gone.push_back(versions_[*it]);
        versions_.erase(versions_.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    WriteHistoryIndex();
    for (const Version& version : gone) {
        ForgetPageFile(version.text);
    }
}

void Notebook::RelinkHistory(const store::Fingerprint& from, const store::Fingerprint& to) {
    if (!versions_.empty() && versions_.back().text == from && versions_.back().replacedBy == to) {
        return;  // the version just made links the two texts
    }
    if (Relink(versions_, from, to)) {
        try {
            WriteHistoryIndex();
        } catch (...) {
            HistoryFailed();
        }
    }
}

std::vector<Version> Notebook::PageHistory() {
    const int index = view_.SelectedTab();
    if (index < 0 || index >= TabCount() || writesStopped_) {
        return {};
    }
    // What the text area holds is stored first: its text before is then in the history too.
    SavePage();
    const TabState& tab = tabs_[static_cast<std::size_t>(index)];
    return notebook::PageHistory(AllVersions(), tab.stored.value_or(pageSeen_));
}

bool Notebook::HasHistory() {
    const int index = view_.SelectedTab();
    if (index < 0 || index >= TabCount() || writesStopped_) {
        return false;
    }
    if (view_.PageModified()) {
        return true;
    }
    const TabState& tab = tabs_[static_cast<std::size_t>(index)];
    return !notebook::PageHistory(AllVersions(), tab.stored.value_or(pageSeen_)).empty();
}

std::vector<Version> Notebook::AllVersions() {
    std::vector<Version> all = versions_;
    // Other machines' versions of the page, as their indexes list them.
    if (store_.files().IsDirectory(kHistoryDirectory)) {
        for (const std::wstring& name : store_.files().List(kHistoryDirectory)) {
            const auto machine = IndexFileMachine(name);
            if (!machine || SameName(InHistory(name), IndexFileName(machine_))) {
                continue;
            }
            if (const auto bytes = store_.TryRead(InHistory(name))) {
                for (Version& v : DecodeIndex(*bytes, *machine)) {
                    all.push_back(std::move(v));
                }
            }
        }
    }
    return all;
}

std::vector<KnownTab> Notebook::ClosedEverywhere() {
    std::vector<ClosedTab> all = closed_;
    if (store_.files().IsDirectory(kHistoryDirectory)) {
        for (const std::wstring& name : store_.files().List(kHistoryDirectory)) {
            if (!IsClosedTabsFileName(name) ||
                SameName(InHistory(name), ClosedTabsFileName(machine_))) {
                continue;
            }
            if (const auto bytes = store_.TryRead(InHistory(name))) {
                for (ClosedTab& tab : DecodeClosedTabs(*bytes)) {
                    all.push_back(std::move(tab));
                }
            }
        }
    }
    std::vector<KnownTab> closed;
    for (ClosedTab& tab : all) {
        if (!tab.id.empty()) {
            closed.push_back({std::move(tab.caption), tab.page, {}, std::move(tab.id)});
        }
    }
    return closed;
}

store::StoredText Notebook::VersionText(const Version& version) {
    return store_.DecodePage(VersionBytes(version));
}

std::string Notebook::VersionBytes(const Version& version) {
    const std::wstring name = VersionFileName(version.machine, version.text);
    const auto bytes = store_.TryRead(name);
    if (!bytes || store::FingerprintOf(std::string_view(*bytes)) != version.text) {
        throw Error(L"The earlier text \"" + store_.files().FullPath(name) +
                    L"\" is missing or damaged");
    }
    return *bytes;
}

void Notebook::RestoreVersion(const Version& version) {
    if (writesStopped_ || !pageLoaded_) {
        throw Error(L"The page on screen cannot be written in this run");
    }
    const std::string bytes = VersionBytes(version);
    SavePage();
    const int index = view_.SelectedTab();
    const std::wstring name = store::PageFileName(index);
    const auto now = store_.FingerprintOf(name);
    if (now && now->exists && *now != pageSeen_) {
        throw Error(L"The page was changed by another program meanwhile; nothing was restored");
    }
    if (now && now->exists) {
        KeepReplaced(index, Replacement::Restore, store_.LastRead(), bytes);
    }
    store_.EnsureDirectory();
    store_.SavePage(index, bytes);
    ShowStoredPage(index, bytes, false);
    if (index >= 0 && index < TabCount()) {
        tabs_[static_cast<std::size_t>(index)].storedAt = clock_();
    }
}

// ---- Closed tabs ----

bool Notebook::CanReopen() const {
    return !writesStopped_ && !closed_.empty();
}

void Notebook::KeepClosedTab(int index, const std::optional<std::string>& page) {
    const TabState& tab = tabs_.at(static_cast<std::size_t>(index));
    ClosedTab closed{index, tab.caption,
                     page ? store::FingerprintOf(std::string_view(*page)) : store::Fingerprint{},
                     tab.id};
    if (page) {
        WriteVersionFile(closed.page, *page);
    }
    closed_.push_back(std::move(closed));
    if (closed_.size() > kClosedTabsKept) {
        const ClosedTab oldest = closed_.front();
        closed_.erase(closed_.begin());
        ForgetPageFile(oldest.page);
    }
    WriteClosedTabs();
}

void Notebook::ReopenPage() {
    if (writesStopped_) {
        throw Error(L"The tab list could not be read, so no page file may be renumbered");
    }
    if (closed_.empty()) {
        return;
    }
    BeginTabChange();
    SavePage();  // the page left
    const ClosedTab closed = closed_.back();
    std::optional<std::string> page;
    if (closed.page.exists) {
        try {
            page = VersionBytes({0, closed.page, {}, 0, machine_});
        } catch (...) {
            // Nothing to bring back: the entry goes, the next one is there to reopen.
            closed_.pop_back();
            Try([this] { WriteClosedTabs(); });
            throw;
        }
    }
    const int at = std::clamp(closed.index, 0, TabCount());
    SetAsideUnownedPage(TabCount());
    std::vector<store::Utf16> captions = Captions();
    captions.insert(captions.begin() + at, closed.caption);
    store_.EnsureDirectory();
    if (tabListCut_) {
        store_.KeepOriginal(store::kTabListWritePath);
    }
    const store::EncodedText list = store_.EncodeTabList(captions, tabListForm_);
    newPage_ =
        page ? store::FingerprintOf(std::string_view(*page)) : store::FingerprintOf(std::nullopt);
    newId_ = NewTabId();
    StoreAgreedBefore(store::FingerprintOf(std::string_view(list.bytes)), captions);
    newPage_.reset();
    try {
        store_.ReopenTab(at, TabCount(), page, list.bytes);
    } catch (const StoreInDoubt&) {
        StopWrites();
        throw;
    }
    tabListForm_ = list.form;
    listSeen_ = store::FingerprintOf(std::string_view(list.bytes));
    tabListCut_ = false;
    tabsChanged_ = true;
    const store::Fingerprint stored =
        page ? store::FingerprintOf(std::string_view(*page)) : store::FingerprintOf(std::nullopt);
    tabs_.insert(
        tabs_.begin() + at,
        TabState{
            closed.caption, stored, {}, std::nullopt, std::exchange(newId_, {}), std::nullopt});
    view_.ShowTabs(Captions());
    view_.SelectTab(at);
    view_.SetCloseEnabled(TabCount() > 1);
    closed_.pop_back();
    Try([this] { WriteClosedTabs(); });
    ForgetPageFile(closed.page);  // the page is its tab's again
    SettingsChanged();
    LoadPage();
    Try([this] { StoreAgreed(false); });
}

}  // namespace qb::notebook
