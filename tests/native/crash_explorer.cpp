#include "tests/native/crash_explorer.h"
#include "store/pure/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "tests/native/code_page_1251.h"

namespace qb::test::explorer {

namespace {

// The starts after a cut are cut again, this many levels deep; the deepest level is sampled,
// one state of each step of the start above it, by a generator of this seed.
constexpr int kNestedCuts = 2;
constexpr std::uint32_t kSeed = 20261209;

// Each test samples from a sequence of its own, seeded by the seed and the test's name, so what
// a test judges does not depend on which tests ran before it in the same process.
std::mt19937& Sampler() {
    static std::mt19937 sampler;
    static std::string seededFor;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test ? test->name() : "";
    if (name != seededFor) {
        std::vector<std::uint32_t> words{kSeed};
        words.insert(words.end(), name.begin(), name.end());
        std::seed_seq seq(words.begin(), words.end());
        sampler.seed(seq);
        seededFor = name;
    }
    return sampler;
}

struct Account {
    long states = 0;
    long survived = 0;
    long long bytesLost = 0;
    long misplaced = 0;
    long older = 0;
    long long space = 0;  // every state, sampled or not
};
Account account;

class ReportAccount : public ::testing::Environment {
  public:
    void TearDown() override {
        if (account.states > 0) {
            std::printf(
                "power-loss states explored: %ld, survived: %ld, bytes of saved notes lost: %lld, "
                "pages under another caption: %ld, older saves: %ld\n",
                account.states, account.survived, account.bytesLost, account.misplaced,
                account.older);
            std::printf(
                "(%ld of %lld states: the cuts of each command, of the largest spaces some of "
                "each step; the starts after them cut %d levels deep, one state of each step, "
                "then one of one step; sampled with seed %u)\n",
                account.states, account.space, kNestedCuts, static_cast<unsigned>(kSeed));
        }
    }
};
const auto* const kReport = ::testing::AddGlobalTestEnvironment(new ReportAccount);

Utf16 Text(const std::string& ascii) {
    return Utf16(ascii.begin(), ascii.end());
}

const std::vector<Utf16> kDeclared = {QB_TEXT("Main")};

std::vector<Utf16> CaptionsOf(const std::string& bytes) {
    std::vector<Utf16> captions =
        store::SplitTabListText(store::DecodeStoredText(bytes, Encodings()).text);
    return captions.empty() ? kDeclared : captions;
}

// The tab lists on the disk as the run went, each with the step it came at.
struct Lists {
    std::vector<std::pair<std::vector<Utf16>, std::size_t>> versions;

