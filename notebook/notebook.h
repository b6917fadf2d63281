// The note-keeping, free of windows: which page of the store the text area shows, when it is
// written, what guards the stored notes from being written over with what was never read,
// adding, renaming and closing pages, and start-up and shutdown. The window turns its messages
// into calls on a Notebook, and the Notebook shows what it does through the View the window
// gives it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "notebook/agreed.h"
#include "notebook/background_save.h"
#include "notebook/file_system.h"
#include "notebook/history.h"
#include "notebook/notices.h"
#include "notebook/save_schedule.h"
#include "notebook/store.h"
#include "notebook/writer.h"
#include "store/pure/error.h"
#include "store/pure/search.h"
#include "store/pure/settings_record.h"
#include "store/pure/stored_text.h"

namespace qb::notebook {

// The window's place and opacity, as the settings file keeps them.
struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int opacity = 255;
};

// What the Notebook needs of the window: the text area, the tab strip, and a few things more.
// The strip holds the captions and the selection; the text area holds the selected page's
// edits until they are saved.
class View {
  public:
    virtual ~View() = default;

    // The text area.
    virtual store::Utf16 PageText() const = 0;
    // The same into a string whose memory is used again from one save to the next.
    virtual void CopyPageText(store::Utf16& into) const { into = PageText(); }
    // How many times the text area's text has changed: a count that only grows.
    virtual std::uint64_t PageEdits() const = 0;
    // Whether the text area was edited since its page was shown or written.
    virtual bool PageModified() const = 0;
    // A stored page's text into the text area (which takes it up to a NUL), unless it holds it
    // already; raises when the text area cannot take it.
    virtual void ShowPage(store::Utf16View text) = 0;
    // The same for a page another program changed while it was on screen: the caret stays
    // near where it was.
    virtual void ReloadPage(store::Utf16View text) = 0;
    // The selection in the text area (start and end; equal for the caret alone).
    virtual std::pair<std::size_t, std::size_t> PageSelection() const = 0;
    // Selects text in the text area, scrolls it into view, and gives the text area the focus.
    virtual void SelectInPage(std::size_t start, std::size_t end) = 0;
    virtual void ClearPage() = 0;
    // What the text area holds is what is stored.
    virtual void PageWritten() = 0;
    // Whether the text area takes typing.
    virtual void SetPageEditable(bool editable) = 0;

    // The tab strip. Selecting from code tells nothing back.
    virtual int TabCount() const = 0;
    virtual int SelectedTab() const = 0;  // -1: none
    virtual store::Utf16 TabCaption(int index) const = 0;
    virtual std::vector<store::Utf16> TabCaptions() const = 0;
    // Replaces every tab; the first becomes selected.
    virtual void ShowTabs(const std::vector<store::Utf16>& captions) = 0;
    // Appends a tab; the first tab of an empty strip becomes selected.
    virtual void AppendTab(store::Utf16View caption) = 0;
    virtual void RenameTab(int index, store::Utf16View caption) = 0;
    virtual void RemoveTab(int index) = 0;
    // An index at or beyond the count leaves the selection as it was.
    virtual void SelectTab(int index) = 0;

    // The window.
    virtual void ApplySettings(const store::Settings& settings) = 0;
    virtual WindowPlace Place() const = 0;
    virtual void SetCloseEnabled(bool enabled) = 0;
    virtual void ShowNotice(const std::wstring& text) = 0;
    virtual void ShowError(const Error& error) = 0;
};

// The failure being handled, as the error box shows it: a program error as it is, running out
// of memory as "Out of memory", any other exception by its own text. Call only in a handler.
Error CurrentFailure();

// What merges had to tell that is not told yet (Notebook::TellMergeNews).
struct PendingMergeNews {
    std::vector<std::wstring> broughtBack;
    std::vector<std::wstring> keptTwice;
    std::uint64_t due = 0;  // the notebook's clock
};

class Notebook {
  public:
    // Milliseconds from any fixed moment.
    using Clock = std::function<std::uint64_t()>;

    // machine: this machine's name for its record of the store as it last agreed
    // (agreed.h); the record of "" is "sync-base.dat".
    Notebook(FileSystem& files, const store::Encodings& encodings, View& view, Clock clock,
             std::wstring machine = {});

    Store& store() { return store_; }
    // The time of day the page history stamps its versions with (milliseconds since 1970 UTC);
    // the system's clock unless set.
    void SetWallClock(Clock wall) { wallClock_ = std::move(wall); }

