#include "tests/sync/store_on_disk.h"

#include <algorithm>
#include <cwctype>
#include <system_error>

namespace e2e {

namespace {

// A file the engine is downloading into (".syncthing.<name>.tmp", "~syncthing~<name>.tmp"): its
// own, never synced, and removed by the engine itself.
bool EnginesOwn(const std::wstring& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, L".tmp") == 0 &&
           (name.rfind(L".syncthing.", 0) == 0 || name.rfind(L"~syncthing~", 0) == 0);
}

// "<name>.original", "<name>.original2", ...: copies the program keeps aside.
bool KeptCopy(const std::wstring& name) {
    const auto at = name.rfind(L".original");
    if (at == std::wstring::npos) {
        return false;
    }
    return std::all_of(name.begin() + static_cast<long>(at + 9), name.end(),
                       [](wchar_t c) { return std::iswdigit(c) != 0; });
}

// The tab number of "Tab<n>.txt"; -1 for any other name.
int PageNumber(const std::wstring& name) {
    if (name.size() < 8 || name.compare(0, 3, L"Tab") != 0 ||
        name.compare(name.size() - 4, 4, L".txt") != 0) {
        return -1;
    }
    const std::wstring digits = name.substr(3, name.size() - 7);
    if (digits.empty() || digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return std::iswdigit(c); }) ||
        (digits.size() > 1 && digits[0] == L'0')) {
        return -1;
    }
    return std::stoi(digits);
}

std::wstring Decode(UINT codePage, DWORD flags, const std::string& bytes) {
    const int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    if (n <= 0) {
        return L"";
    }
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        n);
    return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\0') {
            break;
        }
        if (c == L'\r' || c == L'\n') {
            lines.push_back(line);
            line.clear();
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
            continue;
        }
        line += c;
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::wstring DecodeStored(const std::string& bytes) {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
        return Decode(CP_UTF8, 0, bytes.substr(3));
    }
    const bool high = std::any_of(bytes.begin(), bytes.end(),
                                  [](char c) { return static_cast<unsigned char>(c) > 127; });
    if (high && Decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes).size() > 0) {
        return Decode(CP_UTF8, 0, bytes);
    }
    return Decode(CP_ACP, 0, bytes);
}

std::string Shown(const std::wstring& text) {
    return Utf8(text);
}

std::string StoreOnDisk::Page(int index) const {
    const auto it = files.find(L"Tab" + std::to_wstring(index) + L".txt");
    return it == files.end() ? std::string() : it->second;
}

std::vector<std::wstring> StoreOnDisk::Unreached() const {
    std::vector<std::wstring> unreached;
    for (const auto& [name, bytes] : files) {
        const int page = PageNumber(name);
        const bool reached = name == L"Tabs.txt" || KeptCopy(name) ||
                             (page >= 0 && page < static_cast<int>(captions.size()));
        if (!reached) {
            unreached.push_back(name);
        }
    }
    return unreached;
}

bool StoreOnDisk::Holds(const std::string& text,
                        const std::function<bool(const std::wstring&)>& captionFits) const {
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (captionFits(captions[static_cast<std::size_t>(i)]) &&
            Page(i).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string StoreOnDisk::WhereIs(const std::string& text) const {
    std::string where;
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (Page(i).find(text) != std::string::npos) {
            where += " [" + Shown(captions[static_cast<std::size_t>(i)]) + "]";
        }
    }
    for (const auto& [name, bytes] : files) {
        const int page = PageNumber(name);
        if ((page < 0 || page >= static_cast<int>(captions.size())) &&
            bytes.find(text) != std::string::npos) {
            where += ' ';
            where += Shown(name);
        }
    }
    return where.empty() ? " nowhere" : where;
}

std::string StoreOnDisk::Describe() const {
    std::string out = "  tabs:";
    for (const auto& caption : captions) {
        out += " [" + Shown(caption) + "]";
    }
    out += "\n";
    for (const auto& [name, bytes] : files) {
        std::string text = Shown(DecodeStored(bytes));
        if (text.size() > 200) {
            text = text.substr(0, 200) + "...";
        }
        std::replace(text.begin(), text.end(), '\r', ' ');
        std::replace(text.begin(), text.end(), '\n', '|');
        out += "  " + Shown(name) + " (" + std::to_string(bytes.size()) + " bytes): " + text + "\n";
    }
    return out;
}

StoreOnDisk ReadStore(const ScratchDir& dir) {
    StoreOnDisk store;
    std::error_code ec;
    for (fs::directory_iterator it(dir / L"Strings", ec), end; !ec && it != end; it.increment(ec)) {
        const std::wstring name = it->path().filename().wstring();
        if (EnginesOwn(name) || !it->is_regular_file(ec)) {
            continue;
        }
        try {
            store.files[name] = dir.Read(L"Strings/" + name);
        } catch (const std::exception&) {
            // Gone or held by the engine between the listing and the read.
        }
    }
    const auto list = store.files.find(L"Tabs.txt");
    if (list != store.files.end()) {
        store.captions = SplitLines(DecodeStored(list->second));
    }
    return store;
}

}  // namespace e2e
