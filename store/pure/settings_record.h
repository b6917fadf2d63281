// The settings file: six signed 32-bit little-endian records, 24 bytes, no header.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qb::store {

struct Settings {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t opacity = 0;  // the byte value 0..255, zero-extended
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t tabIndex = 0;  // -1 when no tab was selected

    bool operator==(const Settings&) const = default;
};

constexpr std::size_t kSettingsRecordBytes = 4;
constexpr std::size_t kSettingsRecords = 6;
constexpr std::size_t kSettingsFileBytes = kSettingsRecordBytes * kSettingsRecords;

// The records in file order: Left, Top, Opacity, Width, Height, TabIndex.
std::array<std::int32_t*, kSettingsRecords> RecordsInFileOrder(Settings& s);
std::array<char, kSettingsRecordBytes> EncodeRecord(std::int32_t value);
std::int32_t DecodeRecord(std::string_view fourBytes);

std::array<char, kSettingsFileBytes> EncodeSettings(const Settings& s);

// The outcome of reading a settings file: the six values and the I/O error code of the read
// (0 when every record was read whole).
struct SettingsRead {
    Settings settings;
    std::uint32_t failure = 0;

    bool ok() const { return failure == 0; }
    bool operator==(const SettingsRead&) const = default;
};

// Reads the six records in file order from a settings file's bytes, as the program reads the
// file: bytes after the 24th are ignored; a record that finds fewer than 4 bytes leaves its value
// at zero and sets the failure to code 100, while the records before it keep what they read.
SettingsRead DecodeSettingsFile(std::string_view bytes);

}  // namespace qb::store
