// The note store on real files, in a scratch working directory of its own per test.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "store/pure/error.h"
#include "store/pure/linebreaks.h"
#include "store/pure/tab_list.h"
#include "store/pure/utf8.h"
#include "win/code_page.h"
#include "win/file.h"
#include "tests/windows/disk_store.h"
#include "tests/windows/scratch_dir.h"

namespace qb::store {
namespace {

using namespace std::string_literals;
using test::ScratchDir;

// The tab list as the window reads it: the file's bytes, split into captions.
std::vector<std::string> LoadTabList() {
    return SplitTabList(ReadTabListBytes());
}

// --- Helpers that touch the disk without going through the store -------------------------

std::wstring AbsolutePath(const std::wstring& relative) {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetFullPathNameW(relative.c_str(), static_cast<DWORD>(buffer.size()),
                                     buffer.data(), nullptr);
    return std::wstring(buffer.data(), n < buffer.size() ? n : 0);
}

void WriteRaw(const std::wstring& path, const std::string& bytes) {
    win::UniqueHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h.valid()) << "cannot create test file, error " << GetLastError();
    DWORD put = 0;
    ASSERT_TRUE(bytes.empty() ||
                WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
    ASSERT_EQ(put, bytes.size());
}

std::optional<std::string> ReadRaw(const std::wstring& path) {
    win::UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

bool IsFile(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::wstring> SortedEntries(const std::wstring& directory) {
    std::vector<std::wstring> names = ScratchDir::Entries(directory);
    std::sort(names.begin(), names.end());
    return names;
}

// The text of the qb::Error that f throws, or a marker when it throws none.
template <typename F>
std::wstring FailureText(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.text();
    }
    return L"<no failure>";
}

// The system's message for a code with trailing blanks, controls and dots removed.
std::wstring TrimmedSystemMessage(DWORD code) {
    wchar_t* raw = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    std::wstring text = n > 0 && raw != nullptr ? std::wstring(raw, n) : std::wstring();
    LocalFree(raw);
    text.resize(std::min<std::size_t>(text.size(), 255));
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) {
        text.pop_back();
    }
    return text;
}

// The error code the system gives for opening a path as the store does to write a page.
DWORD CodeOfCreating(const std::wstring& path) {
    win::UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return h.valid() ? 0 : GetLastError();
}

// Checks "<prefix>"<absolute path>". <system text>" and that the system text looks trimmed.
void ExpectFileFailure(const std::wstring& text, const std::wstring& verb,
                       const std::wstring& relativePath) {
    const std::wstring head =
        L"Cannot " + verb + L" file \"" + AbsolutePath(relativePath) + L"\". ";
    ASSERT_EQ(text.substr(0, head.size()), head) << "whole text: " << Error(text).what();
    const std::wstring system = text.substr(head.size());
    ASSERT_FALSE(system.empty()) << Error(text).what();
    const wchar_t last = system.back();
    EXPECT_NE(last, L'.');
    EXPECT_NE(last, L' ');
    EXPECT_GE(last, L' ') << "control character at the end";
}

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch_.ok()); }
    ScratchDir scratch_;
};

// --- The store directory -------------------------------------------------------------------

using StoreDirectory = StoreTest;

TEST_F(StoreDirectory, IsCreatedAsStringsInTheWorkingDirectory) {
    EnsureStoreDirectory();
    EXPECT_EQ(SortedEntries(scratch_.path()), std::vector<std::wstring>{L"Strings"});
    EXPECT_TRUE(IsDirectory(scratch_.path() + L"\\Strings"));
}

TEST_F(StoreDirectory, ExistingDirectoryIsKeptWithItsFiles) {
    ASSERT_TRUE(CreateDirectoryW(L"Strings", nullptr));
    WriteRaw(L"Strings\\Tab0.txt", "kept");
    EXPECT_NO_THROW(EnsureStoreDirectory());
    EXPECT_NO_THROW(EnsureStoreDirectory());
    EXPECT_EQ(ReadRaw(L"Strings\\Tab0.txt"), "kept"s);
}

