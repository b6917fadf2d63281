// The main window: its controls, menus and actions as the declaration makes them, and one
// handler for each event.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "store/pure/error.h"
#include "store/pure/settings_record.h"
#include "win/background_writer.h"
#include "win/directory_watch.h"
#include "win/handles.h"
#include "ui/notebook_view.h"
#include "ui/tab_strip.h"

namespace qb::ui {
struct ControlDeclaration;
}

// The notification icon reports mouse events with this message (the first user message + 1).
constexpr UINT TrayCallbackMessage = WM_USER + 1;
// The store directory changed (another program, or this one, wrote in it).
constexpr UINT StoreChangedMessage = WM_APP + 1;
// The background writer finished writing a page.
constexpr UINT PageWrittenMessage = WM_APP + 2;

namespace qb::ui {
// Registered message by which a second start asks the running copy to come forward.
inline constexpr wchar_t kShowRunningCopyMessage[] = L"Quillbrasset.ShowRunningCopy";
}  // namespace qb::ui

class TForm1;

// What the process gives its window: start-up and shutdown, the About command, the
// notification icon and the message boxes of the application. The window declares it and calls
// it; the process (app/) fills it in, so that the window needs nothing of the process.
class TFormHost {
  public:
    virtual ~TFormHost() = default;
    virtual void FormCreate(TForm1& form) = 0;
    virtual void FormClose(TForm1& form) = 0;
    virtual void N14Click(TForm1& form) = 0;
    // Registers (1), removes (2) or updates (3) the notification icon; the platform's result.
    virtual BOOL TrayIcon(TForm1& form, int kind, HICON icon) = 0;
    // A modal message box of the application over owner, with the icon's MB_ flag.
    virtual void ShowMessageBox(HWND owner, const std::wstring& text, UINT icon) = 0;
};

class TForm1 {
  public:
    TForm1();
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Builds the window from its declaration under the given owner (the application window),
    // then runs FormCreate. A failure of FormCreate is shown and the window stays.
    void Create(HINSTANCE instance, HWND owner, TFormHost& host);

    // The window's own shown-or-hidden state (it stays "visible" while the application is
    // minimized to its taskbar button).
    bool Visible() const { return visible_; }
    void Show();
    void Hide();
    // Closing: FormClose, then the window is destroyed and the message loop ends.
    void Close();
    bool Closed() const { return closed_; }

    // Called by the message loop before a message is translated; true when it was consumed.
    bool PreTranslateMessage(const MSG& msg);

    // The application window minimized or restored from its taskbar button.
    void ApplicationMinimized();
    void ApplicationRestored();

    // Controls, as the declaration names them.
    HWND Handle = nullptr;
    HWND ActionToolBar1 = nullptr;
    HWND TrackBar1 = nullptr;
    HWND TabControl1 = nullptr;
    HWND Memo1 = nullptr;
    HMENU PopupMenu1 = nullptr;
    HMENU PopupMenu2 = nullptr;
    HMENU PopupMenu3 = nullptr;
    HIMAGELIST ImageList1 = nullptr;
    HICON AppIcon = nullptr;

    // Handlers of the window (start-up and shutdown), given by its host.
    void FormCreate();
    void FormShow();
    void FormClose();
    void N14Click();
    // The window's bounds and opacity from the settings.
    void ApplySettings(const qb::store::Settings& settings);

    // The note-keeping: what the text area and the tab strip show of the store.
    qb::notebook::Notebook& Notes() { return notebook_; }
    // From now on, what other programs write in the store reaches the notebook.
    void WatchStore();

    // Tab pages.
    void TabControl1Changing();
    void TabControl1Change();
    void Memo1KeyDown(WORD& key);
    // The text area's text changed (typing, the editing commands, or a page set into it).
    void Memo1Change();
    void NewExecute();
    void RenameExecute();
    void Action1Execute();
    void HistoryExecute();
    void ReopenExecute();
    // The actions whose state the notebook decides follow it (before a menu opens or a key runs
    // one).
    void UpdateActions();

    // Finding text across the pages.
    void FindExecute();
    void FindNextExecute();
    void FindPreviousExecute();
    // Alt with a character: true when a tab's access key matched.
    bool TabControl1DialogChar(wchar_t ch);

    // Editing and opacity.
    void CutExecute();
    void CopyExecute();
    void PasteExecute();
    void N12Click();
    void N9Click();
    void N5Click();
    void TrackBar1Change();

    // Hiding to the notification area.
    // Returns true when the command was handled (not passed on to the default handling).
    bool SysCommandMessage(WPARAM command);
    void TrayIconMessage(UINT mouseMessage);
    void N3Click();
    void ExitExecute();

    // Registers (1), removes (2) or updates (3) the notification icon; the platform's result.
    BOOL TrayIcon(int kind, HICON icon);

    void LayoutControls();

    // Actions: enabled state, shown by their menu items and toolbar buttons.
    bool ActionEnabled(UINT action) const;
    void SetActionEnabled(UINT action, bool enabled);

    // The window's opacity 0..255.
    BYTE AlphaBlendValue() const { return alpha_; }
    void SetAlphaBlendValue(BYTE alpha);

    // The strip's tabs.
    qb::ui::TabStrip Tabs() const { return qb::ui::TabStrip(TabControl1); }

