#pragma once
// tavrin-cli: the main window's commands, headless, over the same core.

#include <ostream>

#include "cli/session.h"

namespace tavrin::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a reported failure, or a difference
inline constexpr int kExitUsage = 2;
// A keyboard command without the administrator rights the port driver needs.
inline constexpr int kExitNoRights = 3;

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const CliOptions& options = {});

}  // namespace tavrin::cli
