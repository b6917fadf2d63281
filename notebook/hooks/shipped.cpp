#include "notebook/test_hooks.h"

namespace qb::hooks {

void CrashPoint() {}

bool BackgroundSavesOn() {
    return true;
}

}  // namespace qb::hooks