    // Background saves go to this writer from now on (until then, and without one, they are
    // written at once). It must outlive its use: FinishWrites before it goes.
    void UseWriter(Writer& writer) { writer_ = &writer; }
    // Returns once every background save given to the writer is on the disk and its outcome
    // taken in. Every operation that reads or writes the store begins so.
    void FinishWrites() { writer_->Finish(); }
    // While a background save is being written, a save that falls due waits this long.
    static constexpr std::uint64_t kSaveInFlightRetryMs = 50;

    // Start-up: finishes a close that a crash cut short, reads the settings and the tab list,
    // selects the stored tab and shows its page; on the first run (no settings and no tab list)
    // the About page instead. A failure of a step is shown and start-up goes on with what could
    // be read; where the page files cannot be trusted, nothing is written in this run.
    void Start();

    // What the program writes when it ends: the tab list, the selected page, the settings.
    void SaveAll();

    // The selected tab is about to be left: its page is saved. A failure is raised, and the
    // tab stays selected.
    void LeavePage();
    // The strip selected another tab: the settings follow and its page is shown.
    void PageSelected();
    // Moves to a tab as a click does: the page left saved (a failure refuses the move), the
    // tab selected and its page shown. The keys, Find and the tests move this way.
    void MoveTo(int index);

    // A new tab after the last, selected, with an empty page (New).
    void AddPage(store::Utf16View caption);
    // A new tab "О программе" with the readme as its page (About).
    void AddAboutPage();
    void RenamePage(int index, store::Utf16View caption);
    // Closes the tab: its page goes, the later pages move down one number, the tab list loses
    // the tab, all or nothing. The text area then shows the page of the tab selected.
    void ClosePage(int index);

    // Whether a tab closed on this machine is there to reopen.
    bool CanReopen() const;
    // Reopens the tab closed last on this machine at the place it had, with its caption and its
    // page as they were, by the same all-or-nothing sequence as a close; it is selected.
    void ReopenPage();

    // The selected tab's earlier texts, newest first (the page on screen saved first).
    std::vector<Version> PageHistory();
    // Whether the selected tab has earlier texts, or edits whose save may keep one; nothing is
    // written.
    bool HasHistory();
    // A version's text; raised when its file is missing or damaged.
    store::StoredText VersionText(const Version& version);
    // Puts the version into the page on screen and stores it; the text it replaces is kept as
    // a version too.
    void RestoreVersion(const Version& version);
    const std::vector<Version>& OwnVersions() const { return versions_; }
    const std::vector<ClosedTab>& ClosedTabs() const { return closed_; }

    // The text area changed: how long from now until its page is saved in the background;
    // nothing when background saves are off.
    std::optional<std::uint64_t> PageEdited();
    // A background save is due. While a dialog of the program is open it waits: the delay to
    // try again. A failure is shown once, and the save tried again at the next pause.
    std::optional<std::uint64_t> SaveInBackground(bool dialogOpen);

    // The window's place, size or opacity changed: the settings file follows, unless it is one
    // that may not be replaced. A failure is shown once.
    void SettingsChanged();

    // Another program (a sync engine, another editor) may have changed the store: the tab
    // list and the page on screen follow what is on disk, keeping every version of a page that
    // was changed here and there at once; copies a sync engine left beside pages become tabs.
    void StoreChanged();
    // Whether a merge of tabs changed here and on another machine waits for a text still on
    // its way; the window shows the tabs as they were meanwhile.
    bool MergeWaits() const { return mergeWaiting_; }
    // The merge has waited this long: what has not come is taken as not coming, as at
    // start-up, and the tabs are merged from what is there (texts written over are kept in the
    // page history first). A text that comes later is merged then.
    static constexpr std::uint64_t kMergeWaitMs = 30000;
    void MergeWaitOver();
    // What merges told of while the program runs is told in one notice, once no merge has
    // had news for this long and none waits: an engine brings another machine's changes a
    // file at a time, and each may be merged on its own. How long from now until it is due;
    // nothing when there is nothing to tell (or a merge waits).
    static constexpr std::uint64_t kMergeNewsMs = 5000;
    std::optional<std::uint64_t> MergeNewsDue() const;
    void TellMergeNews();

    // Finds the text, letter case ignored: from the caret in the page on screen (as the text
    // area holds it), then in the pages of the following tabs in strip order (as their files
    // are read), round to those before, ending where it began; backward the other way. A
    // match on another tab selects that tab as a click would (the page left saved first; a
    // failed save refuses the move). Nothing found anywhere: the user is told, nothing moves.
    bool Find(store::Utf16View text, bool forward, const store::CaseTable& fold);
    // The text searched last; empty before the first search.
    const store::Utf16& LastSearch() const { return lastSearch_; }

