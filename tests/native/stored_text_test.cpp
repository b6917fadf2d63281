// The encodings of store files: UTF-8 read and written, which form a file is read in, and which
// form a text is written in, against code page 1251's table.
#include <gtest/gtest.h>

#include "store/pure/stored_text.h"
#include "store/pure/utf8.h"
#include "tests/native/code_page_1251.h"

namespace qb::store {
namespace {

using namespace std::string_literals;

const test::CodePage1251 kCodePage;
const Encodings kRussianSystem{kCodePage, false};
// A system whose own code page is UTF-8, its user's locale Russian.
const Encodings kUtf8System{kCodePage, true};

TEST(Utf8, WellFormedAndIllFormed) {
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("caf\xC3\xA9 \xE2\x86\x92 \xF0\x9F\x98\x80"));
    EXPECT_TRUE(IsUtf8("\xF4\x8F\xBF\xBF"));                   // U+10FFFF
    EXPECT_FALSE(IsUtf8("\xC0\x80"));                          // overlong NUL
    EXPECT_FALSE(IsUtf8("\xE0\x80\xAF"));                      // overlong "/"
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));                      // a surrogate
    EXPECT_FALSE(IsUtf8("\xF4\x90\x80\x80"));                  // above U+10FFFF
    EXPECT_FALSE(IsUtf8("abc\xE2\x86"));                       // cut short at the end
    EXPECT_FALSE(IsUtf8("\xA9"));                              // a continuation byte alone
    EXPECT_FALSE(IsUtf8("12345678\xCF\xF0\xE8\xE2\xE5\xF2"));  // "Привет" in 1251
}

TEST(Utf8, DecodesToUtf16WithSurrogatePairs) {
    bool replaced = false;
    EXPECT_EQ(Utf8ToUtf16("caf\xC3\xA9\xF0\x9F\x98\x80", &replaced), u"caf\u00E9\U0001F600");
    EXPECT_FALSE(replaced);
    EXPECT_EQ(Utf8ToUtf16("a\0b"s), u"a\0b"s);
}

TEST(Utf8, EachIllFormedPartBecomesOneReplacementCharacter) {
    bool replaced = false;
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x86z\xFF\xC3", &replaced), u"a\uFFFDz\uFFFD\uFFFD");
    EXPECT_TRUE(replaced);
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "a surrogate is no text";
}

