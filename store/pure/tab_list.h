// The tab list file: one caption a line, each followed by CR LF. The same rules hold for the
// file's bytes and for its text once decoded (SplitTabListText and the others), which is what
// the strip holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/pure/utf8.h"

namespace qb::store {

// The strip gives captions back through a buffer of this many characters, the last one for the
// NUL: a longer caption is cut.
inline constexpr std::size_t kCaptionBufferChars = 4096;

// A line ends at CR, at LF, at a CR LF pair, or at NUL, which also ends the whole text. Every
// line becomes a caption, an empty one too; a break at the very end adds no empty caption.
std::vector<std::string> SplitTabList(std::string_view bytes);
std::vector<Utf16> SplitTabListText(Utf16View text);

// Whether reading the list and writing it back would lose stored bytes: a NUL with more after
// it, or a caption longer than the strip gives back (maxCaptionBytes).
bool TabListLosesBytes(std::string_view bytes, std::size_t maxCaptionBytes);
// The same for the decoded text, captions counted in the strip's characters.
bool TabListLosesText(Utf16View text, std::size_t maxCaptionChars);

// Each caption followed by CR LF, the last one included; no captions give no bytes.
std::string JoinTabList(const std::vector<std::string>& captions);
Utf16 JoinTabListText(const std::vector<Utf16>& captions);

}  // namespace qb::store
