// The stores the benchmark drivers start the program on: a tab list, the pages and the
// settings record, generated.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace qb::bench {

// Lines of 40 characters (Latin, digits and Cyrillic in code page 1251), then a line break.
inline std::string PageBytes(std::size_t size, bool crlf, unsigned seed) {
    static const char alphabet[] =
        "abcdefghijklmnopqrstuvwxyz0123456789 .,"
        "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
        "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF";
    const std::size_t letters = sizeof alphabet - 1;
    std::string out;
    out.reserve(size + 64);
    unsigned x = seed * 2654435761u + 1;
    while (out.size() < size) {
        for (int i = 0; i < 40; ++i) {
            x = x * 1103515245u + 12345u;
            out += alphabet[(x >> 16) % letters];
        }
        out += crlf ? "\r\n" : "\n";
    }
    out.resize(size);
    return out;
}

inline void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + p.string());
    }
}

// The settings record: the window at (`left`, 60), opaque, 433x202, the tab selected.
inline std::string Settings(int tabIndex, int left = 60) {
    std::string bytes;
    for (int v : {left, 60, 255, 433, 202, tabIndex}) {
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

inline std::wstring Caption(int i) {
    return L"Заметки " + std::to_wstring(i + 1);
}

inline std::string AnsiCaption(int i) {
    return "\xC7\xE0\xEC\xE5\xF2\xEA\xE8 " + std::to_string(i + 1);
}

// A store of `tabs` tabs whose selected (first) page has `size` bytes; the other pages are
// small, as start-up reads only the selected one. A second large page when `second` is set.
inline void MakeStore(const std::filesystem::path& dir, int tabs, std::size_t size, bool crlf,
                      bool second = false) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "Strings");
    std::string list;
    for (int i = 0; i < tabs; ++i) {
        list += AnsiCaption(i) + "\r\n";
    }
    WriteFileBytes(dir / "Strings" / "Tabs.txt", list);
    WriteFileBytes(dir / "Strings" / "Tab0.txt", PageBytes(size, crlf, 1));
    for (int i = 1; i < tabs; ++i) {
        // The second page differs and is one line shorter, as two real pages would be.
        WriteFileBytes(dir / "Strings" / ("Tab" + std::to_string(i) + ".txt"),
                       i == 1 && second ? PageBytes(size - 42, crlf, 2) : PageBytes(512, crlf, 3));
    }
    WriteFileBytes(dir / "settings.dat", Settings(0));
}

}  // namespace qb::bench