TEST(Utf8, LoneSurrogatesAreWrittenAsReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const Utf16 lone = {u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
    EXPECT_EQ(Utf16ToUtf8(lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    const Utf16 highAtEnd = {u'x', char16_t(0xD800)};
    EXPECT_EQ(Utf16ToUtf8(highAtEnd), "x\xEF\xBF\xBD");
}

TEST(FormOfStoredBytes, MarkThenUtf8ThenTheCodePage) {
    EXPECT_EQ(FormOfStoredBytes("\xEF\xBB\xBFplain", false), TextForm::Utf8WithMark);
    EXPECT_EQ(FormOfStoredBytes("\xEF\xBB\xBF\xFF", false), TextForm::Utf8WithMark);
    EXPECT_EQ(FormOfStoredBytes("caf\xC3\xA9", false), TextForm::Utf8);
    EXPECT_EQ(FormOfStoredBytes("caf\xE9", false), TextForm::CodePage);
    EXPECT_EQ(FormOfStoredBytes("\xCF\xF0\xE8\xE2\xE5\xF2", false), TextForm::CodePage);
    EXPECT_EQ(FormOfStoredBytes("plain", false), TextForm::CodePage);
    EXPECT_EQ(FormOfStoredBytes("", false), TextForm::CodePage);
}

TEST(FormOfStoredBytes, OnAUtf8SystemTheCodePageIsTheLegacyOne) {
    EXPECT_EQ(FormOfStoredBytes("plain", true), TextForm::Utf8);
    EXPECT_EQ(FormOfStoredBytes("caf\xC3\xA9", true), TextForm::Utf8);
    // Written before the system was switched to UTF-8: never read as replacement characters.
    const StoredText old = DecodeStoredText("\xCF\xF0\xE8\xE2\xE5\xF2", kUtf8System);
    EXPECT_EQ(old.form, TextForm::CodePage);
    EXPECT_EQ(old.text, u"Привет");
    EXPECT_FALSE(old.replaced);
}

TEST(DecodeStoredText, TheMarkIsNoPartOfTheText) {
    const StoredText marked = DecodeStoredText("\xEF\xBB\xBF\xD0\x9F\xE2\x86\x92", kRussianSystem);
    EXPECT_EQ(marked.text, u"П→");
    EXPECT_EQ(marked.form, TextForm::Utf8WithMark);
    EXPECT_FALSE(marked.replaced);
    const StoredText bare = DecodeStoredText("\xD0\x9F\xE2\x86\x92", kRussianSystem);
    EXPECT_EQ(bare.text, u"П→");
    EXPECT_EQ(bare.form, TextForm::Utf8);
    EXPECT_EQ(DecodeStoredText("\xCF\xF0\xE8\xE2\xE5\xF2", kRussianSystem).text, u"Привет");
}

TEST(DecodeStoredText, IllFormedBytesAfterTheMarkAreToldOf) {
    const StoredText text = DecodeStoredText(
        "\xEF\xBB\xBF"
        "ab\xCF\xF0",
        kRussianSystem);
    EXPECT_EQ(text.text, u"ab\uFFFD\uFFFD");
    EXPECT_TRUE(text.replaced);
}

TEST(NormaliseStoredLineBreaks, UtfEightStepsOverNoLeadBytes) {
    // A code page with double-byte characters (932's lead bytes): after a lead byte, an LF is
    // its trail byte in the code page, but a line break in UTF-8.
    class DoubleByte : public test::CodePage1251 {
      public:
        const LeadByteTable& LeadBytes() const override { return lead_; }

      private:
        LeadByteTable lead_ = LeadBytesFromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
    } doubleByte;
    const Encodings encodings{doubleByte, false};
    EXPECT_EQ(NormaliseStoredLineBreaks("\xE3\x81\x82\n", encodings), "\xE3\x81\x82\r\n");
    EXPECT_EQ(NormaliseStoredLineBreaks("\xEF\xBB\xBF\x82\n", encodings), "\xEF\xBB\xBF\x82\r\n");
    EXPECT_EQ(NormaliseStoredLineBreaks("\x82\n\xE9", encodings), "\x82\n\xE9");
}

TEST(EncodeStoredText, TextTheCodePageHoldsIsWrittenInItByteForByte) {
    const EncodedText file =
        EncodeStoredText(u"Привет, мир!\r\n«ёлка» — №1", TextForm::CodePage, kRussianSystem);
    EXPECT_EQ(file.form, TextForm::CodePage);
    EXPECT_EQ(file.bytes,
              "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!\r\n\xAB\xB8\xEB\xEA\xE0\xBB \x97 \xB9"
              "1");
    EXPECT_EQ(EncodeStoredText(u"", TextForm::CodePage, kRussianSystem).bytes, "");
}

TEST(EncodeStoredText, TextBeyondTheCodePageIsWrittenAsUtf8WithTheMark) {
    for (const Utf16& text : {u"café"s, u"стрелка →"s, u"смайл 😀"s, u"Łódź 東京"s}) {
        const EncodedText file = EncodeStoredText(text, TextForm::CodePage, kRussianSystem);
        EXPECT_EQ(file.form, TextForm::Utf8WithMark);
        EXPECT_EQ(file.bytes, "\xEF\xBB\xBF" + Utf16ToUtf8(text));
    }
}

TEST(EncodeStoredText, CodePageBytesThatWouldBeTakenForUtf8AreWrittenAsUtf8) {
    // "Я»" is DF BB in 1251, which is also well-formed UTF-8 (U+07FB); "п»ї" is the mark.
    for (const Utf16& text : {u"Я»"s, u"п»їабв"s}) {
        const EncodedText file = EncodeStoredText(text, TextForm::CodePage, kRussianSystem);
        EXPECT_EQ(file.form, TextForm::Utf8WithMark);
        EXPECT_EQ(DecodeStoredText(file.bytes, kRussianSystem).text, text);
    }
}

TEST(EncodeStoredText, UtfEightKeepsItsFormWithOrWithoutTheMark) {
    const EncodedText bare = EncodeStoredText(u"Привет", TextForm::Utf8, kRussianSystem);
    EXPECT_EQ(bare.form, TextForm::Utf8);
    EXPECT_EQ(bare.bytes, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    const EncodedText marked = EncodeStoredText(u"plain", TextForm::Utf8WithMark, kRussianSystem);
    EXPECT_EQ(marked.form, TextForm::Utf8WithMark);
    EXPECT_EQ(marked.bytes, "\xEF\xBB\xBFplain");
    // Without the mark, a text's own U+FEFF at the start would be read as the mark.
    const EncodedText feff = EncodeStoredText(u"\uFEFFx", TextForm::Utf8, kRussianSystem);
    EXPECT_EQ(feff.form, TextForm::Utf8WithMark);
    EXPECT_EQ(DecodeStoredText(feff.bytes, kRussianSystem).text, u"\uFEFFx");
}

TEST(EncodeStoredText, OnAUtf8SystemNewFilesAreUtf8AndOldOnesKeepTheLegacyCodePage) {
    EXPECT_EQ(FormOfNewFile(true), TextForm::Utf8);
    EXPECT_EQ(FormOfNewFile(false), TextForm::CodePage);
    const EncodedText fresh = EncodeStoredText(u"Привет", FormOfNewFile(true), kUtf8System);
    EXPECT_EQ(fresh.bytes, Utf16ToUtf8(u"Привет"));
    const EncodedText old = EncodeStoredText(u"Привет", TextForm::CodePage, kUtf8System);
    EXPECT_EQ(old.bytes, "\xCF\xF0\xE8\xE2\xE5\xF2");
}

}  // namespace
}  // namespace qb::store
