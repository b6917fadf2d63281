// A machine's store as its files hold it: the tab list and every file in Strings/, read at one
// moment; what the tabs reach from there, and what they do not.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

namespace e2e {

struct StoreOnDisk {
    // Strings/ file by name, bytes; the engine's own files of a download in progress left out.
    // (Each machine's record of the store lies beside settings.dat, outside Strings/.)
    std::map<std::wstring, std::string> files;
    std::vector<std::wstring> captions;  // from Tabs.txt, decoded

    bool operator==(const StoreOnDisk& other) const { return files == other.files; }

    // The page file of tab `index` as bytes; empty when the tab has none.
    std::string Page(int index) const;
    // Files in Strings/ that no tab reaches: pages past the last tab, conflict copies, anything
    // else but the tab list and the copies kept as "<name>.original".
    std::vector<std::wstring> Unreached() const;
    // Whether a tab whose caption `captionFits` takes has the text on its page.
    bool Holds(const std::string& text,
               const std::function<bool(const std::wstring&)>& captionFits) const;
    // The captions of the tabs whose pages hold the text, and the other files that hold it.
    std::string WhereIs(const std::string& text) const;
    bool HoldsUnder(const std::string& text, const std::wstring& caption) const {
        return Holds(text, [&](const std::wstring& c) { return c == caption; });
    }
    // The captions, then each file with its size and beginning, for a failure's message.
    std::string Describe() const;
};

// Reads the store under `dir`; a file removed or held while it is read is left out.
StoreOnDisk ReadStore(const ScratchDir& dir);

// A stored text decoded as the program reads it: UTF-8 after the mark or when it is well-formed
// UTF-8 with a byte above 127, else the system's code page.
std::wstring DecodeStored(const std::string& bytes);

// Text for a message: wide text in UTF-8.
std::string Shown(const std::wstring& text);

}  // namespace e2e