TEST_F(StoreDirectory, LowerCaseDirectoryCountsAsTheStore) {
    ASSERT_TRUE(CreateDirectoryW(L"strings", nullptr));
    EXPECT_NO_THROW(EnsureStoreDirectory());
    SavePage(0, "p");
    EXPECT_EQ(SortedEntries(scratch_.path()), std::vector<std::wstring>{L"strings"});
    EXPECT_EQ(ReadRaw(L"strings\\Tab0.txt"), "p"s);
}

TEST_F(StoreDirectory, PlainFileNamedStringsFailsWithCode183) {
    WriteRaw(L"Strings", "not a directory");
    EXPECT_EQ(FailureText([] { EnsureStoreDirectory(); }), L"I/O error 183");
    EXPECT_EQ(ReadRaw(L"Strings"), "not a directory"s);
}

TEST_F(StoreDirectory, PagesAndTabListShareTheOneDirectory) {
    EnsureStoreDirectory();
    SavePage(0, "zero");
    SaveTabList({"Main"});
    EXPECT_EQ(SortedEntries(scratch_.path()), std::vector<std::wstring>{L"Strings"});
    EXPECT_EQ(SortedEntries(scratch_.path() + L"\\Strings"),
              (std::vector<std::wstring>{L"Tab0.txt", L"Tabs.txt"}));
}

// --- Pages ---------------------------------------------------------------------------------

using StorePages = StoreTest;

TEST_F(StorePages, SaveAndLoadRoundTrip) {
    EnsureStoreDirectory();
    // Cyrillic letters in 1251; in a double-byte code page the last lead byte takes the blank.
    const std::string text = "First line\r\n\xCF\xF0\xE8\xE2\xE5\xF2 1\r\n\r\nlast";
    SavePage(0, text);
    EXPECT_EQ(ReadRaw(L"Strings\\Tab0.txt"), text);
    EXPECT_EQ(LoadPage(0), text);
}

TEST_F(StorePages, SaveWritesNoByteOrderMarkAndNoFinalBreak) {
    EnsureStoreDirectory();
    SavePage(2, "abc");
    EXPECT_EQ(ReadRaw(L"Strings\\Tab2.txt"), "abc"s);
    SavePage(2, "abc\r\n");
    EXPECT_EQ(ReadRaw(L"Strings\\Tab2.txt"), "abc\r\n"s);
}

TEST_F(StorePages, SaveTruncatesALongerFile) {
    EnsureStoreDirectory();
    SavePage(1, std::string(10000, 'x'));
    SavePage(1, "short");
    EXPECT_EQ(ReadRaw(L"Strings\\Tab1.txt"), "short"s);
}

TEST_F(StorePages, LoneBreaksLoadAsCrLfAndAreSavedBackAsCrLf) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab3.txt", "a\nb\rc");
    const std::optional<std::string> loaded = LoadPage(3);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, "a\r\nb\r\nc");
    SavePage(3, *loaded);
    EXPECT_EQ(ReadRaw(L"Strings\\Tab3.txt"), "a\r\nb\r\nc"s);
}

TEST_F(StorePages, NulByteEndsTheTextTheEditControlTakes) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab0.txt", "before\nnul\0after\n"s);
    const std::optional<std::string> loaded = LoadPage(0);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, "before\r\nnul\0after\r\n"s);
    EXPECT_EQ(UpToFirstNul(*loaded), "before\r\nnul");
}

TEST_F(StorePages, EmptyPageIsAZeroLengthFileAndLoadsAsEmpty) {
    EnsureStoreDirectory();
    SavePage(0, "");
    EXPECT_EQ(ReadRaw(L"Strings\\Tab0.txt"), ""s);
    const std::optional<std::string> loaded = LoadPage(0);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, "");
}

TEST_F(StorePages, MissingPageLoadsAsNothing) {
    EXPECT_EQ(LoadPage(0), std::nullopt);  // no store directory at all
    EnsureStoreDirectory();
    SavePage(0, "zero");
    EXPECT_EQ(LoadPage(1), std::nullopt);
    EXPECT_EQ(LoadPage(-1), std::nullopt);
}

