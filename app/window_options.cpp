#include "app/window_options.h"

#include <cstdlib>
#include <string_view>

#include "app/keyboard_image_file.h"

namespace tavrin::app {

SessionSettings WindowOptions::session() const {
    SessionSettings settings;
    settings.simulate = simulate;
    settings.simImage = simImage;
    settings.wireLog = wireLog;
    settings.makeImageFolder = makeImageFolder;
    return settings;
}

bool asksForHelpOrVersion(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--") {
            break;  // what follows is no option
        }
        if (a == "-h" || a == "-?" || a == "--help" || a == "-v" || a == "--version") {
            return true;
        }
    }
    return false;
}

OptionsOutcome parseWindowOptions(const std::vector<std::string>& args) {
    return parseWindowOptions(args, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

OptionsOutcome parseWindowOptions(const std::vector<std::string>& args, const char* xdgDataHome,
                                  const char* home) {
    WindowOptions options;
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string arg = args[k];
        std::optional<std::string> inline_;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            inline_ = arg.substr(eq + 1);
            arg.resize(eq);
        }
        std::string* value = arg == "--sim-image"      ? &options.simImage
                             : arg == "--wire-log"     ? &options.wireLog
                             : arg == "--screenshots"  ? &options.screenshots
                             : arg == "--bench-report" ? &options.benchReport
                                                       : nullptr;
        if (value != nullptr) {
            if (!inline_ && k + 1 >= args.size()) {
                return {std::nullopt, arg + " needs a file name"};
            }
            *value = inline_ ? *inline_ : args[++k];
            continue;
        }
        bool* flag = arg == "--simulate"                             ? &options.simulate
                     : arg == "--user-sim-image"                     ? &options.userSimImage
                     : arg == "--help" || arg == "-h" || arg == "-?" ? &options.help
                     : arg == "--version" || arg == "-v"             ? &options.version
                                                                     : nullptr;
        if (flag == nullptr || inline_) {
            return {std::nullopt, "unexpected argument '" + args[k] + "'"};
        }
        *flag = true;
    }
    if (options.help || options.version) {
        return {options, {}};
    }
    return settleWindowOptions(std::move(options), xdgDataHome, home);
}

OptionsOutcome settleWindowOptions(WindowOptions options, const char* xdgDataHome,
                                   const char* home) {
    if (!options.screenshots.empty()) {
        options.simulate = true;  // pictures of the window as a keyboard fills it
    }
    if ((!options.simImage.empty() || options.userSimImage) && !options.simulate) {
        return {std::nullopt,
                std::string(options.userSimImage ? "--user-sim-image" : "--sim-image") +
                    " needs --simulate"};
    }
    if (options.userSimImage) {
        if (!options.simImage.empty()) {
            return {std::nullopt, "--sim-image and --user-sim-image name two images"};
        }
        options.simImage = userKeyboardImagePath(xdgDataHome, home);
        if (options.simImage.empty()) {
            return {std::nullopt,
                    "--user-sim-image: neither XDG_DATA_HOME nor HOME names an absolute folder"};
        }
        options.makeImageFolder = true;
    }
    return {std::move(options), {}};
}

}  // namespace tavrin::app
