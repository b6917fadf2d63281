#include <windows.h>

#include <cstdlib>
#include <string>

#include "notebook/test_hooks.h"

namespace qb::hooks {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

void CrashPoint() {
    static const long target = std::atol(Variable("QB_CRASH_AT").c_str());
    static long reached = 0;
    if (target > 0 && ++reached == target) {
        TerminateProcess(GetCurrentProcess(), 99);
    }
}

bool BackgroundSavesOn() {
    static const bool on = Variable("QB_BACKGROUND_SAVES") != "0";
    return on;
}

}  // namespace qb::hooks
