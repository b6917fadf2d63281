// The settings file read from arbitrary bytes, and written back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/pure/messages.h"
#include "store/pure/settings_record.h"
#include "tests/fuzz/check.h"

using namespace qb::store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const SettingsRead read = DecodeSettingsFile(in);

    Settings got = read.settings;
    const auto fields = RecordsInFileOrder(got);
    for (std::size_t k = 0; k < kSettingsRecords; ++k) {
        const std::size_t end = (k + 1) * kSettingsRecordBytes;
        const std::int32_t expected =
            end <= size ? DecodeRecord(in.substr(end - kSettingsRecordBytes, kSettingsRecordBytes))
                        : 0;
        QB_FUZZ_CHECK(*fields[k] == expected);
    }

    const auto encoded = EncodeSettings(read.settings);
    const std::string_view written(encoded.data(), encoded.size());
    if (size >= kSettingsFileBytes) {
        QB_FUZZ_CHECK(read.ok());
        // The first 24 bytes are the whole story: written back they come out the same.
        QB_FUZZ_CHECK(written == in.substr(0, kSettingsFileBytes));
    } else {
        QB_FUZZ_CHECK(read.failure == qb::kReadBeyondEndCode);
        // What was read whole is written back the same; the rest is zero.
        const std::size_t whole = size / kSettingsRecordBytes * kSettingsRecordBytes;
        QB_FUZZ_CHECK(written.substr(0, whole) == in.substr(0, whole));
        QB_FUZZ_CHECK(written.substr(whole).find_first_not_of('\0') == std::string_view::npos);
    }
    // Whatever was read, the file written from it reads back whole and the same.
    QB_FUZZ_CHECK((DecodeSettingsFile(written) == SettingsRead{read.settings, 0}));
    return 0;
}
