#include "notebook/store.h"

#include "notebook/test_hooks.h"
#include "store/pure/linebreaks.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"

namespace qb::notebook {

namespace {

[[noreturn]] void ThrowIoError(ErrorCode code) {
    throw IoError(IoErrorText(code), code);
}

// Names beside a file under which a copy of it is kept: "<name>.original", then with 2, 3, ...
std::wstring KeptName(std::wstring_view path, int n) {
    std::wstring name = std::wstring(path) + L".original";
    return n == 1 ? name : name + std::to_wstring(n);
}

constexpr int kMostKeptNames = 1000;

}  // namespace

Store::Store(FileSystem& files, const store::Encodings& encodings)
    : files_(files), encodings_(encodings) {}

template <typename F>
ErrorCode Store::Patiently(F&& call) {
    ErrorCode code = call();
    for (std::uint32_t waited = 0;
         patient_ && waited < kPatienceMs &&
         (code == codes::kSharingViolation || code == codes::kAccessDenied);
         waited += kRetryMs) {
        files_.Wait(kRetryMs);
        code = call();
    }
    return code;
}

void Store::ThrowFileError(bool creating, std::wstring_view path, ErrorCode code) {
    const std::wstring full = files_.FullPath(path);
    const std::wstring system = files_.ErrorText(code);
    throw Error(creating ? CannotCreateFileText(full, system) : CannotOpenFileText(full, system));
}

std::string Store::ReadWholeFile(std::wstring_view path) {
    std::string bytes;
    if (const ErrorCode code = Patiently([&] { return files_.Read(path, bytes, false); })) {
        ThrowFileError(false, path, code);
    }
    return bytes;
}

void Store::WriteWholeFile(std::wstring_view path, std::string_view bytes) {
    if (const ErrorCode code = Patiently([&] { return files_.Replace(path, bytes, false); })) {
        ThrowFileError(true, path, code);
    }
}

void Store::Move(const std::wstring& from, const std::wstring& to, bool replace) {
    if (const ErrorCode code = Patiently([&] { return files_.Move(from, to, replace); })) {
        throw Error(
            CannotMoveFileText(files_.FullPath(from), files_.FullPath(to), files_.ErrorText(code)));
    }
}

void Store::EnsureDirectory() {
    if (files_.IsDirectory(store::kStoreDirectory)) {
        return;
    }
    if (const ErrorCode code = files_.MakeDirectory(store::kStoreDirectory)) {
        ThrowIoError(code);
    }
}

void Store::SavePage(int index, std::string_view bytes) {
    WriteWholeFile(store::PageFileName(index), bytes);
}

std::optional<std::string> Store::LoadPage(int index) {
    const std::wstring name = store::PageFileName(index);
    if (!files_.IsFile(name)) {
        return std::nullopt;
    }
    return LoadTextFile(name);
}

std::string Store::LoadTextFile(std::wstring_view path) {
    return store::NormaliseStoredLineBreaks(ReadWholeFile(path), encodings_);
}

bool Store::PageExists(int index) {
    return files_.IsFile(store::PageFileName(index));
}

std::optional<store::StoredText> Store::LoadPageText(int index) {
    const auto bytes = LoadPage(index);
    if (!bytes) {
        return std::nullopt;
    }
    return store::DecodeStoredText(*bytes, encodings_);
}

std::optional<std::string> Store::ReadPage(int index) {
    const std::wstring name = store::PageFileName(index);
    if (!files_.IsFile(name)) {
        return std::nullopt;
    }
    return ReadWholeFile(name);
}

store::StoredText Store::DecodePage(std::string_view bytes) const {
    return store::DecodeStoredText(store::NormaliseStoredLineBreaks(bytes, encodings_), encodings_);
}

std::optional<std::string> Store::TryRead(std::wstring_view path) {
    std::string bytes;
    if (!files_.IsFile(path) || files_.Read(path, bytes, false) != 0) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<store::Fingerprint> Store::FingerprintOf(std::wstring_view path) {
    if (!files_.IsFile(path)) {
        return store::FingerprintOf(std::nullopt);
    }
    if (files_.Read(path, scratch_, false) != 0) {
        return std::nullopt;
    }
    return store::FingerprintOf(std::string_view(scratch_));
}

std::vector<std::wstring> Store::FileNames() {
    return files_.List(store::kStoreDirectory);
}

bool Store::Remove(std::wstring_view path) {
    return Patiently([&] { return files_.Delete(path); }) == 0;
}

store::StoredText Store::LoadTextFileText(std::wstring_view path) {
    return store::DecodeStoredText(LoadTextFile(path), encodings_);
}

store::EncodedText Store::SavePageText(int index, store::Utf16View text, store::TextForm form) {
    store::EncodedText file = store::EncodeStoredText(text, form, encodings_);
    SavePage(index, file.bytes);
    return file;
}

bool Store::TabListExists() {
    return files_.IsFile(store::kTabListReadPath);
}

std::string Store::ReadTabListBytes() {
    return ReadWholeFile(store::kTabListReadPath);
}

store::StoredText Store::LoadTabListText() {
    return store::DecodeStoredText(ReadTabListBytes(), encodings_);
}

store::EncodedText Store::EncodeTabList(const std::vector<store::Utf16>& captions,
                                        store::TextForm form) {
    return store::EncodeStoredText(store::JoinTabListText(captions), form, encodings_);
}

void Store::SaveTabListBytes(std::string_view bytes) {
    WriteWholeFile(store::kTabListWritePath, bytes);
}

void Store::SaveTabList(const std::vector<std::string>& captions) {
    SaveTabListBytes(store::JoinTabList(captions));
}

std::wstring Store::KeepUnownedPage(int index) {
    const std::wstring page = store::PageFileName(index);
    for (int n = 1;; ++n) {
        const std::wstring name = KeptName(page, n);
        const ErrorCode code = files_.Move(page, name, false);
        if (code == 0) {
            return name;
        }
        if ((code != codes::kAlreadyExists && code != codes::kFileExists) || n == kMostKeptNames) {
            throw Error(CannotMoveFileText(files_.FullPath(page), files_.FullPath(name),
                                           files_.ErrorText(code)));
        }
    }
}

std::wstring Store::KeepOriginal(std::wstring_view path) {
    if (!files_.IsFile(path)) {
        return {};  // nothing there to keep
    }
    const std::string bytes = ReadWholeFile(path);
    for (int n = 1; n <= kMostKeptNames; ++n) {
        const std::wstring name = KeptName(path, n);
        if (!files_.IsFile(name)) {
            WriteWholeFile(name, bytes);
            return name;
        }
        std::string kept;
        if (files_.Read(name, kept, false) == 0 && kept == bytes) {
            return name;  // kept already
        }
        // An earlier original, kept as it is.
    }
    ThrowFileError(true, KeptName(path, kMostKeptNames + 1), codes::kFileExists);
}

bool Store::SettingsExist() {
    return files_.IsFile(store::kSettingsPath);
}

store::Settings Store::ReadSettings() {
    // Opened for reading and writing, shared with others who do the same; the six records as
    // far as the file holds them, a file shorter than six records "Read beyond end of file".
    std::string bytes;
    if (const ErrorCode code =
            Patiently([&] { return files_.Read(store::kSettingsPath, bytes, true); })) {
        ThrowIoError(code);
    }
    const store::SettingsRead read = store::DecodeSettingsFile(bytes);
    if (!read.ok()) {
        ThrowIoError(read.failure);
    }
    return read.settings;
}

void Store::WriteSettings(const store::Settings& settings) {
    const auto bytes = store::EncodeSettings(settings);
    if (const ErrorCode code = Patiently([&] {
            return files_.Replace(store::kSettingsPath,
                                  std::string_view(bytes.data(), bytes.size()), true);
        })) {
        ThrowIoError(code);
    }
}

// ---- Closing a page ----

namespace {

// The page files' part of a close: the closed page set aside, then every later page moved down
// one number, each move written through. Run stops at the first failure; Undo then moves back
// what was moved, and tells whether all of it went back: a page left behind would be shown and
// saved as its neighbour's.
class Renumbering {
  public:
    Renumbering(Store& store, const store::CloseRecord& record)
        : store_(store),
          record_(record),
          closed_(store::PageFileName(record.index)),
          aside_(store::RemovedPageFileFor(record.index)) {}

    void Run() {
        if (record_.hadPage) {
            store_.Move(closed_, aside_, true);
            setAside_ = true;
            hooks::CrashPoint();
        }
        for (const auto& move : record_.moves) {
            store_.Move(store::PageFileName(move.from), store::PageFileName(move.to));
            ++done_;
            hooks::CrashPoint();
        }
    }

    bool Undo() {
        bool whole = true;
        for (; done_ > 0; --done_) {
            const auto& move = record_.moves[done_ - 1];
            whole = store_.files().Move(store::PageFileName(move.to),
                                        store::PageFileName(move.from), false) == 0 &&
                    whole;
        }
        if (setAside_) {
            whole = store_.files().Move(aside_, closed_, false) == 0 && whole;
            setAside_ = false;
        }
        return whole;
    }

    // The closed page goes for good. A page left aside is harmless: the next close removes it
    // before it begins.
    void Finish() {
        if (setAside_) {
            store_.files().Delete(aside_);
        }
    }

  private:
    Store& store_;
    const store::CloseRecord& record_;
    const std::wstring closed_;
    const std::wstring aside_;
    std::size_t done_ = 0;
    bool setAside_ = false;
};

}  // namespace

store::CloseRecord Store::PlanClose(int i, int n, std::string_view listAfter) {
    store::CloseRecord record;
    record.index = i;
    record.hadPage = PageExists(i);
    record.moves = store::PlanPageMoves(i, n, [this](int k) { return PageExists(k); });
    record.tabList = std::string(listAfter);
    // The list as it is stored now tells a later start whether the close is still under way;
    // where it cannot be read, the start goes by the list after the close alone.
    std::string before;
    if (TabListExists() && files_.Read(store::kTabListReadPath, before, false) == 0) {
        record.tabListBefore = std::move(before);
    }
    return record;
}

void Store::RemovePageFiles(int i, int n) {
    const store::CloseRecord record = PlanClose(i, n, {});
    Renumbering renumbering(*this, record);
    try {
        renumbering.Run();
    } catch (const Error&) {
        renumbering.Undo();
        throw;
    }
    renumbering.Finish();
}

void Store::RemoveLeftover(const std::wstring& path, const wchar_t* what) {
    if (!files_.IsFile(path)) {
        return;
    }
    if (const ErrorCode code = Patiently([&] { return files_.Delete(path); })) {
        throw Error(L"Cannot delete " + std::wstring(what) + L" of an earlier tab close \"" +
                    files_.FullPath(path) + L"\". " + files_.ErrorText(code));
    }
}

void Store::RemoveLeftoverCloseRecord() {
    RemoveLeftover(std::wstring(store::kCloseRecordPath), L"the record");
}

void Store::CloseTab(int i, int n, std::string_view listAfter) {
    // What an earlier close left behind would be taken for a part of this one.
    RemoveLeftoverCloseRecord();
    RemoveLeftover(store::RemovedPageFileFor(i), L"the page");
    // Written before the first file moves and removed after the last, the journal lets the
    // next start finish a close that a crash cut short (FinishInterruptedClose).
    const store::CloseRecord record = PlanClose(i, n, listAfter);
    const std::wstring journal(store::kCloseRecordPath);
    WriteWholeFile(journal, store::EncodeCloseRecord(record));
    hooks::CrashPoint();
    Renumbering renumbering(*this, record);
    try {
        renumbering.Run();
        WriteWholeFile(store::kTabListWritePath, listAfter);
        hooks::CrashPoint();
    } catch (const Error& e) {
        // Everything back as it was: the close did not happen, and its journal goes. Should a
        // file stay moved, or the journal stay, the store is left to the next start, which
        // finishes the close; nothing more is written in this run.
        if (!renumbering.Undo() || files_.Delete(journal) != 0) {
            throw StoreInDoubt(e.text());
        }
        throw;
    }
    renumbering.Finish();
    hooks::CrashPoint();
    // A journal that cannot go now goes before the tab list changes again.
    files_.Delete(journal);
}

void Store::RemoveLeftoverReopenRecord() {
    RemoveLeftover(std::wstring(store::kReopenRecordPath), L"the record");
}

void Store::ReopenTab(int i, int n, const std::optional<std::string>& page,
                      std::string_view listAfter) {
    RemoveLeftoverReopenRecord();
    store::ReopenRecord record;
    record.index = i;
    record.moves = store::PlanRoomForPage(i, n, [this](int k) { return PageExists(k); });
    record.page = page;
    record.tabList = std::string(listAfter);
    std::string before;
    if (TabListExists() && files_.Read(store::kTabListReadPath, before, false) == 0) {
        record.tabListBefore = std::move(before);
    }
    const std::wstring journal(store::kReopenRecordPath);
    WriteWholeFile(journal, store::EncodeReopenRecord(record));
    hooks::CrashPoint();
    std::size_t done = 0;
    try {
        for (const auto& move : record.moves) {
            Move(store::PageFileName(move.from), store::PageFileName(move.to));
            ++done;
            hooks::CrashPoint();
        }
        if (page) {
            WriteWholeFile(store::PageFileName(i), *page);
            hooks::CrashPoint();
        }
        WriteWholeFile(store::kTabListWritePath, listAfter);
        hooks::CrashPoint();
    } catch (const Error& e) {
        // Everything back as it was, or left to the next start, which finishes the reopen.
        bool whole = !page || files_.Delete(store::PageFileName(i)) == 0 ||
                     !files_.IsFile(store::PageFileName(i));
        for (; done > 0; --done) {
            const auto& move = record.moves[done - 1];
            whole = files_.Move(store::PageFileName(move.to), store::PageFileName(move.from),
                                false) == 0 &&
                    whole;
        }
        if (!whole || files_.Delete(journal) != 0) {
            throw StoreInDoubt(e.text());
        }
        throw;
    }
    files_.Delete(journal);
}

bool Store::FinishInterruptedReopen() {
    const std::wstring journal(store::kReopenRecordPath);
    if (!files_.IsFile(journal)) {
        return false;
    }
    const auto record = store::DecodeReopenRecord(ReadWholeFile(journal));
    if (!record) {
        throw Error(DamagedCloseRecordText(files_.FullPath(journal)));
    }
    const bool haveList = TabListExists();
    const std::string list = haveList ? ReadTabListBytes() : std::string();
    const bool listWritten = haveList && list == record->tabList;
    const bool leftover =
        !listWritten && haveList && record->tabListBefore && list != *record->tabListBefore;
    if (!listWritten && !leftover) {
        // A move is done once its page has left its old number; the last moves first, so the
        // place of each is free when its turn comes. The reopened page goes in last.
        for (const auto& move : record->moves) {
            const std::wstring from = store::PageFileName(move.from);
            const std::wstring to = store::PageFileName(move.to);
            if (files_.IsFile(from) && !files_.IsFile(to)) {
                Move(from, to);
            }
        }
        if (record->page) {
            WriteWholeFile(store::PageFileName(record->index), *record->page);
        }
        WriteWholeFile(store::kTabListWritePath, record->tabList);
    }
    RemoveLeftoverReopenRecord();
    return true;
}

bool Store::FinishInterruptedClose() {
    const std::wstring journal(store::kCloseRecordPath);
    if (!files_.IsFile(journal)) {
        return false;
    }
    const auto record = store::DecodeCloseRecord(ReadWholeFile(journal));
    if (!record) {
        throw Error(DamagedCloseRecordText(files_.FullPath(journal)));
    }
    const bool haveList = TabListExists();
    const std::string list = haveList ? ReadTabListBytes() : std::string();
    const bool listWritten = haveList && list == record->tabList;
    // A journal whose close ended long ago, left because it could not be deleted: the store
    // has moved on since, and nothing of the close is run again.
    const bool leftover =
        !listWritten && haveList && record->tabListBefore && list != *record->tabListBefore;
    if (!listWritten && !leftover) {
        // The close got as far as the new tab list, or not. Before it, each step is done or
        // not by what is on disk: the closed page is aside once its place is free or taken by
        // the next page, and a move is done once its page has left its old number.
        const std::wstring closed = store::PageFileName(record->index);
        const std::wstring aside = store::RemovedPageFileFor(record->index);
        if (record->hadPage && !files_.IsFile(aside)) {
            Move(closed, aside);
        }
        for (const auto& move : record->moves) {
            const std::wstring from = store::PageFileName(move.from);
            const std::wstring to = store::PageFileName(move.to);
            if (files_.IsFile(from) && !files_.IsFile(to)) {
                Move(from, to);
            }
        }
        WriteWholeFile(store::kTabListWritePath, record->tabList);
    }
    files_.Delete(store::RemovedPageFileFor(record->index));
    RemoveLeftoverCloseRecord();
    return true;
}

}  // namespace qb::notebook
