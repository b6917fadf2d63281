// Where a test build of the program differs from the shipped one. The shipped program links
// hooks that do nothing; the test build (QuillbrassetTestHooks) links hooks that the tests
// steer through its environment.
#pragma once

namespace qb::hooks {

// A point between two file operations that must survive a power cut between them. The test
// build ends itself at the N-th such point when QB_CRASH_AT=N, as a cut would.
void CrashPoint();

// Whether the text area's page is saved in the background while the user types. The test
// build turns this off with QB_BACKGROUND_SAVES=0, to time the program without it.
bool BackgroundSavesOn();

}  // namespace qb::hooks
