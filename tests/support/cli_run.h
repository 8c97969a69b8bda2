#pragma once
// tavrin-cli run in-process with its two streams caught, on the simulated
// keyboard's virtual clock.

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"

namespace tavrin::test {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun runCliVirtual(std::vector<std::string> args, cli::CliOptions options = {}) {
    options.virtualClock = true;
    args.insert(args.begin(), "tavrin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out, err;
    const int status = cli::runCli(static_cast<int>(argv.size()), argv.data(), out, err, options);
    return {status, out.str(), err.str()};
}

// A settings file holding the simulated keyboard's factory defaults.
inline std::vector<std::uint8_t> factoryFile() {
    eeprom::EepromImage image{};
    const auto defaults = sim::KeyboardFirmware::factoryDefaults();
    std::copy(defaults.begin(), defaults.end(), image.begin());
    return settings_file::encode(image);
}

}  // namespace tavrin::test
