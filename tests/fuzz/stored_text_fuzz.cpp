// Text written to a store file and read back, against code page 1251's table. The first byte
// chooses the system (its own code page 1251, or UTF-8 with 1251 as the legacy one) and the
// form the file was read in; the rest is UTF-16 text (any code units, lone surrogates too), or,
// with the 0x08 bit, the bytes of a file someone else wrote.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/pure/stored_text.h"
#include "tests/fuzz/check.h"
#include "tests/native/code_page_1251.h"

namespace {

using namespace qb::store;

const qb::test::CodePage1251 kCodePage;

// What the text reads back as: a lone surrogate is no character and becomes U+FFFD; every CR
// and LF that is not a CR LF pair becomes one, as a page's line breaks do.
Utf16 AsReadBack(Utf16View text) {
    Utf16 valid;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            valid += c;
            valid += text[++i];
        } else if (c >= 0xD800 && c < 0xE000) {
            valid += char16_t(0xFFFD);
        } else {
            valid += c;
        }
    }
    Utf16 out;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        if (valid[i] == u'\r' && i + 1 < valid.size() && valid[i + 1] == u'\n') {
            out += u"\r\n";
            ++i;
        } else if (valid[i] == u'\r' || valid[i] == u'\n') {
            out += u"\r\n";
        } else {
            out += valid[i];
        }
    }
    return out;
}

StoredText ReadBack(std::string_view bytes, const Encodings& encodings) {
    return DecodeStoredText(NormaliseStoredLineBreaks(bytes, encodings), encodings);
}

bool IsUtf8Form(TextForm form) {
    return form == TextForm::Utf8 || form == TextForm::Utf8WithMark;
}

void TextWrittenAndReadBack(Utf16View text, TextForm form, const Encodings& encodings) {
    const EncodedText file = EncodeStoredText(text, form, encodings);
    const StoredText back = ReadBack(file.bytes, encodings);
    // Every character comes back.
    QB_FUZZ_CHECK(back.text == AsReadBack(text));
    QB_FUZZ_CHECK(!back.replaced);
    // Read again, the file shows the form it was written in (plain ASCII reads the same in any).
    QB_FUZZ_CHECK(back.form == file.form || !HasNonAscii(file.bytes));
    QB_FUZZ_CHECK((file.form == TextForm::Utf8WithMark) ==
                  (file.bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark));
    // UTF-8 stays UTF-8, with the mark where it had it.
    if (IsUtf8Form(form)) {
        QB_FUZZ_CHECK(IsUtf8Form(file.form));
    }
    if (form == TextForm::Utf8WithMark) {
        QB_FUZZ_CHECK(file.form == TextForm::Utf8WithMark);
    }
    // The code page's own bytes wherever they would read back as this very text.
    if (form == TextForm::CodePage) {
        const auto exact = kCodePage.EncodeExactly(text);
        if (exact && ReadBack(*exact, encodings).text == AsReadBack(text)) {
            QB_FUZZ_CHECK(file.bytes == *exact);
            QB_FUZZ_CHECK(file.form == TextForm::CodePage);
        } else {
            QB_FUZZ_CHECK(file.form == TextForm::Utf8WithMark);
        }
    }
}

void FileReadAndWrittenBack(std::string_view raw, const Encodings& encodings) {
    const std::string bytes = NormaliseStoredLineBreaks(raw, encodings);
    // Normalising shows the same form as the raw bytes.
    QB_FUZZ_CHECK(FormOfStoredBytes(bytes, encodings.systemUsesUtf8) ==
                  FormOfStoredBytes(raw, encodings.systemUsesUtf8));
    const StoredText read = DecodeStoredText(bytes, encodings);
    if (read.form != TextForm::Utf8WithMark) {
        QB_FUZZ_CHECK(!read.replaced);
    }
    if (read.replaced) {
        return;  // shown with U+FFFD: the program keeps the file as it is
    }
    // Unchanged text goes back byte for byte, in the form it came in.
    const EncodedText again = EncodeStoredText(read.text, read.form, encodings);
    QB_FUZZ_CHECK(again.bytes == bytes);
    QB_FUZZ_CHECK(again.form == read.form);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t choice = data[0];
    const Encodings encodings{kCodePage, (choice & 0x01) != 0};
    const TextForm forms[] = {TextForm::CodePage, TextForm::Utf8, TextForm::Utf8WithMark,
                              FormOfNewFile(encodings.systemUsesUtf8)};
    const TextForm form = forms[(choice >> 1) & 0x03];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((choice & 0x08) != 0) {
        FileReadAndWrittenBack(rest, encodings);
        return 0;
    }
    Utf16 text;
    for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(rest[i]) |
                                      (static_cast<unsigned char>(rest[i + 1]) << 8));
    }
    TextWrittenAndReadBack(text, form, encodings);
    return 0;
}
