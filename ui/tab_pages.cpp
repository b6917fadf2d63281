// Tab pages: the handlers of the strip, the text area and the tab commands, each a call on the
// notebook, which keeps the text area showing the page of the selected tab.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "res/resource.h"
#include "store/pure/page_names.h"
#include "ui/form1.h"
#include "ui/history_dialog.h"
#include "ui/input_prompt.h"
#include "ui/pure/access_keys.h"
#include "ui/warning_dialog.h"

namespace {

constexpr UINT_PTR kBackgroundSaveTimer = 1;
// Changes in the store are taken once they have settled for this long: another program may
// write a file in several steps, and a sync engine moves several files at once.
constexpr UINT_PTR kStoreChangedTimer = 2;
constexpr UINT kSettleMs = 50;
// And looked at once more a while later: an engine that renames a file into place, or sets its
// time, after the change was first reported is still followed.
constexpr UINT_PTR kStoreLookAgainTimer = 3;
constexpr UINT kLookAgainMs = 1000;
// While a merge of tabs waits for a text still on its way, the store is looked at every while
// (what it waits for may come where no change is reported: another machine's page history), and
// the wait is given up once it has lasted the notebook's while. (Counted from the wait's start,
// not from the last change: the program's own writes are changes too.)
constexpr UINT_PTR kMergeLookTimer = 4;
constexpr UINT kMergeLookMs = 2000;
constexpr UINT_PTR kMergeWaitTimer = 5;
// What the merges had to tell, once they have been still for the notebook's while.
constexpr UINT_PTR kMergeNewsTimer = 6;

// A notebook's delay as a timer's.
UINT TimerDelay(std::uint64_t ms) {
    return static_cast<UINT>(std::clamp<std::uint64_t>(ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM));
}

}  // namespace

void TForm1::TabControl1Changing() {
    notebook_.LeavePage();
}

void TForm1::TabControl1Change() {
    notebook_.PageSelected();
}

void TForm1::Memo1KeyDown(WORD& key) {
    if (key != VK_TAB) {
        return;
    }
    const auto tabs = Tabs();
    notebook_.MoveTo(tabs.Selected() + 1 == tabs.Count() ? 0 : tabs.Selected() + 1);
    key = 0;
}

bool TForm1::TabControl1DialogChar(wchar_t ch) {
    const int index = qb::ui::FindAccessKeyTab(Tabs().Captions(), ch);
    if (index < 0) {
        return false;
    }
    notebook_.MoveTo(index);
    return true;
}

// ---- Background saves ----

void TForm1::Memo1Change() {
    ++memoEdits_;
    if (const auto wait = notebook_.PageEdited()) {
        ScheduleBackgroundSave(*wait);
    }
}

void TForm1::ScheduleBackgroundSave(ULONGLONG wait) {
    SetTimer(Handle, kBackgroundSaveTimer, TimerDelay(wait), nullptr);
}

LRESULT TForm1::OnTimer(UINT_PTR id) {
    KillTimer(Handle, id);
    if (id == kBackgroundSaveTimer) {
        if (const auto retry = notebook_.SaveInBackground(modalDialogs_ > 0)) {
            ScheduleBackgroundSave(*retry);
        }
        return 0;
    }
    // The store's timers: changes outside, and a merge that waits.
    if (modalDialogs_ > 0) {
        // A command of the program waits for an answer: the strip stays as it showed it.
        SetTimer(Handle, id, kSettleMs, nullptr);
        return 0;
    }
    if (id == kStoreChangedTimer) {
        SetTimer(Handle, kStoreLookAgainTimer, kLookAgainMs, nullptr);
    }
    if (id == kMergeNewsTimer) {
        notebook_.TellMergeNews();
    } else if (id == kMergeWaitTimer) {
        mergeWaitTimed_ = false;
        notebook_.MergeWaitOver();
    } else {
        notebook_.StoreChanged();
    }
    FollowMergeWait();
    FollowMergeNews();
    return 0;
}

