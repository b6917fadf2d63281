// The note store on a file system: the page files, the tab list and the settings file in the
// working directory, and closing a page with its journal. It holds no state of the notes: it
// moves one page, the tab list or the settings between its caller and the disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notebook/file_system.h"
#include "store/pure/close_record.h"
#include "store/pure/error.h"
#include "store/pure/fingerprint.h"
#include "store/pure/settings_record.h"
#include "store/pure/stored_text.h"

namespace qb::notebook {

// A failure after which the page files may not be numbered as the tab list says: nothing more
// may be written in this run, and the next start finishes what was begun from its journal.
class StoreInDoubt : public Error {
  public:
    using Error::Error;
};

class Store {
  public:
    Store(FileSystem& files, const store::Encodings& encodings);

    FileSystem& files() { return files_; }
    const store::Encodings& encodings() const { return encodings_; }

    // A file that another program holds (a sharing violation, or access denied) is asked for
    // again for about a second before the failure is raised; not while impatient.
    void SetPatient(bool patient) { patient_ = patient; }
    static constexpr std::uint32_t kPatienceMs = 1000;
    static constexpr std::uint32_t kRetryMs = 50;

    // Creates "./Strings" when it is not an existing directory; fails with the I/O error text.
    void EnsureDirectory();

    // A page file's bytes (CR LF lines), written whole.
    void SavePage(int index, std::string_view bytes);
    // The page file's bytes with normalised line breaks, or nothing when no such page file
    // exists (a directory of that name does not count).
    std::optional<std::string> LoadPage(int index);
    // A file's bytes, replaced whole; a failure raised as for a page.
    void WriteFile(std::wstring_view path, std::string_view bytes) { WriteWholeFile(path, bytes); }
    // The bytes FingerprintOf read last.
    std::string_view LastRead() const { return scratch_; }
    // Any text file's bytes, read with the page rules but without the existence test.
    std::string LoadTextFile(std::wstring_view path);
    bool PageExists(int index);

    // The same as text, decoded in the form the file shows (the code page, or UTF-8).
    std::optional<store::StoredText> LoadPageText(int index);
    store::StoredText LoadTextFileText(std::wstring_view path);
    // A page file's bytes as they are stored (nothing when there is none), and its text.
    std::optional<std::string> ReadPage(int index);
    store::StoredText DecodePage(std::string_view bytes) const;
    // Writes the page's text in the form it was read in, or as a new file is: UTF-8 where the
    // code page cannot hold the text exactly. Returns the bytes and the form written.
    store::EncodedText SavePageText(int index, store::Utf16View text, store::TextForm form);

    // What a file holds now, to tell whether another program changed it; nothing when it is
    // there but cannot be read at once (another program holds it).
    std::optional<store::Fingerprint> FingerprintOf(std::wstring_view path);
    // A file's bytes without waiting or failing: nothing when there is none, or when it cannot
    // be read at once.
    std::optional<std::string> TryRead(std::wstring_view path);
    // The names of the files in the store directory.
    std::vector<std::wstring> FileNames();
    // Deletes a file; false when it could not be.
    bool Remove(std::wstring_view path);

    bool TabListExists();
    // The tab list file's bytes as they are stored.
    std::string ReadTabListBytes();
    // The tab list file's text, decoded as it shows itself, line breaks as they are.
    store::StoredText LoadTabListText();
    // The tab list file's bytes for the captions, in the form the list was read in.
    store::EncodedText EncodeTabList(const std::vector<store::Utf16>& captions,
                                     store::TextForm form);
    void SaveTabListBytes(std::string_view bytes);
    void SaveTabList(const std::vector<std::string>& captions);

    // Moves the page file of the index out of the way under a name no page has
    // ("Tab<n>.txt.original", or with a number after it when that is taken), and returns that
    // name. For a file that belongs to no tab, before a new tab of that number could write it.
    std::wstring KeepUnownedPage(int index);
    // Keeps a copy of a file's present bytes under a name no page has ("<name>.original", or
    // with a number after it when that holds other bytes), on the disk before it returns; the
    // name. A failure is raised: the file may then not be written over.
    std::wstring KeepOriginal(std::wstring_view path);

    bool SettingsExist();
    store::Settings ReadSettings();
    void WriteSettings(const store::Settings& settings);

    // Deletes the page file of i, then moves the page files of i+1 .. n down by one, n being
    // the number of tabs left. All or nothing: on a failure every file moved goes back and the
    // failure is raised.
    void RemovePageFiles(int i, int n);

    // Closes tab i's page in the store, n tabs being left: the page files renumbered, and the
    // tab list file turned from listBefore (as it is stored now) into listAfter. All or
    // nothing, also across a power cut: until it is done, a journal of the close stays in the
    // store, from which FinishInterruptedClose completes it. A failure that leaves the files
    // as they were is raised as an Error; one that may not is raised as StoreInDoubt.
    void CloseTab(int i, int n, std::string_view listAfter);

    // Completes a close that a crash cut short, before anything else reads the store; false
    // when there was none. Fails when a file cannot be moved or the journal is damaged.
    bool FinishInterruptedClose();

    // Reopens a closed tab at i among the n tabs there are: the pages from i on move up one
    // number, the page (when it had one) is written at i, and the tab list file becomes
    // listAfter. All or nothing across a power cut, as a close is (FinishInterruptedReopen).
    void ReopenTab(int i, int n, const std::optional<std::string>& page, std::string_view listAfter);
    // Completes a reopen that a crash cut short; false when there was none.
    bool FinishInterruptedReopen();

    // A journal left by a close whose end could not be deleted would, at a later start, be
    // taken for a close in progress: it goes before the tab list is changed again. Fails
    // when it cannot go.
    void RemoveLeftoverCloseRecord();
    void RemoveLeftoverReopenRecord();

    // Raises the move's failure as "Cannot move file ...".
    void Move(const std::wstring& from, const std::wstring& to, bool replace = false);

  private:
    template <typename F>
    ErrorCode Patiently(F&& call);
    [[noreturn]] void ThrowFileError(bool creating, std::wstring_view path, ErrorCode code);
    std::string ReadWholeFile(std::wstring_view path);
    // What an earlier close left behind goes; fails with "Cannot delete <what> ...".
    void RemoveLeftover(const std::wstring& path, const wchar_t* what);
    void WriteWholeFile(std::wstring_view path, std::string_view bytes);
    store::CloseRecord PlanClose(int i, int n, std::string_view listAfter);

    FileSystem& files_;
    const store::Encodings& encodings_;
    bool patient_ = true;
    // What a fingerprint is taken of: kept from one to the next, so that a large page costs no
    // fresh memory each time.
    std::string scratch_;
};

}  // namespace qb::notebook
