#pragma once

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace testsupport {

// How many seeded cases one mutation loop runs and from which seed, so that a failure
// repeats exactly and the same loop runs long from bench/hostile. The suite runs a modest
// count; VESK_MUTATION_SEED, VESK_MUTATION_CASES and VESK_MUTATION_SECONDS override the
// seed, the count and the time bound. The loop stops early, with what it has done, when
// the time bound is reached, so that a slow machine never makes it hang. A case counts
// as failed when the running test recorded a failure during it.
class MutationBudget {
public:
    // `kind` names the input in what the loop prints (one word, such as "version").
    MutationBudget(std::string kind, int cases, unsigned seed, std::chrono::seconds timeBound);

    // Whether another case may run; counts it, and the case before as failed when it was.
    bool next();

    // The generator of the loop, seeded once.
    std::mt19937_64& random() { return random_; }
    // A number below `bound` (which must not be 0).
    std::size_t below(std::size_t bound);

    unsigned seed() const { return seed_; }
    int ran() const { return ran_; }
    int failures() const { return failures_; }

    // Prints "mutation <kind>: <cases> cases, <failures> failures (seed <seed>)", the line
    // bench/hostile collects.
    ~MutationBudget();
    MutationBudget(const MutationBudget&) = delete;
    MutationBudget& operator=(const MutationBudget&) = delete;

private:
    // Counts the case that just ended as failed when it added to the test's failures.
    void settle();

    std::string kind_;
    int cases_;
    unsigned seed_;
    std::chrono::steady_clock::time_point end_;
    std::mt19937_64 random_;
    int ran_ = 0;
    int failures_ = 0;
    int failedParts_ = 0;
};

}  // namespace testsupport
