#include "win/background_writer.h"

#include <utility>

namespace qb::win {

namespace {

// The lock held for one scope.
class Locked {
  public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    SRWLOCK& lock_;
};

}  // namespace

BackgroundWriter::BackgroundWriter(HWND window, UINT message)
    : window_(window),
      message_(message),
      thread_(CreateThread(nullptr, 0, &BackgroundWriter::Run, this, 0, nullptr)) {}

BackgroundWriter::~BackgroundWriter() {
    if (!thread_.valid()) {
        return;
    }
    {
        const Locked locked(lock_);
        stopping_ = true;
    }
    WakeAllConditionVariable(&changed_);
    WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI BackgroundWriter::Run(void* self) {
    static_cast<BackgroundWriter*>(self)->Work();
    return 0;
}

void BackgroundWriter::Work() {
    const Locked locked(lock_);
    for (;;) {
        while (waiting_.empty() && !stopping_) {
            SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        }
        if (waiting_.empty()) {
            return;  // stopping, with nothing left to write
        }
        Task task = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        ReleaseSRWLockExclusive(&lock_);
        task.work();
        AcquireSRWLockExclusive(&lock_);
        done_.push_back(std::move(task.done));
        busy_ = false;
        WakeAllConditionVariable(&changed_);
        PostMessageW(window_, message_, 0, 0);
    }
}

void BackgroundWriter::Submit(std::function<void()> work, std::function<void()> done) {
    if (!thread_.valid()) {
        work();
        done();
        return;
    }
    {
        const Locked locked(lock_);
        waiting_.push_back({std::move(work), std::move(done)});
    }
    WakeAllConditionVariable(&changed_);
}

void BackgroundWriter::Finish() {
    {
        const Locked locked(lock_);
        while (!waiting_.empty() || busy_) {
            SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
        }
    }
    Deliver();
}

void BackgroundWriter::Deliver() {
    // One at a time, the lock not held: what follows a piece of work may wait for the writer
    // itself.
    for (;;) {
        std::function<void()> done;
        {
            const Locked locked(lock_);
            if (done_.empty()) {
                return;
            }
            done = std::move(done_.front());
            done_.pop_front();
        }
        done();
    }
}

}  // namespace qb::win
