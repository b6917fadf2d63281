#include "tests/sync/two_machines.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <utility>

namespace e2e {

Machine::Machine(const char* syncedFolder, const std::wstring& folder, std::string name, int left)
    : name_(std::move(name)), left_(left), dir_(fs::path(WinePath(syncedFolder)) / folder) {
    fs::create_directories(dir_.path());
}

void Machine::WriteSettings(int tabIndex) const {
    dir_.Write(L"settings.dat", SettingsBytes(left_, 40, 255, 433, 202, tabIndex));
}

void Machine::Start() {
    program_ = std::make_unique<Program>(dir_);
    DismissNotices();
}

bool Machine::Exit() {
    DismissNotices();
    const bool ended = program_->CloseFromOutside();
    program_.reset();
    return ended;
}

int Machine::DismissNotices() {
    int n = 0;
    while (program_->ErrorBoxText(100)) {
        program_->DismissErrorBox();
        ++n;
    }
    return n;
}

std::wstring Machine::CaptionOnScreen() {
    const auto captions = program_->Captions();
    const int selected = program_->SelectedTab();
    return selected >= 0 && selected < static_cast<int>(captions.size())
               ? captions[static_cast<std::size_t>(selected)]
               : L"";
}

namespace {

// Waits up to `ms` for a condition; true when it held.
bool Within(int ms, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        Pause(50);
    }
    return true;
}

void Key(WORD key, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

}  // namespace

void Machine::Chord(WORD modifier, WORD key) {
    // The modifier is down before the key comes and up only once the program has taken it: a
    // program busy with a change from the other machine reads the modifier's state late.
    Key(modifier, false);
    program_->Idle();
    Key(key, false);
    Key(key, true);
    program_->Idle();
    Key(modifier, true);
    program_->Idle();
}

bool Machine::TypeAtTheEnd(const std::wstring& text) {
    DismissNotices();
    program_->Activate();
    Chord(VK_CONTROL, VK_END);
    program_->Type(text);
    return Within(2000, [&] { return program_->MemoText().find(text) != std::wstring::npos; });
}

bool Machine::Prompted(WORD modifier, WORD key, const wchar_t* dialog, const std::wstring& answer) {
    DismissNotices();
    program_->Activate();
    if (modifier != 0) {
        Chord(modifier, key);
    } else {
        program_->Keys({key});
    }
    if (program_->WaitForDialog(dialog) == nullptr) {
        return false;
    }
    if (!answer.empty()) {
        program_->Type(answer);
    }
    program_->Keys({VK_RETURN});
    program_->Idle(200);
    // A prompt still up (its answer refused) is cancelled, so that later keys go to the window.
    if (HWND still = program_->FindOwnWindow(nullptr, dialog, 0)) {
        PostMessageW(still, WM_COMMAND, IDCANCEL, 0);
        program_->Idle(200);
        return false;
    }
    return true;
}

bool Machine::New(const std::wstring& caption) {
    return Prompted(VK_CONTROL, 'N', L"Новая вкладка", caption) &&
           Within(1500, [&] { return CaptionOnScreen() == caption; });
}

bool Machine::Rename(const std::wstring& caption) {
    return Prompted(0, VK_F2, L"Новое имя", caption) &&
           Within(1500, [&] { return CaptionOnScreen() == caption; });
}

bool Machine::Close() {
    const std::wstring caption = CaptionOnScreen();
    const auto named = [&] {
        const auto captions = program_->Captions();
        return std::count(captions.begin(), captions.end(), caption);
    };
    const auto before = named();
    return Prompted(VK_CONTROL, 'W', L"Warning", L"") &&
           Within(1500, [&] { return named() < before; });
}

bool Machine::Switch(int index) {
    DismissNotices();
    program_->ClickTab(index);
    return Within(1000, [&] { return program_->SelectedTab() == index; });
}

namespace {

struct ShownWindows {
    DWORD pid;
    std::string list;
};

// (A function of the system's calling convention: a lambda is none on 32-bit Windows.)
BOOL CALLBACK ListShownWindow(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<ShownWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->pid && IsWindowVisible(window)) {
        wchar_t name[256] = {};
        wchar_t caption[256] = {};
        GetClassNameW(window, name, 256);
        GetWindowTextW(window, caption, 256);
        found->list += " [" + Shown(name) + " \"" + Shown(caption) + "\"]";
    }
    return TRUE;
}

}  // namespace

