// What the note-keeping tells the user about their notes: the texts, and telling each subject
// once a run.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace qb::notebook {

// A page shown only up to a NUL byte: the tab's caption, the name its original is kept under.
std::wstring CutPageNotice(const std::wstring& caption, const std::wstring& original);
// A page whose bytes after the UTF-8 mark are no UTF-8.
std::wstring ReplacedPageNotice(const std::wstring& caption, const std::wstring& original);
// A tab list shown in part (a NUL, a caption longer than the strip takes).
std::wstring CutTabListNotice(const std::wstring& original);
// A tab list whose bytes after the UTF-8 mark are no UTF-8.
std::wstring ReplacedTabListNotice(const std::wstring& original);
// A page file no tab owns, moved aside before a new tab takes its number.
std::wstring UnownedPageNotice(const std::wstring& page, const std::wstring& kept);

// A page changed by another program while it was edited here: both versions kept.
std::wstring BothVersionsKeptNotice(const std::wstring& caption, const std::wstring& ownCaption);
// A copy a sync engine left beside a page, taken as a tab of its own.
std::wstring ConflictCopyNotice(const std::wstring& caption, const std::wstring& file,
                                const std::wstring& copyCaption);
// Tabs changed on this machine and on another at once, merged: the tabs brought back (closed on
// one machine while their page was changed on the other) and the pages kept twice (changed on
// both), by caption.
std::wstring TabsMergedNotice(const std::vector<std::wstring>& broughtBack,
                              const std::vector<std::wstring>& keptTwice);
// A close given up because the tab list changed outside while the tab was chosen.
std::wstring CloseGivenUpNotice();

// An earlier text of a page could not be kept (the page itself was stored).
std::wstring HistoryFailedNotice(const std::wstring& failure);

// A search that found nothing anywhere.
std::wstring NotFoundNotice(const std::wstring& text);

// The subjects told of in this run.
class Told {
  public:
    // True the first time a subject is given.
    bool First(const std::wstring& subject);

  private:
    std::vector<std::wstring> subjects_;
};

}  // namespace qb::notebook