    explicit Lists(const MemoryFileSystem& files) {
        for (std::size_t step = 0; step <= files.Steps(); ++step) {
            const Disk disk = files.After(step);
            const auto list = disk.files.find(L"strings/tabs.txt");
            if (list == disk.files.end()) {
                continue;
            }
            const std::vector<Utf16> captions = CaptionsOf(list->second);
            if (versions.empty() || versions.back().first != captions) {
                versions.emplace_back(captions, step);
            }
        }
    }
    // The index of the list on the disk at the step; -1 before the first.
    int Required(std::size_t step) const {
        int required = -1;
        for (std::size_t v = 0; v < versions.size(); ++v) {
            if (versions[v].second <= step) {
                required = static_cast<int>(v);
            }
        }
        return required;
    }
    // The latest index of these captions, or -1.
    int Latest(const std::vector<Utf16>& captions) const {
        for (std::size_t v = versions.size(); v-- > 0;) {
            if (versions[v].first == captions) {
                return static_cast<int>(v);
            }
        }
        return -1;
    }
};

struct Run {
    const Scenario& scenario;
    const Written& written;
    const Lists& lists;
    Ordering ordering;
};

bool Failed(int before) {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() !=
           before;
}

// The disk a start ran on, for a failure's message: each file and how its bytes begin.
std::string Describe(const Disk& disk) {
    std::string out;
    for (const auto& [name, bytes] : disk.files) {
        std::string head = bytes.substr(0, 16);
        for (char& c : head) {
            c = c >= ' ' && c < 127 ? c : '.';
        }
        out += "\n  " + std::string(name.begin(), name.end()) + ": " + head;
    }
    return out;
}

int Parts() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// Starts the program on a disk a cut left, judges what it shows, and cuts the start itself
// after each of its steps and judges the start after that, down to kNestedCuts levels.
void JudgeStart(const Run& run, std::size_t cut, const Disk& disk, int depth,
                const std::string& context) {
    SCOPED_TRACE(context);
    ++account.states;
    const int failuresBefore = Parts();
    const bool lazy = run.ordering == Ordering::Lazy;
    // The deepest start is not cut again: its steps are only counted.
    MemoryFileSystem files(disk, depth < kNestedCuts);
    Program next(files, nullptr);
    next.notebook.Start();
    EXPECT_TRUE(next.view.errors().empty())
        << "the start reports nothing; first: "
        << (next.view.errors().empty() ? "" : Error(next.view.errors()[0]).what());
    EXPECT_FALSE(files.IsFile(store::kCloseRecordPath)) << "an interrupted close is finished";
    const std::vector<Utf16> shown = next.view.TabCaptions();
    const bool firstRunAgain =
        !disk.files.count(L"settings.dat") && !disk.files.count(L"strings/tabs.txt");

    // The tab list: the one on the disk at the cut, or a later one.
    const int requiredList = run.lists.Required(cut);
    const int listVersion = run.lists.Latest(shown);
    const bool intended = std::find(run.written.intended.begin(), run.written.intended.end(),
                                    shown) != run.written.intended.end();
    if (!(run.scenario.firstRun && firstRunAgain) && !intended && listVersion < requiredList) {
        if (lazy && listVersion == requiredList - 1 && listVersion >= 0) {
            ++account.older;
        } else {
            ADD_FAILURE()
                << "a tab list older than the one written, or one never written; the disk:"
                << Describe(disk);
        }
    }

    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
        const Utf16 caption = Key(shown, i);
        const auto page = next.notebook.store().LoadPageText(i);
        const Utf16 text = page ? page->text : Utf16();
        const int required = run.written.Required(caption, cut);
        const int version = run.written.VersionOf(caption, text);
        const bool own = version >= 0 || (text.empty() && required < 0);
        if (own && version >= required) {
            continue;
        }
        // Where the disk keeps no promise for a move, the save before the last, whole.
        const bool previous = (version >= 0 && version == required - 1) ||
                              (version < 0 && text.empty() && required == 0);
        if (lazy && previous) {
            ++account.older;
            continue;
        }
        ADD_FAILURE() << "tab " << i << " (" << store::Utf16ToUtf8(caption) << ": \""
                      << store::Utf16ToUtf8(text.substr(0, 24))
                      << "\") does not show its page, or an older one; the disk:"
                      << Describe(disk);
        if (run.written.BelongsElsewhere(caption, text)) {
            ++account.misplaced;
        } else if (required >= 0) {
            account.bytesLost +=
                static_cast<long long>(Bytes(run.written.Text(caption, required)).size());
        }
    }
    const int selected = next.view.SelectedTab();
    // (The first run's About page is a new page: it is written when it is left.)
    if (selected >= 0 && !next.notebook.WritesStopped() && !firstRunAgain) {
        const auto page = next.notebook.store().LoadPageText(selected);
        const Utf16 text = page ? page->text : Utf16();
        EXPECT_TRUE(next.view.text() == text.substr(0, text.find(store::Utf16Unit(0))))
            << "the text area shows the selected tab's page";
    }
    if (!Failed(failuresBefore)) {
        ++account.survived;
    }
    if (depth >= kNestedCuts || files.Steps() == 0) {
        return;
    }
    // One state of each step of this start, chosen by the sampler; at the level above the
    // deepest, one state of one step.
    std::vector<std::vector<Disk>> left;
    for (std::size_t step = 1; step <= files.Steps(); ++step) {
        left.push_back(files.AfterCut(step, run.ordering));
        account.space += static_cast<long long>(left.back().size());
    }
    const auto judge = [&](std::size_t step) {
        std::uniform_int_distribution<std::size_t> pick(0, left[step].size() - 1);
        JudgeStart(run, cut, left[step][pick(Sampler())], depth + 1,
                   context + ", the next start cut after its step " + std::to_string(step + 1));
    };
    if (depth + 1 < kNestedCuts) {
        for (std::size_t step = 0; step < left.size(); ++step) {
            judge(step);
        }
    } else {
        judge(std::uniform_int_distribution<std::size_t>(0, left.size() - 1)(Sampler()));
    }
}

}  // namespace

