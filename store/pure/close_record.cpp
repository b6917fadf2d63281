#include "store/pure/close_record.h"

#include <charconv>

namespace qb::store {

namespace {

constexpr std::string_view kHeader = "Quillbrasset close\r\n";
constexpr std::string_view kReopenHeader = "Quillbrasset reopen\r\n";

// Reads "<word> <numbers...>\r\n" from the front of the bytes.
bool TakeLine(std::string_view& rest, std::string_view word, int* numbers, int count) {
    std::string_view bytes = rest;
    if (bytes.substr(0, word.size()) != word) {
        return false;
    }
    bytes.remove_prefix(word.size());
    for (int i = 0; i < count; ++i) {
        if (bytes.empty() || bytes.front() != ' ') {
            return false;
        }
        bytes.remove_prefix(1);
        const auto [end, error] =
            std::from_chars(bytes.data(), bytes.data() + bytes.size(), numbers[i]);
        if (error != std::errc() || end == bytes.data()) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(end - bytes.data()));
    }
    if (bytes.substr(0, 2) != "\r\n") {
        return false;
    }
    bytes.remove_prefix(2);
    rest = bytes;
    return true;
}

// Reads "<word> <size>\r\n" and that many bytes after it.
bool TakeBytes(std::string_view& rest, std::string_view word, std::string& bytes) {
    int size = 0;
    std::string_view at = rest;
    if (!TakeLine(at, word, &size, 1) || size < 0 || at.size() < static_cast<std::size_t>(size)) {
        return false;
    }
    bytes = std::string(at.substr(0, static_cast<std::size_t>(size)));
    rest = at.substr(static_cast<std::size_t>(size));
    return true;
}

}  // namespace

std::vector<PageMove> PlanPageMoves(int index, int remaining,
                                    const std::function<bool(int)>& pageExists) {
    std::vector<PageMove> moves;
    for (int k = index; k <= remaining - 1; ++k) {
        if (pageExists(k + 1)) {
            moves.push_back({k + 1, k});
        }
    }
    return moves;
}

std::string EncodeCloseRecord(const CloseRecord& record) {
    std::string out(kHeader);
    out += "index " + std::to_string(record.index) + "\r\n";
    out += "page " + std::to_string(record.hadPage ? 1 : 0) + "\r\n";
    for (const auto& move : record.moves) {
        out += "move " + std::to_string(move.from) + " " + std::to_string(move.to) + "\r\n";
    }
    if (record.tabListBefore) {
        out += "before " + std::to_string(record.tabListBefore->size()) + "\r\n";
        out += *record.tabListBefore;
    }
    out += "tabs " + std::to_string(record.tabList.size()) + "\r\n";
    out += record.tabList;
    return out;
}

std::optional<CloseRecord> DecodeCloseRecord(std::string_view bytes) {
    if (bytes.substr(0, kHeader.size()) != kHeader) {
        return std::nullopt;
    }
    bytes.remove_prefix(kHeader.size());
    CloseRecord record;
    int page = 0;
    if (!TakeLine(bytes, "index", &record.index, 1) || !TakeLine(bytes, "page", &page, 1) ||
        (page != 0 && page != 1)) {
        return std::nullopt;
    }
    record.hadPage = page == 1;
    int move[2] = {};
    while (TakeLine(bytes, "move", move, 2)) {
        record.moves.push_back({move[0], move[1]});
    }
    int size = 0;
    if (TakeLine(bytes, "before", &size, 1)) {
        if (size < 0 || bytes.size() < static_cast<std::size_t>(size)) {
            return std::nullopt;
        }
        record.tabListBefore = std::string(bytes.substr(0, static_cast<std::size_t>(size)));
        bytes.remove_prefix(static_cast<std::size_t>(size));
    }
    if (!TakeLine(bytes, "tabs", &size, 1) || size < 0 ||
        bytes.size() != static_cast<std::size_t>(size)) {
        return std::nullopt;
    }
    record.tabList = std::string(bytes);
    return record;
}

std::vector<PageMove> PlanRoomForPage(int index, int count,
                                      const std::function<bool(int)>& pageExists) {
    std::vector<PageMove> moves;
    for (int k = count - 1; k >= index; --k) {
        if (pageExists(k)) {
            moves.push_back({k, k + 1});
        }
    }
    return moves;
}

std::string EncodeReopenRecord(const ReopenRecord& record) {
    std::string out(kReopenHeader);
    out += "index " + std::to_string(record.index) + "\r\n";
    for (const auto& move : record.moves) {
        out += "move " + std::to_string(move.from) + " " + std::to_string(move.to) + "\r\n";
    }
    if (record.page) {
        out += "page " + std::to_string(record.page->size()) + "\r\n" + *record.page;
    }
    if (record.tabListBefore) {
        out += "before " + std::to_string(record.tabListBefore->size()) + "\r\n" +
               *record.tabListBefore;
    }
    out += "tabs " + std::to_string(record.tabList.size()) + "\r\n" + record.tabList;
    return out;
}

std::optional<ReopenRecord> DecodeReopenRecord(std::string_view bytes) {
    if (bytes.substr(0, kReopenHeader.size()) != kReopenHeader) {
        return std::nullopt;
    }
    bytes.remove_prefix(kReopenHeader.size());
    ReopenRecord record;
    if (!TakeLine(bytes, "index", &record.index, 1) || record.index < 0) {
        return std::nullopt;
    }
    int move[2] = {};
    while (TakeLine(bytes, "move", move, 2)) {
        record.moves.push_back({move[0], move[1]});
    }
    std::string part;
    if (TakeBytes(bytes, "page", part)) {
        record.page = part;
    }
    if (TakeBytes(bytes, "before", part)) {
        record.tabListBefore = part;
    }
    if (!TakeBytes(bytes, "tabs", part) || !bytes.empty()) {
        return std::nullopt;
    }
    record.tabList = part;
    return record;
}

}  // namespace qb::store
