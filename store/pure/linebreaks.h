// Line breaks of page text: the edit control holds CR LF, files may hold anything.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qb::store {

// Which byte values start a double-byte character in a code page (none in 1251, many in 932).
using LeadByteTable = std::array<bool, 256>;

LeadByteTable NoLeadBytes();
// Lead bytes given as inclusive ranges, as the system reports them for a code page.
LeadByteTable LeadBytesFromRanges(
    std::initializer_list<std::pair<unsigned char, unsigned char>> ranges);

// A CR LF pair stays; every other CR and every other LF becomes CR LF. A lead byte is copied
// together with the byte after it, whatever that byte is.
std::string NormaliseLineBreaks(std::string_view bytes, const LeadByteTable& leadBytes);

// The edit control takes text up to the first NUL.
std::string_view UpToFirstNul(std::string_view bytes);

}  // namespace qb::store
