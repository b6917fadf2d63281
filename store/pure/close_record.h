// Closing a tab is several file operations: the closed page set aside, each later page moved
// down one number, the new tab list, the closed page deleted. The record of a close is written
// into the store before the first of them and removed after the last, so that a start after a
// crash can finish the close from whatever point it reached.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::store {

struct PageMove {
    int from;
    int to;
    bool operator==(const PageMove&) const = default;
};

struct CloseRecord {
    int index = 0;                // the closed tab
    bool hadPage = false;         // its page file existed, and is set aside first
    std::vector<PageMove> moves;  // in the order they are made
    std::string tabList;          // the tab list file after the close, byte for byte
    // The tab list file before the close, byte for byte; nothing when there was none (and in
    // records of earlier versions). A start that finds neither list finds a store that moved on
    // since the close ended: the record is a leftover, not a close to finish.
    std::optional<std::string> tabListBefore;

    bool operator==(const CloseRecord&) const = default;
};

// The moves that renumber the pages of tabs index+1 .. remaining (remaining = tabs left after
// the close) one number down, for the pages that exist: a page never saved has nothing to move,
// and the place it leaves is filled by nothing.
std::vector<PageMove> PlanPageMoves(int index, int remaining,
                                    const std::function<bool(int)>& pageExists);

std::string EncodeCloseRecord(const CloseRecord& record);
// Nothing when the bytes are not a whole record.
std::optional<CloseRecord> DecodeCloseRecord(std::string_view bytes);

// Reopening a closed tab is the same the other way: each page from the tab's place on moved up
// one number, the last first, the reopened page written at its place, the new tab list. Its
// record holds the page itself, so that a start after a crash can write it.
struct ReopenRecord {
    int index = 0;                    // where the tab comes back
    std::vector<PageMove> moves;      // in the order they are made
    std::optional<std::string> page;  // the reopened page file's bytes; nothing: it had none
    std::string tabList;              // the tab list file after the reopen
    std::optional<std::string> tabListBefore;  // and before it (nothing: there was none)

    bool operator==(const ReopenRecord&) const = default;
};

// The moves that make room at index among count tabs: the pages of index .. count-1 that exist,
// each one number up, the last first.
std::vector<PageMove> PlanRoomForPage(int index, int count,
                                      const std::function<bool(int)>& pageExists);

std::string EncodeReopenRecord(const ReopenRecord& record);
std::optional<ReopenRecord> DecodeReopenRecord(std::string_view bytes);

}  // namespace qb::store