TEST_F(StorePages, DirectoryInPlaceOfThePageFile) {
    EnsureStoreDirectory();
    ASSERT_TRUE(CreateDirectoryW(L"Strings\\Tab0.txt", nullptr));
    EXPECT_EQ(LoadPage(0), std::nullopt);

    const DWORD code = CodeOfCreating(L"./strings/Tab0.txt");
    ASSERT_NE(code, 0u);
    const std::wstring system = TrimmedSystemMessage(code);
    ASSERT_FALSE(system.empty()) << "no system text for code " << code;
    const std::wstring expected =
        L"Cannot create file \"" + AbsolutePath(L"./strings/Tab0.txt") + L"\". " + system;
    const std::wstring text = FailureText([] { SavePage(0, "text"); });
    EXPECT_EQ(text, expected) << Error(text).what();
    ExpectFileFailure(text, L"create", L"./strings/Tab0.txt");
    EXPECT_TRUE(IsDirectory(L"Strings\\Tab0.txt"));
}

TEST_F(StorePages, SaveWithoutTheStoreDirectoryFails) {
    const std::wstring text = FailureText([] { SavePage(0, "text"); });
    ExpectFileFailure(text, L"create", L"./strings/Tab0.txt");
    EXPECT_FALSE(IsDirectory(L"Strings"));
}

TEST_F(StorePages, NoSelectionUsesTabMinusOne) {
    EnsureStoreDirectory();
    SavePage(-1, "orphan");
    EXPECT_EQ(SortedEntries(scratch_.path() + L"\\Strings"),
              std::vector<std::wstring>{L"Tab-1.txt"});
    EXPECT_EQ(ReadRaw(L"Strings\\Tab-1.txt"), "orphan"s);
    EXPECT_EQ(LoadPage(-1), "orphan"s);
}

TEST_F(StorePages, PageNumbersHaveNoLeadingZeros) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab012.txt", "padded");
    EXPECT_EQ(LoadPage(12), std::nullopt);
    SavePage(12, "twelve");
    EXPECT_EQ(ReadRaw(L"Strings\\Tab12.txt"), "twelve"s);
}

TEST_F(StorePages, EveryHighByteWithABreakFollowsTheSystemCodePage) {
    // Each byte 0x80..0xFF followed by LF. In a single-byte code page every LF becomes CR LF;
    // after a lead byte of a double-byte code page the LF is a trail byte and stays.
    std::string raw;
    std::string expected;
    for (int b = 0x80; b <= 0xFF; ++b) {
        raw += static_cast<char>(b);
        raw += '\n';
        expected += static_cast<char>(b);
        expected += IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b)) ? "\n" : "\r\n";
    }
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab0.txt", raw);
    EXPECT_EQ(LoadPage(0), expected) << "ANSI code page " << GetACP();
}

TEST_F(StorePages, LoadWhileAnotherReaderHasTheFileOpen) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab0.txt", "shared");
    // The other reader lets everyone in; only the store's own sharing can refuse it.
    win::UniqueHandle reader(CreateFileW(L"Strings\\Tab0.txt", GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader.valid());
    EXPECT_EQ(LoadPage(0), "shared"s);
    // Writing needs the file to itself.
    ExpectFileFailure(FailureText([] { SavePage(0, "x"); }), L"create", L"./strings/Tab0.txt");
    reader.reset();
    EXPECT_EQ(ReadRaw(L"Strings\\Tab0.txt"), "shared"s);
}

TEST_F(StorePages, LoadWhileAnotherWriterHasTheFileOpenFails) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab0.txt", "busy");
    win::UniqueHandle writer(CreateFileW(L"Strings\\Tab0.txt", GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer.valid());
    ExpectFileFailure(FailureText([] { LoadPage(0); }), L"open", L"./strings/Tab0.txt");
    writer.reset();
    EXPECT_EQ(LoadPage(0), "busy"s);
}

TEST_F(StorePages, LoadTextFileNormalisesWithoutExistenceTest) {
    WriteRaw(L"readme.txt", "Line 1\nLine 2\r\n\rend");
    EXPECT_EQ(LoadTextFile(L"./readme.txt"), "Line 1\r\nLine 2\r\n\r\nend"s);
}

TEST_F(StorePages, LoadTextFileOfAMissingFileFails) {
    const std::wstring text = FailureText([] { LoadTextFile(L"./readme.txt"); });
    ExpectFileFailure(text, L"open", L"./readme.txt");
    EXPECT_EQ(text, L"Cannot open file \"" + AbsolutePath(L"./readme.txt") + L"\". " +
                        TrimmedSystemMessage(ERROR_FILE_NOT_FOUND))
        << Error(text).what();
}

