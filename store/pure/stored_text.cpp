#include "store/pure/stored_text.h"

namespace qb::store {

namespace {

bool StartsWithMark(std::string_view bytes) {
    return bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark;
}

// Whether bytes in the code page would be read back in another form, and so as other text:
// with the mark at their start, or as UTF-8 (which pure ASCII reads as the same text).
bool TakenForUtf8(std::string_view bytes) {
    return StartsWithMark(bytes) || (HasNonAscii(bytes) && IsUtf8(bytes));
}

EncodedText WithMark(Utf16View text) {
    std::string bytes(kUtf8Mark);
    AppendUtf16AsUtf8(bytes, text);
    return {std::move(bytes), TextForm::Utf8WithMark};
}

const LeadByteTable& LeadBytesOf(TextForm form, const Encodings& encodings) {
    static const LeadByteTable none = NoLeadBytes();
    return form == TextForm::CodePage ? encodings.codePage.LeadBytes() : none;
}

}  // namespace

TextForm FormOfStoredBytes(std::string_view bytes, bool systemUsesUtf8) {
    if (StartsWithMark(bytes)) {
        return TextForm::Utf8WithMark;
    }
    if (!HasNonAscii(bytes)) {
        // Plain ASCII reads the same either way; it is in the system's own form.
        return FormOfNewFile(systemUsesUtf8);
    }
    return IsUtf8(bytes) ? TextForm::Utf8 : TextForm::CodePage;
}

TextForm FormOfNewFile(bool systemUsesUtf8) {
    return systemUsesUtf8 ? TextForm::Utf8 : TextForm::CodePage;
}

std::string NormaliseStoredLineBreaks(std::string_view bytes, const Encodings& encodings) {
    // Only CR and LF bytes are added, which neither make nor break UTF-8 or the mark: the
    // result shows the same form as the bytes given.
    const TextForm form = FormOfStoredBytes(bytes, encodings.systemUsesUtf8);
    return NormaliseLineBreaks(bytes, LeadBytesOf(form, encodings));
}

StoredText DecodeStoredText(std::string_view bytes, const Encodings& encodings) {
    StoredText out;
    out.form = FormOfStoredBytes(bytes, encodings.systemUsesUtf8);
    switch (out.form) {
        case TextForm::CodePage:
            out.text = encodings.codePage.Decode(bytes);
            break;
        case TextForm::Utf8:
            out.text = Utf8ToUtf16(bytes);
            break;
        case TextForm::Utf8WithMark:
            out.text = Utf8ToUtf16(bytes.substr(kUtf8Mark.size()), &out.replaced);
            break;
    }
    return out;
}

EncodedText EncodeStoredText(Utf16View text, TextForm form, const Encodings& encodings) {
    switch (form) {
        case TextForm::CodePage:
            if (auto bytes = encodings.codePage.EncodeExactly(text);
                bytes && !TakenForUtf8(*bytes)) {
                return {std::move(*bytes), TextForm::CodePage};
            }
            return WithMark(text);
        case TextForm::Utf8:
            if (!text.empty() && text.front() == 0xFEFF) {
                // The text's own first character would be taken for the mark.
                return WithMark(text);
            }
            return {Utf16ToUtf8(text), TextForm::Utf8};
        case TextForm::Utf8WithMark:
            break;
    }
    return WithMark(text);
}

}  // namespace qb::store