Utf16 Key(const std::vector<Utf16>& captions, int index) {
    const Utf16& caption = captions.at(static_cast<std::size_t>(index));
    const auto same = std::count(captions.begin(), captions.begin() + index, caption);
    return same == 0 ? caption : caption + QB_TEXT("#") + Text(std::to_string(same));
}

const store::Encodings& Encodings() {
    return RussianSystem();
}

Utf16 PageOf(const Utf16& caption, int version) {
    Utf16 text = QB_TEXT("page of ") + caption + QB_TEXT(" v") + Text(std::to_string(version)) +
                 QB_TEXT("\r\nsecond line");
    if (!caption.empty() && caption[0] == u'C') {
        for (int line = 0; line < 40; ++line) {
            text += QB_TEXT("\r\na longer page, over two sectors of the disk, line ") +
                    Text(std::to_string(line));
        }
    }
    if (!caption.empty() && caption[0] == u'D') {
        text += QB_TEXT(" → UTF-8");
    }
    return text;
}

std::string Bytes(const Utf16& text) {
    return store::EncodeStoredText(text, store::FormOfNewFile(false), Encodings()).bytes;
}

Disk MakeDisk(const std::vector<Utf16>& captions, int selected, std::vector<int> neverSaved) {
    Disk disk;
    disk.directories.insert(L"strings");
    disk.files[L"settings.dat"] = SettingsFile(selected);
    disk.files[L"strings/tabs.txt"] = Bytes(store::JoinTabListText(captions));
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
        if (std::find(neverSaved.begin(), neverSaved.end(), i) == neverSaved.end()) {
            disk.files[FoldPath(store::PageFileName(i))] =
                Bytes(PageOf(captions[static_cast<std::size_t>(i)], 0));
        }
    }
    return disk;
}

// ---- What was written ----

Utf16 Written::Identity(const Utf16& caption) const {
    const auto same = sameAs_.find(caption);
    return same == sameAs_.end() ? caption : same->second;
}

void Written::Record(std::size_t step, const Utf16& caption, const Utf16& text) {
    auto& list = versions_[Identity(caption)];
    if (list.empty() || list.back().text != text) {
        list.push_back({text, step});
    }
}

int Written::Required(const Utf16& caption, std::size_t step) const {
    const auto found = versions_.find(Identity(caption));
    int required = -1;
    if (found != versions_.end()) {
        for (std::size_t v = 0; v < found->second.size(); ++v) {
            if (found->second[v].step <= step) {
                required = static_cast<int>(v);
            }
        }
    }
    return required;
}

int Written::VersionOf(const Utf16& caption, const Utf16& text) const {
    const auto found = versions_.find(Identity(caption));
    if (found == versions_.end()) {
        return -1;
    }
    int latest = -1;
    for (std::size_t v = 0; v < found->second.size(); ++v) {
        if (found->second[v].text == text) {
            latest = static_cast<int>(v);
        }
    }
    return latest;
}