TEST_F(StorePages, LoadTextFileOfADirectoryFails) {
    ASSERT_TRUE(CreateDirectoryW(L"readme.txt", nullptr));
    ExpectFileFailure(FailureText([] { LoadTextFile(L"./readme.txt"); }), L"open", L"./readme.txt");
}

// --- Text beyond the code page ------------------------------------------------------------

// The system's own conversion, asked for no look-alikes: "é" is no "e" in code page 1251, nor an
// arrow a ">".
TEST(SystemCodePage, EncodesOnlyWhatComesBackUnchanged) {
    const win::SystemCodePage cyrillic(1251);
    EXPECT_EQ(cyrillic.EncodeExactly(L"\x041F\x0440\x0438\x0432\x0435\x0442 \x00AB\x2116\x00BB"),
              "\xCF\xF0\xE8\xE2\xE5\xF2 \xAB\xB9\xBB"s);
    for (const wchar_t* beyond : {L"caf\x00E9", L"\x2192", L"\x0141\x00F3d\x017A", L"\x2713",
                                  L"\xD83D\xDE00", L"\x6771\x4EAC", L"a\xD800"}) {
        EXPECT_EQ(cyrillic.EncodeExactly(beyond), std::nullopt) << Error(beyond).what();
    }
    const win::SystemCodePage western(1252);
    EXPECT_EQ(western.EncodeExactly(L"caf\x00E9"), "caf\xE9"s);
    EXPECT_EQ(western.EncodeExactly(L"\x041E"), std::nullopt) << "no Cyrillic in 1252";
    EXPECT_EQ(western.Decode("caf\xE9"), L"caf\x00E9");
}

// A page longer than the slices the check goes through, in a code page of double-byte
// characters: no slice may end between a lead byte and its trail byte.
TEST(SystemCodePage, LongTextOfDoubleByteCharactersComesBack) {
    const win::SystemCodePage japanese(932);
    std::wstring text;
    for (int i = 0; i < 7000; ++i) {
        text += i % 7 == 0 ? L"a\r\n" : L"\x65E5\x672C\x8A9E";
    }
    const auto bytes = japanese.EncodeExactly(text);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(japanese.Decode(*bytes) == text);
    EXPECT_FALSE(japanese.EncodeExactly(text + L"\x0141").has_value()) << "no Polish L in 932";
}

using StoreText = StoreTest;

TEST_F(StoreText, PastedTextComesBackCharacterForCharacter) {
    const std::wstring pasted =
        L"\x0441\x0442\x0440\x0435\x043B\x043A\x0430 \x2192 \x2713 \xD83D\xDE00 caf\x00E9 "
        L"\x0141\x00F3d\x017A \x6771\x4EAC\r\n";
    EnsureStoreDirectory();
    EXPECT_EQ(SavePageText(0, pasted, TextForm::CodePage), TextForm::Utf8WithMark);
    EXPECT_EQ(ReadRaw(L"Strings\\Tab0.txt"), "\xEF\xBB\xBF" + Utf16ToUtf8(pasted));
    const std::optional<StoredText> back = LoadPageText(0);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->text, pasted);
    EXPECT_EQ(back->form, TextForm::Utf8WithMark);
}

TEST_F(StoreText, TextTheCodePageHoldsIsStoredAsBefore) {
    const std::wstring text = L"Main\r\n\x041F\x0440\x0438\x0432\x0435\x0442";
    EnsureStoreDirectory();
    EXPECT_EQ(SavePageText(1, text, TextForm::CodePage), TextForm::CodePage);
    if (GetACP() == 1251) {
        EXPECT_EQ(ReadRaw(L"Strings\\Tab1.txt"), "Main\r\n\xCF\xF0\xE8\xE2\xE5\xF2"s);
    }
    EXPECT_EQ(LoadPageText(1)->text, text);
}

