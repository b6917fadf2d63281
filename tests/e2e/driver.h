// Drives the real program from outside: a scratch working directory, the process, its window
// and controls, real input, and the files it leaves on disk.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

// A fresh working directory, removed again afterwards.
class ScratchDir {
  public:
    ScratchDir();
    // A folder made by someone else (a synced one), used as it is and left behind.
    explicit ScratchDir(fs::path existing);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::wstring& name) const { return path_ / name; }

    void Write(const std::wstring& relative, const std::string& bytes) const;
    std::string Read(const std::wstring& relative) const;
    bool Exists(const std::wstring& relative) const;
    void CopyReadme() const;  // the program's own readme.txt

  private:
    fs::path path_;
    bool own_ = true;
};

// A Linux path from the test environment, as Wine's Z: drive shows it.
std::wstring WinePath(const char* variable);

// The readme shipped with the program, as bytes.
std::string ReadmeBytes();

std::string SettingsBytes(int left, int top, int opacity, int width, int height, int tabIndex);
// The settings most cases start from: the window at (60, 60), 433 by 202 pixels, opacity 240,
// the given tab selected.
std::string UsualSettings(int tabIndex = 0);

// The page file of the tab with the given number, relative to the working directory.
std::wstring PageFile(int index);

// A store as the program leaves it: settings.dat, the tab list and the given pages by tab number.
void WriteStore(const ScratchDir& dir, const std::string& settings, const std::string& tabList,
                const std::map<int, std::string>& pages = {});

// Text in the system's code page, as the program's files hold it, and back.
std::string Ansi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);
// Text in UTF-8, as the program stores what the code page cannot hold.
std::string Utf8(const std::wstring& text);

struct SettingsValues {
    int left, top, opacity, width, height, tabIndex;
};
SettingsValues DecodeSettings(const std::string& bytes);

// A running copy of the program.
class Program {
  public:
    // The program named by the environment variable exeVariable: QB_EXE, the shipped program,
    // or QB_TEST_HOOKS_EXE, the same program with the hooks its tests steer.
    explicit Program(const ScratchDir& dir, bool waitForWindow = true,
                     const char* exeVariable = "QB_EXE");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD pid() const { return pi_.dwProcessId; }
    HWND form() const { return form_; }
    HWND tabs() const { return tabs_; }
    HWND memo() const { return memo_; }
    HWND trackbar() const { return trackbar_; }
    HWND toolbar() const { return toolbar_; }
    HWND application() const { return GetWindow(form_, GW_OWNER); }

    // Waits until the main window exists and the program is idle; answers error boxes shown
    // during start-up into startupErrors.
    void WaitForWindow();
    std::vector<std::wstring> startupErrors;

    // The open error box's text, if one is up (waiting up to the timeout).
    std::optional<std::wstring> ErrorBoxText(int timeoutMs = 3000);
    void DismissErrorBox();
    // A shown top-level window of the program by class (nullptr: any) and caption; nullptr when
    // none appears in time.
    HWND FindOwnWindow(const wchar_t* className, const wchar_t* caption, int timeoutMs = 3000);
    // A prompt or warning of the program by caption, once it is up and the program is idle;
    // nullptr when none appears in time.
    HWND WaitForDialog(const wchar_t* caption);

    int TabCount() const;
    int SelectedTab() const;
    std::vector<std::wstring> Captions() const;
    std::wstring MemoText() const;
    BYTE Alpha() const;
    bool TrayIconRegistered() const;

    // Real input.
    void Activate();
    void Click(HWND window, int x, int y, bool right = false);  // client coordinates
    void ClickAt(POINT screen, bool right = false);
    void ClickTab(int index);
    void Keys(std::initializer_list<WORD> chord);  // pressed in order, released in reverse
    void Type(const std::wstring& text);
    void SetMemoText(const std::wstring& text);
    // Presses the left button at one client point of a window, moves to another, releases.
    void Drag(HWND window, POINT from, POINT to);
    // Opens the tab strip's menu with a right click on the strip's display area and picks an
    // item by its position from the keyboard.
    // "Переименовать", "Удалить", "История страницы…", "Вернуть закрытую вкладку"
    enum TabMenuItem { kRenameTab, kCloseTab, kPageHistory, kReopenTab };
    void TabMenu(TabMenuItem item);
    // A rectangle a control writes into its caller's memory (TCM_GETITEMRECT, TBM_GETTHUMBRECT).
    RECT RemoteRect(HWND control, UINT msg, WPARAM wParam) const;
    // The screen point of the caption's close button, found by hit-testing along the caption.
    POINT CloseButton() const;
    // The window with the keyboard focus in the program's thread.
    HWND Focus() const;
    void Idle(int ms = 50) const;

    // Ends the program with a close request from outside and waits for the process to end.
    bool CloseFromOutside(int timeoutMs = 10000);
    bool WaitForExit(int timeoutMs = 10000);
    bool Running() const;
    // Ends the process at once, as a power cut would, and waits until it is gone.
    void Cut();
    DWORD ExitCode() const;

  private:
    PROCESS_INFORMATION pi_{};
    HWND form_ = nullptr;
    HWND tabs_ = nullptr;
    HWND memo_ = nullptr;
    HWND trackbar_ = nullptr;
    HWND toolbar_ = nullptr;
};

// The clipboard as text; nullopt when it holds none.
std::optional<std::wstring> ClipboardText();
void SetClipboardText(const std::wstring& text);
void EmptyTheClipboard();

// Runs the program's message-driven work: a wait that lets other processes run.
void Pause(int ms);

}  // namespace e2e
