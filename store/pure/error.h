// Failures of the program: an exception carrying the exact text the error box shows.
#pragma once

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

}  // namespace qb
