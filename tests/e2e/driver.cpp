#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace e2e {

namespace {

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());  // paths from the test environment are ASCII
}

}  // namespace

std::wstring WinePath(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        throw std::runtime_error(std::string("environment variable missing: ") + variable);
    }
    std::wstring path = Widen(value);
    if (!path.empty() && path[0] == L'/') {
        for (auto& c : path) {
            if (c == L'/') {
                c = L'\\';
            }
        }
        path = L"Z:" + path;
    }
    return path;
}

namespace {

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FindData {
    DWORD pid;
    const wchar_t* className;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
    auto* data = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != data->pid) {
        return TRUE;
    }
    wchar_t cls[256] = {};
    GetClassNameW(hwnd, cls, 256);
    if (data->className != nullptr && wcscmp(cls, data->className) != 0) {
        return TRUE;
    }
    if (data->caption != nullptr) {
        wchar_t text[512] = {};
        GetWindowTextW(hwnd, text, 512);
        if (wcscmp(text, data->caption) != 0) {
            return TRUE;
        }
    }
    if (!IsWindowVisible(hwnd)) {
        return TRUE;
    }
    data->found = hwnd;
    return FALSE;
}

std::wstring WindowText(HWND hwnd) {
    const auto n = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const auto got =
        SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

}  // namespace

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ScratchDir::ScratchDir() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = fs::path(temp) / (L"qb-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::ScratchDir(fs::path existing) : path_(std::move(existing)), own_(false) {}

ScratchDir::~ScratchDir() {
    if (own_) {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
}

void ScratchDir::Write(const std::wstring& relative, const std::string& bytes) const {
    const fs::path p = path_ / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScratchDir::Read(const std::wstring& relative) const {
    return ReadFileBytes(path_ / relative);
}

bool ScratchDir::Exists(const std::wstring& relative) const {
    return fs::exists(path_ / relative);
}

void ScratchDir::CopyReadme() const {
    Write(L"readme.txt", ReadmeBytes());
}

std::string ReadmeBytes() {
    return ReadFileBytes(fs::path(WinePath("QB_README")));
}

std::string SettingsBytes(int left, int top, int opacity, int width, int height, int tabIndex) {
    std::string bytes;
    for (int v : {left, top, opacity, width, height, tabIndex}) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>((u >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

std::string UsualSettings(int tabIndex) {
    return SettingsBytes(60, 60, 240, 433, 202, tabIndex);
}

std::wstring PageFile(int index) {
    return L"Strings/Tab" + std::to_wstring(index) + L".txt";
}

void WriteStore(const ScratchDir& dir, const std::string& settings, const std::string& tabList,
                const std::map<int, std::string>& pages) {
    dir.Write(L"settings.dat", settings);
    dir.Write(L"Strings/Tabs.txt", tabList);
    for (const auto& [index, bytes] : pages) {
        dir.Write(PageFile(index), bytes);
    }
}

namespace {

std::string InCodePage(const std::wstring& text, UINT codePage) {
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                        nullptr, nullptr);
    return bytes;
}

}  // namespace

std::string Ansi(const std::wstring& text) {
    return InCodePage(text, CP_ACP);
}

std::string Utf8(const std::wstring& text) {
    return InCodePage(text, CP_UTF8);
}

std::wstring FromAnsi(const std::string& bytes) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

SettingsValues DecodeSettings(const std::string& bytes) {
    auto at = [&](int i) {
        std::uint32_t u = 0;
        for (int k = 0; k < 4; ++k) {
            u |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(4 * i + k)))
                 << (8 * k);
        }
        return static_cast<int>(u);
    };
    return {at(0), at(1), at(2), at(3), at(4), at(5)};
}

Program::Program(const ScratchDir& dir, bool waitForWindow, const char* exeVariable) {
    const std::wstring exe = WinePath(exeVariable);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    const std::wstring cwd = dir.path().wstring();
    // Wine has refused a start once in a full run, between starts of the same program that went
    // through: the program never ran, so the start is asked for again before the test gives up.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           cwd.c_str(), &si, &pi_)) {
            break;
        }
        const DWORD error = GetLastError();
        if (attempt == 5) {
            throw std::runtime_error("cannot start the program: error " + std::to_string(error));
        }
        Pause(200);
    }
    if (waitForWindow) {
        WaitForWindow();
    }
}

Program::~Program() {
    if (Running()) {
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool Program::Running() const {
    return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

void Program::Cut() {
    TerminateProcess(pi_.hProcess, 9);
    WaitForSingleObject(pi_.hProcess, 10000);
}

DWORD Program::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

void Program::WaitForWindow() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        FindData box{pi_.dwProcessId, L"#32770", L"Quillbrasset 1.5", nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&box));
        if (box.found != nullptr) {
            startupErrors.push_back(WindowText(GetDlgItem(box.found, 0xFFFF)));
            SendMessageW(box.found, WM_COMMAND, IDOK, 0);
            Pause(50);
            continue;
        }
        FindData form{pi_.dwProcessId, L"TForm1", nullptr, nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&form));
        if (form.found != nullptr) {
            form_ = form.found;
            break;
        }
        if (!Running()) {
            throw std::runtime_error("the program ended before its window showed");
        }
        Pause(30);
    }
    if (form_ == nullptr) {
        throw std::runtime_error("the program's window did not show");
    }
    // Notices of start-up come once the window is up.
    for (;;) {
        WaitForInputIdle(pi_.hProcess, 5000);
        Pause(50);
        FindData box{pi_.dwProcessId, L"#32770", L"Quillbrasset 1.5", nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&box));
        if (box.found == nullptr) {
            break;
        }
        startupErrors.push_back(WindowText(GetDlgItem(box.found, 0xFFFF)));
        SendMessageW(box.found, WM_COMMAND, IDOK, 0);
    }
    tabs_ = FindWindowExW(form_, nullptr, WC_TABCONTROLW, nullptr);
    memo_ = FindWindowExW(tabs_, nullptr, L"EDIT", nullptr);
    trackbar_ = FindWindowExW(form_, nullptr, TRACKBAR_CLASSW, nullptr);
    toolbar_ = FindWindowExW(form_, nullptr, L"TActionToolBar", nullptr);
}

