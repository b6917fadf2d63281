#include <gtest/gtest.h>

#include <string>

#include "store/pure/linebreaks.h"

namespace qb::store {
namespace {

using namespace std::string_literals;

// Code page 932 reports these lead byte ranges; 1251 reports none.
LeadByteTable ShiftJisLeadBytes() {
    return LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
}

std::string Normalise(const std::string& bytes) {
    return NormaliseLineBreaks(bytes, NoLeadBytes());
}

TEST(NormaliseLineBreaks, LoneCrAndLoneLfBecomeCrLf) {
    EXPECT_EQ(Normalise("a\nb\rc"), "a\r\nb\r\nc");
}

TEST(NormaliseLineBreaks, CrLfPairsStayAsTheyAre) {
    EXPECT_EQ(Normalise("one\r\ntwo\r\n"), "one\r\ntwo\r\n");
    EXPECT_EQ(Normalise("\r\n\r\n"), "\r\n\r\n");
}

TEST(NormaliseLineBreaks, MixedBreaksInOneText) {
    EXPECT_EQ(Normalise("a\r\nb\nc\rd\r\n"), "a\r\nb\r\nc\r\nd\r\n");
    // A lone LF after pairs that were already right.
    EXPECT_EQ(Normalise("a\r\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST(NormaliseLineBreaks, CrBeforeACrLfPairGivesTwoBreaks) {
    EXPECT_EQ(Normalise("a\r\r\nb"), "a\r\n\r\nb");
}

TEST(NormaliseLineBreaks, LfBeforeACrIsTwoBreaks) {
    EXPECT_EQ(Normalise("a\n\rb"), "a\r\n\r\nb");
    EXPECT_EQ(Normalise("a\n\r\nb"), "a\r\n\r\nb");
}

TEST(NormaliseLineBreaks, ConsecutiveLfsEachBecomeABreak) {
    EXPECT_EQ(Normalise("a\n\nb"), "a\r\n\r\nb");
    EXPECT_EQ(Normalise("\n\n\n"), "\r\n\r\n\r\n");
}

TEST(NormaliseLineBreaks, ConsecutiveCrsEachBecomeABreak) {
    EXPECT_EQ(Normalise("\r\r"), "\r\n\r\n");
}

TEST(NormaliseLineBreaks, BreakAtTheVeryEnd) {
    EXPECT_EQ(Normalise("a\r"), "a\r\n");
    EXPECT_EQ(Normalise("a\n"), "a\r\n");
    EXPECT_EQ(Normalise("\r"), "\r\n");
    EXPECT_EQ(Normalise("\n"), "\r\n");
}

TEST(NormaliseLineBreaks, EmptyAndBreaklessTextsAreUnchanged) {
    EXPECT_EQ(Normalise(""), "");
    EXPECT_EQ(Normalise("plain text"), "plain text");
}

TEST(NormaliseLineBreaks, NulBytesAndHighBytesAreCopied) {
    EXPECT_EQ(Normalise("a\0b\nc"s), "a\0b\r\nc"s);
    // Cyrillic in code page 1251: 0xCF 0xF0 0xE8.
    EXPECT_EQ(Normalise("\xCF\xF0\xE8\n\xE2"), "\xCF\xF0\xE8\r\n\xE2");
}

TEST(NormaliseLineBreaks, SingleByteCodePageHasNoPairs) {
    // 0x81 and 0xE0 start characters in 932, but in 1251 they are letters of their own, so
    // the breaks after them are normalised.
    EXPECT_EQ(NormaliseLineBreaks("\x81\nx\xE0\r", NoLeadBytes()), "\x81\r\nx\xE0\r\n");
}

TEST(NormaliseLineBreaks, LeadByteTakesTheFollowingCrOrLfAsItsTrailByte) {
    const LeadByteTable sjis = ShiftJisLeadBytes();
    EXPECT_EQ(NormaliseLineBreaks("\x81\nx\n", sjis), "\x81\nx\r\n");
    EXPECT_EQ(NormaliseLineBreaks("\xE0\ry\r", sjis), "\xE0\ry\r\n");
    // The pair swallows the CR, so the LF after it stands alone.
    EXPECT_EQ(NormaliseLineBreaks("\x81\r\n", sjis), "\x81\r\r\n");
}

TEST(NormaliseLineBreaks, ValidDoubleByteCharactersPassThrough) {
    const LeadByteTable sjis = ShiftJisLeadBytes();
    // "\x82\xA0" is hiragana A, "\x93\xFA" a kanji; both around breaks.
    EXPECT_EQ(NormaliseLineBreaks("\x82\xA0\n\x93\xFA\r\n", sjis), "\x82\xA0\r\n\x93\xFA\r\n");
    // A trail byte that looks like a lead byte belongs to the pair before it.
    EXPECT_EQ(NormaliseLineBreaks("\x81\x81\n", sjis), "\x81\x81\r\n");
}

TEST(NormaliseLineBreaks, LeadByteAtTheVeryEndIsKept) {
    const LeadByteTable sjis = ShiftJisLeadBytes();
    EXPECT_EQ(NormaliseLineBreaks("a\n\x81", sjis), "a\r\n\x81");
    EXPECT_EQ(NormaliseLineBreaks("\xFC", sjis), "\xFC");
}

TEST(NormaliseLineBreaks, CrLfTextWithLeadBytesIsUnchanged) {
    const LeadByteTable sjis = ShiftJisLeadBytes();
    EXPECT_EQ(NormaliseLineBreaks("\x82\xA0\r\nb\r\n", sjis), "\x82\xA0\r\nb\r\n");
}

TEST(LeadBytesFromRanges, MarksExactlyTheInclusiveRanges) {
    const LeadByteTable t = ShiftJisLeadBytes();
    EXPECT_FALSE(t[0x80]);
    EXPECT_TRUE(t[0x81]);
    EXPECT_TRUE(t[0x9F]);
    EXPECT_FALSE(t[0xA0]);
    EXPECT_FALSE(t[0xDF]);
    EXPECT_TRUE(t[0xE0]);
    EXPECT_TRUE(t[0xFC]);
    EXPECT_FALSE(t[0xFD]);
    int count = 0;
    for (bool b : t) {
        count += b ? 1 : 0;
    }
    EXPECT_EQ(count, (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1));

    const LeadByteTable top = LeadBytesFromRanges({{0xFE, 0xFF}});
    EXPECT_TRUE(top[0xFE]);
    EXPECT_TRUE(top[0xFF]);
    EXPECT_FALSE(top[0xFD]);
}

TEST(LeadBytesFromRanges, NoLeadBytesIsAllFalse) {
    for (bool b : NoLeadBytes()) {
        EXPECT_FALSE(b);
    }
}

TEST(UpToFirstNul, CutsAtTheFirstNul) {
    EXPECT_EQ(UpToFirstNul("ab\0cd\0e"s), "ab");
    EXPECT_EQ(UpToFirstNul("\0abc"s), "");
}

TEST(UpToFirstNul, TextWithoutNulIsWhole) {
    EXPECT_EQ(UpToFirstNul("abc\r\n"), "abc\r\n");
    EXPECT_EQ(UpToFirstNul(""), "");
}

}  // namespace
}  // namespace qb::store