TEST_F(StoreText, TabListBeyondTheCodePageIsUtf8AndReadsBack) {
    const std::vector<std::wstring> captions = {
        L"Main", L"\x0417\x0430\x0434\x0430\x0447\x0438 \x2713 \xD83D\xDE00"};
    EnsureStoreDirectory();
    const EncodedText file = EncodeTabList(captions, TextForm::CodePage);
    EXPECT_EQ(file.form, TextForm::Utf8WithMark);
    SaveTabListBytes(file.bytes);
    const StoredText back = LoadTabListText();
    EXPECT_EQ(back.form, TextForm::Utf8WithMark);
    EXPECT_EQ(SplitTabListText(back.text), captions);
}

// --- The tab list --------------------------------------------------------------------------

using StoreTabList = StoreTest;

TEST_F(StoreTabList, SaveWritesEveryCaptionWithCrLf) {
    EnsureStoreDirectory();
    SaveTabList({"Main", "", "x", "\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5"});
    EXPECT_EQ(ReadRaw(L"Strings\\Tabs.txt"),
              "Main\r\n\r\nx\r\n\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5\r\n");
}

TEST_F(StoreTabList, SaveWritesTheFileAsTabsTxt) {
    EnsureStoreDirectory();
    SaveTabList({"Main"});
    EXPECT_EQ(SortedEntries(scratch_.path() + L"\\Strings"),
              std::vector<std::wstring>{L"Tabs.txt"});
}

TEST_F(StoreTabList, NoTabsGiveAZeroLengthFile) {
    EnsureStoreDirectory();
    SaveTabList({});
    EXPECT_EQ(ReadRaw(L"Strings\\Tabs.txt"), ""s);
    EXPECT_TRUE(TabListExists());
    EXPECT_TRUE(LoadTabList().empty());
}

TEST_F(StoreTabList, SaveTruncatesALongerList) {
    EnsureStoreDirectory();
    SaveTabList({"one", "two", "three"});
    SaveTabList({"1"});
    EXPECT_EQ(ReadRaw(L"Strings\\Tabs.txt"), "1\r\n"s);
}

TEST_F(StoreTabList, SavedListIsFoundAndReadThroughTheOtherCase) {
    EnsureStoreDirectory();
    EXPECT_FALSE(TabListExists());
    SaveTabList({"Main", "Work"});
    EXPECT_TRUE(IsFile(L"./strings/tabs.txt"));
    EXPECT_TRUE(TabListExists());
    EXPECT_EQ(LoadTabList(), (std::vector<std::string>{"Main", "Work"}));
}

