// Access keys in tab captions: "&" before a character makes it the tab's key, "&&" is a plain
// "&", and of several keys the last counts.
#pragma once

#include <optional>
#include <string_view>
#include <vector>
#include <string>

namespace qb::ui {

std::optional<wchar_t> AccessKeyOf(std::wstring_view caption);

// Latin letters A to Z match regardless of case; every other character only itself.
bool AccessKeyMatches(wchar_t key, wchar_t typed);

// The first caption whose access key is the typed character, or -1.
int FindAccessKeyTab(const std::vector<std::wstring>& captions, wchar_t typed);

}  // namespace qb::ui
