// Following other programs and machines: a page or the tab list another program wrote, the
// copies a sync engine leaves, and tabs changed on another machine while this one changed its
// own (merged by the rules in merge.h, against this machine's record in agreed.h).
#include <algorithm>
#include <cwctype>
#include <map>

#include "notebook/history.h"
#include "notebook/notebook.h"
#include "notebook/notebook_texts.h"
#include "store/pure/conflict_copies.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"

namespace qb::notebook {

namespace {

// The text area's text, among the texts on disk a merge may take.
const std::wstring kOnScreen = L":screen";
// A version kept in the page history, among them: "<this>" and its path.
const std::wstring kFromHistory = L":history:";

std::wstring InStore(const std::wstring& name) {
    return std::wstring(store::kStoreDirectory) + L"/" + name;
}

}  // namespace

bool Notebook::IsTab(const KnownTab& known, const TabState& tab) {
    // By identity where both know it, else by caption.
    return !known.id.empty() && !tab.id.empty() ? known.id == tab.id : known.caption == tab.caption;
}

// ---- This machine's record ----

std::vector<KnownTab> Notebook::KnownTabs() {
    std::vector<KnownTab> known;
    for (int i = 0; i < TabCount(); ++i) {
        TabState& tab = tabs_[static_cast<std::size_t>(i)];
        if (!tab.stored) {
            // Not read in this run: what its file holds is what this machine left there.
            tab.stored = store_.FingerprintOf(store::PageFileName(i));
        }
        known.push_back({tab.caption, tab.stored.value_or(store::Fingerprint{}), tab.older, tab.id});
    }
    return known;
}

void Notebook::LoadAgreed() {
    const auto bytes = store_.TryRead(agreedPath_);
    agreed_ = bytes ? DecodeAgreed(*bytes) : std::nullopt;
    if (!agreed_) {
        return;  // none, or damaged: the store is read as it is found
    }
    agreedWritten_ = *bytes;
    // What this machine last stored for each tab, when its tabs are the ones it left.
    if (CaptionsOf(agreed_->mine) == Captions()) {
        for (std::size_t i = 0; i < tabs_.size(); ++i) {
            tabs_[i].stored = agreed_->mine[i].page;
            tabs_[i].older = agreed_->mine[i].older;
            tabs_[i].id = agreed_->mine[i].id;
        }
    }
}

void Notebook::StoreAgreedBefore(const store::Fingerprint& list,
                                 const std::vector<store::Utf16>& captions) {
    // Written before the list, so that a power cut between the two leaves a list the next start
    // knows as this machine's own, not another machine's; mine: the tabs that list will hold.
    NoteOthersAtList();
    if (writesStopped_ || !agreed_) {
        return;
    }
    Agreed next = *agreed_;
    const std::vector<KnownTab> known = KnownTabs();
    const std::vector<store::Utf16> now = Captions();
    next.mine.clear();
    // A list as long as the tabs or longer keeps every tab at its place (a rename, a save, a tab
    // added after the last): the tab at each place is the same tab, whatever its caption now.
    const bool samePlaces = captions.size() >= now.size();
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const int at = samePlaces ? (i < now.size() ? static_cast<int>(i) : -1)
                                  : Where(now, captions[i], static_cast<int>(i));
        next.mine.push_back(
            at >= 0 ? known[static_cast<std::size_t>(at)]
                    : KnownTab{captions[i], newPage_.value_or(store::FingerprintOf(std::nullopt)),
                               {}, newId_});
        next.mine.back().caption = captions[i];
    }
    if (std::find(next.lists.begin(), next.lists.end(), list) == next.lists.end()) {
        next.lists.insert(next.lists.begin(), list);
        next.lists.resize(std::min(next.lists.size(), kListsKept));
    }
    WriteAgreed(std::move(next));
}

void Notebook::WriteAgreed(Agreed next) {
    const std::string bytes = EncodeAgreed(next);
    agreed_ = std::move(next);
    if (bytes == agreedWritten_) {
        return;
    }
    // The record only helps to read a sync engine's changes: one that cannot be written now
    // is written at the next change.
    if (store_.files().Replace(agreedPath_, bytes, false) == 0) {
        agreedWritten_ = bytes;
    }
}

void Notebook::StoreAgreed(bool agreedNow) {
    if (writesStopped_) {
        return;
    }
    if (!agreed_) {
        GiveFirstIds();
    }
    Agreed next;
    next.mine = KnownTabs();
    next.base = !agreed_ || (agreedNow && OthersHold(next.mine)) ? next.mine : agreed_->base;
    if (agreed_) {
        next.lists = agreed_->lists;
    }
    if (std::find(next.lists.begin(), next.lists.end(), listSeen_) == next.lists.end()) {
        next.lists.insert(next.lists.begin(), listSeen_);
        next.lists.resize(std::min(next.lists.size(), kListsKept));
    }
    WriteAgreed(std::move(next));
}