    // Nothing of this run may be written: which page belongs to which tab is not known.
    void StopWrites();
    bool WritesStopped() const { return writesStopped_; }
    const store::Settings& settings() const { return settings_; }

    // The tabs as the notebook keeps them: each caption with what it last stored for its page.
    std::vector<store::Utf16> Captions() const;
    // This machine's record of the store, as it was last written.
    const std::optional<Agreed>& agreed() const { return agreed_; }
    const std::wstring& AgreedPath() const { return agreedPath_; }

  private:
    // Runs a step of start-up: its failure is shown and start-up goes on.
    template <typename F>
    bool Try(F&& step) {
        try {
            step();
            return true;
        } catch (...) {
            view_.ShowError(CurrentFailure());
        }
        return false;
    }
    // Whether another program wrote the file since it was last read or written here.
    bool ChangedOutside(std::wstring_view path, const store::Fingerprint& seen);
    // The tab list file's bytes, as now read: what is known of the file follows them.
    store::StoredText TakeTabList(const std::string& bytes);
    void LoadTabList();
    // Writes these captions as the tab list, unless another program changed the list since it
    // was last read or written here (then raised, and nothing written).
    void WriteTabList(const std::vector<store::Utf16>& captions);
    // The same without the check.
    void StoreTabList(const std::vector<store::Utf16>& captions);
    // The tab list the program ends with, unless another program's list came meanwhile.
    void SaveTabList();
    void SavePage();
    // What a save of the page on screen writes, and how; nothing when it writes nothing.
    std::optional<SaveJob> TakeSaveJob();
    // The notebook follows a save's file work; a failure is raised.
    void SaveDone(SaveJob& job, const SaveResult& result);
    // Whether a save's text is nothing this machine made since the page was last read or
    // written here (its own version need not be kept beside another program's).
    bool HoldsNothingNew(const SaveJob& job) const;
    void LoadPage();
    // Shows a page as stored (read now, or changed outside while on screen).
    void ShowStoredPage(int index, const std::optional<std::string>& bytes, bool reload);
    // While a merge waits, or another tab's page stands in the tab's file: whether that file
    // holds a text of another machine's that no record gives this tab yet (or none), and the
    // tab's own page where it is found then.
    struct PageAway {
        bool away = false;
        std::optional<std::string> bytes;
    };
    PageAway OwnPageAway(int index, const store::Fingerprint& inFile);
    // Whether a text (not empty) is another tab's page here, now or before: in this tab's
    // file, a close on another machine put it there, and that machine's tab list is on its way.
    bool AnotherTabsPage(int index, const store::Fingerprint& inFile) const;
    // What is typed into a page shown from away goes to the page history, not over the file.
    void SavePageAway();
    // The tab list changed outside: the strip follows. True when it changed.
    bool FollowTabList();
    // The same, merging tabs changed here and on another machine where there are such.
    bool FollowStore();
    // The page on screen changed outside: shown, or kept beside this program's edits.
    void FollowPage();
    // This program's text of the page on screen, which another program changed meanwhile, goes
    // to a new tab of its own, selected.
    void KeepOwnTextAsNewTab();
    // A page of its own for each conflict copy a sync engine left.
    void TakeConflictCopies();
    // A new tab after the last, its page written first: the text given, in the form given; a
    // new identity unless one is given.
    store::EncodedText AppendTabWithPage(const store::Utf16& caption, store::Utf16View text,
                                         store::TextForm form, std::string id = {});
    // The text area's text was written as this file: the text area holds the page as stored.
    void PageStored(const store::EncodedText& file);
    void PageSaved();
    void NewPageShown();
    void UpdateEditable();
    void SetAsideUnownedPage(int index);
    // One sequence for every new page: the page left is saved, the tab made and selected.
    void AddPage(store::Utf16View caption, const std::function<void()>& fill);
    // Tab changes begin here: a journal an earlier close left goes first.
    void BeginTabChange();
    store::Settings CurrentSettings() const;
    // The settings file follows the window, unless it holds these bytes already.
    void WriteSettings();
    void Notice(const std::wstring& subject, const std::wstring& text);
    // A merge brought tabs back or kept pages twice (by caption): told now, or with what the
    // next merges bring (TellMergeNews).
    void MergeNews(const std::vector<std::wstring>& broughtBack,
                   const std::vector<std::wstring>& keptTwice, bool now);

