// Line-break normalisation of page text, for a code page without lead bytes (1251) and for one
// with double-byte characters (932's lead byte ranges).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/pure/linebreaks.h"
#include "tests/fuzz/check.h"

namespace {

using qb::store::LeadByteTable;
using qb::store::NormaliseLineBreaks;

// What the text says once its line breaks are set aside: each character (a lead byte with its
// trail byte counts as one) and, for each line break, one '\n' marker. A CR LF pair outside a
// double-byte character is one break, as is every other CR and every other LF.
struct Reading {
    std::string characters;          // line breaks as a single '\n'
    std::size_t loneBreakBytes = 0;  // CR not followed by LF, LF not preceded by CR
};

Reading Read(std::string_view bytes, const LeadByteTable& lead) {
    Reading r;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (lead[b]) {
            r.characters += bytes.substr(i, 2);
            i += 2;
        } else if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            r.characters += '\n';
            i += 2;
        } else if (b == '\r' || b == '\n') {
            r.characters += '\n';
            ++r.loneBreakBytes;
            ++i;
        } else {
            r.characters += bytes[i];
            ++i;
        }
    }
    return r;
}

void Check(std::string_view in, const LeadByteTable& lead) {
    const std::string out = NormaliseLineBreaks(in, lead);
    // A break only ever grows (CR or LF to CR LF); nothing is dropped.
    QB_FUZZ_CHECK(out.size() >= in.size());
    const Reading before = Read(in, lead);
    const Reading after = Read(out, lead);
    // No CR or LF stands alone any more, outside a double-byte character.
    QB_FUZZ_CHECK(after.loneBreakBytes == 0);
    // Same characters, same breaks, in the same places.
    QB_FUZZ_CHECK(after.characters == before.characters);
    // Each lone CR or LF gained exactly one byte.
    QB_FUZZ_CHECK(out.size() == in.size() + before.loneBreakBytes);
    // Text that is already right comes back unchanged, and so normalising twice changes nothing.
    if (before.loneBreakBytes == 0) {
        QB_FUZZ_CHECK(out == in);
    }
    QB_FUZZ_CHECK(NormaliseLineBreaks(out, lead) == out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const LeadByteTable kNone = qb::store::NoLeadBytes();
    static const LeadByteTable kShiftJis =
        qb::store::LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    Check(in, kNone);
    Check(in, kShiftJis);
    return 0;
}