// ---- Another program's changes ----

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
    if (captions == Captions()) {
        return false;
    }
    // The selected tab stays the same tab where it still exists; the page on screen is then
    // judged by what its tab's file holds (FollowPage).
    const int selected = view_.SelectedTab();
    const store::Utf16 caption =
        selected >= 0 && selected < TabCount() ? tabs_[static_cast<std::size_t>(selected)].caption
                                               : store::Utf16();
    int next = Where(captions, caption, selected);
    if (next < 0) {
        next = std::min(std::max(selected, 0), static_cast<int>(captions.size()) - 1);
    }
    ShowTabs(captions);
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
    const store::Fingerprint now = store::FingerprintOf(std::string_view(*bytes));
    if (now == pageSeen_) {
        return;
    }
    // A tab made here since the machines last agreed was never seen elsewhere: another
    // machine's write of its number, met by the engine as a conflict, is that machine's page of
    // a tab of its own, whose tab list is on its way (merged then).
    if (NewSinceAgreed(index) && HasConflictCopy(index)) {
        return;
    }
    // Another tab's page moved here by a close on another machine, whose tab list is still on
    // its way: shown with the list, under its own caption.
    if (AnotherTabsPage(index, now)) {
        return;
    }
    // The same, where another machine's record gives the text to another tab than this one;
    // and a tab made here that no other machine knows yet: no other machine wrote its page.
    ReadOtherRecords();
    const TabState& here = tabs_[static_cast<std::size_t>(index)];
    const auto knows = [&](const std::vector<KnownTab>& tabs) {
        return std::any_of(tabs.begin(), tabs.end(),
                           [&](const KnownTab& tab) { return tab.id == here.id; });
    };
    if (!others_.empty() && !here.id.empty() && agreed_ && !knows(agreed_->base) &&
        std::none_of(others_.begin(), others_.end(),
                     [&](const Agreed& other) { return knows(other.mine); })) {
        return;
    }
    for (const Agreed& other : others_) {
        for (const KnownTab& tab : other.mine) {
            if (tab.page == now && now.size > 0 && !IsTab(tab, here)) {
                return;
            }
        }
    }
    if (view_.PageModified()) {
        KeepOwnTextAsNewTab();
        return;
    }
    KeepScreenAsVersion(*bytes);
    TabState& tab = tabs_[static_cast<std::size_t>(index)];
    if (!tab.followed && tab.stored) {
        tab.followed = tab.stored;
    }
    ShowStoredPage(index, bytes, true);
}

void Notebook::KeepOwnTextAsNewTab() {
    const int from = view_.SelectedTab();
    const store::Utf16 caption = tabs_.at(static_cast<std::size_t>(from)).caption;
    const store::Utf16 own = caption + kOwnVersion;
    const store::Utf16 text = view_.PageText();
    const int index = TabCount();
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
    // Texts the tabs hold, or held when this machine last saw the store agree: a copy of one
    // of them is no news. (A text of this machine's that lost to another's is news: it is in
    // no tab.)
    std::vector<store::Fingerprint> known;
    for (const TabState& tab : tabs_) {
        if (tab.stored) {
            known.push_back(*tab.stored);
        }
    }
    if (agreed_) {
        for (const KnownTab& tab : agreed_->base) {
            known.push_back(tab.page);
            known.insert(known.end(), tab.older.begin(), tab.older.end());
        }
    }
    ReadOtherRecords();
    const bool agreedEverywhere = OthersHold(KnownTabs());
    for (const std::wstring& name : store_.FileNames()) {
        const auto page = store::ConflictCopyOf(name);
        if (!page || NewSinceAgreed(*page)) {
            continue;  // (a copy of a tab made here since: merged with the lists, see FollowPage)
        }
        const std::wstring path = InStore(name);
        const auto bytes = store_.TryRead(path);
        if (!bytes) {
            continue;  // held for now: taken at the next change reported
        }
        const store::Fingerprint print = store::FingerprintOf(std::string_view(*bytes));
        if (Displaced(print)) {
            continue;  // a tab's page pushed out of its file: the merge puts it back
        }
        if (std::find(known.begin(), known.end(), print) != known.end()) {
            // Dropped once every machine holds these tabs: until then another machine's close
            // may still renumber, or delete, the page file that holds the same text here.
            if (agreedEverywhere) {
                store_.Remove(path);
            }
            continue;
        }
        if (RecordedElsewhere(print)) {
            continue;  // another machine's tab's page, wherever its file stood: the merge's
        }
        // A number this machine gives to another tab than the machines last agreed on (a
        // close or a move here) may be another machine's numbering still, as agreed: whose page
        // it copies is known once every machine holds these tabs, or its record tells.
        if (!agreedEverywhere && RenumberedHere(*page)) {
            continue;
        }
        const store::StoredText text = store_.DecodePage(*bytes);
        const store::Utf16 owner = *page >= 0 && *page < TabCount()
                                       ? tabs_[static_cast<std::size_t>(*page)].caption
                                       : QB_TEXT("Tab") + Widen(std::to_wstring(*page));
        const store::Utf16 caption = owner + kSyncCopy;
        // Taken already, when a power cut came before the copy went.
        bool taken = false;
        const std::vector<store::Utf16> captions = Captions();
        for (int i = 0; i < static_cast<int>(captions.size()) && !taken; ++i) {
            if (captions[static_cast<std::size_t>(i)] == caption) {
                const auto kept = store_.LoadPageText(i);
                taken = kept && kept->text == text.text;
            }
        }
        if (!taken) {
            // (Its identity is its text's: every machine taking this copy makes the same tab.)
            AppendTabWithPage(caption, text.text, text.form, VersionId(print));
        }
        // Its text is a page now; the copy goes. Should it stay, it is taken again next time.
        store_.Remove(path);
        if (!taken) {
            Notice(L"copy:" + name,
                   ConflictCopyNotice(store::ToWide(owner), name, store::ToWide(caption)));
        }
    }
}