    // The tabs, kept here and shown by the strip.
    void ShowTabs(const std::vector<store::Utf16>& captions);
    void AppendTab(store::Utf16View caption, const store::Fingerprint& stored,
                   std::string id = {});
    // A new tab's identity, never given before on any machine.
    std::string NewTabId();
    // Identities for tabs that have none, where this machine first keeps a record: each
    // machine starting on the same store gives the same (from the caption, and which of that
    // caption it is).
    void GiveFirstIds();
    // Identities for tabs that have none, from another machine's record of the same tabs.
    void TakeIdsFromOthers();
    void RenameTab(int index, store::Utf16View caption);
    void RemoveTab(int index);
    int TabCount() const { return static_cast<int>(tabs_.size()); }
    // What is stored for a tab's page now: remembered, the one before kept as an older version.
    void Remember(int index, const store::Fingerprint& stored);

    // The page history (page_history.cpp).
    std::uint64_t WallTime() const;
    void LoadHistory();
    void RemoveUnnamedVersionFiles();
    void EnsureHistoryDirectory();
    void WriteHistoryIndex();
    void WriteClosedTabs();
    void WriteVersionFile(const store::Fingerprint& print, std::string_view bytes);
    void HistoryFailed();
    // The stored text before is about to be replaced by after on the tab's page: kept as a
    // version when the rule says so. A failure is told of and the page is stored all the same.
    void KeepReplaced(int index, Replacement why, std::string_view before, std::string_view after);
    // The text area's text, as stored, before another program's text replaces it on screen.
    void KeepScreenAsVersion(std::string_view replacement);
    void PruneHistory();
    // A version file goes once nothing names it: no version, no closed tab.
    void ForgetPageFile(const store::Fingerprint& page);
    void RelinkHistory(const store::Fingerprint& from, const store::Fingerprint& to);
    std::string VersionBytes(const Version& version);
    // A version of a page, replaced by `after`, written to the page history and listed.
    void AddVersion(std::string_view before, std::string_view after);
    // A page file's text about to be written over by a merge, kept in the page history first
    // (it stands nowhere else yet: tabs that swapped places).
    void KeepAside(std::string_view before, std::string_view after);
    // This machine's versions and those other machines' indexes list.
    std::vector<Version> AllVersions();
    // The tabs this machine closed and those other machines' lists of closed tabs name, each
    // with its identity where known and its page then.
    std::vector<KnownTab> ClosedEverywhere();
    // The tab about to close, with its page as stored, goes on the list of closed tabs.
    void KeepClosedTab(int index, const std::optional<std::string>& page);

    // Following a sync engine (following.cpp): whether what is on disk asks for a merge of
    // tabs, and the merge; false when it could not be made yet (a text still on its way).
    bool NeedsMerge(const std::string& listBytes);
    bool MergeStore(bool running, bool waitOver = false);
    // What follows a change outside: the merge (given up waiting for what has not come, when
    // waitOver), the tab list, the page on screen, the copies an engine left.
    void FollowChanges(bool waitOver);
    // Whether the tab was made here since the machines last agreed (another machine has not
    // seen it), and whether an engine left a copy of its page.
    bool NewSinceAgreed(int index) const;
    // Whether this machine's tab at that place is another than the one agreed there.
    bool RenumberedHere(int index) const;
    // Texts a merge needs that only the page history still holds, added to the texts it may
    // take; whether there were any. The history's file names are listed here unless they were.
    bool TakeTextsFromHistory(const MergeOutcome& outcome, std::vector<TextOnDisk>& texts,
                              std::optional<std::vector<std::wstring>>& names);
    // The page history's file names, and the one among them that holds this text.
    std::vector<std::wstring> HistoryFileNames();
    std::optional<std::wstring> FindInHistory(const store::Fingerprint& page,
                                              const std::vector<std::wstring>& names);
    // A tab's page that its file no longer holds (another machine's write took its place).
    bool Displaced(const store::Fingerprint& print);
    // Whether a tab's page, as this machine last stored it, is that text.
    bool HeldByATab(const store::Fingerprint& print) const;
    // A text no tab here holds that another machine's record gives as one of its tabs' pages:
    // which tab it belongs to is the merge's to say, not the copy's name.
    bool RecordedElsewhere(const store::Fingerprint& print) const;
    // A text that a merge would write over, held by no tab it makes, none this machine knew, no
    // copy and no version in the page history: kept aside first.
    bool UnknownText(const store::Fingerprint& print, const MergeInput& input,
                     const std::vector<store::Fingerprint>& wanted) const;
    // Reads the other machines' records in the folder (others_, othersSinceList_).
    void ReadOtherRecords();
    // Notes the other machines' records as they are when this machine writes its tab list.
    void NoteOthersAtList();
    // Whether every other machine's record holds these tabs with these pages.
    bool OthersHold(const std::vector<KnownTab>& tabs) const;
    // The base moves to this machine's tabs once every other machine's record holds them too.
    void AgreeWithOthers();
    bool HasConflictCopy(int index);
    // Removes the engines' copies of the settings file (the settings stay last-writer-wins).
    void DropSettingsCopies();
    // This machine's record: read at start-up, written when it changed; agreed: the store as
    // it stands now is what this machine last saw agree (after a start or a merge).
    void LoadAgreed();
    void StoreAgreed(bool agreed);
    // Before a tab list of these bytes, and these captions, is written.
    void StoreAgreedBefore(const store::Fingerprint& list,
                           const std::vector<store::Utf16>& captions);
    void WriteAgreed(Agreed next);
    std::vector<KnownTab> KnownTabs();

