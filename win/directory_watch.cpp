#include "win/directory_watch.h"

#include "win/file.h"

namespace qb::win {

DirectoryWatch::DirectoryWatch(std::wstring directory, HWND window, UINT message)
    : directory_(FullPath(directory)),
      window_(window),
      message_(message),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (stop_.valid()) {
        thread_ = UniqueHandle(CreateThread(nullptr, 0, &DirectoryWatch::Run, this, 0, nullptr));
    }
}

DirectoryWatch::~DirectoryWatch() {
    if (thread_.valid()) {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

DWORD WINAPI DirectoryWatch::Run(void* self) {
    static_cast<DirectoryWatch*>(self)->Watch();
    return 0;
}

void DirectoryWatch::Watch() {
    constexpr DWORD kWhat =
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
    const std::wstring parent = directory_.substr(0, directory_.find_last_of(L"\\/"));
    for (;;) {
        const bool there = DirectoryExists(directory_);
        // The directory itself, or, until it is made, the one it will be made in.
        const ChangeNotification change(
            FindFirstChangeNotificationW(there ? directory_.c_str() : parent.c_str(), FALSE,
                                         there ? kWhat : FILE_NOTIFY_CHANGE_DIR_NAME));
        if (!change.valid()) {
            return;  // nothing to watch: changes are still seen before every write
        }
        if (there) {
            // Changes made before the watch began (the directory just made) count too.
            PostMessageW(window_, message_, 0, 0);
        }
        for (;;) {
            const HANDLE events[] = {stop_.get(), change.get()};
            const DWORD woke = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            if (woke != WAIT_OBJECT_0 + 1) {
                return;  // stopped, or the wait failed
            }
            if (!there) {
                break;  // a directory was made beside it: perhaps this one
            }
            // Watching again before telling, so that nothing that comes meanwhile is missed.
            const bool rearmed = FindNextChangeNotification(change.get()) != FALSE;
            PostMessageW(window_, message_, 0, 0);
            if (!rearmed) {
                break;
            }
            if (!DirectoryExists(directory_)) {
                break;  // it went: wait for it to come back
            }
        }
    }
}

}  // namespace qb::win