std::string Machine::WindowsShown() const {
    ShownWindows found{program_->pid(), ""};
    EnumWindows(ListShownWindow, reinterpret_cast<LPARAM>(&found));
    return found.list;
}

std::string Machine::FocusClass() const {
    wchar_t name[256] = {};
    if (HWND focus = program_->Focus()) {
        GetClassNameW(focus, name, 256);
    }
    return Shown(name);
}

std::string Machine::Follows(const StoreOnDisk& store) {
    const auto captions = program_->Captions();
    if (captions != store.captions) {
        std::string shown;
        for (const auto& caption : captions) {
            shown += " [" + Shown(caption) + "]";
        }
        return "the tabs on screen:" + shown;
    }
    const int selected = program_->SelectedTab();
    if (program_->MemoText() != DecodeStored(store.Page(selected))) {
        return "the text area is not the page of tab " + std::to_string(selected) + ": " +
               Shown(program_->MemoText());
    }
    return "";
}

TwoMachines::TwoMachines(const std::wstring& folder)
    : a("QB_SYNC_A", folder, "A", 40), b("QB_SYNC_B", folder, "B", 520) {}

void TwoMachines::Share(const std::string& tabList, const std::map<int, std::string>& pages,
                        int tabIndex) {
    WriteStore(a.dir(), SettingsBytes(40, 40, 255, 433, 202, tabIndex), tabList, pages);
    b.WriteSettings(tabIndex);
    link.a.Rescan();
    const std::string why = Settle(30);
    if (!why.empty()) {
        throw std::runtime_error("the store did not reach B: " + why);
    }
    a.Start();
    b.Start();
}

bool TwoMachines::Resume() {
    link.Rescan();
    Within(5000, [&] { return link.Idle(); });
    return link.Resume();
}

std::string TwoMachines::Settle(int seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    link.Rescan();
    std::optional<StoreOnDisk> steady;
    auto since = Clock::now();
    auto lastScan = Clock::now();
    std::string why;
    while (Clock::now() < deadline) {
        for (Machine* m : {&a, &b}) {
            if (m->running()) {
                m->DismissNotices();
            }
        }
        const StoreOnDisk onA = a.Store();
        const StoreOnDisk onB = b.Store();
        why.clear();
        if (!link.Idle()) {
            why = "the engines are not idle";
        } else if (!(onA == onB)) {
            why = "the stores differ\n A:\n" + onA.Describe() + " B:\n" + onB.Describe();
        } else {
            for (Machine* m : {&a, &b}) {
                const std::string behind = m->running() ? m->Follows(m->Store()) : "";
                if (why.empty() && !behind.empty()) {
                    why = "the program on " + m->name() + " does not show its store: " + behind;
                }
            }
        }
        if (!why.empty()) {
            steady.reset();
        } else if (!steady || !(*steady == onA)) {
            steady = onA;
            since = Clock::now();
        } else if (Clock::now() - since >= std::chrono::seconds(2)) {
            return "";
        }
        if (Clock::now() - lastScan >= std::chrono::seconds(3)) {
            link.Rescan();
            lastScan = Clock::now();
        }
        Pause(250);
    }
    return why.empty() ? "not steady for two seconds" : why;
}

void TwoMachines::Restart() {
    for (Machine* m : {&a, &b}) {
        if (m->running() && !m->Exit()) {
            throw std::runtime_error("the program did not end");
        }
    }
    Settle(20);
    a.Start();
    b.Start();
}

}  // namespace e2e
