#pragma once
// tavrin-cli apply PROFILE [--check] [--backup-dir DIR]: its options.

#include <CLI/CLI.hpp>
#include <string>

namespace tavrin::cli {

struct ApplyArguments {
    std::string profile;
    bool check = false;
    std::string backupDir;  // empty: the default folder
};

void defineApplyCommand(CLI::App& cli, ApplyArguments& args);

}  // namespace tavrin::cli
