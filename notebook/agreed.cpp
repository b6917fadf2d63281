#include "notebook/agreed.h"

#include <cstdio>
#include <cwctype>

#include "store/pure/utf8.h"

namespace qb::notebook {

namespace {

// Version 2 gives each tab its identity, between its fingerprints and its caption; a record of
// version 1 is read with none known.
constexpr std::string_view kHeader = "Quillbrasset sync base 2\r\n";
constexpr std::string_view kHeaderWithoutIds = "Quillbrasset sync base 1\r\n";

void EncodeTabs(std::string& out, std::string_view name, const std::vector<KnownTab>& tabs) {
    out += name;
    out += ' ';
    out += std::to_string(tabs.size());
    out += "\r\n";
    for (const KnownTab& tab : tabs) {
        out += store::FingerprintText(tab.page);
        for (std::size_t i = 0; i < tab.older.size() && i < kOlderVersionsKept; ++i) {
            out += ' ';
            out += store::FingerprintText(tab.older[i]);
        }
        out += '\t';
        out += tab.id;
        out += '\t';
        out += store::Utf16ToUtf8(tab.caption);
        out += "\r\n";
    }
}

std::string_view NextLine(std::string_view& rest) {
    const auto end = rest.find("\r\n");
    if (end == std::string_view::npos) {
        const std::string_view line = rest;
        rest = {};
        return line;
    }
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    return line;
}

std::optional<std::vector<KnownTab>> DecodeTabs(std::string_view& rest, std::string_view name,
                                                bool withIds) {
    const std::string_view head = NextLine(rest);
    if (head.substr(0, name.size() + 1) != std::string(name) + " ") {
        return std::nullopt;
    }
    std::size_t count = 0;
    for (const char c : head.substr(name.size() + 1)) {
        if (c < '0' || c > '9' || count > 1000000) {
            return std::nullopt;
        }
        count = count * 10 + static_cast<std::size_t>(c - '0');
    }
    std::vector<KnownTab> tabs;
    for (std::size_t i = 0; i < count; ++i) {
        if (rest.empty()) {
            return std::nullopt;
        }
        const std::string_view line = NextLine(rest);
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos) {
            return std::nullopt;
        }
        KnownTab known;
        std::string_view caption = line.substr(tab + 1);
        if (withIds) {
            const auto end = caption.find('\t');
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            known.id = std::string(caption.substr(0, end));
            caption.remove_prefix(end + 1);
        }
        known.caption = store::Utf8ToUtf16(caption);
        std::string_view prints = line.substr(0, tab);
        bool first = true;
        while (!prints.empty()) {
            const auto space = prints.find(' ');
            const auto print = store::ParseFingerprintText(prints.substr(0, space));
            if (!print) {
                return std::nullopt;
            }
            (first ? known.page : known.older.emplace_back()) = *print;
            first = false;
            prints = space == std::string_view::npos ? std::string_view() : prints.substr(space + 1);
        }
        if (first) {
            return std::nullopt;
        }
        tabs.push_back(std::move(known));
    }
    return tabs;
}

}  // namespace

std::wstring AgreedFileName(std::wstring_view machine) {
    return machine.empty() ? L"sync-base.dat" : L"sync-base-" + std::wstring(machine) + L".dat";
}

namespace {
std::wstring Folded(std::wstring_view name) {
    std::wstring folded;
    for (const wchar_t c : name) {
        folded += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return folded;
}
}  // namespace

bool IsOtherAgreedFileName(std::wstring_view name, std::wstring_view own) {
    return IsAgreedFileName(name) && Folded(name) != Folded(own);
}

bool IsAgreedFileName(std::wstring_view name) {
    const std::wstring folded = Folded(name);
    return folded.rfind(L"sync-base", 0) == 0 && folded.size() >= 4 &&
           folded.substr(folded.size() - 4) == L".dat";
}

std::string EncodeAgreed(const Agreed& agreed) {
    std::string out(kHeader);
    out += "lists";
    for (std::size_t i = 0; i < agreed.lists.size() && i < kListsKept; ++i) {
        out += ' ';
        out += store::FingerprintText(agreed.lists[i]);
    }
    out += "\r\n";
    EncodeTabs(out, "base", agreed.base);
    EncodeTabs(out, "mine", agreed.mine);
    const store::Fingerprint check = store::FingerprintOf(std::string_view(out));
    out += "end ";
    out += store::FingerprintText(check);
    out += "\r\n";
    return out;
}

std::optional<Agreed> DecodeAgreed(std::string_view bytes) {
    const auto end = bytes.rfind("end ");
    const bool withIds = bytes.substr(0, kHeader.size()) == kHeader;
    if ((!withIds && bytes.substr(0, kHeaderWithoutIds.size()) != kHeaderWithoutIds) ||
        end == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view body = bytes.substr(0, end);
    if (bytes.substr(end) != "end " + store::FingerprintText(store::FingerprintOf(body)) + "\r\n") {
        return std::nullopt;
    }
    std::string_view rest = body.substr(kHeader.size());
    std::string_view lists = NextLine(rest);
    if (lists.substr(0, 5) != "lists") {
        return std::nullopt;
    }
    lists.remove_prefix(5);
    std::vector<store::Fingerprint> written;
    while (!lists.empty()) {
        if (lists.front() != ' ') {
            return std::nullopt;
        }
        lists.remove_prefix(1);
        const auto space = lists.find(' ');
        const auto print = store::ParseFingerprintText(lists.substr(0, space));
        if (!print) {
            return std::nullopt;
        }
        written.push_back(*print);
        lists = space == std::string_view::npos ? std::string_view() : lists.substr(space);
    }
    auto base = DecodeTabs(rest, "base", withIds);
    if (!base) {
        return std::nullopt;
    }
    auto mine = DecodeTabs(rest, "mine", withIds);
    if (!mine || !rest.empty()) {
        return std::nullopt;
    }
    return Agreed{std::move(*base), std::move(*mine), std::move(written)};
}

}  // namespace qb::notebook
