#include "notebook/merge.h"

#include "notebook/notebook_texts.h"

#include <algorithm>
#include <map>
#include <string>

namespace qb::notebook {

namespace {

using store::Fingerprint;
using store::Utf16;
using Captions = std::vector<Utf16>;

// A tab's page in a list, where known: its fingerprint now and those it had before.
struct PageOf {
    bool known = false;
    bool sure = false;  // the list's own (a record's, this machine's), not a file beside it
    Fingerprint now;
    std::vector<Fingerprint> older;
};

bool SamePage(const PageOf& page, const KnownTab& base) {
    if (!page.known || !base.page.exists || base.page.size == 0) {
        return false;
    }
    return page.now == base.page ||
           std::find(page.older.begin(), page.older.end(), base.page) != page.older.end();
}

// For each caption of `list`, the index of the same tab in `base`, or -1 for a tab new in it.
std::vector<int> Align(const Captions& list, const std::vector<PageOf>& pages,
                       const std::vector<KnownTab>& baseTabs) {
    const Captions base = CaptionsOf(baseTabs);
    const std::size_t n = list.size();
    const std::size_t m = base.size();
    // Longest common run of captions, from the end.
    std::vector<std::vector<int>> run(n + 1, std::vector<int>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            run[i][j] =
                list[i] == base[j] ? run[i + 1][j + 1] + 1 : std::max(run[i + 1][j], run[i][j + 1]);
        }
    }
    std::vector<int> toBase(n, -1);
    std::vector<std::pair<std::size_t, std::size_t>> matched;
    for (std::size_t i = 0, j = 0; i < n && j < m;) {
        if (list[i] == base[j]) {
            matched.emplace_back(i, j);
            ++i;
            ++j;
        } else if (run[i + 1][j] >= run[i][j + 1]) {
            ++i;
        } else {
            ++j;
        }
    }
    matched.emplace_back(n, m);
    // Between two matched tabs, a tab gone and one new is one tab renamed: the one whose page
    // it has (or had), where the pages are known; else one for one, in order, unless its page is
    // another tab's of the base.
    std::size_t i0 = 0;
    std::size_t j0 = 0;
    for (const auto& [i1, j1] : matched) {
        std::vector<bool> taken(m, false);
        for (std::size_t i = i0; i < i1; ++i) {
            for (std::size_t j = j0; j < j1 && toBase[i] < 0; ++j) {
                if (!taken[j] && i < pages.size() && SamePage(pages[i], baseTabs[j])) {
                    toBase[i] = static_cast<int>(j);
                    taken[j] = true;
                }
            }
        }
        std::size_t j = j0;
        for (std::size_t i = i0; i < i1; ++i) {
            if (toBase[i] >= 0) {
                continue;
            }
            while (j < j1 && taken[j]) {
                ++j;
            }
            // (Not one whose page is another tab's of the base, nor, where the list's own
            // pages are known for sure, one whose page was never this one's.)
            const bool pageElsewhere =
                i < pages.size() &&
                (std::any_of(baseTabs.begin(), baseTabs.end(),
                             [&](const KnownTab& tab) { return SamePage(pages[i], tab); }) ||
                 (pages[i].sure && j < j1 && baseTabs[j].page.exists && baseTabs[j].page.size > 0 &&
                  !SamePage(pages[i], baseTabs[j])));
            if (j < j1 && !pageElsewhere) {
                toBase[i] = static_cast<int>(j);
                taken[j] = true;
                ++j;
            }
        }
        if (i1 < n) {
            toBase[i1] = static_cast<int>(j1);
        }
        i0 = i1 + 1;
        j0 = j1 + 1;
    }
    return toBase;
}

struct Identity {
    Utf16 caption;
    std::string key;                  // its identity, where known
    Fingerprint recorded;             // its page as another machine's record gives it
    bool inRecord = false;            // (whether one does)
    int baseIndex = -1;               // -1: new since the base
    std::vector<int> at;              // its place in each list, -1 where the list lacks it
    int mineIndex = -1;               // its index among this machine's tabs
    std::vector<Fingerprint> theirs;  // versions of its page changed on another machine
};

bool Holds(const std::vector<Fingerprint>& prints, const Fingerprint& print) {
    return std::find(prints.begin(), prints.end(), print) != prints.end();
}

bool Before(const Fingerprint& a, const Fingerprint& b) {
    return a.hash != b.hash ? a.hash < b.hash : a.size < b.size;
}

}  // namespace

