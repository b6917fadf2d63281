#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"

namespace qb::store {
namespace {

using namespace std::string_literals;
using Captions = std::vector<std::string>;

TEST(SplitTabList, EmptyLineBetweenCaptionsIsAnEmptyCaption) {
    EXPECT_EQ(SplitTabList("Main\r\n\r\nx\r\n"), (Captions{"Main", "", "x"}));
}

TEST(SplitTabList, MissingFinalBreakGivesTheSameCaptions) {
    EXPECT_EQ(SplitTabList("Main\r\n\r\nx"), (Captions{"Main", "", "x"}));
}

TEST(SplitTabList, LoneCrAndLoneLfEachEndALine) {
    EXPECT_EQ(SplitTabList("a\rb\nc"), (Captions{"a", "b", "c"}));
    EXPECT_EQ(SplitTabList("a\r\rb"), (Captions{"a", "", "b"}));
    EXPECT_EQ(SplitTabList("a\n\nb\n"), (Captions{"a", "", "b"}));
    // LF CR is not a pair: two breaks.
    EXPECT_EQ(SplitTabList("a\n\rb"), (Captions{"a", "", "b"}));
    EXPECT_EQ(SplitTabList("a\r"), (Captions{"a"}));
}

TEST(SplitTabList, NulEndsTheWholeText) {
    EXPECT_EQ(SplitTabList("a\r\nbc\0d\r\ne\r\n"s), (Captions{"a", "bc"}));
    EXPECT_EQ(SplitTabList("a\r\n\0b"s), (Captions{"a"}));
    EXPECT_EQ(SplitTabList("\0a\r\n"s), Captions{});
}

TEST(SplitTabList, ZeroLengthTextGivesNoCaptions) {
    EXPECT_EQ(SplitTabList(""), Captions{});
}

TEST(SplitTabList, OnlyABreakGivesOneEmptyCaption) {
    EXPECT_EQ(SplitTabList("\r\n"), (Captions{""}));
    EXPECT_EQ(SplitTabList("\n"), (Captions{""}));
    EXPECT_EQ(SplitTabList("\r"), (Captions{""}));
    EXPECT_EQ(SplitTabList("\r\n\r\n"), (Captions{"", ""}));
}

TEST(SplitTabList, CaptionsAreTakenVerbatim) {
    // Blanks, tabs, and the About caption in code page 1251.
    const std::string about = "\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5";
    EXPECT_EQ(SplitTabList("  padded  \r\n\tt\r\n" + about + "\r\n"),
              (Captions{"  padded  ", "\tt", about}));
}

TEST(SplitTabList, LongCaptionIsNotCut) {
    const std::string longCaption(5000, 'q');
    EXPECT_EQ(SplitTabList(longCaption + "\r\nz"), (Captions{longCaption, "z"}));
}

TEST(JoinTabList, EveryCaptionEndsWithCrLfTheLastOneToo) {
    EXPECT_EQ(JoinTabList({"Main", "", "x"}), "Main\r\n\r\nx\r\n");
    EXPECT_EQ(JoinTabList({""}), "\r\n");
}

TEST(JoinTabList, NoCaptionsGiveNoBytes) {
    EXPECT_EQ(JoinTabList({}), "");
}

TEST(TabList, JoinThenSplitGivesTheCaptionsBack) {
    const std::vector<Captions> cases = {
        {"Main"},
        {"Main", "", "x"},
        {"", ""},
        {"a b", "\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5", "%s %d"},
    };
    for (const Captions& captions : cases) {
        EXPECT_EQ(SplitTabList(JoinTabList(captions)), captions);
    }
}

TEST(TabList, SplitThenJoinWritesCrLfLines) {
    EXPECT_EQ(JoinTabList(SplitTabList("a\nb\rc")), "a\r\nb\r\nc\r\n");
}

TEST(PageFileName, IndexInSignedDecimalWithoutLeadingZeros) {
    EXPECT_EQ(PageFileName(0), L"./strings/Tab0.txt");
    EXPECT_EQ(PageFileName(7), L"./strings/Tab7.txt");
    EXPECT_EQ(PageFileName(12), L"./strings/Tab12.txt");
    EXPECT_EQ(PageFileName(-1), L"./strings/Tab-1.txt");
    EXPECT_EQ(PageFileName(2147483647), L"./strings/Tab2147483647.txt");
}

TEST(TabListLosesBytes, NulWithMoreAfterItLosesTheRest) {
    EXPECT_TRUE(TabListLosesBytes("Main\r\n\0Work\r\n"s, 4095));
    EXPECT_TRUE(TabListLosesBytes("Main\0\0x"s, 4095));
    EXPECT_FALSE(TabListLosesBytes("Main\r\n\0\0"s, 4095)) << "only NULs after the first";
    EXPECT_FALSE(TabListLosesBytes("Main\r\nWork\r\n", 4095));
}

TEST(TabListLosesBytes, CaptionLongerThanTheStripGivesBackLosesItsEnd) {
    EXPECT_FALSE(TabListLosesBytes(std::string(4095, 'c') + "\r\n", 4095));
    EXPECT_TRUE(TabListLosesBytes("a\r\n" + std::string(4096, 'c') + "\r\nb\r\n", 4095));
}

}  // namespace
}  // namespace qb::store
