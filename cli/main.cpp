#include <iostream>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>
#include <sstream>
#include <string>

#include "app/keyboard_image_file.h"
#include "cli/backups.h"
#include "cli/cli_app.h"

#ifdef __linux__
#include "platform/linux/port_client.h"
#endif

namespace {

#ifdef TAVRIN_TEST_SWITCHES
// Only tavrin-cli-test, the build the script and playbook tests run, reads
// these; the installed tavrin-cli has no trace of them.

// Tests of scripts and playbooks only: the simulated keyboard drops the item
// frames of these setting codes (hexadecimal, comma-separated), as a cable
// that loses a byte does. Without --simulate it has no effect.
void lostFramesFromEnvironment(tavrin::cli::CliOptions& options) {
    const char* codes = std::getenv("TAVRIN_SIM_LOST_FRAMES");
    std::istringstream in(codes ? codes : "");
    for (std::string code; std::getline(in, code, ',');) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(code.c_str(), &end, 16);
        if (!code.empty() && end && *end == '\0' && value <= 0xFF) {
            options.simulator.keyboard.lostFrames.insert(static_cast<std::uint8_t>(value));
        }
    }
}

// Tests of scripts only: "0" runs as if without administrator rights, "1"
// as if with them, so the keyboard commands' refusal can be seen on the
// simulated keyboard.
void rightsFromEnvironment(tavrin::cli::CliOptions& options) {
    const char* forced = std::getenv("TAVRIN_TEST_ADMINISTRATOR");
    if (forced && (std::string(forced) == "0" || std::string(forced) == "1")) {
        options.administrator = std::string(forced) == "1";
    }
}

// Tests of playbooks only: the simulated keyboard on a virtual clock, so its
// waits cost no time (a whole-image write is some seconds of real waits).
void clockFromEnvironment(tavrin::cli::CliOptions& options) {
    const char* clock = std::getenv("TAVRIN_TEST_VIRTUAL_CLOCK");
    options.virtualClock = clock != nullptr && std::string(clock) == "1";
}
#endif

#ifdef _WIN32
// _isatty takes the NUL device for a terminal too; only a console has a mode.
bool isConsole(DWORD standardHandle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode) != 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end in LF on every system, so scripts see the same bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    tavrin::cli::CliOptions options;
#ifdef _WIN32
    options.progress = isConsole(STD_ERROR_HANDLE);
    const bool terminalInput = isConsole(STD_INPUT_HANDLE);
#else
    options.progress = isatty(STDERR_FILENO) != 0;
    const bool terminalInput = isatty(STDIN_FILENO) != 0;
#endif
    const char* programData = std::getenv("ProgramData");
    options.backupFolder = tavrin::cli::defaultBackupFolder(programData ? programData : "");
    options.userSimImage =
        tavrin::app::userKeyboardImagePath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
#ifdef __linux__
    // The helper binds the port and gives it back to atkbd when its lease ends.
    options.linuxSystem.giveBackThroughHelper = [](std::string& reason) {
        auto lease = tavrin::platform::acquireKeyboardPort({}, reason);
        return lease != nullptr && lease->release() == tavrin::platform::kPortGivenBack;
    };
#endif
#ifdef TAVRIN_TEST_SWITCHES
    lostFramesFromEnvironment(options);
    rightsFromEnvironment(options);
    clockFromEnvironment(options);
#endif
    if (terminalInput) {
        options.answers = &std::cin;
    }
    return tavrin::cli::runCli(argc, argv, std::cout, std::cerr, options);
}
