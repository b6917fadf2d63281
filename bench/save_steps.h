// A page saved from a text area as the program saves it (its text read out, converted to the
// ANSI code page, written to a temporary file, flushed and moved over the page file), with
// the time of each step when asked: for the benchmark's raw floors.
#pragma once

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "win/handles.h"
#include "table.h"

namespace qb::bench {

// Milliseconds of each step of a save.
struct SaveSteps {
    double text = 0;     // GetWindowTextW
    double convert = 0;  // WideCharToMultiByte, to the ANSI code page or to UTF-8
    double write = 0;    // CreateFileW of the temporary file and WriteFile
    double flush = 0;    // FlushFileBuffers
    double move = 0;     // closing the temporary file and MoveFileExW over the page file
};

inline std::wstring TextOf(HWND edit) {
    const int len = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), len + 1)));
    return text;
}

// The text area's characters copied out of its own buffer (EM_GETHANDLE, LocalLock) into a
// string whose memory is used again: what the program's window does for a background save.
inline void CopyInPlace(HWND edit, std::wstring& into) {
    const auto length = static_cast<std::size_t>(GetWindowTextLengthW(edit));
    const auto buffer = reinterpret_cast<HLOCAL>(SendMessageW(edit, EM_GETHANDLE, 0, 0));
    const auto* chars =
        buffer != nullptr ? static_cast<const wchar_t*>(LocalLock(buffer)) : nullptr;
    if (chars == nullptr) {
        throw std::runtime_error("floor: the text area gives no handle of its text");
    }
    into.assign(chars, std::min(length, LocalSize(buffer) / sizeof(wchar_t)));
    LocalUnlock(buffer);
}

// The text in a code page: the ANSI one, or UTF-8 (CP_UTF8) for a page the ANSI one cannot hold.
inline std::string ToAnsi(const std::wstring& text, UINT codePage = CP_ACP) {
    std::string bytes(text.size() * 3, '\0');
    const int n =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(n));
    return bytes;
}

inline std::string GetAnsi(HWND edit) {
    return ToAnsi(TextOf(edit));
}

// Writes the bytes to "<path>.saving", flushes it and moves it over the file.
inline void ReplaceAll(const std::wstring& path, const std::string& bytes,
                       SaveSteps* steps = nullptr) {
    const std::wstring temp = path + L".saving";
    auto t = Clock::now();
    const auto lap = [&](double SaveSteps::*step) {
        const auto now = Clock::now();
        if (steps != nullptr) {
            steps->*step = Ms(t, now);
        }
        t = now;
    };
    win::UniqueHandle f(CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) {
        throw std::runtime_error("floor: cannot create");
    }
    DWORD put = 0;
    const bool written =
        WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
        put == bytes.size();
    lap(&SaveSteps::write);
    const bool flushed = FlushFileBuffers(f.get()) != FALSE;
    lap(&SaveSteps::flush);
    // Closed here, not at the end of the scope: the file cannot be moved while it is open, and
    // the close is part of the step timed.
    const bool closed = f.close();
    const bool moved = MoveFileExW(temp.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    lap(&SaveSteps::move);
    if (!written || !flushed || !closed || !moved) {
        throw std::runtime_error("floor: cannot write the page");
    }
}

// The text area's page saved over the file, each step timed.
inline SaveSteps TimedSave(HWND edit, const std::wstring& path, UINT codePage = CP_ACP) {
    SaveSteps steps;
    const auto t0 = Clock::now();
    const std::wstring text = TextOf(edit);
    const auto t1 = Clock::now();
    const std::string bytes = ToAnsi(text, codePage);
    const auto t2 = Clock::now();
    steps.text = Ms(t0, t1);
    steps.convert = Ms(t1, t2);
    ReplaceAll(path, bytes, &steps);
    return steps;
}

}  // namespace qb::bench
