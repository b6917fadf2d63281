#include "notebook/background_save.h"

#include "store/pure/page_names.h"

namespace qb::notebook {

SaveResult RunSaveJob(const SaveJob& job, Store& store) {
    SaveResult result;
    try {
        store.EnsureDirectory();
        if (!job.loaded && store.PageExists(job.index)) {
            result.outcome = SaveResult::Outcome::Skipped;  // its file stays as it is
            return result;
        }
        const std::wstring name = store::PageFileName(job.index);
        const auto now = store.FingerprintOf(name);
        // Another program wrote the page since it was read or written here: its version stays.
        if (now && now->exists && *now != job.seen) {
            result.outcome = SaveResult::Outcome::ChangedOutside;
            return result;
        }
        if (job.keepOriginal) {
            store.KeepOriginal(name);
        }
        const store::EncodedText file =
            store::EncodeStoredText(job.text, job.form, store.encodings());
        store::Fingerprint written = store::FingerprintOf(std::string_view(file.bytes));
        // The same bytes are not written again: to a sync engine a write is a change, and one the
        // other machine did not make would meet its edits there as a conflict. Nor is an empty
        // page where no file stands, in a store other machines share: it reads as empty as it
        // is, and a file of nothing from here would stand against the page another machine
        // wrote there meanwhile.
        if (job.shared && now && !now->exists && file.bytes.empty() && !job.keepOriginal) {
            written = *now;
        } else if (!now || *now != written || job.keepOriginal) {
            if (now && now->exists) {
                result.replaced = true;
                result.before = std::string(store.LastRead());
                result.after = file.bytes;
            }
            store.SavePage(job.index, file.bytes);
            result.wrote = true;
        }
        result.outcome = SaveResult::Outcome::Written;
        result.form = file.form;
        result.stored = written;
    } catch (...) {
        result.outcome = SaveResult::Outcome::Failed;
        result.failure = std::current_exception();
    }
    return result;
}

}  // namespace qb::notebook
