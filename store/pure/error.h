// Failures of the program: an exception carrying the exact text the error box shows.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace qb {

class Error : public std::exception {
  public:
    explicit Error(std::wstring text);
    // The text as the user reads it.
    const std::wstring& text() const noexcept { return text_; }
    // The same text as UTF-8, for test output and debuggers.
    const char* what() const noexcept override { return utf8_.c_str(); }

  private:
    std::wstring text_;
    std::string utf8_;
};

// A failure of the settings file or the store directory, with the system's error code (or 100
// for a read and 101 for a write that moved fewer bytes than a record).
class IoError : public Error {
  public:
    IoError(std::wstring text, std::uint32_t code) : Error(std::move(text)), code_(code) {}
    std::uint32_t code() const noexcept { return code_; }

  private:
    std::uint32_t code_;
};

}  // namespace qb