const Utf16& Written::Text(const Utf16& caption, int version) const {
    return versions_.at(Identity(caption)).at(static_cast<std::size_t>(version)).text;
}

bool Written::BelongsElsewhere(const Utf16& caption, const Utf16& text) const {
    for (const auto& [identity, list] : versions_) {
        if (identity == Identity(caption)) {
            continue;
        }
        for (const auto& version : list) {
            if (!text.empty() && version.text == text) {
                return true;
            }
        }
    }
    return false;
}

// ---- The program ----

Program::Program(MemoryFileSystem& f, Written* w)
    : files(f), written(w), notebook(f, Encodings(), view, [this] { return now; }) {}

void Program::Outside(const std::wstring& name, const Utf16& text, const Utf16& caption) {
    ASSERT_EQ(files.Replace(name, Bytes(text), false), 0u);
    written->Record(files.Steps(), caption, text);
}

void Program::TypeAndWait(const Utf16& text) {
    view.Type(text);
    notebook.PageEdited();
    now += 1500;
    notebook.SaveInBackground(false);
}

void Program::Switch(int index) {
    notebook.LeavePage();
    view.Click(index);
    notebook.PageSelected();
}

void Program::Close(int index) {
    std::vector<Utf16> after = view.TabCaptions();
    after.erase(after.begin() + index);
    written->intended.push_back(after);
    notebook.ClosePage(index);
}

void Program::Rename(int index, const Utf16& caption) {
    written->Renamed(view.TabCaption(index), caption);
    notebook.RenamePage(index, caption);
}

// ---- The exploration ----

void Explore(const Scenario& s, Ordering ordering) {
    MemoryFileSystem files(s.disk);
    Written written;
    // The pages on the disk at the start, by the tab list there.
    const auto list = s.disk.files.find(L"strings/tabs.txt");
    if (list != s.disk.files.end()) {
        const std::vector<Utf16> captions = CaptionsOf(list->second);
        for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
            const auto page = s.disk.files.find(FoldPath(store::PageFileName(i)));
            if (page != s.disk.files.end()) {
                written.Record(0, Key(captions, i),
                               store::DecodeStoredText(page->second, Encodings()).text);
            }
        }
    }
    Program program(files, &written);
    // What is on the disk now for the tab: its page as stored, which the text area may show
    // only in part.
    program.view.onWritten = [&](int index) {
        const auto page = program.notebook.store().LoadPageText(index);
        written.Record(files.Steps(), Key(program.view.TabCaptions(), index),
                       page ? page->text : Utf16());
    };
    if (!s.firstRun) {
        program.notebook.Start();
        ASSERT_TRUE(program.view.errors().empty());
    }
    const std::size_t from = files.Steps();
    for (std::size_t c = 0; c < s.commands.size(); ++c) {
        if (s.faults) {
            s.faults(files, c);
        }
        try {
            s.commands[c].run(program);
        } catch (...) {
            // As the window's guard: the failure is shown, and the program goes on.
            program.view.ShowError(notebook::CurrentFailure());
        }
        files.fault = nullptr;
        files.failAfterMove = nullptr;
    }
    if (!s.faults) {
        ASSERT_TRUE(program.view.errors().empty()) << Error(program.view.errors()[0]).what();
    }
    if (s.after) {
        ASSERT_TRUE(program.view.TabCaptions() == *s.after) << "the commands did what they say";
    }
    const Lists lists(files);
    const Run run{s, written, lists, ordering};
    for (std::size_t step = from; step <= files.Steps(); ++step) {
        std::vector<Disk> left = files.AfterCut(step, ordering);
        account.space += static_cast<long long>(left.size());
        if (s.sample > 0 && left.size() > s.sample) {
            std::shuffle(left.begin(), left.end(), Sampler());
            left.resize(s.sample);
        }
        for (const Disk& state : left) {
            JudgeStart(run, step, state, 0, s.name + ", cut after step " + std::to_string(step));
        }
    }
}

}  // namespace qb::test::explorer
