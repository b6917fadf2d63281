// Tells a window when the files in the store directory change: a message posted to it from a
// thread that waits on the system's change notification, taking no processor time meanwhile.
// While the directory does not exist, the thread waits for a directory to be made beside it.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

namespace qb::win {

class DirectoryWatch {
  public:
    DirectoryWatch(std::wstring directory, HWND window, UINT message);
    // Stops the thread and waits for it.
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

  private:
    static DWORD WINAPI Run(void* self);
    void Watch();

    std::wstring directory_;
    HWND window_;
    UINT message_;
    UniqueHandle stop_;
    UniqueHandle thread_;
};

}  // namespace qb::win
