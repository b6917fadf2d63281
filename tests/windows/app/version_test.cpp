// The built program's version resource and its embedded application manifest, read from the
// executable file as Explorer and the loader read them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The program under test: QB_EXE, a Linux path as Wine's Z: drive shows it; without it, the
// program at the top of the build tree this test was built in (tests/windows/..).
std::wstring ProgramPath() {
    if (const wchar_t* value = _wgetenv(L"QB_EXE"); value != nullptr && *value != L'\0') {
        std::wstring path(value);
        for (wchar_t& c : path) {
            if (c == L'/') {
                c = L'\\';
            }
        }
        return path.front() == L'\\' ? L"Z:" + path : path;
    }
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
        if (n < self.size()) {
            self.resize(n);
            break;
        }
        self.resize(self.size() * 2);
    }
    std::wstring dir = self;
    for (int up = 0; up < 3; ++up) {
        dir.resize(dir.find_last_of(L"\\/") == std::wstring::npos ? 0 : dir.find_last_of(L"\\/"));
    }
    return dir + L"\\Quillbrasset.exe";
}

struct ModuleFree {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

class VersionInfo {
  public:
    explicit VersionInfo(const std::wstring& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0) {
            return;
        }
        block_.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, block_.data())) {
            block_.clear();
        }
    }

    bool present() const { return !block_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        void* data = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block_.data(), L"\\", &data, &length) ||
            length < sizeof(VS_FIXEDFILEINFO)) {
            return nullptr;
        }
        return static_cast<const VS_FIXEDFILEINFO*>(data);
    }

    // Language and code page pairs of the string tables.
    std::vector<std::pair<WORD, WORD>> Translations() const {
        void* data = nullptr;
        UINT length = 0;
        std::vector<std::pair<WORD, WORD>> out;
        if (VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation", &data, &length)) {
            const WORD* words = static_cast<const WORD*>(data);
            for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
                out.emplace_back(words[i], words[i + 1]);
            }
        }
        return out;
    }

    std::wstring String(std::wstring_view table, std::wstring_view name) const {
        const std::wstring key =
            L"\\StringFileInfo\\" + std::wstring(table) + L"\\" + std::wstring(name);
        void* data = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block_.data(), key.c_str(), &data, &length) || length == 0) {
            return L"<missing>";
        }
        std::wstring value(static_cast<const wchar_t*>(data), length);
        return value.substr(0, value.find(L'\0'));
    }

  private:
    std::vector<unsigned char> block_;
};

TEST(VersionResource, NumbersOfVersionOnePointFive) {
    const std::wstring path = ProgramPath();
    ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << "no program at " << path;
    const VersionInfo info(path);
    ASSERT_TRUE(info.present()) << "no version resource";
    const VS_FIXEDFILEINFO* fixed = info.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 5);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "no debug or pre-release flag";
}

TEST(VersionResource, RussianStringTableWithProductAndVersionTexts) {
    const VersionInfo info(ProgramPath());
    ASSERT_TRUE(info.present());
    const auto translations = info.Translations();
    ASSERT_EQ(translations.size(), 1u);
    EXPECT_EQ(translations[0].first, 0x0419) << "Russian";
    EXPECT_EQ(translations[0].second, 1200) << "Unicode";
    EXPECT_EQ(info.String(L"041904B0", L"ProductName"), L"Quillbrasset");
    EXPECT_EQ(info.String(L"041904B0", L"ProductVersion"), L"1.5");
    EXPECT_EQ(info.String(L"041904B0", L"FileVersion"), L"1.5.0.0");
    EXPECT_EQ(info.String(L"041904B0", L"OriginalFilename"), L"Quillbrasset.exe");
    // The Cyrillic of the UTF-8 resource script arrives as the same characters.
    EXPECT_EQ(info.String(L"041904B0", L"FileDescription"), L"Quillbrasset — заметки во вкладках");
}

std::string ManifestOf(HMODULE module, LPCWSTR id) {
    HRSRC found = FindResourceW(module, id, RT_MANIFEST);
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

TEST(ApplicationManifest, OneProcessManifestDpiAwareWithoutCommonControlsSix) {
    UniqueModule module(LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_NE(module, nullptr) << GetLastError();

    int manifests = 0;
    EnumResourceNamesW(module.get(), RT_MANIFEST, CountName,
                       reinterpret_cast<LONG_PTR>(&manifests));
    EXPECT_EQ(manifests, 1) << "exactly one manifest resource";

    const std::string xml = ManifestOf(module.get(), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(xml.empty()) << "no RT_MANIFEST resource with id 1";
    EXPECT_EQ(xml.rfind("<?xml", 0), 0u) << xml;
    EXPECT_NE(xml.find("</assembly>"), std::string::npos) << xml;
    EXPECT_NE(xml.find(">true</dpiAware>"), std::string::npos) << xml;
    EXPECT_NE(xml.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << xml;
    // Visual styles would come from a dependency on the common controls' version 6.
    EXPECT_EQ(xml.find("<dependency"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("Common-Controls"), std::string::npos) << xml;
}

}  // namespace
