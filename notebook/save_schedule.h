// When the page on screen is saved while the user types: once typing pauses, and at least every
// so often while it goes on.
#pragma once

#include <cstdint>
#include <optional>

namespace qb::notebook {

class SaveSchedule {
  public:
    // Typing has paused after this long without a change.
    static constexpr std::uint64_t kTypingPauseMs = 1000;
    // While typing goes on, the page is saved at least this often, or less often for a page whose
    // save holds the window longer: then at most a twentieth of the time goes to saving.
    static constexpr std::uint64_t kSteadyTypingMinMs = 1500;
    static constexpr std::uint64_t kSteadyTypingMaxMs = 5000;

    // A change at `now` (milliseconds); how long from now until the page is to be saved.
    std::uint64_t Changed(std::uint64_t now);
    // Whether a change waits for a save.
    bool Pending() const { return unsavedSince_.has_value(); }
    // The page on disk is what the text area holds (saved, read, or the save given up).
    void Clear() { unsavedSince_.reset(); }
    // A save took this long.
    void Took(std::uint64_t ms) { lastSaveMs_ = ms; }

  private:
    std::uint64_t LongestUnsavedMs() const;

    std::optional<std::uint64_t> unsavedSince_;
    std::uint64_t lastSaveMs_ = 0;
};

}  // namespace qb::notebook
