// The system's letter case, for finding text with case ignored.
#pragma once

#include "store/pure/search.h"

namespace qb::win {

// Every UTF-16 code unit as the system writes it in lower case; made once.
const store::CaseTable& SystemCaseTable();

}  // namespace qb::win
