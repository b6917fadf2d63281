// Starting a program under measurement and finding its window and text area, for the
// benchmark drivers.
#pragma once

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "win/handles.h"
#include "table.h"

namespace qb::bench {

inline BOOL CALLBACK FindEdit(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, L"EDIT") == 0) {
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
    }
    return TRUE;
}

inline LRESULT SendTimed(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, 60000, &result)) {
        throw std::runtime_error("a window did not answer");
    }
    return static_cast<LRESULT>(result);
}

// An environment variable of this process while the object lives; the programs started
// meanwhile inherit it.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        if (!SetEnvironmentVariableW(name, value)) {
            throw std::runtime_error("cannot set an environment variable");
        }
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::wstring name_;
};

// A started program, ended by TerminateProcess when the object goes (so the store stays as
// the program last wrote it).
class Process {
  public:
    Process(const std::wstring& exe, const std::wstring& args, const std::filesystem::path& cwd) {
        std::wstring line = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        const std::wstring dir = cwd.wstring();
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                            &si, &pi)) {
            throw std::runtime_error("cannot start a program");
        }
        process_ = win::UniqueHandle(pi.hProcess);
        thread_ = win::UniqueHandle(pi.hThread);
        id_ = pi.dwProcessId;
    }
    ~Process() {
        if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 10000);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Waits until a visible top-level window of the class shows a non-empty text area, then
    // until the thread is back in its message loop.
    void WaitShown(const wchar_t* cls) {
        const auto deadline = Clock::now() + std::chrono::seconds(120);
        while (Clock::now() < deadline) {
            HWND top = nullptr;
            while ((top = FindWindowExW(nullptr, top, cls, nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(top, &pid);
                if (pid == id_ && IsWindowVisible(top)) {
                    break;
                }
            }
            if (top != nullptr) {
                HWND edit = nullptr;
                EnumChildWindows(top, FindEdit, reinterpret_cast<LPARAM>(&edit));
                if (edit != nullptr && SendTimed(edit, WM_GETTEXTLENGTH) > 0) {
                    SendTimed(top, WM_NULL);
                    top_ = top;
                    edit_ = edit;
                    return;
                }
            }
            if (WaitForSingleObject(process_.get(), 2) != WAIT_TIMEOUT) {
                throw std::runtime_error("a program ended before it showed its window");
            }
        }
        throw std::runtime_error("a program did not show its window in time");
    }

    DWORD id() const { return id_; }
    HWND top() const { return top_; }
    HWND edit() const { return edit_; }

    // Committed private memory (what Windows calls private bytes), summed over the process's
    // address space; Wine's process memory counters leave it at zero.
    double PrivateMb() const {
        std::size_t total = 0;
        MEMORY_BASIC_INFORMATION info{};
        const char* at = nullptr;
        while (VirtualQueryEx(process_.get(), at, &info, sizeof info) == sizeof info) {
            if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
                total += info.RegionSize;
            }
            const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
            if (next <= at) {
                break;
            }
            at = next;
        }
        return static_cast<double>(total) / (1024.0 * 1024.0);
    }

  private:
    win::UniqueHandle process_;
    win::UniqueHandle thread_;  // its first thread's handle, unused, held as long as the process's
    DWORD id_ = 0;
    HWND top_ = nullptr;
    HWND edit_ = nullptr;
};

}  // namespace qb::bench
