// Reading what a sync engine brought as moves and edits of tabs, not as edits of numbered files.
//
// The store keeps pages by position: Tab<n>.txt is the page of the n-th tab of Tabs.txt. A tab
// made, closed or moved on one machine renumbers files there, and an engine that syncs file by
// file meets those renumbered files next to edits made on the other machine. Alone, the files
// cannot say which text belongs to which tab any more. Three things can:
//
//   the base    the tabs as this machine last saw the store agree with it: each caption in
//               order and a fingerprint of its page (and of the pages it had at the bases
//               before);
//   mine        this machine's tabs now, each with the fingerprint of what it last stored (a
//               page it only took from a write of its file elsewhere is that write's, not its
//               own: the file's number may be another machine's);
//   the store   every tab list on disk (the tab list file and any conflict copy of it) and every
//               text on disk (each page file and each conflict copy of a page).
//
// The rules, each checked by the tests (merge_test.cpp, the sync explorer):
//
// 1. Tabs are matched across lists by identity where the list's tabs are known with theirs (this
//    machine's own, and every other machine's as its record says it left them): the same
//    identity is the same tab, whatever its caption. A list known only by its captions (a tab
//    list file no record explains, a conflict copy) is matched by caption, in order (a longest
//    common run); within a stretch between two matched tabs, a tab gone from one list and one
//    new in it at the same place, one for one, is the same tab renamed; a tab new in it is the
//    tab new elsewhere under that caption (the n-th such for the n-th).
// 2. A text on disk is this machine's version of a tab when its fingerprint is what this machine
//    last stored for that tab; an old version of a tab when it is that tab's page at the base or
//    an earlier base (never a text of this machine's that only lost to another's); otherwise
//    the other machine's version of the tab that the other machine's list puts at that page's
//    number (the tab list file when it is not this machine's own, else a conflict copy of it,
//    else the base: a machine that changed no tab still numbers as the base does). Where
//    another machine's record came too, its tabs say whose a text is by its fingerprint, and
//    that comes before any number: a conflict copy is numbered as the list its machine had
//    when it wrote it, which may be gone from every disk since. A text this machine holds only
//    in a tab it kept for a second version (a copy it took before the record that names its
//    tab) is, in the page file of another tab, that tab's version, not this machine's.
// 2b. The page of another tab (as agreed, or as this machine holds it) is no change of a tab:
//    a machine took another machine's write of a page file for its own tab's, after a close
//    there. A page never saved here is no change either: the tab keeps the text agreed on.
// 2a. Where machines keep records, the merge waits rather than guess (it is complete only once
//    the record that tells has come): for a text numbered by a list no record explains, or by
//    a list whose machine gives that place another page, or only by the base (the machine
//    that wrote it may have numbered anew with a list alike in bytes to this one's); for a page
//    file nothing explains; for a tab new in a list no record explains with no page file at its
//    place; for a rename read into a list on disk (the file or a copy) no
//    record explains; and for a tab closed here that the tab list file keeps, until the record
//    of the machine that wrote that list, written after this machine's own last list, says
//    whether it changed the tab's page; and for a tab held here whose page that record gives
//    as a text this machine never had, until the text comes. A tab another machine made whose
//    record gives it no page file is taken without one. The wait has an end (the window's, of
//    thirty seconds): then an engine's copy that waited for a list or a record is a second
//    version of its own, under the caption of the tab whose page file it is a copy of by the
//    numbering it was read with, for a copy nothing else will ever read.
// 3. A tab of the base stays when every list keeps it; one that a list dropped (a close) stays
//    closed, unless a machine changed its page since the base: then it comes back, with that
//    change, at its old place. Where that closes every tab, the tab list file stands as it is:
//    a notebook keeps a tab. A change of this machine's that is on no disk any more was seen
//    and dropped elsewhere, unless the page history holds it and no record says another
//    machine saw it: a merge elsewhere wrote over it before that record had come.
// 3a. A tab some machine closed while its page was the text the tab has now is closed, on
//    every machine: nobody changed that page since that machine last saw it. Each machine keeps
//    a list of the tabs it closed, by identity, with their pages (the page history); that tells
//    where the base cannot, for a tab the machines never agreed on (made on one machine, seen
//    and closed on the other), or for a close made after seeing another machine's change of
//    the page. A tab brought back by the page history's Reopen has an identity of its own.
// 4. A tab's page is the version changed since the base: this machine's, or the other's. When
//    both changed it, both are kept: the tab takes the one whose fingerprint orders first, the
//    other goes to a tab of its own, "<caption> (копия синхронизации)", after the last. Nothing
//    changed: the page stays as it is (wherever it now stands). Changed only elsewhere, its
//    change takes the page's place even when only an engine's copy holds it. A second version
//    is the tab another machine already made for it where that tab is known by caption alone,
//    and goes once a tab of its own holds its text.
// 5. Order: the tab list file's order; a tab it lacks comes back after the tab that preceded it
//    at the base; tabs new in other lists follow the last, list by list in an order every
//    machine computes alike.
// 6. Every machine reading the same store computes the same tabs with the same pages, so the
//    files each then writes hold the same bytes, and a conflict copy whose text the tabs hold
//    already, or held at the base or before, is dropped: answers do not breed answers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/pure/fingerprint.h"
#include "store/pure/utf8.h"

