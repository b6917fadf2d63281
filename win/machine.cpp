#include "win/machine.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <vector>

#include "store/pure/fingerprint.h"
#include "store/pure/utf8.h"

namespace qb::win {

namespace {

// The id Windows gives each installation, kept in the 64-bit view of the registry.
std::wstring InstallationId() {
    DWORD bytes = 0;
    constexpr auto kKey = L"SOFTWARE\\Microsoft\\Cryptography";
    constexpr DWORD kFlags = RRF_RT_REG_SZ | 0x00010000;  // RRF_SUBKEY_WOW6464KEY
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, L"MachineGuid", kFlags, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS ||
        bytes == 0) {
        return {};
    }
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, L"MachineGuid", kFlags, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS) {
        return {};
    }
    return value.data();
}

std::wstring ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

std::wstring WorkingDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) {
        return {};
    }
    std::vector<wchar_t> path(size + 1, L'\0');
    const DWORD length = GetCurrentDirectoryW(size + 1, path.data());
    std::wstring folded(path.data(), length <= size ? length : 0);
    for (auto& c : folded) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return folded;
}

}  // namespace

std::wstring MachineName() {
    std::wstring id = InstallationId();
    if (id.empty()) {
        id = ComputerName();
    }
    const std::wstring whole = id + L"|" + WorkingDirectory();
    const store::Utf16 text(whole.begin(), whole.end());
    const std::string bytes = store::Utf16ToUtf8(text);
    const store::Fingerprint print = store::FingerprintOf(std::string_view(bytes));
    wchar_t digits[17] = {};
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(print.hash));
    return digits;
}

}  // namespace qb::win
