#include "app/single_instance.h"

#include <cstdint>
#include <cstring>

#include "win/file.h"
#include "ui/form1.h"

namespace qb::app {

std::wstring InstanceNameFor(std::wstring_view fullPath) {
    std::wstring path(fullPath);
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    if (!path.empty()) {
        CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    }
    // FNV-1a over the UTF-16 code units: object names cannot hold backslashes.
    std::uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : path) {
        hash ^= static_cast<std::uint16_t>(c == L'/' ? L'\\' : c);
        hash *= 1099511628211ull;
    }
    wchar_t hex[17] = {};
    for (int i = 15; i >= 0; --i) {
        hex[i] = L"0123456789abcdef"[hash & 0xF];
        hash >>= 4;
    }
    return std::wstring(L"Local\\Quillbrasset-") + hex;
}

namespace {

std::wstring WorkingDirectoryName() {
    std::wstring full = qb::win::FullPath(L".");
    const DWORD n = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (n > 0) {
        std::wstring longer(n, L'\0');
        const DWORD got = GetLongPathNameW(full.c_str(), longer.data(), n);
        if (got > 0 && got < n) {
            longer.resize(got);
            full = longer;
        }
    }
    return InstanceNameFor(full);
}

}  // namespace

SingleInstance::SingleInstance() {
    const std::wstring name = WorkingDirectoryName();
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(std::uint64_t), name.c_str()));
    if (!mapping_.valid()) {
        mapping_.release();
        return;  // no way to tell: run as the first copy
    }
    first_ = GetLastError() != ERROR_ALREADY_EXISTS;
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(std::uint64_t)));
}

void SingleInstance::Publish(HWND form) {
    if (view_) {
        const auto value = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(form));
        std::memcpy(view_.get(), &value, sizeof value);
    }
}

bool SingleInstance::BringRunningForward() const {
    if (!view_) {
        return false;
    }
    // The first copy may still be starting: give it a moment to publish its window.
    for (int i = 0; i < 100; ++i) {
        std::uint64_t value = 0;
        std::memcpy(&value, view_.get(), sizeof value);
        HWND form = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
        if (form != nullptr && IsWindow(form)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(form, &pid);
            AllowSetForegroundWindow(pid);
            return PostMessageW(form, RegisterWindowMessageW(qb::ui::kShowRunningCopyMessage), 0,
                                0) != FALSE;
        }
        Sleep(50);
    }
    return false;
}

}  // namespace qb::app
