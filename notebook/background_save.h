// A page saved in two halves: the job, taken on the window's thread (a copy of the text area's
// text and what the notebook knows of the page's file), and its file work, which needs nothing
// of the window and may run on another thread.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "notebook/store.h"
#include "store/pure/fingerprint.h"
#include "store/pure/stored_text.h"
#include "store/pure/utf8.h"

namespace qb::notebook {

struct SaveJob {
    int index = -1;     // the tab whose page this is
    store::Utf16 text;  // the text area's text when the job was taken
    store::TextForm form = store::TextForm::CodePage;  // the form its file was read or written in
    store::Fingerprint seen;    // what the file held when last read or written here
    bool loaded = true;         // false: the page was never read, and is kept if it exists
    bool keepOriginal = false;  // the file holds bytes the text area never showed
    bool shared = false;        // other machines' records are in the store
    std::uint64_t edits = 0;    // the text area's count of changes when the text was copied
    std::uint64_t taken = 0;    // when the job was taken (the notebook's clock)
};

struct SaveResult {
    enum class Outcome {
        Written,         // the file holds the text now (written, or it held those bytes already)
        Skipped,         // the page was never read and its file is left as it is
        ChangedOutside,  // another program wrote the file since it was seen: nothing written
        Failed,          // failure holds why
    };
    Outcome outcome = Outcome::Failed;
    store::TextForm form = store::TextForm::CodePage;  // Written: the form of the file
    store::Fingerprint stored;                         // Written: what the file holds
    std::exception_ptr failure;                        // Failed
    // Written: whether the file was written now, and when it replaced a file, the bytes it
    // held and those written over them (for the page's history).
    bool wrote = false;
    bool replaced = false;
    std::string before;
    std::string after;
};

// The file work of a save: the file checked against what was seen, the text encoded, and
// written unless the file holds those bytes already. Raises nothing: a failure is the result's.
SaveResult RunSaveJob(const SaveJob& job, Store& store);

}  // namespace qb::notebook
