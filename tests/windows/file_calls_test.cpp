// What the Win32 file layer asks of the system, recorded call by call while the note-keeping
// runs every kind of store operation on real files: a page saved, the tab list, the settings
// (also written in place while another program holds the file), a close with its journal, the
// next start finishing an interrupted close, an original kept, a page no tab owns set aside, a
// conflict copy taken. Each recorded sequence is checked against what the crash explorer's
// disk in memory assumes of the layer (tests/native/memory_file_system.h): data is flushed
// before its file is closed and moved over another, every move is written through, data is
// written only into a fresh temporary file or, for the settings alone, in place, and no call
// the model does not know is made.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "store/pure/close_record.h"
#include "store/pure/page_names.h"
#include "tests/native/fake_view.h"
#include "tests/windows/scratch_dir.h"
#include "win/code_page.h"
#include "win/disk_file_system.h"
#include "win/file_calls.h"
#include "win/handles.h"

namespace qb::test {
namespace {

using store::Utf16;

struct Call {
    enum Kind {
        kCreate,
        kWrite,
        kFlush,
        kSetEnd,
        kClose,
        kMove,
        kDelete,
        kMakeDirectory,
        kSetAttributes
    } kind;
    std::wstring path;  // lower case, "/" separators, no leading "./"
    std::wstring to;
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD flags = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD size = 0;
    DWORD result = 0;
};

std::wstring Folded(const std::wstring& path) {
    std::wstring out;
    for (wchar_t c : path) {
        out += c == L'\\' ? L'/' : static_cast<wchar_t>(towlower(c));
    }
    while (out.rfind(L"./", 0) == 0) {
        out.erase(0, 2);
    }
    return out;
}

// The system's calls, each recorded after it is made.
class Recorder final : public win::FileCalls {
  public:
    std::vector<Call> calls;

    DWORD Create(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                 HANDLE& file) override {
        const DWORD r = FileCalls::Create(path, access, share, disposition, file);
        calls.push_back({Call::kCreate,
                         Folded(path),
                         {},
                         access,
                         share,
                         disposition,
                         0,
                         r == 0 ? file : INVALID_HANDLE_VALUE,
                         0,
                         r});
        return r;
    }
    DWORD Write(HANDLE file, const char* bytes, DWORD size, DWORD& written) override {
        const DWORD r = FileCalls::Write(file, bytes, size, written);
        Add(Call::kWrite, file, r).size = size;
        return r;
    }
    DWORD Flush(HANDLE file) override {
        return Add(Call::kFlush, file, FileCalls::Flush(file)).result;
    }
    DWORD SetEnd(HANDLE file) override {
        return Add(Call::kSetEnd, file, FileCalls::SetEnd(file)).result;
    }
    DWORD Close(HANDLE file) override {
        return Add(Call::kClose, file, FileCalls::Close(file)).result;
    }
    DWORD Move(const std::wstring& from, const std::wstring& to, DWORD flags) override {
        const DWORD r = FileCalls::Move(from, to, flags);
        calls.push_back(
            {Call::kMove, Folded(from), Folded(to), 0, 0, 0, flags, INVALID_HANDLE_VALUE, 0, r});
        return r;
    }
    DWORD Delete(const std::wstring& path) override {
        const DWORD r = FileCalls::Delete(path);
        calls.push_back({Call::kDelete, Folded(path), {}, 0, 0, 0, 0, INVALID_HANDLE_VALUE, 0, r});
        return r;
    }
    DWORD MakeDirectory(const std::wstring& path) override {
        const DWORD r = FileCalls::MakeDirectory(path);
        calls.push_back(
            {Call::kMakeDirectory, Folded(path), {}, 0, 0, 0, 0, INVALID_HANDLE_VALUE, 0, r});
        return r;
    }
    DWORD SetAttributes(const std::wstring& path, DWORD attributes) override {
        const DWORD r = FileCalls::SetAttributes(path, attributes);
        calls.push_back({Call::kSetAttributes,
                         Folded(path),
                         {},
                         0,
                         0,
                         0,
                         attributes,
                         INVALID_HANDLE_VALUE,
                         0,
                         r});
        return r;
    }

