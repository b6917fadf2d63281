#include <gtest/gtest.h>

#include <string>

#include "store/pure/error.h"
#include "store/pure/messages.h"

namespace qb {
namespace {

TEST(IoErrorText, NamedCodes) {
    EXPECT_EQ(IoErrorText(2), L"File not found");
    EXPECT_EQ(IoErrorText(3), L"Invalid filename");
    EXPECT_EQ(IoErrorText(4), L"Too many open files");
    EXPECT_EQ(IoErrorText(5), L"File access denied");
    EXPECT_EQ(IoErrorText(100), L"Read beyond end of file");
    EXPECT_EQ(IoErrorText(101), L"Disk full");
    EXPECT_EQ(IoErrorText(106), L"Invalid numeric input");
    EXPECT_EQ(IoErrorText(kReadBeyondEndCode), L"Read beyond end of file");
    EXPECT_EQ(IoErrorText(kDiskFullCode), L"Disk full");
}

TEST(IoErrorText, OtherCodesInDecimal) {
    EXPECT_EQ(IoErrorText(183), L"I/O error 183");
    EXPECT_EQ(IoErrorText(0), L"I/O error 0");
    EXPECT_EQ(IoErrorText(1), L"I/O error 1");
    EXPECT_EQ(IoErrorText(6), L"I/O error 6");
    EXPECT_EQ(IoErrorText(32), L"I/O error 32");
    EXPECT_EQ(IoErrorText(102), L"I/O error 102");
    EXPECT_EQ(IoErrorText(4294967295u), L"I/O error 4294967295");
}

TEST(TrimSystemErrorText, RemovesTrailingBreaksBlanksAndDots) {
    EXPECT_EQ(TrimSystemErrorText(L"Access denied.\r\n"), L"Access denied");
    EXPECT_EQ(TrimSystemErrorText(L"Access denied. \r\n"), L"Access denied");
    EXPECT_EQ(TrimSystemErrorText(L"The file exists...  "), L"The file exists");
    EXPECT_EQ(TrimSystemErrorText(L"x\t\x01\x1F\x7F"), L"x");
    EXPECT_EQ(TrimSystemErrorText(L"a.\n.\r ."), L"a");
}

TEST(TrimSystemErrorText, KeepsWhatIsNotTrailing) {
    EXPECT_EQ(TrimSystemErrorText(L"  Line one.\r\nLine two!\r\n"), L"  Line one.\r\nLine two!");
    EXPECT_EQ(TrimSystemErrorText(L"v1.2"), L"v1.2");
    EXPECT_EQ(TrimSystemErrorText(L"Отказано в доступе.\r\n"), L"Отказано в доступе");
}

TEST(TrimSystemErrorText, EmptyAndAllTrimmedGiveEmpty) {
    EXPECT_EQ(TrimSystemErrorText(L""), L"");
    EXPECT_EQ(TrimSystemErrorText(L". \r\n"), L"");
}

TEST(TrimSystemErrorText, CutsTo255CharactersBeforeTrimming) {
    const std::wstring longText(300, L'w');
    EXPECT_EQ(TrimSystemErrorText(longText), std::wstring(255, L'w'));
    EXPECT_EQ(TrimSystemErrorText(std::wstring(255, L'w') + L".\r\n"), std::wstring(255, L'w'));
    // Cut first: the blanks and dots at 250..254 become trailing and go too.
    EXPECT_EQ(TrimSystemErrorText(std::wstring(250, L'w') + L"  .. tail"), std::wstring(250, L'w'));
}

TEST(ErrorBoxText, AppendsADotAfterLettersDigitsSlashAndColon) {
    EXPECT_EQ(ErrorBoxText(L"File access denied"), L"File access denied.");
    EXPECT_EQ(ErrorBoxText(L"I/O error 183"), L"I/O error 183.");
    EXPECT_EQ(ErrorBoxText(L"Ошибка"), L"Ошибка.");
    EXPECT_EQ(ErrorBoxText(L"ошибка ё"), L"ошибка ё.");
    EXPECT_EQ(ErrorBoxText(L"path/"), L"path/.");
    EXPECT_EQ(ErrorBoxText(L"C:"), L"C:.");
    EXPECT_EQ(ErrorBoxText(L"x"), L"x.");
}

TEST(ErrorBoxText, NoDotAfterPunctuationBlanksAndQuotes) {
    for (const wchar_t* m : {L"Done.", L"Stop!", L"Cannot open file \"C:\\a.txt\"", L"f(x)", L"a,",
                             L"a-", L"a ", L"it's'", L"#", L"%", L"&", L"+", L"*"}) {
        EXPECT_EQ(ErrorBoxText(m), m);
    }
}

TEST(ErrorBoxText, EmptyMessageStaysEmpty) {
    EXPECT_EQ(ErrorBoxText(L""), L"");
}

TEST(ErrorBoxText, CannotCreateWithEmptySystemTextGetsNoDot) {
    // "Cannot create file "..." . " ends in a blank when the system has no text.
    const std::wstring m = CannotCreateFileText(L"C:\\w\\strings\\Tab0.txt", L"");
    EXPECT_EQ(m, L"Cannot create file \"C:\\w\\strings\\Tab0.txt\". ");
    EXPECT_EQ(ErrorBoxText(m), m);
}

TEST(FileFailureTexts, CreateAndOpen) {
    EXPECT_EQ(CannotCreateFileText(L"C:\\work\\strings\\Tab0.txt", L"Access denied"),
              L"Cannot create file \"C:\\work\\strings\\Tab0.txt\". Access denied");
    EXPECT_EQ(CannotOpenFileText(L"Z:\\tmp\\readme.txt", L"File not found"),
              L"Cannot open file \"Z:\\tmp\\readme.txt\". File not found");
}

TEST(FileFailureTexts, PercentSignsInPathsAppearLiterally) {
    EXPECT_EQ(CannotOpenFileText(L"C:\\%s\\%d.txt", L"100%"),
              L"Cannot open file \"C:\\%s\\%d.txt\". 100%");
}

TEST(TabFailureTexts, IndexInDecimal) {
    EXPECT_EQ(FailedToRetrieveTabText(-1), L"Failed to retrieve tab at index -1");
    EXPECT_EQ(FailedToRetrieveTabText(12), L"Failed to retrieve tab at index 12");
    EXPECT_EQ(FailedToDeleteTabText(3), L"Failed to delete tab at index 3");
    EXPECT_EQ(FailedToSetTabText(L"Main", 0), L"Failed to set tab \"Main\" at index 0");
    EXPECT_EQ(FailedToSetTabText(L"", 2), L"Failed to set tab \"\" at index 2");
}

TEST(TabFailureTexts, CaptionWithFormatSpecifiersAppearsLiterally) {
    EXPECT_EQ(FailedToSetTabText(L"%s and %d", 4), L"Failed to set tab \"%s and %d\" at index 4");
    EXPECT_EQ(FailedToSetTabText(L"%n%x%%", 1), L"Failed to set tab \"%n%x%%\" at index 1");
}

TEST(Error, CarriesTheTextAndItsUtf8Form) {
    const Error e(L"Ошибка: \"x\"");
    EXPECT_EQ(e.text(), L"Ошибка: \"x\"");
    EXPECT_STREQ(e.what(), "\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0: \"x\"");
}

}  // namespace
}  // namespace qb
