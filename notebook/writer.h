// Where a page saved in the background is written: the notebook hands the writer a piece of
// work (the file work, which touches nothing of the window) and what follows it on the window's
// thread; the writer runs the work in the order given and hands back what follows, in the same
// order. The window gives a writer with a thread of its own; without one, the notebook writes
// at once, in line.
#pragma once

#include <functional>

namespace qb::notebook {

class Writer {
  public:
    virtual ~Writer() = default;
    // work runs on the writer, after all work submitted before it; done runs afterwards on the
    // caller's thread. Neither may throw.
    virtual void Submit(std::function<void()> work, std::function<void()> done) = 0;
    // Returns once every piece of work submitted is done and its done has run.
    virtual void Finish() = 0;
};

// Runs the work and what follows it at once, in the caller's thread.
class InlineWriter final : public Writer {
  public:
    void Submit(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
    void Finish() override {}
};

}  // namespace qb::notebook
