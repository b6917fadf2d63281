// What the program last saw in a store file, enough to tell any change to it: whether it was
// there, its size and a hash of its bytes. Time and size alone miss an edit that keeps both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qb::store {

struct Fingerprint {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const Fingerprint&) const = default;
};

// The fingerprint of a file's bytes, or of no file.
Fingerprint FingerprintOf(std::optional<std::string_view> bytes);

// A fingerprint as the program's own records write it: "<size>:<16 hex digits>", "-" for no
// file; and read back (nothing for anything else).
std::string FingerprintText(const Fingerprint& print);
std::optional<Fingerprint> ParseFingerprintText(std::string_view text);

}  // namespace qb::store
