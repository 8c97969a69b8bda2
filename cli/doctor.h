#pragma once
// tavrin-cli doctor: one line per check of the machine (or the simulated
// keyboard), then a verdict.

#include <ostream>
#include <string>
#include <vector>

#include "cli/session.h"
#include "link/doctor.h"

namespace tavrin::cli {

// Exit 0 when every check passes, 1 otherwise; the checks are also kept
// in `checks` when given.
int runDoctor(const app::SessionSettings& settings, const CliOptions& options, const char* argv0,
              std::ostream& out, std::vector<link::DoctorCheck>* checks = nullptr);
int printDoctorReport(const std::vector<link::DoctorCheck>& checks, std::ostream& out);

// Why the machine's port driver did not open, in one sentence.
std::string driverFailureCause(app::NativePlatform& machine, const CliOptions& options);

// A winio3.dll of the other architecture fails to load with no reason the
// core can tell; this says which build loads it.
void warnForeignPortLibrary(app::NativePlatform& machine, std::ostream& err);

}  // namespace tavrin::cli