void Notebook::DropSettingsCopies() {
    if (writesStopped_) {
        return;
    }
    for (const std::wstring& name : store_.files().List(L".")) {
        if (store::IsConflictCopyOfFile(name, L"settings", L"dat")) {
            store_.Remove(name);
        }
    }
}

bool Notebook::OthersHold(const std::vector<KnownTab>& tabs) const {
    // A store merged here that the others have not seen yet is no base to read their changes
    // against.
    return std::all_of(others_.begin(), others_.end(),
                       [&](const Agreed& other) { return SameTabs(other.mine, tabs); });
}

void Notebook::AgreeWithOthers() {
    if (writesStopped_ || !agreed_) {
        return;
    }
    ReadOtherRecords();
    TakeIdsFromOthers();
    if (!others_.empty() && !SameTabs(agreed_->base, agreed_->mine)) {
        StoreAgreed(true);  // agreed once every other machine holds what this one does
    }
}

std::string Notebook::NewTabId() {
    // This machine's name, the time and a count: no other machine, and no other start of this
    // one, gives the same.
    std::string seed;
    for (const wchar_t c : machine_) {
        seed += std::to_string(static_cast<std::uint32_t>(c));
        seed += ',';
    }
    seed += '|';
    seed += std::to_string(wallClock_ ? wallClock_() : clock_());
    seed += '|';
    seed += std::to_string(++idsMade_);
    std::string id = "n";
    id += store::FingerprintText(store::FingerprintOf(std::string_view(seed)));
    return id;
}

void Notebook::GiveFirstIds() {
    std::map<store::Utf16, int> seen;
    for (TabState& tab : tabs_) {
        const int nth = seen[tab.caption]++;
        if (tab.id.empty()) {
            const std::string caption = store::Utf16ToUtf8(tab.caption);
            const std::string print =
                store::FingerprintText(store::FingerprintOf(std::string_view(caption)));
            const std::string place = std::to_string(nth);
            tab.id = std::string(1, 'c').append(print).append(1, '.').append(place);
        }
    }
}

void Notebook::TakeIdsFromOthers() {
    const std::vector<store::Utf16> captions = Captions();
    for (const Agreed& other : others_) {
        if (CaptionsOf(other.mine) != captions) {
            continue;
        }
        for (std::size_t i = 0; i < tabs_.size(); ++i) {
            if (tabs_[i].id.empty()) {
                tabs_[i].id = other.mine[i].id;
            }
        }
    }
}

void Notebook::ReadOtherRecords() {
    others_.clear();
    othersSinceList_.clear();
    for (const std::wstring& name : store_.files().List(L".")) {
        if (!IsOtherAgreedFileName(name, agreedPath_)) {
            continue;
        }
        const auto bytes = store_.TryRead(name);
        if (auto record = bytes ? DecodeAgreed(*bytes) : std::nullopt) {
            others_.push_back(std::move(*record));
            const auto then = othersAtList_.find(name);
            othersSinceList_.push_back(then == othersAtList_.end() ||
                                       then->second != store::FingerprintOf(*bytes));
        }
    }
}

void Notebook::NoteOthersAtList() {
    othersAtList_.clear();
    for (const std::wstring& name : store_.files().List(L".")) {
        if (IsOtherAgreedFileName(name, agreedPath_)) {
            if (const auto print = store_.FingerprintOf(name)) {
                othersAtList_.emplace(name, *print);
            }
        }
    }
}

bool Notebook::Displaced(const store::Fingerprint& print) {
    if (!print.exists || print.size == 0) {
        return false;
    }
    for (int i = 0; i < TabCount(); ++i) {
        const TabState& tab = tabs_[static_cast<std::size_t>(i)];
        if (tab.stored && *tab.stored == print) {
            const auto there = store_.FingerprintOf(store::PageFileName(i));
            if (there && *there == print) {
                return false;
            }
        }
    }
    return HeldByATab(print);
}

bool Notebook::HeldByATab(const store::Fingerprint& print) const {
    return std::any_of(tabs_.begin(), tabs_.end(),
                       [&](const TabState& tab) { return tab.stored && *tab.stored == print; });
}

