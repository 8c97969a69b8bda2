// tavrin_soak [--short] [--operations N] [--seed S]: runs the fault soak
// and prints its figures; exits 1 on any invariant violation.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "soak.h"

int main(int argc, char** argv) {
    tavrin::soak::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--short") {
            options.operations = 10000;
        } else if (arg == "--operations" && i + 1 < argc) {
            options.operations = std::atol(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: tavrin_soak [--short] [--operations N] [--seed S]\n");
            return 2;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    const tavrin::soak::Figures f = tavrin::soak::run(options);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf(
        "seed %llu: %ld operations, %ld faults injected, %ld invariant checks, "
        "%ld violations\n",
        static_cast<unsigned long long>(options.seed), f.operations, f.faults, f.checks,
        f.violations);
    std::printf("wall %.1f s, virtual %.0f s\n", wall, f.virtualSeconds);
    std::printf("operations:");
    for (const auto& [kind, n] : f.operationsByKind) {
        std::printf(" %s %ld", kind.c_str(), n);
    }
    std::printf("\nfaults:");
    for (const auto& [kind, n] : f.faultsByKind) {
        std::printf(" %s %ld", kind.c_str(), n);
    }
    std::printf("\n");
    for (const auto& [kind, n] : f.violationsByKind) {
        std::printf("violated %ld times: %s\n", n, kind.c_str());
    }
    for (const auto& v : f.firstViolations) {
        std::printf("  %s\n", v.c_str());
    }
    return f.violations == 0 ? 0 : 1;
}
