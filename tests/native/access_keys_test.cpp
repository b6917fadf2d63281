#include <gtest/gtest.h>

#include "ui/pure/access_keys.h"

namespace qb::ui {
namespace {

TEST(AccessKeyOf, AmpersandMarksTheFollowingCharacter) {
    EXPECT_EQ(AccessKeyOf(L"&Main"), L'M');
    EXPECT_EQ(AccessKeyOf(L"Wo&rk"), L'r');
    EXPECT_EQ(AccessKeyOf(L"&Заметки"), L'З');
    EXPECT_FALSE(AccessKeyOf(L"Main").has_value());
    EXPECT_FALSE(AccessKeyOf(L"").has_value());
}

TEST(AccessKeyOf, DoubleAmpersandIsPlainAndTheLastKeyCounts) {
    EXPECT_FALSE(AccessKeyOf(L"Tom && Jerry").has_value());
    EXPECT_EQ(AccessKeyOf(L"&&&x"), L'x');
    EXPECT_EQ(AccessKeyOf(L"&a&b"), L'b');
    EXPECT_FALSE(AccessKeyOf(L"trailing&").has_value());
    EXPECT_EQ(AccessKeyOf(L"&a&"), L'a');
}

TEST(AccessKeyMatches, CaseIsIgnoredForLatinLettersOnly) {
    EXPECT_TRUE(AccessKeyMatches(L'b', L'B'));
    EXPECT_TRUE(AccessKeyMatches(L'B', L'b'));
    EXPECT_TRUE(AccessKeyMatches(L'1', L'1'));
    EXPECT_FALSE(AccessKeyMatches(L'з', L'З'));
    EXPECT_FALSE(AccessKeyMatches(L'[', L'{'));
    EXPECT_FALSE(AccessKeyMatches(L'@', L'`')) << "neighbours of A..Z and a..z do not fold";
}

TEST(FindAccessKeyTab, FirstMatchingTabWins) {
    const std::vector<std::wstring> captions{L"Main", L"&Work", L"&World", L"&&w"};
    EXPECT_EQ(FindAccessKeyTab(captions, L'w'), 1);
    EXPECT_EQ(FindAccessKeyTab(captions, L'M'), -1);
    EXPECT_EQ(FindAccessKeyTab({}, L'a'), -1);
}

}  // namespace
}  // namespace qb::ui