Captions CaptionsOf(const std::vector<KnownTab>& tabs) {
    Captions captions;
    for (const KnownTab& tab : tabs) {
        captions.push_back(tab.caption);
    }
    return captions;
}

bool SameTabs(const std::vector<KnownTab>& a, const std::vector<KnownTab>& b) {
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const KnownTab& x, const KnownTab& y) {
            // (No page file and an empty one are the same empty page: a machine that never
            // saved a new tab's page holds what another wrote for it.)
            const bool samePage = x.page == y.page || (x.page.size == 0 && y.page.size == 0);
            return x.caption == y.caption && samePage &&
                   (x.id == y.id || x.id.empty() || y.id.empty());
        });
}

std::string VersionId(const store::Fingerprint& page) {
    std::string id = "v";
    id += store::FingerprintText(page);
    return id;
}

bool IsVersionId(const std::string& id) {
    return id.rfind('v', 0) == 0;
}

Utf16 OtherVersionCaption(const Utf16& caption) {
    return caption + kSyncCopy;
}

MergeOutcome Merge(const MergeInput& input) {
    const Captions mineCaptions = CaptionsOf(input.mine);
    const std::vector<KnownTab>& baseTabs = input.base ? *input.base : input.mine;
    const Captions baseCaptions = CaptionsOf(baseTabs);

    // The lists, each with its tabs' identities where known: the tab list file first, then every
    // other one once (the conflict copies, this machine's own, each other machine's as its
    // record says it left them), in an order every machine computes alike. A list on disk is
    // known as the known list of its captions, where there is one.
    struct List {
        Captions captions;
        const std::vector<KnownTab>* tabs = nullptr;  // where its tabs are known
        bool onDisk = false;
    };
    std::vector<const std::vector<KnownTab>*> knownLists = {&input.mine};
    for (const std::vector<KnownTab>& other : input.others) {
        knownLists.push_back(&other);
    }
    auto idsOf = [](const std::vector<KnownTab>* tabs) {
        std::vector<std::string> ids;
        if (tabs != nullptr) {
            for (const KnownTab& tab : *tabs) {
                ids.push_back(tab.id);
            }
        }
        return ids;
    };
    auto earlier = [&](const List& a, const List& b) {
        return a.captions != b.captions ? a.captions < b.captions : idsOf(a.tabs) < idsOf(b.tabs);
    };
    auto sameList = [&](const List& a, const List& b) {
        return a.captions == b.captions && idsOf(a.tabs) == idsOf(b.tabs);
    };
    std::vector<List> known;
    for (const std::vector<KnownTab>* tabs : knownLists) {
        known.push_back({CaptionsOf(*tabs), tabs, false});
    }
    std::sort(known.begin(), known.end(), earlier);
    auto fromDisk = [&](const Captions& captions) {
        for (const List& list : known) {
            if (list.captions == captions) {
                return List{captions, list.tabs, true};
            }
        }
        return List{captions, nullptr, true};
    };
    std::vector<List> lists = {fromDisk(input.listOnDisk)};
    std::vector<List> others;
    for (const Captions& copy : input.listCopies) {
        others.push_back(fromDisk(copy));
    }
    // (Another machine's tabs count as a list of their own where a list on disk has their
    // captions: two machines may leave lists alike in captions, not in tabs.)
    for (const List& list : known) {
        const bool onDisk = list.captions == input.listOnDisk ||
                            std::find(input.listCopies.begin(), input.listCopies.end(),
                                      list.captions) != input.listCopies.end();
        if (list.tabs == &input.mine || onDisk) {
            others.push_back(list);
        }
    }
    std::stable_sort(others.begin(), others.end(), earlier);
    for (List& list : others) {
        const auto same = std::find_if(lists.begin(), lists.end(),
                                       [&](const List& l) { return sameList(l, list); });
        if (same == lists.end()) {
            lists.push_back(std::move(list));
        } else {
            same->onDisk = same->onDisk || list.onDisk;
        }
    }
    std::size_t mineList = 0;
    for (std::size_t l = 0; l < lists.size(); ++l) {
        if (lists[l].captions == mineCaptions && idsOf(lists[l].tabs) == idsOf(&input.mine)) {
            mineList = l;
            break;
        }
    }

    // Identities: the tabs of the base, then each tab new in a list: by its identity where the
    // list knows it, else by caption in order.
    std::vector<Identity> ids;
    std::map<std::string, std::size_t> byId;
    for (std::size_t b = 0; b < baseTabs.size(); ++b) {
        Identity id;
        id.caption = baseTabs[b].caption;
        id.baseIndex = static_cast<int>(b);
        id.at.assign(lists.size(), -1);
        if (!baseTabs[b].id.empty()) {
            byId.emplace(baseTabs[b].id, b);
            id.key = baseTabs[b].id;
        }
        ids.push_back(std::move(id));
    }
    std::map<Utf16, std::vector<std::size_t>> newByCaption;
    std::vector<std::vector<std::size_t>> idAt(lists.size());  // list, place → identity
    // The pages of each list, where known: the list's own (this machine's, another machine's by
    // its record), the tab list file's by the page files beside it.
    auto pagesOf = [&](std::size_t l) {
        std::vector<PageOf> pages(lists[l].captions.size());
        if (lists[l].tabs != nullptr) {
            const std::vector<KnownTab>& tabs = *lists[l].tabs;
            for (std::size_t i = 0; i < tabs.size() && i < pages.size(); ++i) {
                pages[i] = {true, true, tabs[i].page, tabs[i].older};
            }
            return pages;
        }
        if (l == 0) {
            for (const TextOnDisk& text : input.texts) {
                if (text.copy.empty() && text.page >= 0 &&
                    static_cast<std::size_t>(text.page) < pages.size()) {
                    pages[static_cast<std::size_t>(text.page)] = {true, false, text.print, {}};
                }
            }
        }
        return pages;
    };
    auto fresh = [&](const Utf16& caption) {
        Identity made;
        made.caption = caption;
        made.at.assign(lists.size(), -1);
        newByCaption[caption].push_back(ids.size());
        ids.push_back(std::move(made));
        return ids.size() - 1;
    };
    const std::size_t unset = static_cast<std::size_t>(-1);
    for (std::size_t l = 0; l < lists.size(); ++l) {
        idAt[l].assign(lists[l].captions.size(), unset);
    }
    // First every tab whose identity is known, so that a list known only by captions finds
    // them.
    for (std::size_t l = 0; l < lists.size(); ++l) {
        for (std::size_t i = 0; i < idAt[l].size() && lists[l].tabs != nullptr; ++i) {
            const std::string& key = (*lists[l].tabs)[i].id;
            if (key.empty()) {
                continue;
            }
            const auto found = byId.find(key);
            const std::size_t id =
                found != byId.end() ? found->second : byId[key] = fresh(lists[l].captions[i]);
            if (ids[id].at[l] >= 0) {
                continue;  // (the same identity twice in one list: the second is new)
            }
            ids[id].key = key;
            if (l != mineList && !ids[id].recorded.exists) {
                ids[id].recorded = (*lists[l].tabs)[i].page;
                ids[id].inRecord = true;
            }
            ids[id].at[l] = static_cast<int>(i);
            idAt[l][i] = id;
        }
    }
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const Captions& list = lists[l].captions;
        const std::vector<int> toBase = Align(list, pagesOf(l), baseTabs);
        std::map<Utf16, std::size_t> seen;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (idAt[l][i] != unset) {
                continue;
            }
            std::size_t id = unset;
            if (toBase[i] >= 0 && ids[static_cast<std::size_t>(toBase[i])].at[l] < 0) {
                id = static_cast<std::size_t>(toBase[i]);
            } else {
                // The n-th tab new under a caption is the n-th made elsewhere under it.
                for (const std::size_t same : newByCaption[list[i]]) {
                    if (ids[same].at[l] < 0) {
                        id = same;
                        break;
                    }
                }
                if (id == unset) {
                    id = fresh(list[i]);
                }
            }
            ids[id].at[l] = static_cast<int>(i);
            idAt[l][i] = id;
        }
    }
    // A rename: the caption given in the list that changed it, the file's first.
    for (std::size_t l = 0; l < lists.size(); ++l) {
        for (std::size_t i = 0; i < idAt[l].size(); ++i) {
            Identity& id = ids[idAt[l][i]];
            if (id.baseIndex >= 0) {
                const Utf16& was = baseCaptions[static_cast<std::size_t>(id.baseIndex)];
                if (lists[l].captions[i] != was && id.caption == was) {
                    id.caption = lists[l].captions[i];
                }
            }
        }
    }
    for (std::size_t i = 0; i < input.mine.size(); ++i) {
        ids[idAt[mineList][i]].mineIndex = static_cast<int>(i);
    }
    // A tab list on disk (the file or a conflict copy) that no record explains, where machines
    // keep records, is read by caption and place alone; a rename read into it may as well be a
    // close and a New there: the merge waits for the record of the machine that wrote it.
    bool renameInDoubt = false;
    for (std::size_t l = 0; l < lists.size() && !input.others.empty(); ++l) {
        if (lists[l].tabs != nullptr || !lists[l].onDisk || l == mineList) {
            continue;
        }
        for (std::size_t i = 0; i < idAt[l].size(); ++i) {
            const Identity& id = ids[idAt[l][i]];
            renameInDoubt =
                renameInDoubt ||
                (id.baseIndex >= 0 &&
                 lists[l].captions[i] != baseCaptions[static_cast<std::size_t>(id.baseIndex)]);
        }
    }

    // Whose list numbered a page another machine wrote: the tab list file when it is not this
    // machine's, else a conflict copy of it, else the base.
    std::optional<std::size_t> writer;
    for (std::size_t l = 0; l < lists.size(); ++l) {
        if (l != mineList && lists[l].onDisk) {
            writer = l;
            break;
        }
    }

    // The texts on disk: known versions, and versions changed elsewhere, by tab.
    std::vector<Fingerprint> old;
    for (const KnownTab& tab : baseTabs) {
        old.push_back(tab.page);
        old.insert(old.end(), tab.older.begin(), tab.older.end());
    }
    std::vector<TextOnDisk> orphans;
    bool waitingForList = false;
    // A text that makes the merge wait for a list or a record (below). Once it has waited its
    // while, that list or record is not coming: an engine's copy is kept as a version of its
    // own, since no merge to come would read it; unless it is an earlier version of a tab's
    // page, which the tabs held before: that copy goes with the others the merge read. A page
    // file is written over (and kept in the page history) as before. (A name beginning with
    // ':' is no file.)
    std::vector<Fingerprint> seenBefore;  // (needed only then)
    const auto olderOf = [&](const std::vector<KnownTab>& tabs) {
        for (const KnownTab& tab : tabs) {
            seenBefore.insert(seenBefore.end(), tab.older.begin(), tab.older.end());
        }
    };
    if (input.waitOver) {
        olderOf(input.mine);
        olderOf(input.closed);
        std::for_each(input.others.begin(), input.others.end(), olderOf);
    }
    const auto unexplained = [&](const TextOnDisk& text) {
        if (!input.waitOver || text.copy.empty() || text.copy.front() == L':') {
            waitingForList = true;
        } else if (!Holds(seenBefore, text.print)) {
            orphans.push_back(text);
        }
    };
    for (const TextOnDisk& text : input.texts) {
        if (!text.print.exists) {
            continue;
        }
        // (A text this machine holds only as a second version, a copy it took as a tab, is
        // another machine's: in the page file of another tab, it is that tab's.)
        const std::size_t numbering = writer ? *writer : mineList;
        const bool mine = std::any_of(input.mine.begin(), input.mine.end(), [&](const KnownTab& t) {
            const bool elsewhere =
                IsVersionId(t.id) && text.copy.empty() && text.page >= 0 &&
                static_cast<std::size_t>(text.page) < idAt[numbering].size() &&
                ids[idAt[numbering][static_cast<std::size_t>(text.page)]].key != t.id;
            return t.page == text.print && !elsewhere;
        });
        if (mine || Holds(old, text.print)) {
            continue;
        }
        // A page past the last tab of that list was left by a machine that numbered as the
        // base does (an engine keeps a page changed there that a close here deleted).
        std::optional<std::size_t> owner;
        // Whose it is by another machine's record: the tab of that identity, or where that is
        // not known, of that caption in the lists. (An empty page says nothing: every empty
        // page has the same fingerprint.)
        bool recorded = false;
        for (const std::vector<KnownTab>& other : input.others) {
            for (const KnownTab& tab : other) {
                if (recorded || tab.page != text.print || text.print.size == 0) {
                    continue;
                }
                recorded = true;
                const auto found = tab.id.empty() ? byId.end() : byId.find(tab.id);
                if (found != byId.end()) {
                    owner = found->second;
                }
                for (std::size_t i = 0; i < ids.size() && !owner; ++i) {
                    if (ids[i].caption == tab.caption) {
                        owner = i;
                    }
                }
                if (!owner) {
                    unexplained(text);  // its tab's list is on its way
                }
            }
        }
        if (recorded) {
            if (owner && !Holds(ids[*owner].theirs, text.print)) {
                ids[*owner].theirs.push_back(text.print);
            }
            continue;
        }
        if (writer && text.page >= 0 &&
            static_cast<std::size_t>(text.page) < idAt[*writer].size()) {
            const auto place = static_cast<std::size_t>(text.page);
            // (Where the list's machine says that tab's page is another text, this text was
            // written, or left in a copy, by a machine whose record and list have yet to come.)
            if (lists[*writer].tabs != nullptr && place < lists[*writer].tabs->size() &&
                (*lists[*writer].tabs)[place].page != text.print) {
                unexplained(text);
                continue;
            }
            // (And where machines keep records and none explains the list, its numbering may
            // be older than the text's: the list's record tells.)
            if (lists[*writer].tabs == nullptr && !input.others.empty()) {
                unexplained(text);
                continue;
            }
            owner = idAt[*writer][place];
        } else if (text.page >= 0 && static_cast<std::size_t>(text.page) < baseTabs.size()) {
            // (Where machines keep records, the machine that wrote it may have numbered its
            // pages anew, as this one did, with a list alike in bytes: its record tells.)
            if (!input.others.empty()) {
                unexplained(text);
                continue;
            }
            owner = static_cast<std::size_t>(text.page);
        }
        if (owner) {
            if (!Holds(ids[*owner].theirs, text.print)) {
                ids[*owner].theirs.push_back(text.print);
            }
        } else if (text.copy.empty() && !input.others.empty()) {
            // A page file no list and no record explains, where machines keep records: the
            // list and the record of the machine that wrote it are on their way.
            unexplained(text);
        } else {
            orphans.push_back(text);
        }
    }

    // Changed here: this machine's version differs from the base, and is on disk (or on
    // screen) to be taken. One that is nowhere any more was seen and dropped elsewhere; but
    // where machines keep records and the page history holds it, only when a record says so:
    // another machine holds it as an earlier version of a tab's page or as another tab's, or
    // closed a tab with it. Otherwise a merge elsewhere wrote over it before the record that
    // names it had come, and kept it in the page history, where it is taken from.
    auto droppedElsewhere = [&](const Fingerprint& now, const std::string& key) {
        if (input.others.empty() || !now.exists || now.size == 0 || !Holds(input.inHistory, now)) {
            return true;
        }
        const auto seen = [&](const KnownTab& tab) {
            return Holds(tab.older, now) || (tab.page == now && tab.id != key);
        };
        return std::any_of(input.others.begin(), input.others.end(),
                           [&](const std::vector<KnownTab>& other) {
                               return std::any_of(other.begin(), other.end(), seen);
                           }) ||
               std::any_of(input.closed.begin(), input.closed.end(),
                           [&](const KnownTab& tab) { return tab.page == now; });
    };
    auto changedHere = [&](const Identity& id) {
        if (id.mineIndex < 0) {
            return false;
        }
        const KnownTab& mine = input.mine[static_cast<std::size_t>(id.mineIndex)];
        const Fingerprint& now = mine.page;
        const bool onDisk = std::any_of(input.texts.begin(), input.texts.end(),
                                        [&](const TextOnDisk& t) { return t.print == now; });
        // (The page of another tab here, as agreed, is no change of this one: the file was
        // another machine's write after a close there, taken for this tab's.)
        const bool anotherTabs =
            id.baseIndex >= 0 && now.size > 0 &&
            std::any_of(baseTabs.begin(), baseTabs.end(), [&](const KnownTab& tab) {
                return tab.page == now && &tab != &baseTabs[static_cast<std::size_t>(id.baseIndex)];
            });
        return (onDisk || !droppedElsewhere(now, mine.id)) && !anotherTabs &&
               (id.baseIndex < 0 || now != baseTabs[static_cast<std::size_t>(id.baseIndex)].page);
    };
    // The tab list file's own pages, where the machine that wrote it left its record: a tab of
    // the base that list keeps with its page changed there is changed there, even before the
    // text has come. A tab closed here that such a list keeps is closed only when that is
    // known: while the list's record has not come, the merge waits for it.
    const std::vector<KnownTab>* listRecord = nullptr;
    for (std::size_t k = 0; k < input.others.size() && k < input.otherLists.size(); ++k) {
        // (A record unchanged since this machine wrote its list says nothing of a list alike
        // to the base's that came since: that machine may have written it again, answering.)
        const bool older = k < input.otherSinceList.size() && !input.otherSinceList[k] &&
                           lists[0].captions == baseCaptions;
        if (mineList != 0 && CaptionsOf(input.others[k]) == lists[0].captions &&
            Holds(input.otherLists[k], input.listOnDiskPrint) && !older) {
            listRecord = &input.others[k];
        }
    }
    // So is a tab held here that the list's machine changed since the base, in a way this
    // machine never had: its text is on its way, and the merge waits for it rather than take
    // this machine's version alone.
    bool closeInDoubt = false;
    for (Identity& id : ids) {
        if (id.baseIndex < 0 || id.at[0] < 0 || mineList == 0) {
            continue;
        }
        const KnownTab* mine =
            id.mineIndex >= 0 ? &input.mine[static_cast<std::size_t>(id.mineIndex)] : nullptr;
        if (listRecord == nullptr) {
            closeInDoubt = closeInDoubt || (mine == nullptr && id.theirs.empty());
            continue;
        }
        if (mine != nullptr && !id.theirs.empty()) {
            continue;
        }
        const KnownTab& base = baseTabs[static_cast<std::size_t>(id.baseIndex)];
        const KnownTab& there = (*listRecord)[static_cast<std::size_t>(id.at[0])];
        // (A text of another tab of this machine's is no change of this one: that machine
        // took this machine's write of a page file as its tab's, after a close here.)
        const bool anotherOfMine =
            std::any_of(input.mine.begin(), input.mine.end(), [&](const KnownTab& other) {
                return other.page == there.page && &other != mine &&
                       (other.id.empty() || other.id != id.key);
            });
        const bool newHere =
            mine == nullptr || (there.page != mine->page && !Holds(mine->older, there.page));
        if (there.page.exists && there.page.size > 0 && there.page != base.page &&
            !Holds(base.older, there.page) && !Holds(id.theirs, there.page) && newHere &&
            !anotherOfMine) {
            id.theirs.push_back(there.page);
        }
    }

    auto present = [&](const Identity& id) {
        const bool everywhere =
            std::all_of(id.at.begin(), id.at.end(), [](int place) { return place >= 0; });
        if (id.baseIndex < 0) {
            return true;  // made on some machine since the base
        }
        return everywhere || changedHere(id) || !id.theirs.empty();
    };

    // The order: the tab list file's, tabs it lacks after their neighbours at the base, then
    // tabs new in the other lists.
    std::vector<std::size_t> order;
    std::vector<bool> placed(ids.size(), false);
    for (const std::size_t id : idAt[0]) {
        if (!placed[id] && present(ids[id])) {
            order.push_back(id);
            placed[id] = true;
        }
    }
    for (std::size_t b = 0; b < baseTabs.size(); ++b) {
        if (placed[b] || !present(ids[b])) {
            continue;
        }
        auto where = order.begin();
        for (std::size_t before = b; before-- > 0;) {
            const auto found = std::find(order.begin(), order.end(), before);
            if (found != order.end()) {
                where = found + 1;
                break;
            }
        }
        order.insert(where, b);
        placed[b] = true;
    }
    for (std::size_t l = 1; l < lists.size(); ++l) {
        for (const std::size_t id : idAt[l]) {
            if (!placed[id] && present(ids[id])) {
                order.push_back(id);
                placed[id] = true;
            }
        }
    }
    // Every tab closed on one machine or another: a notebook keeps a tab, so the tab list
    // written last stands, as the engine left it.
    const bool allClosed = order.empty();
    for (const std::size_t id : idAt[0]) {
        if (allClosed && !placed[id]) {
            order.push_back(id);
            placed[id] = true;
        }
    }

    // Where a text is on disk: the page file first, then a copy.
    auto findText = [&](const Fingerprint& print) -> std::optional<TextOnDisk> {
        std::optional<TextOnDisk> found;
        for (const TextOnDisk& text : input.texts) {
            if (text.print == print && (!found || (!found->copy.empty() && text.copy.empty()))) {
                found = text;
            }
        }
        return found;
    };

    auto mineHolds = [&](const Fingerprint& print) {
        return std::any_of(input.mine.begin(), input.mine.end(),
                           [&](const KnownTab& t) { return t.page == print; });
    };
    bool waiting = false;
    MergeOutcome outcome;
    std::vector<MergedTab> seconds;
    for (const std::size_t i : order) {
        const Identity& id = ids[i];
        MergedTab tab;
        tab.caption = id.caption;
        tab.id = id.key;
        if (id.baseIndex >= 0) {
            const KnownTab& base = baseTabs[static_cast<std::size_t>(id.baseIndex)];
            tab.page = base.page;
            tab.older = base.older;
            if (base.page.exists) {
                tab.older.insert(tab.older.begin(), base.page);
            }
        }
        std::vector<Fingerprint> versions = id.theirs;
        if (id.mineIndex >= 0) {
            const KnownTab& mine = input.mine[static_cast<std::size_t>(id.mineIndex)];
            if (changedHere(id) && !Holds(versions, mine.page)) {
                versions.push_back(mine.page);
            }
            // (A page never saved here keeps the text the base gives it.)
            if (versions.empty() && (mine.page.exists || !tab.page.exists)) {
                tab.page = mine.page;
            }
        }
        // The version in the page file where the tab now stands first, then one in a page
        // file elsewhere, then one only in a copy: the tab keeps what the engine put in its
        // place, as a machine that reads only the copies does.
        const int position = static_cast<int>(outcome.tabs.size());
        auto rank = [&](const Fingerprint& print) {
            bool inPage = false;
            for (const TextOnDisk& text : input.texts) {
                if (text.print == print && text.copy.empty()) {
                    if (text.page == position) {
                        return 0;
                    }
                    inPage = true;
                }
            }
            return inPage ? 1 : 2;
        };
        std::sort(versions.begin(), versions.end(),
                  [&](const Fingerprint& a, const Fingerprint& b) {
                      const int ra = rank(a);
                      const int rb = rank(b);
                      return ra != rb ? ra < rb : Before(a, b);
                  });
        // A version only in an engine's copy is a second one where the tab still has its own
        // text in a page file: the copy goes beside it, never over it. (The text as agreed is
        // no text of its own: the copy is the change made to it.)
        const bool asAgreed =
            id.baseIndex >= 0 && tab.page == baseTabs[static_cast<std::size_t>(id.baseIndex)].page;
        const bool ownText =
            tab.page.exists && !asAgreed &&
            std::any_of(input.texts.begin(), input.texts.end(),
                        [&](const TextOnDisk& t) { return t.print == tab.page && t.copy.empty(); });
        if (!versions.empty() && rank(versions.front()) == 2 && ownText) {
            versions.insert(versions.begin(), tab.page);
        }
        if (!versions.empty()) {
            tab.page = versions.front();
        } else if (id.baseIndex < 0 && id.mineIndex < 0 && id.recorded.exists &&
                   id.recorded.size > 0) {
            tab.page = id.recorded;  // made on another machine: its page, once it has come
        } else if (id.baseIndex < 0 && id.mineIndex < 0 && writer && !id.inRecord) {
            // Made on another machine and not yet seen here: its page is the file where that
            // machine's list puts it, once it has come. A file there that is still a text this
            // machine knows is another tab's: the page is on its way. No file there, where
            // machines keep records and none explains the list: the page may be on its way, or
            // the tab may have none; the record of the machine that wrote the list tells.
            const int place = id.at[*writer];
            bool filed = false;
            for (const TextOnDisk& text : input.texts) {
                if (place >= 0 && text.page == place && text.copy.empty()) {
                    filed = true;
                    if (mineHolds(text.print) || Holds(old, text.print)) {
                        waiting = true;
                    }
                }
            }
            if (!filed && lists[*writer].tabs == nullptr && !input.others.empty()) {
                waiting = true;
            }
        }
        tab.broughtBack = id.baseIndex >= 0 && std::any_of(id.at.begin(), id.at.end(),
                                                           [](int place) { return place < 0; });
        for (std::size_t v = 1; v < versions.size(); ++v) {
            MergedTab second;
            second.caption = OtherVersionCaption(id.caption);
            second.page = versions[v];
            second.id = VersionId(versions[v]);
            second.otherVersion = true;
            seconds.push_back(std::move(second));
        }
        outcome.tabs.push_back(std::move(tab));
    }
    for (const TextOnDisk& text : orphans) {
        if (text.print.size == 0) {
            continue;  // an empty page no list numbers: nothing to keep
        }
        // Named after the tab whose page file it is (or is a copy of) by the numbering it was
        // read with; past the last tab, after the file.
        const auto place = static_cast<std::size_t>(text.page);
        Utf16 owner;
        if (writer && text.page >= 0 && place < idAt[*writer].size()) {
            owner = ids[idAt[*writer][place]].caption;
        } else if (!writer && text.page >= 0 && place < baseTabs.size()) {
            owner = baseTabs[place].caption;
        } else {
            const std::string digits = std::to_string(text.page);
            owner = QB_TEXT("Tab") + Utf16(digits.begin(), digits.end());
        }
        MergedTab second;
        second.caption = OtherVersionCaption(owner);
        second.page = text.print;
        second.id = VersionId(text.print);
        second.otherVersion = true;
        seconds.push_back(std::move(second));
    }
    // A second version whose text a tab holds as its page already (an engine's copy of a page
    // that has its own tab now) adds nothing; nor does the same second version twice.
    for (MergedTab& second : seconds) {
        const bool held =
            std::any_of(outcome.tabs.begin(), outcome.tabs.end(),
                        [&](const MergedTab& tab) { return tab.page == second.page; });
        if (held) {
            continue;
        }
        // (Another machine that took the same copy as a tab, whose list came before its
        // record: that tab, known by its caption alone, is this one.)
        const auto same =
            std::find_if(outcome.tabs.begin(), outcome.tabs.end(), [&](const MergedTab& tab) {
                return tab.caption == second.caption && tab.id.empty() && !tab.page.exists;
            });
        if (same != outcome.tabs.end()) {
            same->page = second.page;
            same->id = second.id;
            same->otherVersion = true;
        } else {
            outcome.tabs.push_back(std::move(second));
        }
    }
    // A tab kept for a second version (a copy taken as a tab, on some machine) whose text a tab
    // of its own holds as its page now adds nothing either: the copy was that tab's change,
    // read before the record that told whose it was.
    {
        std::vector<Fingerprint> ownPages;
        for (const MergedTab& tab : outcome.tabs) {
            if (!IsVersionId(tab.id)) {
                ownPages.push_back(tab.page);
            }
        }
        std::erase_if(outcome.tabs, [&](const MergedTab& tab) {
            return IsVersionId(tab.id) && tab.page.exists && tab.page.size > 0 &&
                   Holds(ownPages, tab.page);
        });
    }
    // Rule 3a: closed where it was last seen as it is (unless that closes every tab).
    const auto closedAsSeen = [&](const MergedTab& tab) {
        return !tab.id.empty() &&
               std::any_of(input.closed.begin(), input.closed.end(), [&](const KnownTab& closed) {
                   return closed.id == tab.id && closed.page == tab.page;
               });
    };
    if (!allClosed && !std::all_of(outcome.tabs.begin(), outcome.tabs.end(), closedAsSeen)) {
        std::erase_if(outcome.tabs, closedAsSeen);
    }
    outcome.complete = !waiting && !waitingForList && !closeInDoubt && !renameInDoubt;
    for (MergedTab& tab : outcome.tabs) {
        if (tab.page.exists) {
            tab.from = findText(tab.page);
            if (!tab.from) {
                outcome.complete = false;
            }
        }
    }
    return outcome;
}

}  // namespace qb::notebook
