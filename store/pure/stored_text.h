// Text in the store's files and back: which encoding a file is read in, and which one a text is
// written in so that it comes back unchanged.
//
// A file is written in the system's code page where that holds its text exactly, as the store
// always wrote it; otherwise whole as UTF-8 after the byte-order mark. A file is read as UTF-8
// when it starts with the mark, or when it is well-formed UTF-8 with a byte above 127 (as other
// editors write it); otherwise in the code page. A file read as UTF-8 is written back so.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/pure/linebreaks.h"
#include "store/pure/utf8.h"

namespace qb::store {

enum class TextForm {
    CodePage,      // the code page's bytes, no mark
    Utf8,          // UTF-8 without the mark
    Utf8WithMark,  // the mark EF BB BF, then UTF-8
};

// A code page as the store uses it.
class CodePage {
  public:
    virtual ~CodePage() = default;
    // Which bytes start a double-byte character; line breaks are found around them.
    virtual const LeadByteTable& LeadBytes() const = 0;
    virtual Utf16 Decode(std::string_view bytes) const = 0;
    // The text's bytes when each of its characters has its own in the code page and the bytes
    // read back as the same text (no stand-in, no look-alike); nothing otherwise.
    virtual std::optional<std::string> EncodeExactly(Utf16View text) const = 0;
};

// The encodings of the system the store runs on. codePage is the one files without the mark
// are kept in. Where the system's own code page is UTF-8 (systemUsesUtf8), codePage is the
// legacy code page of the user's locale: files not in UTF-8 were written before that setting.
struct Encodings {
    const CodePage& codePage;
    bool systemUsesUtf8 = false;
};

// The form a file of these bytes is read in.
TextForm FormOfStoredBytes(std::string_view bytes, bool systemUsesUtf8);

// The form a file that does not exist yet is written in: the system's code page, which is
// UTF-8 without the mark where the system uses UTF-8.
TextForm FormOfNewFile(bool systemUsesUtf8);

// A page's bytes with line breaks made CR LF, stepping over the code page's double-byte
// characters only where the bytes are in the code page. The form the bytes show stays the same.
std::string NormaliseStoredLineBreaks(std::string_view bytes, const Encodings& encodings);

struct StoredText {
    Utf16 text;
    TextForm form = TextForm::CodePage;
    // Bytes after the mark that are not UTF-8 are shown as U+FFFD: the text is not wholly the
    // file's, and writing it back would alter the file.
    bool replaced = false;
};

// The text of a file's bytes, in the form the bytes show.
StoredText DecodeStoredText(std::string_view bytes, const Encodings& encodings);

struct EncodedText {
    std::string bytes;
    TextForm form;
};

// The bytes of a file holding the text, for a file read (or new) in the given form: UTF-8 stays
// UTF-8, with the mark as it had it; a code page file stays in the code page while the code
// page holds the text exactly and the bytes cannot be taken for UTF-8, and becomes UTF-8 with
// the mark otherwise. Whatever the form, the bytes read back as the text (a lone surrogate,
// which is no character, reads back as U+FFFD).
EncodedText EncodeStoredText(Utf16View text, TextForm form, const Encodings& encodings);

}  // namespace qb::store
