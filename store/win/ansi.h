// The one place where interface text and stored bytes meet: the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

#include "store/pure/linebreaks.h"

namespace qb::win {

std::wstring FromAnsi(std::string_view bytes);
// The text in the system's ANSI code page; lost is set when a character had no equivalent there
// and became the default one.
std::string ToAnsi(std::wstring_view text, bool& lost);

// The lead bytes of the system's ANSI code page (none for single-byte pages such as 1251).
const store::LeadByteTable& SystemLeadBytes();

}  // namespace qb::win
