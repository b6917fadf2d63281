#include <gtest/gtest.h>

#include <string>

#include "store/pure/settings_record.h"

namespace qb::store {
namespace {

std::string Bytes(const std::array<char, kSettingsFileBytes>& a) {
    return std::string(a.data(), a.size());
}

TEST(SettingsRecord, EncodesLittleEndian) {
    const auto r = EncodeRecord(0x12345678);
    EXPECT_EQ(std::string(r.data(), r.size()), std::string("\x78\x56\x34\x12", 4));
    const auto small = EncodeRecord(200);
    EXPECT_EQ(std::string(small.data(), small.size()), std::string("\xC8\0\0\0", 4));
}

TEST(SettingsRecord, EncodesNegativeValuesInTwosComplement) {
    const auto minusOne = EncodeRecord(-1);
    EXPECT_EQ(std::string(minusOne.data(), minusOne.size()), std::string("\xFF\xFF\xFF\xFF", 4));
    const auto minus200 = EncodeRecord(-200);
    EXPECT_EQ(std::string(minus200.data(), minus200.size()), std::string("\x38\xFF\xFF\xFF", 4));
    const auto lowest = EncodeRecord(INT32_MIN);
    EXPECT_EQ(std::string(lowest.data(), lowest.size()), std::string("\0\0\0\x80", 4));
}

TEST(SettingsRecord, DecodesLittleEndianSigned) {
    EXPECT_EQ(DecodeRecord(std::string("\x78\x56\x34\x12", 4)), 0x12345678);
    EXPECT_EQ(DecodeRecord(std::string("\xFF\xFF\xFF\xFF", 4)), -1);
    EXPECT_EQ(DecodeRecord(std::string("\x38\xFF\xFF\xFF", 4)), -200);
    EXPECT_EQ(DecodeRecord(std::string("\0\0\0\x80", 4)), INT32_MIN);
    EXPECT_EQ(DecodeRecord(std::string("\xFF\xFF\xFF\x7F", 4)), INT32_MAX);
}

TEST(SettingsRecord, RoundTripsExtremes) {
    for (std::int32_t v : {0, 1, -1, 255, 256, -32768, 65536, INT32_MIN, INT32_MAX}) {
        const auto r = EncodeRecord(v);
        EXPECT_EQ(DecodeRecord(std::string_view(r.data(), r.size())), v) << v;
    }
}

TEST(SettingsRecord, FileOrderIsLeftTopOpacityWidthHeightTabIndex) {
    Settings s;
    const auto fields = RecordsInFileOrder(s);
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0], &s.left);
    EXPECT_EQ(fields[1], &s.top);
    EXPECT_EQ(fields[2], &s.opacity);
    EXPECT_EQ(fields[3], &s.width);
    EXPECT_EQ(fields[4], &s.height);
    EXPECT_EQ(fields[5], &s.tabIndex);
}

TEST(SettingsRecord, EncodesTheSixRecordsIn24Bytes) {
    const Settings s{100, 50, 200, 500, 300, 2};
    const std::string bytes = Bytes(EncodeSettings(s));
    ASSERT_EQ(bytes.size(), 24u);
    const std::string expected(
        "\x64\0\0\0"    // Left 100
        "\x32\0\0\0"    // Top 50
        "\xC8\0\0\0"    // Opacity 200, between Top and Width
        "\xF4\x01\0\0"  // Width 500
        "\x2C\x01\0\0"  // Height 300
        "\x02\0\0\0",   // TabIndex 2
        24);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(DecodeRecord(std::string_view(bytes).substr(8, 4)), 200);
}

TEST(SettingsRecord, EncodesNegativePositionAndNoSelection) {
    const Settings s{-1920, -8, 255, 640, 480, -1};
    const std::string bytes = Bytes(EncodeSettings(s));
    const std::string_view v(bytes);
    EXPECT_EQ(DecodeRecord(v.substr(0, 4)), -1920);
    EXPECT_EQ(DecodeRecord(v.substr(4, 4)), -8);
    EXPECT_EQ(DecodeRecord(v.substr(8, 4)), 255);
    EXPECT_EQ(DecodeRecord(v.substr(12, 4)), 640);
    EXPECT_EQ(DecodeRecord(v.substr(16, 4)), 480);
    EXPECT_EQ(v.substr(20, 4), std::string_view("\xFF\xFF\xFF\xFF", 4));
}

}  // namespace
}  // namespace qb::store