bool Notebook::RecordedElsewhere(const store::Fingerprint& print) const {
    if (!print.exists || print.size == 0 || HeldByATab(print)) {
        return false;
    }
    return std::any_of(others_.begin(), others_.end(), [&](const Agreed& other) {
        return std::any_of(other.mine.begin(), other.mine.end(),
                           [&](const KnownTab& tab) { return tab.page == print; });
    });
}

bool Notebook::UnknownText(const store::Fingerprint& print, const MergeInput& input,
                           const std::vector<store::Fingerprint>& wanted) const {
    if (!print.exists || print.size == 0) {
        return false;
    }
    const auto same = [&](const store::Fingerprint& other) { return other == print; };
    const auto known = [&](const std::vector<KnownTab>& tabs) {
        return std::any_of(tabs.begin(), tabs.end(), [&](const KnownTab& tab) {
            return same(tab.page) || std::any_of(tab.older.begin(), tab.older.end(), same);
        });
    };
    const auto copied = [&](const TextOnDisk& text) {
        return !text.copy.empty() && same(text.print);
    };
    return std::none_of(wanted.begin(), wanted.end(), same) && !known(input.mine) &&
           !(input.base && known(*input.base)) &&
           std::none_of(input.texts.begin(), input.texts.end(), copied) &&
           std::none_of(versions_.begin(), versions_.end(),
                        [&](const Version& v) { return same(v.text); }) &&
           std::none_of(closed_.begin(), closed_.end(),
                        [&](const ClosedTab& tab) { return same(tab.page); });
}

std::optional<std::wstring> Notebook::FindInHistory(const store::Fingerprint& page,
                                                    const std::vector<std::wstring>& names) {
    // Every machine's versions are named by their texts.
    const auto folded = [](std::wstring name) {
        for (wchar_t& c : name) {
            c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        }
        return name;
    };
    const std::wstring own = VersionFileName(L"", page);
    const std::wstring ending = folded(own.substr(own.rfind(L'-', own.rfind(L'-') - 1)));
    for (const std::wstring& name : names) {
        const std::wstring low = folded(name);
        if (low.size() <= ending.size() ||
            low.compare(low.size() - ending.size(), ending.size(), ending) != 0) {
            continue;
        }
        const std::wstring path = std::wstring(kHistoryDirectory) + L"/" + name;
        if (store_.FingerprintOf(path) == page) {
            return path;
        }
    }
    return std::nullopt;
}

std::vector<std::wstring> Notebook::HistoryFileNames() {
    if (!store_.files().IsDirectory(kHistoryDirectory)) {
        return {};
    }
    return store_.files().List(kHistoryDirectory);
}

bool Notebook::TakeTextsFromHistory(const MergeOutcome& outcome, std::vector<TextOnDisk>& texts,
                                    std::optional<std::vector<std::wstring>>& names) {
    // A page a merge needs that is in no page file and no copy any more (another machine's
    // close renumbered the files meanwhile, and the copy holding it went as known) is still in
    // the page history of the machine that replaced it, under a name that tells its text.
    if (!names) {
        names = HistoryFileNames();
    }
    bool found = false;
    for (const MergedTab& tab : outcome.tabs) {
        if (tab.from || !tab.page.exists || tab.page.size == 0) {
            continue;
        }
        if (const auto path = FindInHistory(tab.page, *names)) {
            texts.push_back({-1, kFromHistory + *path, tab.page});
            found = true;
        }
    }
    return found;
}

bool Notebook::NewSinceAgreed(int index) const {
    if (!agreed_ || index < 0 || index >= TabCount()) {
        return false;
    }
    const store::Utf16& caption = tabs_[static_cast<std::size_t>(index)].caption;
    return std::none_of(agreed_->base.begin(), agreed_->base.end(),
                        [&](const KnownTab& tab) { return tab.caption == caption; });
}

bool Notebook::RenumberedHere(int index) const {
    if (!agreed_ || others_.empty() || index < 0 ||
        static_cast<std::size_t>(index) >= agreed_->base.size()) {
        return false;
    }
    const KnownTab& agreed = agreed_->base[static_cast<std::size_t>(index)];
    return index >= TabCount() || !IsTab(agreed, tabs_[static_cast<std::size_t>(index)]);
}

bool Notebook::HasConflictCopy(int index) {
    if (!store_.files().IsDirectory(store::kStoreDirectory)) {
        return false;
    }
    for (const std::wstring& name : store_.FileNames()) {
        if (store::ConflictCopyOf(name) == index) {
            return true;
        }
    }
    return false;
}

bool Notebook::FollowStore() {
    if (MergeStore(true)) {
        return true;
    }
    return FollowTabList();
}

void Notebook::StoreChanged() {
    FollowChanges(false);
}

void Notebook::MergeWaitOver() {
    if (mergeWaiting_) {
        FollowChanges(true);
    }
}

