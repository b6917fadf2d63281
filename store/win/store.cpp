#include "store/win/store.h"

#include <windows.h>

#include "store/pure/close_record.h"
#include "store/pure/error.h"
#include "store/pure/linebreaks.h"
#include "store/pure/messages.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"
#include "store/win/code_page.h"
#include "store/win/file.h"
#include "store/win/test_hooks.h"

namespace qb::store {

namespace {

[[noreturn]] void ThrowIoError(DWORD code) {
    throw IoError(IoErrorText(code), code);
}

}  // namespace

void EnsureStoreDirectory() {
    if (win::DirectoryExists(kStoreDirectory)) {
        return;
    }
    if (!CreateDirectoryW(std::wstring(kStoreDirectory).c_str(), nullptr)) {
        ThrowIoError(GetLastError());
    }
}

void SavePage(int index, std::string_view bytes) {
    win::WriteWholeFile(PageFileName(index), bytes);
}

std::optional<std::string> LoadPage(int index) {
    const std::wstring name = PageFileName(index);
    if (!win::FileExists(name)) {
        return std::nullopt;
    }
    return LoadTextFile(name);
}

std::string LoadTextFile(std::wstring_view path) {
    return NormaliseStoredLineBreaks(win::ReadWholeFile(path), win::StoreEncodings());
}

std::optional<StoredText> LoadPageText(int index) {
    const auto bytes = LoadPage(index);
    if (!bytes) {
        return std::nullopt;
    }
    return DecodeStoredText(*bytes, win::StoreEncodings());
}

StoredText LoadTextFileText(std::wstring_view path) {
    return DecodeStoredText(LoadTextFile(path), win::StoreEncodings());
}

TextForm SavePageText(int index, Utf16View text, TextForm form) {
    EncodedText file = EncodeStoredText(text, form, win::StoreEncodings());
    SavePage(index, file.bytes);
    return file.form;
}

bool TabListExists() {
    return win::FileExists(kTabListReadPath);
}

void SaveTabList(const std::vector<std::string>& captions) {
    SaveTabListBytes(JoinTabList(captions));
}

void SaveTabListBytes(std::string_view bytes) {
    win::WriteWholeFile(kTabListWritePath, bytes);
}

std::string ReadTabListBytes() {
    return win::ReadWholeFile(kTabListReadPath);
}

StoredText LoadTabListText() {
    return DecodeStoredText(ReadTabListBytes(), win::StoreEncodings());
}

EncodedText EncodeTabList(const std::vector<Utf16>& captions, TextForm form) {
    return EncodeStoredText(JoinTabListText(captions), form, win::StoreEncodings());
}

bool PageExists(int index) {
    return win::FileExists(PageFileName(index));
}

namespace {

[[noreturn]] void ThrowMoveError(const std::wstring& from, const std::wstring& to, DWORD code) {
    throw Error(
        CannotMoveFileText(win::FullPath(from), win::FullPath(to), win::SystemErrorText(code)));
}

void Move(const std::wstring& from, const std::wstring& to) {
    if (!MoveFileW(from.c_str(), to.c_str())) {
        ThrowMoveError(from, to, GetLastError());
    }
}

// The page files' part of a close: the closed page set aside, then every later page moved down
// one number. Either all of it is done, or a failure moves everything back and is raised: a page
// left behind would be shown and saved as its neighbour's.
class Renumbering {
  public:
    explicit Renumbering(const CloseRecord& record)
        : record_(record),
          closed_(PageFileName(record.index)),
          aside_(RemovedPageFileFor(record.index)) {}

