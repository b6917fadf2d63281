// Tab pages: the text area always shows the page of the selected tab.
#include <algorithm>
#include <utility>

#include "res/resource.h"
#include "store/win/code_page.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "store/win/store.h"
#include "store/win/test_hooks.h"
#include "ui/form1.h"
#include "store/win/handles.h"
#include "ui/input_prompt.h"
#include "ui/pure/access_keys.h"
#include "ui/warning_dialog.h"

namespace {

constexpr wchar_t kCutPageNotice[] =
    L"Страница «%s» содержит нулевой байт: текст после него не показывается. Файл страницы "
    L"останется как есть, пока вы не измените эту страницу; тогда его прежнее содержимое "
    L"сохранится в файле «%s».";
constexpr wchar_t kCutTabListNotice[] =
    L"Список вкладок содержит нулевой байт или слишком длинное имя вкладки и показан не "
    L"полностью. Файл списка останется как есть, пока вы не измените вкладки; тогда его "
    L"прежнее содержимое сохранится в файле «%s».";
constexpr wchar_t kUnownedPageNotice[] =
    L"Файл «%s» не принадлежит ни одной вкладке: его могла оставить прежняя версия программы. "
    L"Новая вкладка начнёт свою страницу, а прежнее содержимое файла сохранено в файле «%s».";
constexpr wchar_t kReplacedPageNotice[] =
    L"Файл страницы «%s» начинается с метки UTF-8, но содержит байты, которые не являются "
    L"текстом UTF-8: они показаны как «\xFFFD». Файл страницы останется как есть, пока вы не "
    L"измените эту страницу; тогда его прежнее содержимое сохранится в файле «%s».";
constexpr wchar_t kReplacedTabListNotice[] =
    L"Список вкладок начинается с метки UTF-8, но содержит байты, которые не являются текстом "
    L"UTF-8: они показаны как «\xFFFD». Файл списка останется как есть, пока вы не измените "
    L"вкладки; тогда его прежнее содержимое сохранится в файле «%s».";

std::wstring Format(const wchar_t* pattern, std::initializer_list<std::wstring> args) {
    std::wstring out;
    auto arg = args.begin();
    for (const wchar_t* p = pattern; *p != L'\0'; ++p) {
        if (p[0] == L'%' && p[1] == L's' && arg != args.end()) {
            out += *arg++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::wstring OriginalFileFor(const std::wstring& path) {
    return path + L".original";
}

// Shows a wait cursor while stored text is read into the window.
class WaitCursor {
  public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    HCURSOR previous_;
};

}  // namespace

void TForm1::StopWrites() {
    storeRead_ = false;
    UpdateMemoReadOnly();
}

void TForm1::TabListChanged() {
    tabsChanged_ = true;
    SaveTabList();
}

void TForm1::UpdateMemoReadOnly() {
    SendMessageW(Memo1, EM_SETREADONLY, (storeRead_ && pageLoaded_) ? FALSE : TRUE, 0);
}

void TForm1::NewPageShown() {
    pageLoaded_ = true;
    pageCut_ = false;
    pageForm_ = qb::win::FormOfNewStoreFile();
    UpdateMemoReadOnly();
}

void TForm1::KeepOriginal(const std::wstring& path) {
    // The first original is the one worth keeping; later saves do not replace it.
    CopyFileW(path.c_str(), OriginalFileFor(path).c_str(), TRUE);
}

void TForm1::SaveCurrentPage() {
    if (!storeRead_) {
        return;  // the tab list was not read: page numbers cannot be trusted
    }
    qb::store::EnsureStoreDirectory();
    const int index = Tabs().Selected();
    if (!pageLoaded_ && qb::store::PageExists(index)) {
        return;  // this tab's page was never read: its file stays as it is
    }
    const bool modified = SendMessageW(Memo1, EM_GETMODIFY, 0, 0) != 0;
    if (pageCut_) {
        if (!modified) {
            return;  // the bytes after the NUL stay in the file
        }
        KeepOriginal(qb::store::PageFileName(index));
    }
    pageForm_ = qb::store::SavePageText(index, MemoText(), pageForm_);
    PageSaved();
}

void TForm1::PageSaved() {
    SendMessageW(Memo1, EM_SETMODIFY, FALSE, 0);
    unsavedSince_ = 0;
}

void TForm1::SetAsideUnownedPage(int index) {
    if (!storeRead_ || !qb::store::PageExists(index)) {
        return;
    }
    const std::wstring kept = qb::store::KeepUnownedPage(index);
    const std::wstring name = qb::store::PageFileName(index);
    NoticeOnce(L"unowned:" + name, Format(kUnownedPageNotice, {name, kept}));
}

// ---- Background saves ----

namespace {

constexpr UINT_PTR kBackgroundSaveTimer = 1;
// Typing has paused after this long without a change.
constexpr ULONGLONG kTypingPauseMs = 1000;
// While typing goes on, the page is saved at least this often, or less often for a page whose
// save holds the window longer: then at most a twentieth of the time goes to saving.
constexpr ULONGLONG kSteadyTypingMinMs = 1500;
constexpr ULONGLONG kSteadyTypingMaxMs = 5000;

}  // namespace

ULONGLONG TForm1::LongestUnsavedMs() const {
    return std::clamp<ULONGLONG>(20 * lastSaveMs_, kSteadyTypingMinMs, kSteadyTypingMaxMs);
}

void TForm1::Memo1Change() {
    if (!qb::hooks::BackgroundSavesOn()) {
        return;
    }
    if (unsavedSince_ == 0) {
        unsavedSince_ = GetTickCount64();
    }
    ScheduleBackgroundSave();
}

void TForm1::ScheduleBackgroundSave() {
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG due = std::min(now + kTypingPauseMs, unsavedSince_ + LongestUnsavedMs());
    const ULONGLONG wait = due > now ? due - now : 0;
    SetTimer(Handle, kBackgroundSaveTimer,
             static_cast<UINT>(std::max<ULONGLONG>(wait, USER_TIMER_MINIMUM)), nullptr);
}

LRESULT TForm1::OnTimer(UINT_PTR id) {
    if (id == kBackgroundSaveTimer) {
        KillTimer(Handle, kBackgroundSaveTimer);
        BackgroundSave();
    }
    return 0;
}

void TForm1::BackgroundSave() {
    if (unsavedSince_ == 0 || SendMessageW(Memo1, EM_GETMODIFY, 0, 0) == 0) {
        unsavedSince_ = 0;
        return;  // nothing changed since the page was read or saved
    }
    if (modalDialogs_ > 0) {
        // A dialog of the program is open in the middle of a command; the command saves what
        // it must itself, and the page is saved after it.
        SetTimer(Handle, kBackgroundSaveTimer, static_cast<UINT>(kTypingPauseMs), nullptr);
        return;
    }
    const ULONGLONG start = GetTickCount64();
    try {
        SaveCurrentPage();
        backgroundSaveFailed_ = false;
    } catch (const qb::Error& e) {
        // The edits stay in the text area; the save is tried again once typing pauses next.
        unsavedSince_ = 0;
        if (!backgroundSaveFailed_) {
            backgroundSaveFailed_ = true;
            ShowError(e);
        }
    }
    lastSaveMs_ = GetTickCount64() - start;
}

void TForm1::LoadCurrentPage() {
    WaitCursor wait;
    pageLoaded_ = false;
    pageCut_ = false;
    pageForm_ = qb::win::FormOfNewStoreFile();
    const int index = Tabs().Selected();
    bool nul = false;
    bool replaced = false;
    try {
        if (auto page = qb::store::LoadPageText(index)) {
            SetMemoText(page->text);
            pageForm_ = page->form;
            nul = page->text.find(L'\0') != std::wstring::npos;
            replaced = page->replaced;
        } else {
            ClearMemo();
        }
    } catch (const qb::Error&) {
        // Nothing of another page may stay where this one's edits would be typed and saved.
        ClearMemo();
        UpdateMemoReadOnly();
        throw;
    }
    PageSaved();  // what the text area holds is what is stored
    pageLoaded_ = true;
    pageCut_ = nul || replaced;
    UpdateMemoReadOnly();
    if (pageCut_) {
        const std::wstring name = qb::store::PageFileName(index);
        NoticeOnce(name, Format(nul ? kCutPageNotice : kReplacedPageNotice,
                                {Tabs().Caption(index), OriginalFileFor(name)}));
    }
}

void TForm1::LoadTabList() {
    WaitCursor wait;
    const qb::store::StoredText list = qb::store::LoadTabListText();
    const std::vector<std::wstring> captions = qb::store::SplitTabListText(list.text);
    const auto tabs = Tabs();
    // The captions go straight to the strip: under Wine every message through the strip's
    // subclass costs about as much as the strip's own answer, and a list may hold a thousand
    // tabs. Nothing here needs the subclass (it handles the mouse).
    const auto data = reinterpret_cast<DWORD_PTR>(this);
    const bool lifted = RemoveWindowSubclass(TabControl1, &TForm1::TabControlProc, 1) != FALSE;
    qb::win::AtScopeEnd restore([&] {
        if (lifted) {
            SetWindowSubclass(TabControl1, &TForm1::TabControlProc, 1, data);
        }
    });
    tabs.Clear();
    tabs.AppendAll(captions);
    tabsChanged_ = false;
    tabListForm_ = list.form;
    tabListCut_ =
        list.replaced || qb::store::TabListLosesText(list.text, qb::ui::kCaptionBufferChars - 1);
    LayoutControls();
    if (tabListCut_) {
        NoticeOnce(L"tabs", Format(list.replaced ? kReplacedTabListNotice : kCutTabListNotice,
                                   {OriginalFileFor(std::wstring(qb::store::kTabListWritePath))}));
    }
}

void TForm1::SaveTabList() {
    if (!storeRead_ || (tabListCut_ && !tabsChanged_)) {
        return;  // what is stored was not (wholly) read, and nothing replaces it
    }
    qb::store::EnsureStoreDirectory();
    if (tabListCut_) {
        KeepOriginal(std::wstring(qb::store::kTabListWritePath));
    }
    const qb::store::EncodedText file = qb::store::EncodeTabList(Tabs().Captions(), tabListForm_);
    qb::store::SaveTabListBytes(file.bytes);
    tabListForm_ = file.form;
}

void TForm1::SaveStore() {
    if (!storeRead_) {
        return;  // nothing of this run may replace a store that was not read
    }
    qb::store::EnsureStoreDirectory();
    SaveTabList();
    SaveCurrentPage();
    Settings = CurrentSettings();
    if (settingsWritable_) {
        qb::store::WriteSettings(Settings);
    }
}

qb::store::Settings TForm1::CurrentSettings() const {
    RECT bounds{};
    GetWindowRect(Handle, &bounds);
    qb::store::Settings now = Settings;
    now.left = bounds.left;
    now.top = bounds.top;
    now.opacity = AlphaBlendValue();
    now.width = bounds.right - bounds.left;
    now.height = bounds.bottom - bounds.top;
    now.tabIndex = Tabs().Selected();
    return now;
}

void TForm1::SettingsChanged() {
    if (!storeRead_ || !settingsWritable_) {
        return;
    }
    // Shown once: the settings are written again at the next change and when the program ends.
    try {
        Settings = CurrentSettings();
        qb::store::WriteSettings(Settings);
        settingsFollowFailed_ = false;
    } catch (const qb::Error& e) {
        if (!settingsFollowFailed_) {
            settingsFollowFailed_ = true;
            ShowError(e);
        }
    }
}

void TForm1::TabControl1Changing() {
    SaveCurrentPage();
}

void TForm1::TabControl1Change() {
    SettingsChanged();
    LoadCurrentPage();
}

void TForm1::Memo1KeyDown(WORD& key) {
    if (key != VK_TAB) {
        return;
    }
    SaveCurrentPage();
    const auto tabs = Tabs();
    if (tabs.Selected() + 1 == tabs.Count()) {
        tabs.Select(0);
    } else {
        tabs.Select(tabs.Selected() + 1);
    }
    SettingsChanged();
    LoadCurrentPage();
    key = 0;
}

bool TForm1::TabControl1DialogChar(wchar_t ch) {
    const int index = qb::ui::FindAccessKeyTab(Tabs().Captions(), ch);
    if (index < 0) {
        return false;
    }
    TabControl1Changing();
    Tabs().Select(index);
    TabControl1Change();
    return true;
}

void TForm1::NewExecute() {
    const auto tabs = Tabs();
    const std::wstring initial = tabs.Caption(tabs.Selected());
    std::optional<std::wstring> caption;
    {
        ModalDialogScope modal;
        caption = qb::ui::InputQuery(Handle, L"Новая вкладка", L"Введите имя для новой вкладки:",
                                     initial);
    }
    if (!caption) {
        return;
    }
    SetAsideUnownedPage(tabs.Count());
    tabs.Append(*caption);
    TabListChanged();
    SetActionEnabled(ID_ACTION1, true);
    SaveCurrentPage();
    tabs.Select(tabs.Count() - 1);
    ClearMemo();
    NewPageShown();
    LayoutControls();
    SettingsChanged();
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
        tabs.SetCaption(index, *caption);
        LayoutControls();
        TabListChanged();
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
    if (!confirmed) {
        return;
    }
    RemoveTab(tabs.Selected());
    if (tabs.Count() == 1) {
        SetActionEnabled(ID_ACTION1, false);
    }
}

void TForm1::RemoveTab(int index) {
    if (!storeRead_) {
        throw qb::Error(L"The tab list could not be read, so no page file may be renumbered");
    }
    const auto tabs = Tabs();
    // Closing the only tab leaves no tab to show: the text area keeps the closed tab's stored
    // page, read now, before its file goes.
    std::optional<qb::store::StoredText> lastPage;
    const bool onlyTab = tabs.Count() == 1;
    if (onlyTab) {
        lastPage = qb::store::LoadPageText(index);
    }
    // The store first, all or nothing: the closed page goes, the later pages move down and the
    // tab list loses the tab. When that cannot be done nothing changes, the tab stays and the
    // failure is shown.
    std::vector<std::wstring> captions = tabs.Captions();
    captions.erase(captions.begin() + index);
    qb::store::EnsureStoreDirectory();
    if (tabListCut_) {
        KeepOriginal(std::wstring(qb::store::kTabListWritePath));
    }
    const qb::store::EncodedText list = qb::store::EncodeTabList(captions, tabListForm_);
    qb::store::CloseTab(index, tabs.Count() - 1, list.bytes);
    tabListForm_ = list.form;
    if (tabs.Selected() != 0) {
        tabs.Select(index - 1);
    } else {
        tabs.Select(index + 1);
    }
    tabs.Delete(index);
    tabsChanged_ = true;
    LayoutControls();
    // The text area now shows the stored page of the tab selected; edits made to the closed
    // tab since its page was last saved are dropped.
    if (onlyTab) {
        SettingsChanged();
        lastPage ? SetMemoText(lastPage->text) : ClearMemo();
        NewPageShown();
    } else {
        TabControl1Change();
    }
}