    std::wstring MemoText() const;
    // The same into a string whose memory is used again, read in place from the text area's
    // own buffer where the control gives it.
    void CopyMemoText(std::wstring& into) const;
    // Replaces the text area's text with a stored text, unless it equals it already. The edit
    // control takes the text up to its first NUL.
    void SetMemoText(std::wstring_view text);
    void ClearMemo();

    // The one guard of the program: runs a step, and shows a failure of it in the error box;
    // true when the step went through. Every window message, the building of the window and
    // its start-up run through it; whatever the step throws reaches the error box.
    template <typename F>
    bool Guard(F&& step) noexcept {
        try {
            step();
            return true;
        } catch (...) {
            ShowFailure();
        }
        return false;
    }

    // The one place where failures of a handler reach the user.
    void ShowError(const qb::Error& error);
    // A notice about the user's notes. Notices of start-up wait until the window is on screen
    // with its restored page (StartupShown).
    void Notice(const std::wstring& text);
    // The window is up after start-up: the notices it gave are shown now.
    void StartupShown();

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  private:
    friend struct FormBuilder;
    friend class ModalDialogScope;
    friend class qb::ui::NotebookView;

    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(UINT id, UINT code, HWND control);
    LRESULT OnHScroll(UINT code, HWND control);
    LRESULT OnTimer(UINT_PTR id);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnSize();
    LRESULT OnContextMenu(HWND source, int x, int y);
    LRESULT OnInitMenuPopup(HMENU menu);
    LRESULT OnMeasureItem(MEASUREITEMSTRUCT& item);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnClose();
    LRESULT OnDestroy();
    LRESULT OnQueryEndSession();
    LRESULT OnTaskbarCreated();
    LRESULT OnEndSession(bool ending);
    LRESULT OnShowRunningCopy();
    LRESULT OnStoreChanged();
    // While a merge waits for a text, the store is looked at every while, and the wait given
    // up once it has lasted long enough.
    void FollowMergeWait();
    // What the merges had to tell is told once they have been still a while.
    void FollowMergeNews();
    LRESULT OnPageWritten();
    LRESULT OnDpiChanged(int dpi, const RECT& suggested);
    LRESULT OnColoursChanged(UINT msg, WPARAM wParam, LPARAM lParam);

    void ShowNotice(const std::wstring& text);
    // The last text searched, found again; the prompt first when nothing was searched yet.
    void FindAgain(bool forward);
    // The failure being handled, in the error box; nothing escapes from it.
    void ShowFailure() noexcept;
    // The background save of the page after this many milliseconds.
    void ScheduleBackgroundSave(ULONGLONG wait);
    void MakeTopmost();
    // Design pixels in the window's font.
    int Scaled(int designPixels) const;
    // The window's two fonts for a display of this many pixels per inch, and the scale of its
    // design pixels that follows from them.
    void CreateFonts(int dpi);
    // What the controls cannot take from their font or their place: the toolbar's scale and
    // colours, the slider's thumb.
    void ScaleControls();
    void PlaceInTabDisplay(const qb::ui::ControlDeclaration& control);
    void PopupAt(HMENU menu, HWND control, int x, int y);
    // The handler a menu item, a toolbar button or a command id runs.
    void Execute(UINT id);
    static LRESULT CALLBACK MemoProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK TabControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    bool visible_ = false;
    bool closed_ = false;
    int modalDialogs_ = 0;  // open modal dialogs of the program
    std::uint64_t memoEdits_ = 0;  // changes of the text area's text, counted

    bool starting_ = true;
    std::vector<std::wstring> startupNotices_;
    bool applicationMinimized_ = false;
    BYTE alpha_ = 255;
    HWND owner_ = nullptr;
    TFormHost* host_ = nullptr;
    // The height of "0" in the window's font, which scales design pixels (see Scaled).
    int scaleNumerator_ = 0;
    std::vector<std::pair<UINT, bool>> actionStates_;
    qb::win::UniqueFont font_;         // the declared font: user text (pages, tab captions)
    qb::win::UniqueFont programFont_;  // the same in the Russian character set: the program's texts
    std::vector<qb::win::UniqueMenu> menus_;  // the declared menus, each owning its popup
    qb::win::UniqueImageList images_;
    qb::win::UniqueImageList images24_;  // the same images for larger display scales
    qb::win::UniqueImageList images32_;
    qb::win::UniqueIcon icon_;

    qb::ui::NotebookView view_{*this};
    qb::notebook::Notebook notebook_;
    std::unique_ptr<qb::win::DirectoryWatch> watch_;
    std::unique_ptr<qb::win::DirectoryWatch> folderWatch_;
    bool mergeWaitTimed_ = false;  // the merge's wait is being timed
    // Writes the pages saved while typing; goes before the notebook.
    std::unique_ptr<qb::win::BackgroundWriter> writer_;
};

// The program's one main window.
extern TForm1* Form1;

// Gives up the main window's topmost place while a modal dialog of the program is open.
class ModalDialogScope {
  public:
    ModalDialogScope();
    ~ModalDialogScope();
    ModalDialogScope(const ModalDialogScope&) = delete;
    ModalDialogScope& operator=(const ModalDialogScope&) = delete;
};