namespace qb::notebook {

// A tab as this machine knows it: its caption, the fingerprint of its stored page, earlier
// versions of that page it saw (newest first), and the tab's identity: given where the tab was
// made and kept by every machine that takes the tab over, so that two tabs made on two machines
// under one caption stay two; empty where it is not known (then the caption and place tell).
struct KnownTab {
    store::Utf16 caption;
    store::Fingerprint page;
    std::vector<store::Fingerprint> older;
    std::string id;
    bool operator==(const KnownTab&) const = default;
};

// A text on disk: a page file, or a sync engine's conflict copy of one.
struct TextOnDisk {
    int page = 0;       // the page file's number (for a copy: the page it is a copy of)
    std::wstring copy;  // the copy's file name; empty for the page file itself
    store::Fingerprint print;
};

struct MergeInput {
    std::optional<std::vector<KnownTab>> base;  // nothing: not known (taken as mine)
    std::vector<KnownTab> mine;
    std::vector<store::Utf16> listOnDisk;
    std::vector<std::vector<store::Utf16>> listCopies;  // conflict copies of the tab list
    std::vector<TextOnDisk> texts;
    // Other machines' tabs as their records last said they left them (sync-base-*.dat that
    // came with the folder): whose tab a text of theirs is, wherever it stands now.
    std::vector<std::vector<KnownTab>> others;
    // For each of those, the tab lists that machine wrote, newest first; and the fingerprint of
    // the tab list file: the record of the machine that wrote it holds it.
    std::vector<std::vector<store::Fingerprint>> otherLists;
    store::Fingerprint listOnDiskPrint;
    // For each of those, whether its record changed since this machine last wrote its tab list
    // (missing: it did). A tab list alike in bytes to the base's may be a new write of the
    // machine whose older record holds it.
    std::vector<bool> otherSinceList;
    // The tabs every machine (this one too) closed, each with its identity and its page then.
    std::vector<KnownTab> closed;
    // Pages of this machine's tabs that are in no page file and no copy, but in the page
    // history (of any machine): a merge elsewhere may have kept them there.
    std::vector<store::Fingerprint> inHistory;
    // The merge has waited its while for a list or a record that has not come: an engine's
    // copy that waited for one is kept as a second version of its own (rule 2a).
    bool waitOver = false;
};

struct MergedTab {
    store::Utf16 caption;
    std::string id;  // empty: not known
    // The fingerprint of its page; `exists` false: no page file (an empty page never saved).
    store::Fingerprint page;
    // Where that text is on disk now; nothing when it is nowhere yet (still on its way).
    std::optional<TextOnDisk> from;
    std::vector<store::Fingerprint> older;
    // Not known to this machine before: a tab of another machine, or one brought back.
    bool broughtBack = false;   // a tab closed on one machine whose page the other changed
    bool otherVersion = false;  // a second version of a page both machines changed
};

struct MergeOutcome {
    std::vector<MergedTab> tabs;
    // Every tab's text is on disk (or the tab has none): the merge can be carried out.
    bool complete = true;
};

MergeOutcome Merge(const MergeInput& input);

// The captions of tabs, in order.
std::vector<store::Utf16> CaptionsOf(const std::vector<KnownTab>& tabs);
// The same captions with the same pages, in the same order (earlier versions aside), and the
// same identities where both know them.
bool SameTabs(const std::vector<KnownTab>& a, const std::vector<KnownTab>& b);

// The identity of a tab made for a second version of a page: every machine gives the same.
std::string VersionId(const store::Fingerprint& page);
bool IsVersionId(const std::string& id);

// The caption of a second version of a tab's page.
store::Utf16 OtherVersionCaption(const store::Utf16& caption);

}  // namespace qb::notebook
