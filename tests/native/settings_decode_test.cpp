#include <gtest/gtest.h>

#include <string>

#include "store/pure/messages.h"
#include "store/pure/settings_record.h"

namespace qb::store {
namespace {

std::string Bytes(const std::array<char, kSettingsFileBytes>& a) {
    return std::string(a.data(), a.size());
}

Settings Sample() {
    Settings s;
    s.left = 100;
    s.top = 50;
    s.opacity = 200;
    s.width = 500;
    s.height = 300;
    s.tabIndex = 2;
    return s;
}

TEST(DecodeSettingsFile, ReadsSixRecordsInFileOrder) {
    // Left, Top, Opacity, Width, Height, TabIndex: opacity sits between top and width.
    const std::string bytes(
        "\x64\0\0\0"
        "\x32\0\0\0"
        "\xC8\0\0\0"
        "\xF4\x01\0\0"
        "\x2C\x01\0\0"
        "\x02\0\0\0",
        24);
    const SettingsRead read = DecodeSettingsFile(bytes);
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.failure, 0u);
    EXPECT_EQ(read.settings, Sample());
}

TEST(DecodeSettingsFile, NegativeValuesAndNoSelectedTab) {
    Settings s;
    s.left = -1920;
    s.top = -8;
    s.opacity = 255;
    s.width = 640;
    s.height = 480;
    s.tabIndex = -1;
    const SettingsRead read = DecodeSettingsFile(Bytes(EncodeSettings(s)));
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.settings, s);
}

TEST(DecodeSettingsFile, BytesAfterTheTwentyFourthAreIgnored) {
    const std::string exact = Bytes(EncodeSettings(Sample()));
    for (const std::string& tail : {std::string("\x7F"), std::string(1000, '\xFF')}) {
        const SettingsRead read = DecodeSettingsFile(exact + tail);
        EXPECT_TRUE(read.ok()) << tail.size();
        EXPECT_EQ(read.settings, Sample()) << tail.size();
    }
}

TEST(DecodeSettingsFile, TwentyByteFileFailsWithTheFiveRecordsItHolds) {
    const std::string bytes = Bytes(EncodeSettings(Sample())).substr(0, 20);
    const SettingsRead read = DecodeSettingsFile(bytes);
    EXPECT_FALSE(read.ok());
    EXPECT_EQ(read.failure, kReadBeyondEndCode);
    Settings expected = Sample();
    expected.tabIndex = 0;
    EXPECT_EQ(read.settings, expected);
    EXPECT_EQ(IoErrorText(read.failure), L"Read beyond end of file");
}

TEST(DecodeSettingsFile, PartialRecordIsNotTakenAndLaterRecordsStayZero) {
    const std::string full = Bytes(EncodeSettings(Sample()));
    // 10 bytes: Left and Top whole, two bytes of Opacity.
    const SettingsRead read = DecodeSettingsFile(full.substr(0, 10));
    EXPECT_EQ(read.failure, kReadBeyondEndCode);
    EXPECT_EQ(read.settings.left, 100);
    EXPECT_EQ(read.settings.top, 50);
    EXPECT_EQ(read.settings.opacity, 0);
    EXPECT_EQ(read.settings.width, 0);
    EXPECT_EQ(read.settings.height, 0);
    EXPECT_EQ(read.settings.tabIndex, 0);
    // 23 bytes: one byte short of the last record.
    const SettingsRead almost = DecodeSettingsFile(full.substr(0, 23));
    EXPECT_EQ(almost.failure, kReadBeyondEndCode);
    EXPECT_EQ(almost.settings.height, 300);
    EXPECT_EQ(almost.settings.tabIndex, 0);
}

TEST(DecodeSettingsFile, EmptyFileFailsWithAllZero) {
    const SettingsRead read = DecodeSettingsFile({});
    EXPECT_EQ(read.failure, kReadBeyondEndCode);
    EXPECT_EQ(read.settings, Settings{});
}

TEST(DecodeSettingsFile, EveryShortLengthFailsAndKeepsWholeRecords) {
    const std::string full = Bytes(EncodeSettings(Sample()));
    Settings filled = Sample();
    auto fields = RecordsInFileOrder(filled);
    for (std::size_t length = 0; length < kSettingsFileBytes; ++length) {
        const SettingsRead read = DecodeSettingsFile(full.substr(0, length));
        EXPECT_EQ(read.failure, kReadBeyondEndCode) << length;
        Settings got = read.settings;
        auto gotFields = RecordsInFileOrder(got);
        for (std::size_t k = 0; k < kSettingsRecords; ++k) {
            const bool whole = (k + 1) * kSettingsRecordBytes <= length;
            EXPECT_EQ(*gotFields[k], whole ? *fields[k] : 0) << length << " record " << k;
        }
    }
}

TEST(DecodeSettingsFile, RoundTripsWithEncodeSettings) {
    for (const std::int32_t v : {0, 1, -1, 255, 256, INT32_MIN, INT32_MAX, 0x01020304}) {
        Settings s;
        for (std::int32_t* f : RecordsInFileOrder(s)) {
            *f = v;
        }
        s.opacity = v & 0xFF;
        EXPECT_EQ(DecodeSettingsFile(Bytes(EncodeSettings(s))), (SettingsRead{s, 0})) << v;
    }
}

}  // namespace
}  // namespace qb::store
