// The tab list file: split into captions and joined back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/pure/tab_list.h"
#include "tests/fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> captions = qb::store::SplitTabList(in);

    // Only the text before the first NUL counts.
    const std::string_view text = in.substr(0, in.find('\0'));
    std::size_t breakBytes = 0;
    std::size_t lineEnds = 0;  // a CR LF pair ends one line
    std::string withoutBreaks;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            ++breakBytes;
            if (!(c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                ++lineEnds;
            }
        } else {
            withoutBreaks += c;
        }
    }
    const bool unfinishedLastLine = !text.empty() && text.back() != '\r' && text.back() != '\n';

    std::string joinedCaptions;
    for (const std::string& c : captions) {
        // A caption is one line: no break and no NUL inside.
        QB_FUZZ_CHECK(c.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        joinedCaptions += c;
    }
    // Nothing but line breaks is dropped, and nothing is added.
    QB_FUZZ_CHECK(joinedCaptions == withoutBreaks);
    // One caption a line, empty lines included; a break at the very end adds none.
    QB_FUZZ_CHECK(captions.size() == lineEnds + (unfinishedLastLine ? 1 : 0));
    QB_FUZZ_CHECK(captions.size() <= breakBytes + 1);

    // Written back, the captions read back the same, in CR LF lines.
    const std::string file = qb::store::JoinTabList(captions);
    QB_FUZZ_CHECK(file.size() == joinedCaptions.size() + 2 * captions.size());
    QB_FUZZ_CHECK(qb::store::SplitTabList(file) == captions);
    QB_FUZZ_CHECK(qb::store::JoinTabList(qb::store::SplitTabList(file)) == file);
    return 0;
}
