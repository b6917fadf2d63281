// The tab list file: read into the tabs, written from them, and what is known of it on disk.
#include "notebook/notebook.h"
#include "notebook/notebook_texts.h"
#include "store/pure/page_names.h"
#include "store/pure/tab_list.h"

namespace qb::notebook {

store::StoredText Notebook::TakeTabList(const std::string& bytes) {
    store::StoredText list = store::DecodeStoredText(bytes, store_.encodings());
    listSeen_ = store::FingerprintOf(std::string_view(bytes));
    tabListForm_ = list.form;
    tabListCut_ =
        list.replaced || store::TabListLosesText(list.text, store::kCaptionBufferChars - 1);
    tabsChanged_ = false;
    return list;
}

void Notebook::LoadTabList() {
    const store::StoredText list = TakeTabList(store_.ReadTabListBytes());
    ShowTabs(store::SplitTabListText(list.text));
    if (tabListCut_) {
        const std::wstring original = OriginalFileFor(store::kTabListWritePath);
        Notice(L"tabs",
               list.replaced ? ReplacedTabListNotice(original) : CutTabListNotice(original));
    }
}

void Notebook::WriteTabList(const std::vector<store::Utf16>& captions) {
    store_.EnsureDirectory();
    if (ChangedOutside(store::kTabListWritePath, listSeen_)) {
        throw Error(L"The tab list was changed by another program meanwhile; nothing was changed");
    }
    StoreTabList(captions);
}

void Notebook::StoreTabList(const std::vector<store::Utf16>& captions) {
    if (tabListCut_) {
        store_.KeepOriginal(store::kTabListWritePath);
    }
    const store::EncodedText file = store_.EncodeTabList(captions, tabListForm_);
    const store::Fingerprint print = store::FingerprintOf(std::string_view(file.bytes));
    // The same bytes are not written again (a sync engine would carry the write as a change).
    const auto now = store_.FingerprintOf(store::kTabListWritePath);
    if (!now || *now != print || tabListCut_) {
        StoreAgreedBefore(print);
        store_.SaveTabListBytes(file.bytes);
    }
    tabListForm_ = file.form;
    listSeen_ = print;
    tabListCut_ = false;  // the file holds what the strip shows
}

void Notebook::SaveTabList() {
    if (writesStopped_ || (tabListCut_ && !tabsChanged_)) {
        return;  // what is stored was not (wholly) read, and nothing replaces it
    }
    store_.EnsureDirectory();
    if (ChangedOutside(store::kTabListWritePath, listSeen_)) {
        return;  // another program's list came meanwhile: it stays
    }
    StoreTabList(Captions());
}

void Notebook::BeginTabChange() {
    if (!writesStopped_) {
        StoreChanged();
        store_.RemoveLeftoverCloseRecord();
    }
}

}  // namespace qb::notebook