void Notebook::FollowChanges(bool waitOver) {
    FinishWrites();
    if (writesStopped_) {
        return;
    }
    if (!MergeStore(true, waitOver)) {
        FollowTabList();
        FollowPage();
    }
    if (!mergeWaiting_) {
        TakeConflictCopies();  // (while a merge waits, its copies are its own)
    }
    DropSettingsCopies();
    AgreeWithOthers();
    if (!mergeWaiting_ && !others_.empty()) {
        TakeConflictCopies();  // what waited for the machines to agree
    }
}

// ---- Tabs changed here and on another machine ----

bool Notebook::MergeStore(bool running, bool waitOver) {
    mergeWaiting_ = false;
    if (writesStopped_ || !store_.files().IsDirectory(store::kStoreDirectory)) {
        return false;
    }
    const auto listBytes = store_.TryRead(store::kTabListReadPath);
    if (!listBytes) {
        return false;  // none (written again with the next change), or held for now
    }
    const store::StoredText listText = store::DecodeStoredText(*listBytes, store_.encodings());
    std::vector<store::Utf16> onDisk = store::SplitTabListText(listText.text);
    if (onDisk.empty()) {
        onDisk.push_back(kDeclaredTab);
    }

    // What is there, by name only: a merge reads the pages only when there is one to make.
    MergeInput input;
    std::vector<std::wstring> listCopies;
    std::vector<std::wstring> pageCopies;
    std::vector<std::pair<int, std::wstring>> pages;
    int beyond = 0;  // page files past the last tab that the base had
    for (const std::wstring& name : store_.FileNames()) {
        if (store::IsConflictCopyOfFile(name, L"Tabs", L"txt")) {
            if (const auto bytes = store_.TryRead(InStore(name))) {
                listCopies.push_back(name);
                // (A list this machine wrote itself says nothing its record does not: the copy
                // goes with the merge.)
                const bool own =
                    agreed_ && std::find(agreed_->lists.begin(), agreed_->lists.end(),
                                         store::FingerprintOf(std::string_view(*bytes))) !=
                                   agreed_->lists.end();
                if (!own) {
                    input.listCopies.push_back(store::SplitTabListText(
                        store::DecodeStoredText(*bytes, store_.encodings()).text));
                }
            }
        } else if (const auto page = store::PageFileIndex(name)) {
            if (*page < 0) {
                continue;
            }
            pages.emplace_back(*page, name);
            if (*page >= static_cast<int>(onDisk.size()) && agreed_ &&
                *page < static_cast<int>(agreed_->base.size())) {
                ++beyond;
            }
        } else if (store::ConflictCopyOf(name)) {
            pageCopies.push_back(name);
        }
    }

    // Whether there is anything to merge: a tab list not this program's, a copy of one, or a
    // page left past the last tab by a close elsewhere.
    const store::Fingerprint listPrint = store::FingerprintOf(std::string_view(*listBytes));
    const bool listChanged =
        running ? listPrint != listSeen_ && onDisk != Captions()
                : agreed_ && !closeFinished_ && CaptionsOf(agreed_->mine) != onDisk &&
                      std::find(agreed_->lists.begin(), agreed_->lists.end(), listPrint) ==
                          agreed_->lists.end();
    // Or another machine that left a list of the same captions with other tabs (two tabs made
    // under one caption, one on each).
    ReadOtherRecords();
    const std::vector<KnownTab> ours = running || !agreed_ ? KnownTabs() : agreed_->mine;
    const bool otherTabs =
        CaptionsOf(ours) == onDisk &&
        std::any_of(others_.begin(), others_.end(), [&](const Agreed& other) {
            return CaptionsOf(other.mine) == onDisk && !SameTabs(other.mine, ours) &&
                   std::none_of(other.mine.begin(), other.mine.end(),
                                [&](const KnownTab& tab) { return tab.id.empty(); }) &&
                   !std::equal(other.mine.begin(), other.mine.end(), ours.begin(), ours.end(),
                               [](const KnownTab& x, const KnownTab& y) { return x.id == y.id; });
        });
    // Or a tab's page that another machine's write pushed out of its file into a copy, or a
    // copy that holds a page of another machine's tab.
    const bool displaced = std::any_of(pageCopies.begin(), pageCopies.end(), [&](const auto& name) {
        const auto print = store_.FingerprintOf(InStore(name));
        return print && (Displaced(*print) || RecordedElsewhere(*print));
    });
    if (!listChanged && listCopies.empty() && beyond == 0 && !otherTabs && !displaced) {
        return false;
    }
    if (!agreed_ && !running) {
        return false;
    }

    for (const auto& [page, name] : pages) {
        const auto print = store_.FingerprintOf(InStore(name));
        if (!print) {
            return false;  // held for now: looked at again at the next change
        }
        input.texts.push_back({page, {}, *print});
    }
    // (One held for now is merged at the next change.)
    std::vector<std::pair<std::wstring, store::Fingerprint>> readCopies;
    for (const std::wstring& name : pageCopies) {
        if (const auto print = store_.FingerprintOf(InStore(name))) {
            input.texts.push_back({*store::ConflictCopyOf(name), name, *print});
            readCopies.emplace_back(name, *print);
        }
    }
    if (agreed_) {
        input.base = agreed_->base;
    }
    for (std::size_t k = 0; k < others_.size(); ++k) {
        input.others.push_back(others_[k].mine);
        input.otherLists.push_back(others_[k].lists);
        input.otherSinceList.push_back(othersSinceList_[k]);
    }
    input.closed = ClosedEverywhere();
    input.listOnDiskPrint = store::FingerprintOf(std::string_view(*listBytes));
    // At start-up, this machine's tabs are those it left (its record); the tab list file may be
    // another machine's.
    input.mine = running || !agreed_ ? KnownTabs() : agreed_->mine;
    for (std::size_t i = 0; running && i < input.mine.size() && i < tabs_.size(); ++i) {
        if (tabs_[i].followed) {
            input.mine[i].page = *tabs_[i].followed;
        }
    }
    input.listOnDisk = onDisk;

    // The text on screen, edited and not yet saved, is this machine's newest version of its
    // tab's page.
    const int selected = view_.SelectedTab();
    std::optional<store::EncodedText> screen;
    if (running && pageLoaded_ && !pageCut_ && view_.PageModified() && selected >= 0 &&
        selected < TabCount()) {
        screen = store::EncodeStoredText(view_.PageText(), pageForm_, store_.encodings());
        const store::Fingerprint print = store::FingerprintOf(std::string_view(screen->bytes));
        input.mine[static_cast<std::size_t>(selected)].page = print;
        input.texts.push_back({selected, kOnScreen, print});
    }
    const store::Utf16 selectedCaption =
        selected >= 0 && selected < TabCount() ? tabs_[static_cast<std::size_t>(selected)].caption
                                               : store::Utf16();

    // (The page history is listed only when a page of this machine's is on no disk, or a text
    // the merge needs is in no file; and then once.)
    std::optional<std::vector<std::wstring>> historyNames;
    for (const KnownTab& tab : input.mine) {
        const bool onDisk =
            std::any_of(input.texts.begin(), input.texts.end(),
                        [&](const TextOnDisk& text) { return text.print == tab.page; });
        if (input.others.empty() || onDisk || !tab.page.exists || tab.page.size == 0) {
            continue;
        }
        if (!historyNames) {
            historyNames = HistoryFileNames();
        }
        if (FindInHistory(tab.page, *historyNames)) {
            input.inHistory.push_back(tab.page);
        }
    }

    input.waitOver = waitOver;
    MergeOutcome outcome = Merge(input);
    if (!outcome.complete && TakeTextsFromHistory(outcome, input.texts, historyNames)) {
        outcome = Merge(input);
    }
    if (!outcome.complete && running && !waitOver) {
        mergeWaiting_ = true;  // a text is still on its way: merged once it is here
        return true;
    }

    // Every text a tab takes is read before anything is written over.
    std::map<std::wstring, store::Fingerprint> current;  // page file → what it holds
    for (const TextOnDisk& text : input.texts) {
        if (text.copy.empty()) {
            current[store::PageFileName(text.page)] = text.print;
        }
    }
    auto pathOf = [&](const TextOnDisk& text) {
        if (text.copy.rfind(kFromHistory, 0) == 0) {
            return text.copy.substr(kFromHistory.size());
        }
        return text.copy.empty() ? store::PageFileName(text.page) : InStore(text.copy);
    };
    const int count = static_cast<int>(outcome.tabs.size());
    std::map<int, std::string> writes;
    for (int k = 0; k < count; ++k) {
        const MergedTab& tab = outcome.tabs[static_cast<std::size_t>(k)];
        const std::wstring name = store::PageFileName(k);
        const auto found = current.find(name);
        const store::Fingerprint there =
            found == current.end() ? store::FingerprintOf(std::nullopt) : found->second;
        if (!tab.page.exists) {
            if (there.exists) {
                writes[k] = std::string();  // an empty page never saved, where a file stands
            }
            continue;
        }
        if (there == tab.page) {
            continue;
        }
        if (!tab.from) {
            continue;  // nowhere on disk: the page stays as it is found
        }
        std::string bytes;
        if (tab.from->copy == kOnScreen) {
            bytes = screen->bytes;
        } else {
            const auto read = store_.TryRead(pathOf(*tab.from));
            if (!read || store::FingerprintOf(std::string_view(*read)) != tab.page) {
                return true;  // changed meanwhile: merged at the next change
            }
            bytes = *read;
        }
        writes[k] = std::move(bytes);
    }

    // Written in an order that never writes over a text before it stands elsewhere too.
    store_.EnsureDirectory();
    std::vector<store::Fingerprint> wanted;
    for (const MergedTab& tab : outcome.tabs) {
        wanted.push_back(tab.page);
    }
    std::vector<store::Fingerprint> keptAside;  // in the page history
    std::vector<std::wstring> writtenHere;      // page files this merge wrote
    // Keeps what a file holds in the page history; false when it changed meanwhile (merged at
    // the next change).
    auto keepAside = [&](const std::wstring& path, const store::Fingerprint& print,
                         std::string_view after) {
        const auto bytes = store_.TryRead(path);
        if (!bytes || store::FingerprintOf(std::string_view(*bytes)) != print) {
            return false;
        }
        KeepAside(*bytes, after);
        keptAside.push_back(print);
        return true;
    };
    // A text the tabs want that stands, besides the file written over, only in page files as
    // they were found: another machine's close may delete or renumber those files next (its
    // list is shorter), and take the text with them. It goes to the page history first.
    auto onlyWhereTheEngineMayTakeIt = [&](const store::Fingerprint& print) {
        if (!print.exists || print.size == 0 ||
            std::find(wanted.begin(), wanted.end(), print) == wanted.end() ||
            std::any_of(versions_.begin(), versions_.end(),  // (kept aside already, too)
                        [&](const Version& v) { return v.text == print; })) {
            return false;
        }
        return std::none_of(writtenHere.begin(), writtenHere.end(),
                            [&](const std::wstring& path) { return current[path] == print; });
    };
    auto heldElsewhere = [&](const store::Fingerprint& print, const std::wstring& except) {
        if (std::find(keptAside.begin(), keptAside.end(), print) != keptAside.end()) {
            return true;
        }
        for (const auto& [path, held] : current) {
            if (path != except && held == print) {
                return true;  // (a page file as it stands now, written by this merge too)
            }
        }
        for (const TextOnDisk& text : input.texts) {
            if (text.print == print && text.copy != kOnScreen && pathOf(text) != except) {
                const auto it = current.find(pathOf(text));
                if (!text.copy.empty() || (it != current.end() && it->second == print)) {
                    return true;
                }
            }
        }
        return false;
    };
    while (!writes.empty()) {
        bool progress = false;
        for (auto it = writes.begin(); it != writes.end();) {
            const std::wstring name = store::PageFileName(it->first);
            const auto there = current.find(name);
            const bool free = there == current.end() || !there->second.exists ||
                              std::find(wanted.begin(), wanted.end(), there->second) ==
                                  wanted.end() ||
                              heldElsewhere(there->second, name);
            if (!free) {
                ++it;
                continue;
            }
            // A text the merge leaves in no tab and that stands nowhere else is kept in the page
            // history before its file is written over: whatever the merge decided, no text
            // goes.
            if (there != current.end() &&
                (UnknownText(there->second, input, wanted) ||
                 onlyWhereTheEngineMayTakeIt(there->second)) &&
                !keepAside(name, there->second, it->second)) {
                return true;
            }
            store_.SavePage(it->first, it->second);
            current[name] = store::FingerprintOf(std::string_view(it->second));
            writtenHere.push_back(name);
            it = writes.erase(it);
            progress = true;
        }
        if (!progress) {
            // Tabs that swapped places: one text goes to the page history first, so that it
            // stands elsewhere before its file is written over.
            const auto it = writes.begin();
            const std::wstring name = store::PageFileName(it->first);
            if (!keepAside(name, current[name], it->second)) {
                return true;
            }
        }
    }

    // The tab list, then what no tab reaches any more: pages past the last tab and the copies,
    // whose texts the tabs hold now or held before.
    const store::EncodedText list = store_.EncodeTabList(
        [&] {
            std::vector<store::Utf16> captions;
            for (const MergedTab& tab : outcome.tabs) {
                captions.push_back(tab.caption);
            }
            return captions;
        }(),
        tabListForm_);
    if (store::FingerprintOf(std::string_view(list.bytes)) !=
        store::FingerprintOf(std::string_view(*listBytes))) {
        const auto now = store_.FingerprintOf(store::kTabListWritePath);
        if (now && *now != store::FingerprintOf(std::string_view(*listBytes))) {
            return true;  // another list came meanwhile: merged at the next change
        }
        // The record first, as before any list this machine writes: here the merged tabs,
        // agreed.
        if (!writesStopped_) {
            Agreed next;
            for (const MergedTab& tab : outcome.tabs) {
                next.mine.push_back({tab.caption, tab.page, tab.older, tab.id});
            }
            next.base = !agreed_ || OthersHold(next.mine) ? next.mine : agreed_->base;
            next.lists = agreed_ ? agreed_->lists : std::vector<store::Fingerprint>();
            next.lists.insert(next.lists.begin(),
                              store::FingerprintOf(std::string_view(list.bytes)));
            next.lists.resize(std::min(next.lists.size(), kListsKept));
            WriteAgreed(std::move(next));
        }
        NoteOthersAtList();
        store_.SaveTabListBytes(list.bytes);
    }
    listSeen_ = store::FingerprintOf(std::string_view(list.bytes));
    tabListForm_ = list.form;
    tabListCut_ = false;
    // A merge still waiting for texts (taken at start-up all the same) leaves a page it could
    // not place: the tab it belongs to may be on its way.
    const auto placed = [&](const store::Fingerprint& print) {
        return outcome.complete || !print.exists ||
               std::find(wanted.begin(), wanted.end(), print) != wanted.end();
    };
    // A text a tab wants that is left only in page files as found goes to the page history
    // before its last other file goes: a close elsewhere may delete those next.
    const auto removeFile = [&](const std::wstring& path, const store::Fingerprint& print) {
        if (!onlyWhereTheEngineMayTakeIt(print) || keepAside(path, print, {})) {
            store_.Remove(path);
        }
    };
    for (const TextOnDisk& text : input.texts) {
        if (text.copy.empty() && text.page >= count && placed(text.print)) {
            removeFile(store::PageFileName(text.page), text.print);
        }
    }
    for (const auto& [name, print] : readCopies) {
        if (placed(print)) {
            removeFile(InStore(name), print);
        }
    }
    for (const std::wstring& name : listCopies) {
        store_.Remove(InStore(name));
    }

    // The tabs follow, the same tab selected, its page shown as it is stored now.
    std::vector<store::Utf16> captions;
    for (const MergedTab& tab : outcome.tabs) {
        captions.push_back(tab.caption);
    }
    const store::Fingerprint shownBefore = pageSeen_;
    ShowTabs(captions);
    for (int k = 0; k < count; ++k) {
        const MergedTab& tab = outcome.tabs[static_cast<std::size_t>(k)];
        tabs_[static_cast<std::size_t>(k)].stored = tab.page.exists ? tab.page : current[store::PageFileName(k)];
        tabs_[static_cast<std::size_t>(k)].older = tab.older;
        tabs_[static_cast<std::size_t>(k)].id = tab.id;
        if (tabs_[static_cast<std::size_t>(k)].older.size() > kOlderVersionsKept) {
            tabs_[static_cast<std::size_t>(k)].older.resize(kOlderVersionsKept);
        }
    }
    int next = Where(captions, selectedCaption, selected);
    if (next < 0) {
        next = std::min(std::max(selected, 0), count - 1);
    }
    view_.SelectTab(next);
    view_.SetCloseEnabled(count > 1);
    tabsChanged_ = false;
    const auto stored = next >= 0 && next < count ? tabs_[static_cast<std::size_t>(next)].stored
                                                  : std::nullopt;
    pageAway_ = false;  // each tab's file holds its page now
    if (screen && stored && *stored == store::FingerprintOf(std::string_view(screen->bytes))) {
        PageStored(*screen);  // the text on screen is its tab's page, stored
    } else if (!stored || *stored != shownBefore || screen) {
        LoadPage();
    }

    std::vector<std::wstring> broughtBack;
    std::vector<std::wstring> keptTwice;
    for (const MergedTab& tab : outcome.tabs) {
        // (What this machine showed already is no news here: the other machine's own merge
        // tells its user.)
        const bool shownHere =
            std::any_of(input.mine.begin(), input.mine.end(), [&](const KnownTab& mine) {
                return (tab.id.empty() ? mine.caption == tab.caption : mine.id == tab.id) &&
                       mine.page == tab.page;
            });
        if (shownHere) {
            continue;
        }
        if (tab.broughtBack && tab.page.exists) {
            broughtBack.push_back(store::ToWide(tab.caption));
        }
        if (tab.otherVersion) {
            keptTwice.push_back(store::ToWide(tab.caption));
        }
    }
    StoreAgreed(true);
    if (!broughtBack.empty() || !keptTwice.empty()) {
        MergeNews(broughtBack, keptTwice, !running);
    }
    return true;
}

