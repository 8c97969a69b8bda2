#pragma once
// The fault soak: the whole program against the simulated keyboard on a
// virtual clock, a long run of operations in random order with random
// faults of the controller, the keyboard, the operator and the disk, and
// the invariants checked after every operation.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tavrin::soak {

struct Options {
    std::uint64_t seed = 1;
    long operations = 100000;
};

struct Figures {
    long operations = 0;
    long faults = 0;
    long checks = 0;
    long violations = 0;
    double virtualSeconds = 0;
    std::map<std::string, long> operationsByKind;
    std::map<std::string, long> faultsByKind;
    std::map<std::string, long> violationsByKind;
    std::vector<std::string> firstViolations;  // operation number and what broke
};

Figures run(const Options& options);

}  // namespace tavrin::soak
