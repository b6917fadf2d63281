// UTF-8, as other editors write it and as the store writes what the code page cannot hold, and
// the interface's UTF-16 text it stands for.
#pragma once

#include <string>
#include <string_view>

namespace qb::store {

// A code unit of interface text: the window's wide characters on Windows, char16_t elsewhere,
// so that the same UTF-16 runs through the native tests.
#if defined(_WIN32)
using Utf16Unit = wchar_t;
#else
using Utf16Unit = char16_t;
#endif
using Utf16 = std::basic_string<Utf16Unit>;
using Utf16View = std::basic_string_view<Utf16Unit>;

// A text literal as interface text.
#if defined(_WIN32)
#define QB_TEXT(literal) L##literal
#else
#define QB_TEXT(literal) u##literal
#endif

// Interface text as a wide string for messages: the same on Windows; elsewhere one wide
// character a code point.
std::wstring ToWide(Utf16View text);

// The byte-order mark a UTF-8 file may start with; it is no part of the text.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// What an ill-formed sequence or a lone surrogate becomes.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Whether the bytes are well-formed UTF-8: no overlong form, no surrogate, nothing above
// U+10FFFF, no sequence cut short.
bool IsUtf8(std::string_view bytes);

// Whether any byte is above 127.
bool HasNonAscii(std::string_view bytes);

// UTF-8 as UTF-16. Each ill-formed part becomes U+FFFD, and replaced (when given) is set.
Utf16 Utf8ToUtf16(std::string_view bytes, bool* replaced = nullptr);

// UTF-16 as UTF-8; a lone surrogate, which is no character, becomes U+FFFD.
std::string Utf16ToUtf8(Utf16View text);
void AppendUtf16AsUtf8(std::string& out, Utf16View text);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace qb::store
