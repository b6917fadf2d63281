// The store keeps what is on disk whole when a save or a renumbering cannot finish.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "store/pure/error.h"
#include "store/pure/page_names.h"
#include "win/file.h"
#include "tests/windows/disk_store.h"
#include "tests/windows/scratch_dir.h"

namespace qb::store {
namespace {

std::optional<std::string> Raw(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::string> Page(int i) {
    return Raw(L"Strings\\Tab" + std::to_wstring(i) + L".txt");
}

// Another program holding a file open, sharing nothing.
win::UniqueHandle Hold(const std::wstring& path) {
    return win::UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
}

class StoreSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok());
        EnsureStoreDirectory();
    }
    void MakePages(int n) {
        for (int i = 0; i < n; ++i) {
            SavePage(i, "page" + std::to_string(i));
        }
    }
    test::ScratchDir scratch_;
};

TEST_F(StoreSafety, SaveReplacesThePageAndLeavesNoTemporaryFile) {
    SavePage(0, "old");
    SavePage(0, "new text");
    EXPECT_EQ(Page(0), "new text");
    EXPECT_EQ(test::ScratchDir::Entries(L"Strings"), (std::vector<std::wstring>{L"Tab0.txt"}));
}

TEST_F(StoreSafety, PageHeldByAnotherProgramIsNotSavedAndKeepsItsText) {
    SavePage(1, "precious");
    auto held = Hold(L"Strings\\Tab1.txt");
    ASSERT_TRUE(held.valid());
    try {
        SavePage(1, "other page's text");
        FAIL() << "the save went through";
    } catch (const Error& e) {
        EXPECT_EQ(e.text().substr(0, 20), L"Cannot create file \"");
        EXPECT_NE(e.text().find(L"Tab1.txt\". "), std::wstring::npos) << "names the page";
    }
    held.reset();
    EXPECT_EQ(Page(1), "precious");
    EXPECT_FALSE(win::FileExists(win::TemporaryFileFor(PageFileName(1))));
}

TEST_F(StoreSafety, LeftoverOfACrashedSaveIsNeverReadAsAPage) {
    // A save killed before its move leaves the temporary file beside the page.
    SavePage(0, "whole");
    std::ofstream(std::filesystem::path(win::TemporaryFileFor(PageFileName(0))), std::ios::binary)
        << "half writ";
    EXPECT_EQ(LoadPage(0), "whole");
    SavePage(0, "next");
    EXPECT_EQ(Page(0), "next");
    EXPECT_FALSE(win::FileExists(win::TemporaryFileFor(PageFileName(0))));
}

TEST_F(StoreSafety, SettingsAreReplacedWhole) {
    WriteSettings(Settings{1, 2, 3, 4, 5, 6});
    WriteSettings(Settings{7, 8, 9, 10, 11, -1});
    EXPECT_EQ(ReadSettings(), (Settings{7, 8, 9, 10, 11, -1}));
    EXPECT_FALSE(win::FileExists(win::TemporaryFileFor(std::wstring(kSettingsPath))));
}

TEST_F(StoreSafety, ClosedPageHeldOpenChangesNothing) {
    MakePages(4);
    auto held = Hold(L"Strings\\Tab1.txt");
    ASSERT_TRUE(held.valid());
    EXPECT_THROW(RemovePageFiles(1, 3), Error);
    held.reset();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Page(i), "page" + std::to_string(i)) << i;
    }
}

TEST_F(StoreSafety, LaterPageHeldOpenRollsTheRenumberingBack) {
    MakePages(5);
    auto held = Hold(L"Strings\\Tab3.txt");
    ASSERT_TRUE(held.valid());
    try {
        RemovePageFiles(1, 4);
        FAIL() << "the renumbering went through";
    } catch (const Error& e) {
        EXPECT_EQ(e.text().substr(0, 18), L"Cannot move file \"");
    }
    held.reset();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Page(i), "page" + std::to_string(i)) << i;
    }
    EXPECT_EQ(test::ScratchDir::Entries(L"Strings").size(), 5u) << "nothing set aside is left";
}

}  // namespace
}  // namespace qb::store
