// This machine's record of the store: the tabs as it last saw the store agree with it (the
// base) and the tabs as it last left them (mine), each caption with the fingerprint of its
// page. A sync engine's changes are read against it (merge.h). It lives beside the settings
// file under a name of this machine's own ("sync-base-<machine>.dat"), so that two machines
// syncing the whole folder never write the same file; another machine's record is read, never written.
// A record that is missing or damaged is no record: the program then reads the store as it
// finds it, as before.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notebook/merge.h"

namespace qb::notebook {

struct Agreed {
    std::vector<KnownTab> base;
    std::vector<KnownTab> mine;
    // The tab lists this machine wrote last, newest first: each is put here before the list
    // is written, so that a list a power cut left is still known as this machine's own.
    std::vector<store::Fingerprint> lists;
    bool operator==(const Agreed&) const = default;
};

// How many earlier versions of a page, and how many tab lists written, are remembered.
inline constexpr std::size_t kOlderVersionsKept = 8;
inline constexpr std::size_t kListsKept = 4;

// The record's file name for a machine ("" gives "sync-base.dat").
std::wstring AgreedFileName(std::wstring_view machine);
// Whether a file in the working directory is some machine's record.
bool IsAgreedFileName(std::wstring_view name);
// Whether a file in the working directory is another machine's record than the one named.
bool IsOtherAgreedFileName(std::wstring_view name, std::wstring_view own);

std::string EncodeAgreed(const Agreed& agreed);
// Nothing when the bytes are not a whole record.
std::optional<Agreed> DecodeAgreed(std::string_view bytes);

}  // namespace qb::notebook
