// The texts of every failure the program reports, and the error box's rule for its final ".".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qb {

// Error codes of reads and writes that moved fewer bytes than a settings record.
constexpr std::uint32_t kReadBeyondEndCode = 100;
constexpr std::uint32_t kDiskFullCode = 101;

std::wstring IoErrorText(std::uint32_t code);

// The system's message for an error code, at most this many characters, is trimmed of
// trailing blanks, control characters and "." (the error box adds its own ".").
constexpr std::size_t kSystemErrorTextMax = 255;
std::wstring TrimSystemErrorText(std::wstring_view raw);

std::wstring CannotCreateFileText(std::wstring_view absolutePath, std::wstring_view systemText);
std::wstring CannotOpenFileText(std::wstring_view absolutePath, std::wstring_view systemText);
std::wstring CannotMoveFileText(std::wstring_view from, std::wstring_view to,
                                std::wstring_view systemText);

inline constexpr std::wstring_view kTextExceedsMemoCapacity = L"Text exceeds memo capacity";
inline constexpr std::wstring_view kFailedToClearTabControl = L"Failed to clear tab control";

// A record of an interrupted tab close that cannot be read: which page belongs to which tab is
// not known.
std::wstring DamagedCloseRecordText(std::wstring_view absolutePath);

std::wstring FailedToRetrieveTabText(int index);
std::wstring FailedToSetTabText(std::wstring_view caption, int index);
std::wstring FailedToDeleteTabText(int index);

// The error box appends "." when the last character's value is greater than that of ".".
std::wstring ErrorBoxText(std::wstring_view message);

}  // namespace qb