HWND Program::FindOwnWindow(const wchar_t* className, const wchar_t* caption, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        FindData data{pi_.dwProcessId, className, caption, nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&data));
        if (data.found != nullptr) {
            return data.found;
        }
        Pause(30);
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

HWND Program::WaitForDialog(const wchar_t* caption) {
    HWND dialog = FindOwnWindow(nullptr, caption);
    Idle();
    return dialog;
}

std::optional<std::wstring> Program::ErrorBoxText(int timeoutMs) {
    HWND box = FindOwnWindow(L"#32770", L"Quillbrasset 1.5", timeoutMs);
    if (box == nullptr) {
        return std::nullopt;
    }
    return WindowText(GetDlgItem(box, 0xFFFF));
}

void Program::DismissErrorBox() {
    if (HWND box = FindOwnWindow(L"#32770", L"Quillbrasset 1.5", 1000)) {
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        Idle();
    }
}

int Program::TabCount() const {
    return static_cast<int>(SendMessageW(tabs_, TCM_GETITEMCOUNT, 0, 0));
}

int Program::SelectedTab() const {
    return static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
}

std::vector<std::wstring> Program::Captions() const {
    // The tab strip reads captions into its caller's memory: lend it some in the program.
    constexpr int kChars = 4096;
    const SIZE_T bytes = sizeof(TCITEMW) + kChars * sizeof(wchar_t);
    void* remote = VirtualAllocEx(pi_.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) {
        throw std::runtime_error("VirtualAllocEx failed");
    }
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(TCITEMW));
    std::vector<std::wstring> captions;
    const int n = TabCount();
    for (int i = 0; i < n; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = remoteText;
        item.cchTextMax = kChars;
        WriteProcessMemory(pi_.hProcess, remote, &item, sizeof item, nullptr);
        SendMessageW(tabs_, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        std::wstring text(kChars, L'\0');
        ReadProcessMemory(pi_.hProcess, remoteText, text.data(), kChars * sizeof(wchar_t), nullptr);
        text.resize(wcsnlen(text.c_str(), kChars));
        captions.push_back(text);
    }
    VirtualFreeEx(pi_.hProcess, remote, 0, MEM_RELEASE);
    return captions;
}