TEST_F(StoreTabList, ListWrittenInLowerCaseIsFound) {
    ASSERT_TRUE(CreateDirectoryW(L"strings", nullptr));
    WriteRaw(L"strings\\tabs.txt", "a\r\nb\r\n");
    EXPECT_TRUE(TabListExists());
    EXPECT_EQ(LoadTabList(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(StoreTabList, EdgeCaseFiles) {
    struct Case {
        std::string bytes;
        std::vector<std::string> captions;
    };
    const std::vector<Case> cases = {
        {"Main\r\n\r\nx\r\n", {"Main", "", "x"}},
        {"Main\r\n\r\nx", {"Main", "", "x"}},
        {"a\rb\nc\r\n", {"a", "b", "c"}},
        {"a\r\nb\0c\r\nd\r\n"s, {"a", "b"}},
        {"\r\n", {""}},
        {"", {}},
        {"  spaced  \r\n", {"  spaced  "}},
    };
    EnsureStoreDirectory();
    for (const Case& c : cases) {
        WriteRaw(L"Strings\\Tabs.txt", c.bytes);
        EXPECT_EQ(LoadTabList(), c.captions) << "file of " << c.bytes.size() << " bytes";
    }
}

TEST_F(StoreTabList, MissingListDoesNotExistAndFailsToLoad) {
    EXPECT_FALSE(TabListExists());
    ExpectFileFailure(FailureText([] { LoadTabList(); }), L"open", L"./strings/tabs.txt");
    EnsureStoreDirectory();
    EXPECT_FALSE(TabListExists());
}

TEST_F(StoreTabList, DirectoryNamedTabsTxtIsNoList) {
    EnsureStoreDirectory();
    ASSERT_TRUE(CreateDirectoryW(L"Strings\\Tabs.txt", nullptr));
    EXPECT_FALSE(TabListExists());
    ExpectFileFailure(FailureText([] { SaveTabList({"Main"}); }), L"create", L"./Strings/Tabs.txt");
}

TEST_F(StoreTabList, RoundTrip) {
    EnsureStoreDirectory();
    const std::vector<std::string> captions = {"Main", "", "%s %d", "\xCE \xEF\xF0\xEE", "x"};
    SaveTabList(captions);
    EXPECT_EQ(LoadTabList(), captions);
}

// --- Removing page files -------------------------------------------------------------------

class StoreRemovePages : public StoreTest {
  protected:
    void MakePages(std::initializer_list<int> indices) {
        EnsureStoreDirectory();
        for (int i : indices) {
            SavePage(i, "page" + std::to_string(i));
        }
    }
    static std::optional<std::string> Page(int i) {
        return ReadRaw(L"Strings\\Tab" + std::to_wstring(i) + L".txt");
    }
};

TEST_F(StoreRemovePages, RemovingAMiddleTabMovesTheLaterOnesDown) {
    MakePages({0, 1, 2, 3, 4});
    RemovePageFiles(1, 4);
    EXPECT_EQ(Page(0), "page0"s);
    EXPECT_EQ(Page(1), "page2"s);
    EXPECT_EQ(Page(2), "page3"s);
    EXPECT_EQ(Page(3), "page4"s);
    EXPECT_EQ(Page(4), std::nullopt);
    EXPECT_EQ(SortedEntries(scratch_.path() + L"\\Strings").size(), 4u);
}

TEST_F(StoreRemovePages, RemovingTheFirstTab) {
    MakePages({0, 1, 2});
    RemovePageFiles(0, 2);
    EXPECT_EQ(Page(0), "page1"s);
    EXPECT_EQ(Page(1), "page2"s);
    EXPECT_EQ(Page(2), std::nullopt);
}

TEST_F(StoreRemovePages, RemovingTheLastTabRenamesNothing) {
    MakePages({0, 1, 2, 3});
    RemovePageFiles(3, 3);
    EXPECT_EQ(Page(0), "page0"s);
    EXPECT_EQ(Page(1), "page1"s);
    EXPECT_EQ(Page(2), "page2"s);
    EXPECT_EQ(Page(3), std::nullopt);
}

TEST_F(StoreRemovePages, RemovingTheOnlyTab) {
    MakePages({0});
    RemovePageFiles(0, 0);
    EXPECT_TRUE(SortedEntries(scratch_.path() + L"\\Strings").empty());
}

TEST_F(StoreRemovePages, OnlyFilesUpToTheTabCountAreMoved) {
    // Stray page files beyond the tabs stay where they are.
    MakePages({0, 1, 2, 3, 5});
    RemovePageFiles(0, 2);
    EXPECT_EQ(Page(0), "page1"s);
    EXPECT_EQ(Page(1), "page2"s);
    EXPECT_EQ(Page(2), std::nullopt);
    EXPECT_EQ(Page(3), "page3"s);
    EXPECT_EQ(Page(4), std::nullopt);
    EXPECT_EQ(Page(5), "page5"s);
}

TEST_F(StoreRemovePages, MissingFilesAreSkippedAndTheLoopGoesOn) {
    MakePages({0, 1, 3, 4});  // Tab2.txt missing (a page never saved)
    RemovePageFiles(0, 4);
    EXPECT_EQ(Page(0), "page1"s);
    EXPECT_EQ(Page(1), std::nullopt);
    EXPECT_EQ(Page(2), "page3"s);
    EXPECT_EQ(Page(3), "page4"s);
    EXPECT_EQ(Page(4), std::nullopt);
}

TEST_F(StoreRemovePages, MissingRemovedFileStillMovesTheRest) {
    MakePages({0, 2});  // three tabs, Tab1.txt never saved
    RemovePageFiles(1, 2);
    EXPECT_EQ(Page(0), "page0"s);
    EXPECT_EQ(Page(1), "page2"s);
    EXPECT_EQ(Page(2), std::nullopt);
}

TEST_F(StoreRemovePages, PageThatCannotMoveDownChangesNothing) {
    // The removed page's name is taken by a directory, so nothing can move onto it: the later
    // pages keep their numbers rather than leave one behind to be read as its neighbour.
    MakePages({1, 2});
    ASSERT_TRUE(CreateDirectoryW(L"Strings\\Tab0.txt", nullptr));
    const std::wstring failure = FailureText([] { RemovePageFiles(0, 2); });
    EXPECT_EQ(failure.substr(0, 18), L"Cannot move file \"");
    EXPECT_TRUE(IsDirectory(L"Strings\\Tab0.txt"));
    EXPECT_EQ(Page(1), "page1"s);
    EXPECT_EQ(Page(2), "page2"s);
}

TEST_F(StoreRemovePages, NothingToRemoveReportsNothing) {
    EXPECT_NO_THROW(RemovePageFiles(0, 0));
    EXPECT_NO_THROW(RemovePageFiles(2, 5));
    EXPECT_NO_THROW(RemovePageFiles(-1, 0));
}

TEST_F(StoreRemovePages, PageMinusOneWithNoTabs) {
    MakePages({-1, 0});
    RemovePageFiles(-1, 0);
    EXPECT_EQ(ReadRaw(L"Strings\\Tab-1.txt"), "page0"s);
    EXPECT_EQ(Page(0), std::nullopt);
}

// --- Settings ------------------------------------------------------------------------------

using StoreSettings = StoreTest;

const std::string kSample(
    "\x64\0\0\0"    // Left 100
    "\x32\0\0\0"    // Top 50
    "\xC8\0\0\0"    // Opacity 200
    "\xF4\x01\0\0"  // Width 500
    "\x2C\x01\0\0"  // Height 300
    "\x02\0\0\0",   // TabIndex 2
    24);

TEST_F(StoreSettings, WriteGivesExactly24BytesInFileOrder) {
    WriteSettings(Settings{100, 50, 200, 500, 300, 2});
    const std::optional<std::string> raw = ReadRaw(L"settings.dat");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->size(), 24u);
    EXPECT_EQ(*raw, kSample);
    EXPECT_EQ(static_cast<unsigned char>((*raw)[8]), 200u);  // opacity right after Top
}

TEST_F(StoreSettings, ReadGivesTheValuesInFileOrder) {
    WriteRaw(L"settings.dat", kSample);
    const Settings s = ReadSettings();
    EXPECT_EQ(s.left, 100);
    EXPECT_EQ(s.top, 50);
    EXPECT_EQ(s.opacity, 200);
    EXPECT_EQ(s.width, 500);
    EXPECT_EQ(s.height, 300);
    EXPECT_EQ(s.tabIndex, 2);
}

TEST_F(StoreSettings, RoundTripWithNegativeValues) {
    const Settings s{-1920, -30, 255, 1, 0, -1};
    WriteSettings(s);
    EXPECT_EQ(ReadSettings(), s);
    EXPECT_EQ(ReadRaw(L"settings.dat")->substr(20), std::string("\xFF\xFF\xFF\xFF", 4));
}

TEST_F(StoreSettings, WriteReplacesALongerFile) {
    WriteRaw(L"settings.dat", std::string(100, '\x7F'));
    WriteSettings(Settings{100, 50, 200, 500, 300, 2});
    EXPECT_EQ(ReadRaw(L"settings.dat"), kSample);
}

TEST_F(StoreSettings, ShortFileFailsAsReadBeyondEnd) {
    for (std::size_t size : {0u, 4u, 20u, 23u}) {
        WriteRaw(L"settings.dat", kSample.substr(0, size));
        EXPECT_EQ(FailureText([] { ReadSettings(); }), L"Read beyond end of file")
            << size << " bytes";
    }
}

TEST_F(StoreSettings, BytesAfterThe24thAreIgnored) {
    WriteRaw(L"settings.dat", kSample + "\x09\x09\x09\x09trailing");
    EXPECT_EQ(ReadSettings(), (Settings{100, 50, 200, 500, 300, 2}));
}

TEST_F(StoreSettings, ExistsOnlyAsAFile) {
    EXPECT_FALSE(SettingsExist());
    ASSERT_TRUE(CreateDirectoryW(L"settings.dat", nullptr));
    EXPECT_FALSE(SettingsExist());
    ASSERT_TRUE(RemoveDirectoryW(L"settings.dat"));
    WriteRaw(L"settings.dat", "");
    EXPECT_TRUE(SettingsExist());
}

TEST_F(StoreSettings, MissingFileFailsAsFileNotFound) {
    EXPECT_EQ(FailureText([] { ReadSettings(); }), L"File not found");
}

TEST_F(StoreSettings, DirectoryInPlaceOfTheFileDeniesAccess) {
    ASSERT_TRUE(CreateDirectoryW(L"settings.dat", nullptr));
    EXPECT_EQ(FailureText([] { ReadSettings(); }), L"File access denied");
    EXPECT_EQ(FailureText([] { WriteSettings(Settings{}); }), L"File access denied");
}

TEST_F(StoreSettings, ReadAndWriteWhileOthersShareTheFile) {
    WriteRaw(L"settings.dat", kSample);
    win::UniqueHandle other(CreateFileW(L"settings.dat", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    ASSERT_TRUE(other.valid());
    EXPECT_EQ(ReadSettings(), (Settings{100, 50, 200, 500, 300, 2}));
    WriteSettings(Settings{1, 2, 3, 4, 5, 6});
    other.reset();
    EXPECT_EQ(ReadSettings(), (Settings{1, 2, 3, 4, 5, 6}));
}

TEST_F(StoreSettings, FileHeldWithoutSharingFailsWithTheSystemCode) {
    WriteRaw(L"settings.dat", kSample);
    win::UniqueHandle other(CreateFileW(L"settings.dat", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other.valid());
    // ERROR_SHARING_VIOLATION has no name of its own among the I/O errors.
    EXPECT_EQ(FailureText([] { ReadSettings(); }), L"I/O error 32");
    EXPECT_EQ(FailureText([] { WriteSettings(Settings{}); }), L"I/O error 32");
    other.reset();
    EXPECT_EQ(ReadRaw(L"settings.dat"), kSample);
}

// --- Read-only files (only an unprivileged user is stopped by them) -------------------------

class StoreReadOnly : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        const char* unprivileged = std::getenv("QB_UNPRIVILEGED");
        if (unprivileged == nullptr || std::string(unprivileged) != "1") {
            GTEST_SKIP() << "read-only files stop only an unprivileged user (QB_UNPRIVILEGED=1)";
        }
    }
    static void MarkReadOnly(const wchar_t* path) {
        ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
        ASSERT_NE(GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY, 0u);
    }
};

TEST_F(StoreReadOnly, ReadOnlySettingsFileDeniesAccess) {
    WriteRaw(L"settings.dat", kSample);
    MarkReadOnly(L"settings.dat");
    EXPECT_EQ(FailureText([] { ReadSettings(); }), L"File access denied");
    EXPECT_EQ(FailureText([] { WriteSettings(Settings{}); }), L"File access denied");
    EXPECT_TRUE(SettingsExist());
    EXPECT_EQ(ReadRaw(L"settings.dat"), kSample);
}

TEST_F(StoreReadOnly, ReadOnlyPageLoadsButCannotBeSaved) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tab0.txt", "locked\n");
    MarkReadOnly(L"Strings\\Tab0.txt");
    EXPECT_EQ(LoadPage(0), "locked\r\n"s);
    const std::wstring text = FailureText([] { SavePage(0, "new"); });
    ExpectFileFailure(text, L"create", L"./strings/Tab0.txt");
    EXPECT_EQ(text, L"Cannot create file \"" + AbsolutePath(L"./strings/Tab0.txt") + L"\". " +
                        TrimmedSystemMessage(ERROR_ACCESS_DENIED))
        << Error(text).what();
    EXPECT_EQ(ReadRaw(L"Strings\\Tab0.txt"), "locked\n"s);
}

TEST_F(StoreReadOnly, ReadOnlyTabListLoadsButCannotBeSaved) {
    EnsureStoreDirectory();
    WriteRaw(L"Strings\\Tabs.txt", "Main\r\n");
    MarkReadOnly(L"Strings\\Tabs.txt");
    EXPECT_EQ(LoadTabList(), std::vector<std::string>{"Main"});
    ExpectFileFailure(FailureText([] { SaveTabList({"x"}); }), L"create", L"./Strings/Tabs.txt");
}

}  // namespace
}  // namespace qb::store