void TForm1::FollowMergeNews() {
    if (const auto due = notebook_.MergeNewsDue()) {
        SetTimer(Handle, kMergeNewsTimer, TimerDelay(*due), nullptr);
    } else {
        KillTimer(Handle, kMergeNewsTimer);
    }
}

void TForm1::FollowMergeWait() {
    if (!notebook_.MergeWaits()) {
        KillTimer(Handle, kMergeLookTimer);
        KillTimer(Handle, kMergeWaitTimer);
        mergeWaitTimed_ = false;
        return;
    }
    SetTimer(Handle, kMergeLookTimer, kMergeLookMs, nullptr);
    if (!mergeWaitTimed_) {
        SetTimer(Handle, kMergeWaitTimer, static_cast<UINT>(qb::notebook::Notebook::kMergeWaitMs),
                 nullptr);
        mergeWaitTimed_ = true;
    }
}

LRESULT TForm1::OnPageWritten() {
    if (writer_) {
        writer_->Deliver();
    }
    return 0;
}

// ---- Other programs writing in the store ----

void TForm1::WatchStore() {
    watch_ = std::make_unique<qb::win::DirectoryWatch>(std::wstring(qb::store::kStoreDirectory),
                                                       Handle, StoreChangedMessage);
    // And the folder the store is in, where other machines' records of the store come: a merge
    // may wait for one, and their agreeing lets the copies an engine left go.
    folderWatch_ = std::make_unique<qb::win::DirectoryWatch>(L".", Handle, StoreChangedMessage);
}

LRESULT TForm1::OnStoreChanged() {
    SetTimer(Handle, kStoreChangedTimer, kSettleMs, nullptr);
    return 0;
}

// ---- The tab commands ----

void TForm1::NewExecute() {
    const auto tabs = Tabs();
    const std::wstring initial = tabs.Caption(tabs.Selected());
    std::optional<std::wstring> caption;
    {
        ModalDialogScope modal;
        caption = qb::ui::InputQuery(Handle, L"Новая вкладка", L"Введите имя для новой вкладки:",
                                     initial);
    }
    if (caption) {
        notebook_.AddPage(*caption);
    }
}

void TForm1::RenameExecute() {
    const auto tabs = Tabs();
    const int index = tabs.Selected();
    const std::wstring initial = tabs.Caption(index);
    std::optional<std::wstring> caption;
    {
        ModalDialogScope modal;
        caption = qb::ui::InputQuery(Handle, L"Новое имя", L"Введите новое имя вкладки:", initial);
    }
    if (caption && *caption != initial) {
        notebook_.RenamePage(index, *caption);
    } else {
        tabs.SetCaption(index, initial);
    }
}

void TForm1::Action1Execute() {
    const auto tabs = Tabs();
    const std::wstring message = L"Вкладка " + tabs.Caption(tabs.Selected()) +
                                 L" будет удалена без возможности восстановления! Продолжить?";
    bool confirmed = false;
    {
        ModalDialogScope modal;
        confirmed = qb::ui::ConfirmWarning(Handle, message);
    }
    if (confirmed) {
        notebook_.ClosePage(tabs.Selected());
    }
}

void TForm1::ReopenExecute() {
    notebook_.ReopenPage();
}

void TForm1::HistoryExecute() {
    const std::vector<qb::notebook::Version> versions = notebook_.PageHistory();
    std::vector<qb::ui::HistoryItem> items;
    for (const auto& version : versions) {
        items.push_back({version.time, version.chars});
    }
    std::optional<std::size_t> chosen;
    {
        ModalDialogScope modal;
        chosen = qb::ui::ShowPageHistory(Handle, items, [&](std::size_t i) {
            return qb::store::ToWide(notebook_.VersionText(versions[i]).text);
        });
    }
    if (chosen) {
        notebook_.RestoreVersion(versions[*chosen]);
    }
}

void TForm1::UpdateActions() {
    SetActionEnabled(ID_ACTION_REOPEN, notebook_.CanReopen());
    SetActionEnabled(ID_ACTION_HISTORY, notebook_.HasHistory());
}
