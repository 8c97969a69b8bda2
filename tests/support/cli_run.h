#pragma once
// tavrin-cli run in-process with its two streams caught, and the folder the
// cli tests keep the simulated keyboard's image and wire log in.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_app.h"
#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "support/temp_dir.h"

namespace tavrin::test {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

// On the machine's clock unless the options ask for the virtual one.
inline CliRun runCliWith(std::vector<std::string> args, const cli::CliOptions& options = {}) {
    args.insert(args.begin(), "tavrin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out, err;
    const int status = cli::runCli(static_cast<int>(argv.size()), argv.data(), out, err, options);
    return {status, out.str(), err.str()};
}

inline CliRun runCliVirtual(std::vector<std::string> args, cli::CliOptions options = {}) {
    options.virtualClock = true;
    return runCliWith(std::move(args), options);
}

inline CliRun run(std::vector<std::string> args, cli::CliOptions options = {}) {
    return runCliVirtual(std::move(args), std::move(options));
}

// The simulated keyboard's factory image, with some addresses changed.
inline eeprom::EepromImage factoryImage(
    std::initializer_list<std::pair<int, std::int32_t>> changes = {}) {
    eeprom::EepromImage image{};
    const auto defaults = sim::KeyboardFirmware::factoryDefaults();
    std::copy(defaults.begin(), defaults.end(), image.begin());
    for (const auto& [address, value] : changes) {
        image[static_cast<std::size_t>(address)] = value;
    }
    return image;
}

// The same as a settings file.
inline std::vector<std::uint8_t> factoryFile(
    std::initializer_list<std::pair<int, std::int32_t>> changes = {}) {
    return settings_file::encode(factoryImage(changes));
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A command line and more words after it.
inline std::vector<std::string> joined(std::vector<std::string> args,
                                       const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

inline std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// k.bin, the simulated keyboard's image at factory settings, and wire.txt,
// the bytes it was sent.
class SimKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { dir.write("k.bin", factoryFile()); }
    std::vector<std::string> sim(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--simulate", "--sim-image", dir.file("k.bin"), "--wire-log",
                                   dir.file("wire.txt")});
        return args;
    }
    std::size_t wireBytes() const {
        const auto log = dir.read("wire.txt");
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    }
    TempDir dir;
};

}  // namespace tavrin::test

// What the cli tests, in tavrin::cli, name unqualified.
namespace tavrin::cli {
using test::CliRun;
using test::factoryFile;
using test::joined;
using test::linesOf;
using test::run;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
}  // namespace tavrin::cli
