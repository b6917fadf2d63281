// One running copy per working directory: two copies renumbering and saving the same page
// files would mix one tab's note into another's file. A second start brings the running copy
// forward and ends.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/handles.h"

namespace qb::app {

// The name that stands for a working directory: the same for every spelling of its path that
// the file system takes as the same (case, relative forms).
std::wstring InstanceNameFor(std::wstring_view fullPath);

class SingleInstance {
  public:
    SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True for the first copy in this working directory.
    bool First() const { return first_; }
    // The first copy tells later ones where its window is.
    void Publish(HWND form);
    // A later copy asks the first one to show its window; false when it could not be reached.
    bool BringRunningForward() const;

  private:
    qb::win::UniqueHandle mapping_;
    qb::win::UniqueView view_;
    bool first_ = true;
};

}  // namespace qb::app
