#include "store/pure/fingerprint.h"

#include <cstring>

namespace qb::store {

namespace {

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
    return hash ^ (hash >> 32);
}

}  // namespace

Fingerprint FingerprintOf(std::optional<std::string_view> bytes) {
    if (!bytes) {
        return {};
    }
    // Eight bytes a step, each mixed in by a multiplication: not a defence against anyone,
    // only a witness of a change, and quick for a page of megabytes.
    const std::string_view data = *bytes;
    std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ data.size();
    std::size_t at = 0;
    for (; at + 8 <= data.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, data.data() + at, 8);
        hash = Mix(hash, word);
    }
    std::uint64_t tail = 0;
    if (at < data.size()) {
        std::memcpy(&tail, data.data() + at, data.size() - at);
    }
    hash = Mix(Mix(hash, tail), data.size());
    return {true, data.size(), hash};
}

}  // namespace qb::store
