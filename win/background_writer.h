// The writer of the pages saved in the background: a thread of its own takes the file work in
// the order given, and tells the window with a message when a piece is done; what follows it
// then runs on the window's thread, when the window takes the message or when it waits for
// the writer.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>

#include "notebook/writer.h"
#include "win/handles.h"

namespace qb::win {

class BackgroundWriter final : public notebook::Writer {
  public:
    // Posts `message` to `window` each time a piece of work is done. Without a thread (the
    // system gave none), the work is done at once, in the caller's thread.
    BackgroundWriter(HWND window, UINT message);
    // Lets the work given finish, then stops the thread; what would follow it does not run.
    ~BackgroundWriter() override;
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    void Submit(std::function<void()> work, std::function<void()> done) override;
    void Finish() override;
    // The window took the message: what follows each piece of work done runs, in order.
    void Deliver();

  private:
    static DWORD WINAPI Run(void* self);
    void Work();

    struct Task {
        std::function<void()> work;
        std::function<void()> done;
    };
    HWND window_;
    UINT message_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    std::deque<Task> waiting_;                // not yet taken by the thread
    std::deque<std::function<void()>> done_;  // work done, what follows it not yet run
    bool busy_ = false;                       // the thread is working on a piece
    bool stopping_ = false;
    UniqueHandle thread_;
};

}  // namespace qb::win
