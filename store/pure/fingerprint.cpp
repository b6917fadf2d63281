#include "store/pure/fingerprint.h"

namespace qb::store {

Fingerprint FingerprintOf(std::optional<std::string_view> bytes) {
    if (!bytes) {
        return {};
    }
    // FNV-1a, 64 bits: not a defence against anyone, only a witness of a change.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : *bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return {true, bytes->size(), hash};
}

}  // namespace qb::store