    Store store_;
    // The writer's own: a scratch buffer of its own, and never waiting for a file held.
    Store writerStore_;
    InlineWriter inlineWriter_;
    Writer* writer_ = &inlineWriter_;
    bool saveInFlight_ = false;
    // The text copied for the last save, whose memory the next one uses again.
    store::Utf16 spareText_;
    View& view_;
    std::wstring agreedPath_;
    std::optional<Agreed> agreed_;
    std::vector<Agreed> others_;  // other machines' records, as last read
    // For each of those, whether it changed since this machine last wrote its tab list (a
    // record that did not may be older than a list that came since).
    std::vector<bool> othersSinceList_;
    // The other machines' records, by file name, as they were when this machine last wrote its
    // tab list (empty after a start: every record then counts as newer).
    std::map<std::wstring, store::Fingerprint> othersAtList_;
    std::string agreedWritten_;
    // The tabs: captions in strip order, and what each last had stored (nothing: not known).
    struct TabState {
        store::Utf16 caption;
        std::optional<store::Fingerprint> stored;
        std::vector<store::Fingerprint> older;
        std::optional<std::uint64_t> storedAt;  // when this run last stored its page (clock_)
        std::string id;  // the tab's identity (merge.h); empty where it is not known
        // Where the page shown was taken from another machine's (or program's) write of its
        // file: the page this machine last had itself. A merge reads the text taken as that
        // write's, not as this machine's (the file's number may be another machine's).
        std::optional<store::Fingerprint> followed;
    };
    std::vector<TabState> tabs_;
    // Whether another machine's tab (from its record) is this tab here.
    static bool IsTab(const KnownTab& known, const TabState& tab);
    // A merge of tabs waits for a text a sync engine has yet to bring.
    bool mergeWaiting_ = false;
    // This start finished a close of this machine's that a crash cut short: the tab list it
    // left is this machine's own.
    bool closeFinished_ = false;
    // The page just written for a tab about to be added, while the list is written.
    std::optional<store::Fingerprint> newPage_;
    std::string newId_;  // and its identity
    std::uint64_t idsMade_ = 0;
    Clock clock_;
    Clock wallClock_;
    std::wstring machine_;
    std::vector<Version> versions_;  // this machine's index of versions
    std::string historyWritten_;
    std::vector<ClosedTab> closed_;  // the tabs closed on this machine, the last last
    std::string closedWritten_;
    store::Settings settings_;
    SaveSchedule schedule_;
    Told told_;
    std::optional<PendingMergeNews> mergeNews_;
    int left_ = -1;  // the tab selected when the page was last left

    // What protects the stored notes from being written over with what was never read.
    bool writesStopped_ = false;    // the page files cannot be trusted: nothing is written
    bool pageLoaded_ = false;       // the text area holds the selected tab's page as read
    bool pageCut_ = false;          // that page is shown in part or altered (see LoadPage)
    bool pageAway_ = false;         // shown from elsewhere than its file (OwnPageAway)
    bool settingsWritable_ = true;  // false: the settings file exists but could not be opened
    bool tabListCut_ = false;       // the tab list is shown in part or altered
    bool tabsChanged_ = false;      // tabs made, renamed or closed since the list was read
    // How the selected page's file and the tab list file were read (or are new): each is
    // written back so.
    store::TextForm pageForm_;
    store::TextForm tabListForm_;
    // What the page on screen and the tab list held on disk when last read or written here.
    store::Fingerprint pageSeen_;
    store::Fingerprint listSeen_;

    bool backgroundSaveFailed_ = false;
    bool settingsFollowFailed_ = false;
    store::Utf16 lastSearch_;
};

}  // namespace qb::notebook
