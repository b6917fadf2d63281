// The account a suite that injects faults into the real program keeps: how many it injected,
// how many the program came through, and the bytes of stored notes lost. The suite prints it as
// one line once every test has run.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace e2e {

struct Ledger {
    int injected = 0;
    int survived = 0;
    long long bytesLost = 0;
};

// Prints a suite's line when the run ends; a run that injected nothing (a run of other tests)
// prints none.
class LedgerReport : public ::testing::Environment {
  public:
    LedgerReport(const Ledger& ledger, std::function<void()> print)
        : ledger_(ledger), print_(std::move(print)) {}
    void TearDown() override {
        if (ledger_.injected == 0) {
            return;
        }
        print_();
    }

  private:
    const Ledger& ledger_;
    std::function<void()> print_;
};

// Registers the report for the whole run (GoogleTest owns and deletes its environments).
inline ::testing::Environment* ReportWhenTheRunEnds(const Ledger& ledger,
                                                    std::function<void()> print) {
    return ::testing::AddGlobalTestEnvironment(
        std::make_unique<LedgerReport>(ledger, std::move(print)).release());
}

}  // namespace e2e
