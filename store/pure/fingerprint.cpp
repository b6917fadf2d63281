#include "store/pure/fingerprint.h"

#include <cstdio>
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

std::string FingerprintText(const Fingerprint& print) {
    if (!print.exists) {
        return "-";
    }
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%016llx", static_cast<unsigned long long>(print.size),
                  static_cast<unsigned long long>(print.hash));
    return text;
}

std::optional<Fingerprint> ParseFingerprintText(std::string_view text) {
    if (text == "-") {
        return Fingerprint{};
    }
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || text.size() - colon - 1 != 16) {
        return std::nullopt;
    }
    Fingerprint print;
    print.exists = true;
    for (const char c : text.substr(0, colon)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        print.size = print.size * 10 + static_cast<std::uint64_t>(c - '0');
    }
    for (const char c : text.substr(colon + 1)) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        print.hash = print.hash << 4 | static_cast<std::uint64_t>(digit);
    }
    return print;
}

}  // namespace qb::store