    void Run() {
        try {
            if (record_.hadPage) {
                if (!MoveFileExW(closed_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                    ThrowMoveError(closed_, aside_, GetLastError());
                }
                setAside_ = true;
                hooks::CrashPoint();
            }
            for (const auto& move : record_.moves) {
                Move(PageFileName(move.from), PageFileName(move.to));
                ++done_;
                hooks::CrashPoint();
            }
        } catch (const Error&) {
            Undo();
            throw;
        }
    }

    // Moves everything back; true when all of it went back.
    bool Undo() {
        bool whole = true;
        for (; done_ > 0; --done_) {
            const auto& move = record_.moves[done_ - 1];
            whole =
                MoveFileW(PageFileName(move.to).c_str(), PageFileName(move.from).c_str()) && whole;
        }
        if (setAside_) {
            whole = MoveFileW(aside_.c_str(), closed_.c_str()) && whole;
            setAside_ = false;
        }
        return whole;
    }

    // The closed page goes for good.
    void Finish() {
        if (setAside_) {
            DeleteFileW(aside_.c_str());
        }
    }

  private:
    const CloseRecord& record_;
    const std::wstring closed_;
    const std::wstring aside_;
    std::size_t done_ = 0;
    bool setAside_ = false;
};

CloseRecord PlanClose(int i, int n, std::string_view newTabList) {
    CloseRecord record;
    record.index = i;
    record.hadPage = PageExists(i);
    record.moves = PlanPageMoves(i, n, PageExists);
    record.tabList = std::string(newTabList);
    return record;
}

void DeleteCloseRecord() {
    DeleteFileW(std::wstring(kCloseRecordPath).c_str());
}

}  // namespace

std::wstring KeepUnownedPage(int index) {
    const std::wstring page = PageFileName(index);
    const std::wstring kept = page + L".original";
    for (int n = 1;; ++n) {
        const std::wstring name = n == 1 ? kept : kept + std::to_wstring(n);
        if (MoveFileW(page.c_str(), name.c_str())) {
            return name;
        }
        const DWORD code = GetLastError();
        if ((code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) || n == 1000) {
            ThrowMoveError(page, name, code);
        }
    }
}

void RemovePageFiles(int i, int n) {
    const CloseRecord record = PlanClose(i, n, {});
    Renumbering renumbering(record);
    renumbering.Run();
    renumbering.Finish();
}

void CloseTab(int i, int n, std::string_view newTabList) {
    // Written before the first file moves and removed after the last, the record lets the next
    // start finish a close that a crash cut short (FinishInterruptedClose).
    const CloseRecord record = PlanClose(i, n, newTabList);
    win::WriteWholeFile(kCloseRecordPath, EncodeCloseRecord(record));
    hooks::CrashPoint();
    Renumbering renumbering(record);
    try {
        renumbering.Run();
        win::WriteWholeFile(kTabListWritePath, newTabList);
        hooks::CrashPoint();
    } catch (const Error&) {
        // Everything back as it was: the close did not happen. Should something stay moved, the
        // record stays too, and the next start finishes the close.
        if (renumbering.Undo()) {
            DeleteCloseRecord();
        }
        throw;
    }
    renumbering.Finish();
    hooks::CrashPoint();
    DeleteCloseRecord();
}

bool FinishInterruptedClose() {
    const std::wstring recordPath(kCloseRecordPath);
    if (!win::FileExists(recordPath)) {
        return false;
    }
    const auto record = DecodeCloseRecord(win::ReadWholeFile(recordPath));
    if (!record) {
        throw Error(DamagedCloseRecordText(win::FullPath(recordPath)));
    }
    // The close got as far as the new tab list, or not. Before it, each step is done or not by
    // what is on disk: the closed page is aside once its place is free or taken by the next
    // page, and a move is done once its page has left its old number.
    const bool listWritten = TabListExists() && ReadTabListBytes() == record->tabList;
    if (!listWritten) {
        const std::wstring closed = PageFileName(record->index);
        const std::wstring aside = RemovedPageFileFor(record->index);
        if (record->hadPage && !win::FileExists(aside)) {
            Move(closed, aside);
        }
        for (const auto& move : record->moves) {
            const std::wstring from = PageFileName(move.from);
            const std::wstring to = PageFileName(move.to);
            if (win::FileExists(from) && !win::FileExists(to)) {
                Move(from, to);
            }
        }
        win::WriteWholeFile(kTabListWritePath, record->tabList);
    }
    DeleteFileW(RemovedPageFileFor(record->index).c_str());
    DeleteCloseRecord();
    return true;
}

bool SettingsExist() {
    return win::FileExists(kSettingsPath);
}

Settings ReadSettings() {
    win::UniqueHandle file(CreateFileW(std::wstring(kSettingsPath).c_str(),
                                       GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        ThrowIoError(GetLastError());
    }
    // The six records, as far as the file holds them; a read that fails gives its own code, a
    // file shorter than six records "Read beyond end of file".
    char bytes[kSettingsFileBytes] = {};
    DWORD have = 0;
    while (have < sizeof bytes) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes + have, sizeof bytes - have, &got, nullptr)) {
            ThrowIoError(GetLastError());
        }
        if (got == 0) {
            break;
        }
        have += got;
    }
    const SettingsRead read = DecodeSettingsFile(std::string_view(bytes, have));
    if (!read.ok()) {
        ThrowIoError(read.failure);
    }
    if (!file.close()) {
        ThrowIoError(GetLastError());
    }
    return read.settings;
}

void WriteSettings(const Settings& settings) {
    const auto bytes = EncodeSettings(settings);
    const std::string_view record(bytes.data(), bytes.size());
    if (const DWORD code =
            win::ReplaceWholeFile(kSettingsPath, record, FILE_SHARE_READ | FILE_SHARE_WRITE)) {
        ThrowIoError(code);
    }
}

}  // namespace qb::store
