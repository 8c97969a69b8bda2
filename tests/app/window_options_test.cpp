// A window's command line: one parse and one set of rules for the Qt window
// and the Win32 one.

#include "app/window_options.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tavrin::app {
namespace {

struct OptionsCase {
    std::vector<std::string> args;
    std::string error;  // empty: accepted
    bool simulate = false;
    std::string simImage;
    bool makeImageFolder = false;
};

TEST(WindowOptions, ParsesOnceWithTheSameRulesForEveryWindow) {
    const OptionsCase cases[] = {
        {{}, "", false, "", false},
        {{"--simulate"}, "", true, "", false},
        {{"--simulate", "--sim-image", "k.bin"}, "", true, "k.bin", false},
        {{"--simulate", "--sim-image=k.bin"}, "", true, "k.bin", false},
        {{"--screenshots", "out"}, "", true, "", false},
        {{"--screenshots", "out", "--sim-image", "k.bin"}, "", true, "k.bin", false},
        {{"--simulate", "--user-sim-image"}, "", true, "/data/tavrin/simulated-keyboard.bin", true},
        {{"--sim-image", "k.bin"}, "--sim-image needs --simulate", false, "", false},
        {{"--user-sim-image"}, "--user-sim-image needs --simulate", false, "", false},
        {{"--simulate", "--user-sim-image", "--sim-image", "k.bin"},
         "--sim-image and --user-sim-image name two images",
         false,
         "",
         false},
        {{"--simulate", "--sim-image"}, "--sim-image needs a file name", false, "", false},
        {{"--wire-log"}, "--wire-log needs a file name", false, "", false},
        {{"stray"}, "unexpected argument 'stray'", false, "", false},
        {{"--simulate=yes"}, "unexpected argument '--simulate=yes'", false, "", false},
    };
    for (const OptionsCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        WindowOptions given;
        // Not this machine's variables: a Windows process has no HOME.
        OptionsOutcome parsed = parseWindowOptions(c.args, nullptr, "/home/till");
        if (parsed.options) {
            // The user's data folder as the variables name it.
            given = *parsed.options;
            given.simImage = given.userSimImage ? "" : given.simImage;
            parsed = settleWindowOptions(given, "/data", "/home/till");
        }
        EXPECT_EQ(parsed.error, c.error);
        ASSERT_EQ(parsed.options.has_value(), c.error.empty());
        if (parsed.options) {
            EXPECT_EQ(parsed.options->simulate, c.simulate);
            EXPECT_EQ(parsed.options->simImage, c.simImage);
            EXPECT_EQ(parsed.options->makeImageFolder, c.makeImageFolder);
            EXPECT_EQ(parsed.options->session().simImage, c.simImage);
        }
    }
}

TEST(WindowOptions, HelpAndVersionAreAnsweredWhateverElseIsGiven) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h", "--sim-image", "k.bin"}, {"-?"}}) {
        const OptionsOutcome parsed = parseWindowOptions(args);
        ASSERT_TRUE(parsed.options);
        EXPECT_TRUE(parsed.options->help);
    }
    EXPECT_TRUE(parseWindowOptions({"--version"}).options->version);
    EXPECT_FALSE(parseWindowOptions({"--simulate"}).options->help);
}

TEST(WindowOptions, HelpAndVersionAreSeenBeforeAnyDisplayIsNeeded) {
    const std::pair<std::vector<const char*>, bool> cases[] = {
        {{"tavrin", "--help"}, true},      {{"tavrin", "-?"}, true},
        {{"tavrin", "-v"}, true},          {{"tavrin", "--simulate", "--version"}, true},
        {{"tavrin", "--help-all"}, false}, {{"tavrin", "--", "--help"}, false},
        {{"tavrin", "--simulate"}, false}, {{"tavrin"}, false},
    };
    for (const auto& [argv, asks] : cases) {
        SCOPED_TRACE(::testing::PrintToString(argv));
        EXPECT_EQ(asksForHelpOrVersion(static_cast<int>(argv.size()), argv.data()), asks);
    }
}

TEST(WindowOptions, TheUserDataFolderNeedsAnAbsolutePath) {
    WindowOptions given;
    given.simulate = true;
    given.userSimImage = true;
    EXPECT_EQ(settleWindowOptions(given, nullptr, nullptr).error,
              "--user-sim-image: neither XDG_DATA_HOME nor HOME names an absolute folder");
    EXPECT_EQ(settleWindowOptions(given, "relative", "/home/till").options->simImage,
              "/home/till/.local/share/tavrin/simulated-keyboard.bin");
}

}  // namespace
}  // namespace tavrin::app