  private:
    Call& Add(Call::Kind kind, HANDLE file, DWORD result) {
        calls.push_back({kind, {}, {}, 0, 0, 0, 0, file, 0, result});
        return calls.back();
    }
};

bool EndsWith(const std::wstring& s, const std::wstring& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::string Narrow(const std::wstring& s) {
    return std::string(s.begin(), s.end());
}

// Every way the calls depart from what the disk in memory assumes, one line each.
std::vector<std::string> Breaches(const std::vector<Call>& calls) {
    struct Open {
        std::wstring path;
        DWORD access = 0;
        DWORD disposition = 0;
        bool unflushed = false;  // written since last flushed
        bool written = false;
        bool endSet = false;
    };
    std::map<HANDLE, Open> open;
    std::map<std::wstring, bool> closedUnflushed;  // by path, for the files written here
    std::vector<std::string> out;
    const auto breach = [&](std::size_t i, const std::string& what) {
        out.push_back("call " + std::to_string(i) + ": " + what);
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& c = calls[i];
        const std::string path = Narrow(c.path);
        switch (c.kind) {
            case Call::kCreate: {
                if (c.result != 0) {
                    break;
                }
                const bool writes = (c.access & GENERIC_WRITE) != 0;
                if (c.disposition == CREATE_ALWAYS) {
                    if (!EndsWith(c.path, L".saving") || c.share != 0) {
                        breach(i, "a file made other than as an unshared temporary: " + path);
                    }
                } else if (c.disposition != OPEN_EXISTING) {
                    breach(i, "an open the model does not know: " + path);
                } else if (writes && c.path != L"settings.dat" && c.access != GENERIC_WRITE) {
                    breach(i, "an existing file opened to be written in place: " + path);
                }
                open[c.file] = {c.path, c.access, c.disposition};
                break;
            }
            case Call::kWrite: {
                const auto found = open.find(c.file);
                if (found == open.end()) {
                    breach(i, "a write through a handle not opened here");
                    break;
                }
                Open& o = found->second;
                const bool inPlace = o.disposition == OPEN_EXISTING;
                if (inPlace && o.path != L"settings.dat") {
                    breach(i, "written in place: " + Narrow(o.path));
                }
                if (o.disposition == OPEN_EXISTING && (o.access & GENERIC_READ) == 0) {
                    breach(i, "written through the probe: " + Narrow(o.path));
                }
                o.unflushed = true;
                o.written = true;
                break;
            }
            case Call::kSetEnd: {
                const auto found = open.find(c.file);
                if (found == open.end() || found->second.disposition != OPEN_EXISTING) {
                    breach(i, "an end set where nothing is written in place");
                } else {
                    found->second.endSet = true;
                }
                break;
            }
            case Call::kFlush: {
                const auto found = open.find(c.file);
                if (found != open.end()) {
                    found->second.unflushed = false;
                }
                break;
            }
            case Call::kClose: {
                const auto found = open.find(c.file);
                if (found == open.end()) {
                    breach(i, "a handle closed that was not opened here");
                    break;
                }
                const Open& o = found->second;
                if (o.unflushed) {
                    breach(i, "closed with data not flushed: " + Narrow(o.path));
                }
                if (o.written && o.disposition == OPEN_EXISTING && !o.endSet) {
                    breach(i, "written in place without its end set: " + Narrow(o.path));
                }
                if (o.written || o.disposition == CREATE_ALWAYS) {
                    closedUnflushed[o.path] = o.unflushed;
                }
                open.erase(found);
                break;
            }
            case Call::kMove: {
                if ((c.flags & MOVEFILE_WRITE_THROUGH) == 0) {
                    breach(i, "a move not written through: " + path);
                }
                if ((c.flags & ~DWORD{MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING}) != 0) {
                    breach(i, "a move with flags the model does not know: " + path);
                }
                for (const auto& [handle, o] : open) {
                    if (o.path == c.path && o.written) {
                        breach(i, "moved while still open for writing: " + path);
                    }
                }
                const auto written = closedUnflushed.find(c.path);
                if (written != closedUnflushed.end() && written->second) {
                    breach(i, "moved with data not flushed: " + path);
                }
                if (EndsWith(c.path, L".saving") &&
                    (written == closedUnflushed.end() || c.to + L".saving" != c.path ||
                     (c.flags & MOVEFILE_REPLACE_EXISTING) == 0)) {
                    breach(i, "a temporary file moved other than over its own target: " + path);
                }
                if (c.result == 0 && written != closedUnflushed.end()) {
                    closedUnflushed[c.to] = written->second;
                    closedUnflushed.erase(written);
                }
                break;
            }
            case Call::kDelete:
            case Call::kMakeDirectory:
                break;
            case Call::kSetAttributes:
                if (c.flags != FILE_ATTRIBUTE_NORMAL || !EndsWith(c.path, L".saving")) {
                    breach(i, "attributes changed on " + path);
                }
                break;
        }
    }
    for (const auto& [handle, o] : open) {
        if (o.written) {
            out.push_back("left open for writing: " + Narrow(o.path));
        }
    }
    return out;
}

void WriteRaw(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

std::string ReadRaw(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class FileCallsRecorded : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch_.ok()); }

    // Runs one operation with the calls recorded; checks them and gives them back.
    template <typename F>
    std::vector<Call> Recorded(const std::string& what, F&& operation) {
        Recorder recorder;
        {
            win::UsingFileCalls using_(recorder);
            operation();
        }
        SCOPED_TRACE(what);
        for (const std::string& line : Breaches(recorder.calls)) {
            ADD_FAILURE() << line;
        }
        return recorder.calls;
    }

    // The moves that landed, as "from > to".
    static std::set<std::wstring> Moves(const std::vector<Call>& calls) {
        std::set<std::wstring> out;
        for (const Call& c : calls) {
            if (c.kind == Call::kMove && c.result == 0) {
                out.insert(c.path + L" > " + c.to);
            }
        }
        return out;
    }
    static bool Has(const std::vector<Call>& calls, Call::Kind kind, const std::wstring& path) {
        for (const Call& c : calls) {
            if (c.kind == kind && c.path == path && c.result == 0) {
                return true;
            }
        }
        return false;
    }
    // The temporary file's bytes reached the target through a flushed file and a move.
    static void ExpectReplaced(const std::vector<Call>& calls, const std::wstring& target) {
        EXPECT_TRUE(Moves(calls).count(target + L".saving > " + target))
            << Narrow(target) << " replaced through its temporary file";
    }

    struct Program {
        Program() : notebook(win::Disk(), win::StoreEncodings(), view, [this] { return now; }) {}
        FakeView view;
        std::uint64_t now = 10000;
        notebook::Notebook notebook;
    };

    ScratchDir scratch_;
};

TEST_F(FileCallsRecorded, EveryStoreOperationKeepsToTheModelsContract) {
    WriteRaw(L"readme.txt", "about the program");
    auto program = std::make_unique<Program>();
    Program& p = *program;

    auto calls = Recorded("the first run", [&] {
        p.notebook.Start();
        p.notebook.SaveAll();
    });
    ExpectReplaced(calls, L"strings/tabs.txt");
    ExpectReplaced(calls, L"settings.dat");
    EXPECT_TRUE(Has(calls, Call::kMakeDirectory, L"strings"));

    calls = Recorded("a page saved while typing", [&] {
        p.view.Type(QB_TEXT("typed → text"));
        p.notebook.PageEdited();
        p.now += 1500;
        p.notebook.SaveInBackground(false);
    });
    ExpectReplaced(calls, L"strings/tab1.txt");

    calls = Recorded("New", [&] { p.notebook.AddPage(QB_TEXT("C")); });
    ExpectReplaced(calls, L"strings/tabs.txt");
    p.view.Type(QB_TEXT("page of C"));
    calls = Recorded("Rename and a tab switch", [&] {
        p.notebook.RenamePage(2, QB_TEXT("C2"));
        p.notebook.LeavePage();
        p.view.Click(0);
        p.notebook.PageSelected();
    });
    ExpectReplaced(calls, L"strings/tab2.txt");

    calls = Recorded("a close with its journal", [&] { p.notebook.ClosePage(1); });
    ExpectReplaced(calls, L"strings/tabs.txt.closing");
    EXPECT_TRUE(Moves(calls).count(L"strings/tab1.txt > strings/tab1.txt.removed"));
    EXPECT_TRUE(Moves(calls).count(L"strings/tab2.txt > strings/tab1.txt"));
    EXPECT_TRUE(Has(calls, Call::kDelete, L"strings/tabs.txt.closing"));
    EXPECT_EQ(p.view.TabCaptions(), (std::vector<Utf16>{QB_TEXT("Main"), QB_TEXT("C2")}));

    {
        // Another program holds the settings open, sharing them: the move over them is refused,
        // and they are written in place.
        win::UniqueHandle other(CreateFileW(L"settings.dat", GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(other.valid());
        p.view.place = {11, 22, 333, 244, 200};
        calls = Recorded("the settings while another program holds them",
                         [&] { p.notebook.SettingsChanged(); });
        EXPECT_TRUE(Has(calls, Call::kSetEnd, L"")) << "written in place";
    }
    EXPECT_EQ(ReadRaw(L"settings.dat").substr(0, 4), std::string("\x0b\0\0\0", 4));

    // A sync engine's conflict copy, and a page no tab owns where a new tab goes.
    WriteRaw(L"Strings\\Tab0.sync-conflict-20261208-220327-HNP2OSX.txt", "their text");
    calls = Recorded("a conflict copy taken", [&] { p.notebook.StoreChanged(); });
    EXPECT_TRUE(
        Has(calls, Call::kDelete, L"strings/tab0.sync-conflict-20261208-220327-hnp2osx.txt"));
    WriteRaw(L"Strings\\Tab3.txt", "left by an earlier version");
    calls = Recorded("a page no tab owns set aside", [&] { p.notebook.AddPage(QB_TEXT("D")); });
    EXPECT_TRUE(Moves(calls).count(L"strings/tab3.txt > strings/tab3.txt.original"));

    // (The settings are written only when they changed: the window was moved.)
    p.view.place = {30, 40, 500, 300, 200};
    calls = Recorded("Exit", [&] { p.notebook.SaveAll(); });
    ExpectReplaced(calls, L"settings.dat");
    program.reset();

    // A page cut at a NUL, edited: its original is kept before it is written over.
    WriteRaw(L"Strings\\Tab1.txt", std::string("shown\0hidden", 12));
    auto again = std::make_unique<Program>();
    again->view.place = {60, 60, 433, 202, 240};
    again->notebook.Start();
    again->view.Click(1);
    again->notebook.PageSelected();
    again->view.Type(QB_TEXT("shown and more"));
    calls = Recorded("an original kept", [&] { again->notebook.LeavePage(); });
    ExpectReplaced(calls, L"strings/tab1.txt.original");
    ExpectReplaced(calls, L"strings/tab1.txt");
    again.reset();

    // A close cut short after its journal and its first move: the next start finishes it.
    store::CloseRecord record;
    record.index = 0;
    record.hadPage = true;
    record.moves = {{1, 0}, {2, 1}, {3, 2}};
    const std::string before = ReadRaw(L"Strings\\Tabs.txt");
    record.tabListBefore = before;
    record.tabList = before.substr(before.find("\r\n") + 2);
    WriteRaw(L"Strings\\Tabs.txt.closing", store::EncodeCloseRecord(record));
    ASSERT_TRUE(MoveFileW(L"Strings\\Tab0.txt", L"Strings\\Tab0.txt.removed"));
    Program last;
    calls = Recorded("an interrupted close finished", [&] { last.notebook.Start(); });
    EXPECT_TRUE(last.view.errors().empty());
    EXPECT_TRUE(Moves(calls).count(L"strings/tab1.txt > strings/tab0.txt"));
    ExpectReplaced(calls, L"strings/tabs.txt");
    EXPECT_EQ(last.view.TabCount(), 3);
}

// The check itself: a temporary file moved before its data is flushed, or a move not written
// through, is told.
TEST_F(FileCallsRecorded, ContractCheckTellsAnUnflushedMoveAndOneNotWrittenThrough) {
    const HANDLE h = reinterpret_cast<HANDLE>(0x40);
    std::vector<Call> calls = {
        {Call::kCreate, L"a.saving", {}, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0, h},
        {Call::kWrite, {}, {}, 0, 0, 0, 0, h, 3},
        {Call::kClose, {}, {}, 0, 0, 0, 0, h},
        {Call::kMove, L"a.saving", L"a", 0, 0, 0,
         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH},
    };
    EXPECT_EQ(Breaches(calls).size(), 2u) << "closed and moved unflushed";
    calls.insert(calls.begin() + 2, {Call::kFlush, {}, {}, 0, 0, 0, 0, h});
    EXPECT_TRUE(Breaches(calls).empty());
    calls.back().flags = MOVEFILE_REPLACE_EXISTING;
    EXPECT_EQ(Breaches(calls).size(), 1u);
}

}  // namespace
}  // namespace qb::test
