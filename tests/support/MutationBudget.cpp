#include "support/MutationBudget.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {
namespace {

// The failures that the running test has recorded so far.
int failedParts() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    int failed = 0;
    for (int i = 0; test != nullptr && i < test->result()->total_part_count(); ++i) {
        failed += test->result()->GetTestPartResult(i).failed() ? 1 : 0;
    }
    return failed;
}

// The value of `variable` as a number, or `fallback` when it is not set.
unsigned long long fromEnvironment(const char* variable, unsigned long long fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10) : fallback;
}

}  // namespace

MutationBudget::MutationBudget(std::string kind, int cases, unsigned seed, std::chrono::seconds timeBound)
    : kind_(std::move(kind)),
      cases_(static_cast<int>(fromEnvironment("VESK_MUTATION_CASES", static_cast<unsigned>(cases)))),
      seed_(static_cast<unsigned>(fromEnvironment("VESK_MUTATION_SEED", seed))),
      end_(std::chrono::steady_clock::now() +
           std::chrono::seconds(
               fromEnvironment("VESK_MUTATION_SECONDS", static_cast<unsigned>(timeBound.count())))),
      random_(seed_),
      failedParts_(failedParts()) {
    std::printf("mutation %s: VESK_MUTATION_SEED=%u, up to %d cases\n", kind_.c_str(), seed_, cases_);
    std::fflush(stdout);
}

MutationBudget::~MutationBudget() {
    settle();
    std::printf("mutation %s: %d cases, %d failures (seed %u)\n", kind_.c_str(), ran_, failures_, seed_);
    std::fflush(stdout);
}

void MutationBudget::settle() {
    const int parts = failedParts();
    if (ran_ > 0 && parts > failedParts_) {
        ++failures_;
    }
    failedParts_ = parts;
}

bool MutationBudget::next() {
    settle();
    if (ran_ >= cases_ || std::chrono::steady_clock::now() >= end_) {
        return false;
    }
    ++ran_;
    return true;
}

std::size_t MutationBudget::below(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
}

}  // namespace testsupport
