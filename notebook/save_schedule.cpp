#include "notebook/save_schedule.h"

#include <algorithm>

namespace qb::notebook {

std::uint64_t SaveSchedule::LongestUnsavedMs() const {
    return std::clamp<std::uint64_t>(20 * lastSaveMs_, kSteadyTypingMinMs, kSteadyTypingMaxMs);
}

std::uint64_t SaveSchedule::Changed(std::uint64_t now) {
    if (!unsavedSince_) {
        unsavedSince_ = now;
    }
    const std::uint64_t due = std::min(now + kTypingPauseMs, *unsavedSince_ + LongestUnsavedMs());
    return due > now ? due - now : 0;
}

}  // namespace qb::notebook
