#include "store/win/test_hooks.h"

namespace qb::hooks {

void CrashPoint() {}

bool BackgroundSavesOn() {
    return true;
}

}  // namespace qb::hooks
