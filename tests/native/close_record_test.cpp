#include <gtest/gtest.h>

#include <set>
#include <string>

#include "store/pure/close_record.h"

namespace qb::store {
namespace {

using namespace std::string_literals;

TEST(PlanPageMoves, EveryLaterPageMovesDownInOrder) {
    const auto all = [](int) { return true; };
    EXPECT_EQ(PlanPageMoves(1, 4, all), (std::vector<PageMove>{{2, 1}, {3, 2}, {4, 3}}));
    EXPECT_TRUE(PlanPageMoves(3, 3, all).empty()) << "the last tab: nothing moves";
    EXPECT_TRUE(PlanPageMoves(0, 0, all).empty()) << "the only tab";
}

TEST(PlanPageMoves, PagesNeverSavedAreNotMoved) {
    const std::set<int> existing{0, 3, 4};
    const auto exists = [&](int k) { return existing.count(k) != 0; };
    // Tab 2 was never saved: its place (1 after the close) stays free, tab 3 still becomes 2.
    EXPECT_EQ(PlanPageMoves(0, 4, exists), (std::vector<PageMove>{{3, 2}, {4, 3}}));
}

TEST(CloseRecord, RoundTripKeepsEveryFieldAndTheTabListBytes) {
    CloseRecord record;
    record.index = 2;
    record.hadPage = true;
    record.moves = {{3, 2}, {5, 4}};
    record.tabList = "Main\r\n\xCE\r\n\0x\r\n"s;
    EXPECT_EQ(DecodeCloseRecord(EncodeCloseRecord(record)), record);

    CloseRecord last;
    last.index = -1;
    EXPECT_EQ(DecodeCloseRecord(EncodeCloseRecord(last)), last) << "no moves, empty list";
}

TEST(CloseRecord, AnythingButAWholeRecordIsRefused) {
    CloseRecord record;
    record.index = 1;
    record.moves = {{2, 1}};
    record.tabList = "a\r\nb\r\n";
    const std::string bytes = EncodeCloseRecord(record);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(DecodeCloseRecord(bytes.substr(0, n))) << "cut to " << n << " bytes";
    }
    EXPECT_FALSE(DecodeCloseRecord(bytes + "x")) << "more than the list's length";
    std::string badMove = bytes;
    badMove.replace(badMove.find("move 2 1"), 8, "move 2 x");
    EXPECT_FALSE(DecodeCloseRecord(badMove));
}

}  // namespace
}  // namespace qb::store
