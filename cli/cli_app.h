#pragma once
// tavrin-cli: the main window's commands, headless, over the same core.

#include <ostream>

namespace tavrin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace tavrin::cli
