#include "store/pure/close_record.h"

#include <charconv>

namespace qb::store {

namespace {

constexpr std::string_view kHeader = "Quillbrasset close\r\n";

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

}  // namespace qb::store