void Notebook::MergeNews(const std::vector<std::wstring>& broughtBack,
                         const std::vector<std::wstring>& keptTwice, bool now) {
    if (!mergeNews_) {
        mergeNews_.emplace();
    }
    const auto add = [](std::vector<std::wstring>& to, const std::vector<std::wstring>& from) {
        for (const std::wstring& caption : from) {
            if (std::find(to.begin(), to.end(), caption) == to.end()) {
                to.push_back(caption);
            }
        }
    };
    add(mergeNews_->broughtBack, broughtBack);
    add(mergeNews_->keptTwice, keptTwice);
    mergeNews_->due = clock_() + (now ? 0 : kMergeNewsMs);
    if (now) {
        TellMergeNews();
    }
}

std::optional<std::uint64_t> Notebook::MergeNewsDue() const {
    if (!mergeNews_ || mergeWaiting_) {
        return std::nullopt;  // (a merge that waits is followed by its own timers)
    }
    const std::uint64_t now = clock_();
    return mergeNews_->due > now ? mergeNews_->due - now : 0;
}

void Notebook::TellMergeNews() {
    if (!mergeNews_ || mergeWaiting_ || clock_() < mergeNews_->due) {
        return;
    }
    const PendingMergeNews news = std::move(*mergeNews_);
    mergeNews_.reset();
    std::wstring subject = L"merged:";
    for (const std::wstring& caption : news.broughtBack) {
        subject += caption + L"\n";
    }
    for (const std::wstring& caption : news.keptTwice) {
        subject += caption + L"\n";
    }
    Notice(subject, TabsMergedNotice(news.broughtBack, news.keptTwice));
}

}  // namespace qb::notebook
