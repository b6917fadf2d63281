// Finding a text in the pages: letter case folded for Latin and Cyrillic alike and for nothing
// else, forward and backward across the pages in strip order, round to where it began.
#include <gtest/gtest.h>

#include "notebook/notebook.h"
#include "store/pure/search.h"
#include "tests/native/code_page_1251.h"
#include "tests/native/fake_view.h"
#include "tests/native/memory_file_system.h"

namespace qb::test {
namespace {

using store::Utf16;

const store::CaseTable kCase = store::LatinAndCyrillicCase();

std::optional<std::size_t> Forward(std::u16string_view text, std::u16string_view needle,
                                   std::size_t from = 0) {
    return store::FindText(text, needle, from, true, kCase);
}

TEST(FindText, CaseIsIgnoredForLatinAndCyrillicAndNothingElseIsFolded) {
    EXPECT_EQ(Forward(u"Моя Заметка", u"заметка"), 4u);
    EXPECT_EQ(Forward(u"ЁЛКА и ёлка", u"ёлка"), 0u);
    EXPECT_EQ(Forward(u"Łódź, ÉTÉ", u"łÓdŹ"), 0u);
    EXPECT_EQ(Forward(u"ÉTÉ", u"été"), 0u);
    EXPECT_FALSE(Forward(u"ёлка", u"елка")) << "ё is not е";
    EXPECT_FALSE(Forward(u"café", u"cafe")) << "no accent is dropped";
    EXPECT_FALSE(Forward(u"text", u""));
}

TEST(FindText, ForwardFromAPlaceAndBackwardToIt) {
    const std::u16string_view text = u"one two one two";
    EXPECT_EQ(Forward(text, u"two", 0), 4u);
    EXPECT_EQ(Forward(text, u"two", 5), 12u);
    EXPECT_FALSE(Forward(text, u"two", 13));
    EXPECT_EQ(store::FindText(text, u"one", text.size(), false, kCase), 8u);
    EXPECT_EQ(store::FindText(text, u"one", 8, false, kCase), 0u) << "ends at or before";
    EXPECT_FALSE(store::FindText(text, u"one", 2, false, kCase));
}

TEST(FindText, AMatchAcrossALineBreakIsNoDifferent) {
    EXPECT_EQ(Forward(u"end of line\r\nnext", u"line\r\nnext"), 7u);
    EXPECT_FALSE(Forward(u"end of line\r\nnext", u"line next"));
}

// A store of four pages, the second on screen.
struct Pages {
    Pages() : files(Make()), notebook(files, encodings, view, [] { return 0; }) {
        notebook.Start();
    }
    static Disk Make() {
        Disk disk;
        disk.directories.insert(L"strings");
        const auto settings = store::EncodeSettings(store::Settings{60, 60, 240, 433, 202, 1});
        disk.files[L"settings.dat"] = std::string(settings.data(), settings.size());
        disk.files[L"strings/tabs.txt"] = "A\r\nB\r\nC\r\nD\r\n";
        disk.files[L"strings/tab0.txt"] = "alpha: a Note on A";
        disk.files[L"strings/tab1.txt"] = "beta: the note on screen, a NOTE";
        disk.files[L"strings/tab2.txt"] = "gamma, nothing here";
        // Another editor's UTF-8, with the mark.
        disk.files[L"strings/tab3.txt"] =
            "\xEF\xBB\xBF"
            "delta: \xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB0 note";
        return disk;
    }
    CodePage1251 codePage;
    store::Encodings encodings{codePage, false};
    MemoryFileSystem files;
    FakeView view;
    notebook::Notebook notebook;
};

TEST(Find, ForwardWalksThePagesInStripOrderAndComesRound) {
    Pages pages;
    const Utf16 note = u"note";
    EXPECT_TRUE(pages.notebook.Find(note, true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 1);
    EXPECT_EQ(pages.view.PageSelection(), (std::pair<std::size_t, std::size_t>{10, 14}));
    EXPECT_TRUE(pages.notebook.Find(note, true, kCase));
    EXPECT_EQ(pages.view.Selected(), u"NOTE");
    EXPECT_TRUE(pages.notebook.Find(note, true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 3) << "tab 2 has none; tab 3's UTF-8 is read as text";
    EXPECT_EQ(pages.view.Selected(), u"note");
    EXPECT_TRUE(pages.notebook.Find(note, true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 0) << "round to the first";
    EXPECT_EQ(pages.view.Selected(), u"Note");
    EXPECT_TRUE(pages.notebook.Find(u"заметка", true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 3);
    EXPECT_EQ(pages.view.Selected(), u"Заметка");
}

TEST(Find, BackwardWalksTheOtherWay) {
    Pages pages;
    pages.view.Select(5, 5);
    EXPECT_TRUE(pages.notebook.Find(u"note", false, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 0);
    EXPECT_EQ(pages.view.Selected(), u"Note");
    EXPECT_TRUE(pages.notebook.Find(u"note", false, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 3) << "round to the last";
}

TEST(Find, TheOnlyMatchBeforeTheCaretIsFoundByComingRound) {
    Pages pages;
    pages.view.Select(20, 20);
    EXPECT_TRUE(pages.notebook.Find(u"beta", true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 1);
    EXPECT_EQ(pages.view.PageSelection(), (std::pair<std::size_t, std::size_t>{0, 4}));
}

TEST(Find, NothingFoundMovesNothingAndTellsTheUser) {
    Pages pages;
    pages.view.Type(u"beta edited here, not saved");
    const Disk before = pages.files.Now();
    EXPECT_FALSE(pages.notebook.Find(u"absent", true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 1);
    ASSERT_EQ(pages.view.notices().size(), 1u);
    EXPECT_EQ(pages.view.notices()[0], L"Текст «absent» не найден.");
    EXPECT_TRUE(pages.files.Now() == before) << "nothing written";
}

TEST(Find, TheSearchLeavesAPageAsAClickDoes) {
    Pages pages;
    pages.view.Type(u"beta, typed and not yet saved");
    EXPECT_TRUE(pages.notebook.Find(u"gamma", true, kCase));
    EXPECT_EQ(pages.view.SelectedTab(), 2);
    EXPECT_EQ(pages.files.Now().files.at(L"strings/tab1.txt"), "beta, typed and not yet saved");
}

}  // namespace
}  // namespace qb::test