std::wstring Program::MemoText() const {
    return WindowText(memo_);
}

BYTE Program::Alpha() const {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    GetLayeredWindowAttributes(form_, &key, &alpha, &flags);
    return alpha;
}

bool Program::TrayIconRegistered() const {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = form_;
    data.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void Program::Idle(int ms) const {
    Pause(ms);
    WaitForInputIdle(pi_.hProcess, 5000);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result);
}

void Program::Activate() {
    SetForegroundWindow(form_);
    Idle();
}

void Program::Click(HWND window, int x, int y, bool right) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    ClickAt(p, right);
}

void Program::ClickAt(POINT p, bool right) {
    SetCursorPos(p.x, p.y);
    Idle(30);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    Idle();
}

RECT Program::RemoteRect(HWND control, UINT msg, WPARAM wParam) const {
    // The control writes into its caller's memory: lend it some in the program.
    RECT r{};
    void* remote = VirtualAllocEx(pi_.hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    SendMessageW(control, msg, wParam, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(pi_.hProcess, remote, &r, sizeof r, nullptr);
    VirtualFreeEx(pi_.hProcess, remote, 0, MEM_RELEASE);
    return r;
}

void Program::ClickTab(int index) {
    const RECT r = RemoteRect(tabs_, TCM_GETITEMRECT, static_cast<WPARAM>(index));
    Click(tabs_, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Program::TabMenu(TabMenuItem item) {
    RECT r{};
    GetClientRect(tabs_, &r);
    Click(tabs_, r.right - 10, 10, true);
    for (int i = 0; i <= item; ++i) {
        Keys({VK_DOWN});
    }
    Keys({VK_RETURN});
}

void Program::Drag(HWND window, POINT from, POINT to) {
    ClientToScreen(window, &from);
    ClientToScreen(window, &to);
    SetCursorPos(from.x, from.y);
    Idle(30);
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &down, sizeof down);
    Idle(30);
    // Several steps, as a hand moves.
    for (int i = 1; i <= 8; ++i) {
        SetCursorPos(from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8);
        INPUT move{};
        move.type = INPUT_MOUSE;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
        SendInput(1, &move, sizeof move);
        Idle(20);
    }
    INPUT up{};
    up.type = INPUT_MOUSE;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &up, sizeof up);
    Idle();
}

POINT Program::CloseButton() const {
    RECT w{};
    GetWindowRect(form_, &w);
    for (int y = w.top + 1; y < w.top + 40; ++y) {
        for (int x = w.right - 1; x > w.right - 60; --x) {
            if (SendMessageW(form_, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                return {x - 3, y + 3};
            }
        }
    }
    throw std::runtime_error("no close button on the caption");
}

HWND Program::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
    return info.hwndFocus;
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr)) {
        throw std::runtime_error("cannot open the clipboard");
    }
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) {
        throw std::runtime_error("cannot open the clipboard");
    }
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(mem), text.c_str(), bytes);
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
}

void EmptyTheClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void Program::Keys(std::initializer_list<WORD> chord) {
    std::vector<INPUT> in;
    for (WORD vk : chord) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        in.push_back(i);
    }
    for (auto it = std::rbegin(chord); it != std::rend(chord); ++it) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Idle();
}

void Program::Type(const std::wstring& text) {
    std::vector<INPUT> in;
    for (wchar_t c : text) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = c;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        in.push_back(down);
        in.push_back(up);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    Idle(100);
}

void Program::SetMemoText(const std::wstring& text) {
    SendMessageW(memo_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Program::CloseFromOutside(int timeoutMs) {
    PostMessageW(form_, WM_CLOSE, 0, 0);
    return WaitForExit(timeoutMs);
}

bool Program::WaitForExit(int timeoutMs) {
    return WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace e2e
