// Code page 1251 (Cyrillic) written out for the tests, so that the store's decisions about
// encodings run natively against a real code page's table: one byte a character, bytes below
// 128 as ASCII.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "store/pure/stored_text.h"

namespace qb::test {

class CodePage1251 : public store::CodePage {
  public:
    CodePage1251() {
        for (unsigned b = 0; b < 0x80; ++b) {
            toText_[b] = static_cast<char16_t>(b);
        }
        static constexpr char16_t k80toBF[64] = {
            0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
            0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
            0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
            0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
            0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
            0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
            0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
            0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
        };
        for (unsigned b = 0x80; b < 0xC0; ++b) {
            toText_[b] = k80toBF[b - 0x80];
        }
        for (unsigned b = 0xC0; b <= 0xFF; ++b) {
            toText_[b] = static_cast<char16_t>(0x0410 + (b - 0xC0));  // А..я
        }
        for (unsigned b = 0; b < 256; ++b) {
            toByte_[toText_[b]] = static_cast<unsigned char>(b);
        }
    }

    const store::LeadByteTable& LeadBytes() const override { return none_; }

    store::Utf16 Decode(std::string_view bytes) const override {
        store::Utf16 out;
        out.reserve(bytes.size());
        for (char b : bytes) {
            out += toText_[static_cast<unsigned char>(b)];
        }
        return out;
    }

    std::optional<std::string> EncodeExactly(store::Utf16View text) const override {
        std::string out;
        out.reserve(text.size());
        for (char16_t c : text) {
            const int b = toByte_[c];
            if (b < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(b);
        }
        return out;
    }

  private:
    std::array<char16_t, 256> toText_{};
    std::array<int, 65536> toByte_ = [] {
        std::array<int, 65536> t{};
        t.fill(-1);
        return t;
    }();
    store::LeadByteTable none_{};
};

// A Russian system: its code page 1251, not UTF-8.
inline const store::Encodings& RussianSystem() {
    static const CodePage1251 codePage;
    static const store::Encodings encodings{codePage, false};
    return encodings;
}

}  // namespace qb::test
