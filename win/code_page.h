// The system's code pages as the store uses them: the one files without the byte-order mark
// are kept in, and whether the system itself uses UTF-8.
#pragma once

#include <windows.h>

#include "store/pure/stored_text.h"

namespace qb::win {

// A code page converted by the system, asking for no look-alikes and checking the way back.
class SystemCodePage : public store::CodePage {
  public:
    explicit SystemCodePage(UINT id);
    const store::LeadByteTable& LeadBytes() const override { return leadBytes_; }
    store::Utf16 Decode(std::string_view bytes) const override;
    std::optional<std::string> EncodeExactly(store::Utf16View text) const override;

  private:
    // The length of a slice of at most `most` bytes from `at` that ends on a character.
    std::size_t SliceAt(std::string_view bytes, std::size_t at, std::size_t most) const;
    // Whether the bytes read back as the text.
    bool ReadsBackAs(std::string_view bytes, store::Utf16View text) const;

    UINT id_;
    store::LeadByteTable leadBytes_{};
};

// The code page a system whose own code page is UTF-8 (65001) kept its files in before: the
// usual code page of the user's locale.
UINT LegacyCodePage();

// The store's encodings on this system, found once.
const store::Encodings& StoreEncodings();

}  // namespace qb::win
