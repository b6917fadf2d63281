#include "store/pure/settings_record.h"

#include <cstring>

#include "store/pure/messages.h"

namespace qb::store {

std::array<std::int32_t*, kSettingsRecords> RecordsInFileOrder(Settings& s) {
    return {&s.left, &s.top, &s.opacity, &s.width, &s.height, &s.tabIndex};
}

std::array<char, kSettingsRecordBytes> EncodeRecord(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
            static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
}

std::int32_t DecodeRecord(std::string_view fourBytes) {
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < kSettingsRecordBytes && i < fourBytes.size(); ++i) {
        u |= static_cast<std::uint32_t>(static_cast<unsigned char>(fourBytes[i])) << (8 * i);
    }
    return static_cast<std::int32_t>(u);
}

std::array<char, kSettingsFileBytes> EncodeSettings(const Settings& s) {
    Settings copy = s;
    std::array<char, kSettingsFileBytes> out{};
    std::size_t at = 0;
    for (std::int32_t* field : RecordsInFileOrder(copy)) {
        const auto record = EncodeRecord(*field);
        std::memcpy(out.data() + at, record.data(), record.size());
        at += record.size();
    }
    return out;
}

SettingsRead DecodeSettingsFile(std::string_view bytes) {
    SettingsRead read;
    std::size_t at = 0;
    for (std::int32_t* field : RecordsInFileOrder(read.settings)) {
        if (bytes.size() - at < kSettingsRecordBytes) {
            // A short read moves what is left; every read after it finds nothing.
            read.failure = kReadBeyondEndCode;
            at = bytes.size();
            continue;
        }
        *field = DecodeRecord(bytes.substr(at, kSettingsRecordBytes));
        at += kSettingsRecordBytes;
    }
    return read;
}

}  // namespace qb::store
