// This machine's name for its own record of the store (the notebook's sync base): the same on
// every start in the same folder, another on another machine or in another folder.
#pragma once

#include <string>

namespace qb::win {

// Sixteen hexadecimal digits from the machine's installation id (the computer's name where it
// has none) and the working directory's full path.
std::wstring MachineName();

}  // namespace qb::win
