#pragma once
// What a command did, as one JSON document for scripts and configuration
// management (--json). The layout is docs/tavrin-cli.schema.json; a change
// that breaks a reader raises kJsonSchemaVersion.

#include <optional>
#include <string>
#include <vector>

#include "link/doctor.h"
#include "settings_file/profile.h"
#include "ui/profile_diff.h"

namespace tavrin::cli {

inline constexpr int kJsonSchemaVersion = 1;

// Two sets of settings compared: diff's A and B, a verify's sent and read
// back, apply's keyboard and profile.
struct Comparison {
    std::string a, b;  // what each side is
    ui::Differences differences;
};

struct Report {
    std::string command;
    // The settings the command ends with, as its human output lists them.
    std::optional<settings_file::Profile> settings;
    std::optional<Comparison> comparison;  // diff's, or apply's changes
    std::optional<Comparison> verify;      // a --verify's (apply's own included)
    // apply: bytes the profile holds that no write changes, keyboard and profile.
    std::vector<ui::ByteDifference> unwritten;
    std::optional<std::vector<link::DoctorCheck>> checks;
    // apply: "unchanged", "changed" or "would change"; otherwise from the
    // exit status and the comparison.
    std::string outcome;
    std::string backup;  // the backup saved before a write
};

std::string jsonDocument(const Report& report, int exitStatus);

}  // namespace tavrin::cli
