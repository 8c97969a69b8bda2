#pragma once
// A window's command line, the same for the Qt window and the Win32 one:
// the options, the rules between them, and the session they ask for.

#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace tavrin::app {

struct WindowOptions {
    bool simulate = false;
    std::string simImage;          // the simulated keyboard's EEPROM, kept between runs
    bool userSimImage = false;     // simImage in the user's data folder (--user-sim-image)
    bool makeImageFolder = false;  // set with userSimImage: a first run makes the folder
    std::string wireLog;           // every data-port byte as "<ms> <HH>"
    std::string screenshots;       // folder: draw every form into PNG files and end
    std::string benchReport;       // figures of the start, then the program ends
    bool help = false;
    bool version = false;

    SessionSettings session() const;
};

// What the command line came to: the options, or the usage error to tell.
struct OptionsOutcome {
    std::optional<WindowOptions> options;
    std::string error;
};

inline constexpr const char* kWindowUsage =
    "Usage: tavrin [--simulate] [--sim-image FILE] [--user-sim-image] [--wire-log FILE]\n"
    "Configures the POS keyboard's magnetic stripe reader: reads, changes and writes its "
    "settings.\n"
    "  --simulate        Work with the simulated keyboard, in real time.\n"
    "  --sim-image FILE  The simulated keyboard's EEPROM as a settings file: loaded when it\n"
    "                    exists, saved back at the end.\n"
    "  --user-sim-image  Keep it in the user's data folder ($XDG_DATA_HOME/tavrin).\n"
    "  --wire-log FILE   Log every byte written to the data port as '<ms> <HH>'.\n"
    "  --help, --version\n";

// Whether the command line holds --help or --version (-h, -?, -v), which
// are answered without a display. --help-all is not among them: the
// window system's options it lists need the window system.
bool asksForHelpOrVersion(int argc, const char* const* argv);

// The arguments after the program's name, "--option VALUE" or
// "--option=VALUE". A toolkit with a parser of its own fills WindowOptions
// itself and calls settleWindowOptions. The user's data folder comes from
// XDG_DATA_HOME and HOME, or from the two values given.
OptionsOutcome parseWindowOptions(const std::vector<std::string>& args);
OptionsOutcome parseWindowOptions(const std::vector<std::string>& args, const char* xdgDataHome,
                                  const char* home);

// The rules between the options: pictures are taken of a simulated
// keyboard; an image needs --simulate; --user-sim-image names the image in
// the user's data folder (from the two variables' values, null when unset).
OptionsOutcome settleWindowOptions(WindowOptions options, const char* xdgDataHome,
                                   const char* home);

}  // namespace tavrin::app
