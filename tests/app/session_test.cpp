#include "app/session.h"

#include "app/keyboard_image_file.h"
#include "app/real_clock.h"
#include "app/window_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "settings_file/settings_file.h"
#include "sim/keyboard_firmware.h"
#include "sim/virtual_clock.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace tavrin::app {
namespace {

// A session on the simulated keyboard, on a virtual clock.
struct SimulatedRun {
    explicit SimulatedRun(const SessionSettings& settings)
        : session(settings, frontEnd(), nullptr) {}

    FrontEnd frontEnd() {
        FrontEnd front(dialogs);
        front.simClock = &clock;
        front.afterEvents = [this] { ++pumps; };
        return front;
    }

    test::FakeDialogs dialogs;
    sim::VirtualClock clock;
    int pumps = 0;
    Session session;
    std::string error;  // prepare's and finish's reason
};

std::vector<std::uint8_t> imageWith(std::size_t address, std::uint8_t value) {
    eeprom::EepromImage image{};
    const auto defaults = sim::KeyboardFirmware::factoryDefaults();
    std::copy(defaults.begin(), defaults.end(), image.begin());
    image[address] = value;
    return settings_file::encode(image);
}

// The simulated keyboard with its image file and wire log.
SessionSettings simulated(std::string image, std::string wireLog, bool makeImageFolder = false) {
    SessionSettings settings;
    settings.simulate = true;
    settings.simImage = std::move(image);
    settings.wireLog = std::move(wireLog);
    settings.makeImageFolder = makeImageFolder;
    return settings;
}

TEST(AppSession, TheImageIsLoadedKeptAndTheWireLogged) {
    test::TempDir dir;
    dir.write("k.bin", imageWith(40, 0x66));
    SimulatedRun run(simulated(dir.file("k.bin"), dir.file("wire.log")));
    ASSERT_TRUE(run.session.prepare(run.error)) << run.error;
    ASSERT_NE(run.session.keyboard(), nullptr);
    EXPECT_EQ(run.session.keyboard()->firmware().eeprom()[40], 0x66);

    run.session.window().Form_Load(false);
    ASSERT_TRUE(run.session.window().readKeyboard());
    EXPECT_GT(run.pumps, 0);  // the front end saw the waits
    auto e = run.session.keyboard()->firmware().eeprom();
    e[41] = 0x12;
    run.session.keyboard()->firmware().setEeprom(e);
    ASSERT_TRUE(run.session.finish(run.error)) << run.error;  // unloads the window itself
    EXPECT_TRUE(run.session.window().ended());

    auto expected = imageWith(40, 0x66);
    expected[4 * 41] = 0x12;
    EXPECT_EQ(dir.read("k.bin"), expected);
    const auto log = dir.read("wire.log");
    EXPECT_NE(std::string(log.begin(), log.end()).find(" E7\n"), std::string::npos);
}

// Nothing the session cannot keep is started: the reason names the file,
// and an image that could not be read is not written over at the end.
TEST(AppSession, RefusalsNameTheFileAndKeepIt) {
    struct Case {
        const char* what;
        const char* image;
        const char* wireLog;
        const char* reason;
    };
    const Case cases[] = {
        {"image is a folder", "folder", "", "cannot take "},
        {"wire log in a missing folder", "k.bin", "missing/wire.log", "cannot write the wire log "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        std::filesystem::create_directories(dir.path() / "folder");
        const std::string wireLog = *c.wireLog ? dir.file(c.wireLog) : "";
        SimulatedRun run(simulated(dir.file(c.image), wireLog));
        EXPECT_FALSE(run.session.prepare(run.error));
        EXPECT_EQ(run.error.rfind(c.reason, 0), 0u) << run.error;
        EXPECT_NE(run.error.find(*c.wireLog ? wireLog : dir.file(c.image)), std::string::npos);
        run.session.finish(run.error);
        EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder"));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "k.bin"));
    }
}

TEST(AppSession, TheMachineBackendsTakeTheFrontEndsLoop) {
    test::FakeDialogs dialogs;
    test::FakeTime loop;
    FrontEnd front(dialogs);
    front.nativeEvents = &loop;
    front.nativeTimer1 = &loop;
    Session session({}, front, nullptr);
    EXPECT_TRUE(loop.timerHandler);  // the capture's Timer1 is the front end's
    std::string error;
    ASSERT_TRUE(session.prepare(error)) << error;
    EXPECT_FALSE(session.simulated());
    EXPECT_EQ(session.keyboard(), nullptr);
    EXPECT_FALSE(programFolder(nullptr).empty());
    EXPECT_TRUE(session.finish(error)) << error;
}

// The desktop entry's simulated keyboard: its image in the user's data
// folder, which a first run makes.
TEST(AppSession, TheUserDataFolderIsMadeOnlyWhenAsked) {
    for (const bool make : {true, false}) {
        SCOPED_TRACE(make ? "made" : "not made");
        test::TempDir dir;
        SimulatedRun run(simulated(dir.file("data/tavrin/k.bin"), "", make));
        ASSERT_TRUE(run.session.prepare(run.error)) << run.error;
        EXPECT_EQ(run.session.finish(run.error), make) << run.error;
        EXPECT_EQ(std::filesystem::exists(dir.path() / "data/tavrin/k.bin"), make);
    }
    // A file where the folder should be: refused, and the file is kept.
    test::TempDir dir;
    dir.write("data", {1, 2, 3});
    SimulatedRun run(simulated(dir.file("data/tavrin/k.bin"), "", true));
    EXPECT_FALSE(run.session.prepare(run.error));
    EXPECT_EQ(run.error, "cannot make the folder " + dir.file("data/tavrin") +
                             " for the simulated keyboard's image");
    EXPECT_EQ(dir.read("data"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(UserKeyboardImage, XdgDataHomeElseTheHomeFolder) {
    struct Case {
        const char* xdgDataHome;
        const char* home;
        std::string expected;
    };
    const std::string file = "/tavrin/simulated-keyboard.bin";
    const Case cases[] = {
        {"/srv/data", "/home/ann", "/srv/data" + file},
        {"/srv/data/", "/home/ann", "/srv/data" + file},
        {nullptr, "/home/ann", "/home/ann/.local/share" + file},
        {"", "/home/ann", "/home/ann/.local/share" + file},
        {"data", "/home/ann/", "/home/ann/.local/share" + file},  // relative: ignored
        {"/", "/home/ann", file},
        {nullptr, nullptr, ""},
        {"", "", ""},
        {"data", "ann", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.xdgDataHome ? c.xdgDataHome : "(unset)") + " " +
                     (c.home ? c.home : "(unset)"));
        EXPECT_EQ(userKeyboardImagePath(c.xdgDataHome, c.home), c.expected);
    }
}

// The production real-time clock: posted events run once their time has
// come, and time spent is paid by sleeping.
TEST(RealClock, RunsPostedEventsAndCountsSpentTime) {
    RealClock clock;
    bool ran = false;
    platform::Micros at = clock.now() + 2'000;
    clock.post(at, [&] { ran = true; });
    while (!ran) {
        clock.runEvents(50'000);
    }
    EXPECT_GE(clock.now(), at);
    platform::Micros before = clock.now();
    for (int i = 0; i < 1000; ++i) {
        clock.spend(1);
    }
    EXPECT_GE(clock.now() - before, 1000);
}

// A window's command line: one parse and one set of rules for the Qt window
// and the Win32 one.
struct OptionsCase {
    std::vector<std::string> args;
    std::string error;  // empty: accepted
    bool simulate = false;
    std::string simImage{};
    bool makeImageFolder = false;
};

TEST(WindowOptions, ParsesOnceWithTheSameRulesForEveryWindow) {
    const OptionsCase cases[] = {
        {{}, ""},
        {{"--simulate"}, "", true, "", false},
        {{"--simulate", "--sim-image", "k.bin"}, "", true, "k.bin", false},
        {{"--simulate", "--sim-image=k.bin"}, "", true, "k.bin", false},
        {{"--screenshots", "out"}, "", true, "", false},
        {{"--screenshots", "out", "--sim-image", "k.bin"}, "", true, "k.bin", false},
        {{"--simulate", "--user-sim-image"}, "", true, "/data/tavrin/simulated-keyboard.bin", true},
        {{"--sim-image", "k.bin"}, "--sim-image needs --simulate"},
        {{"--user-sim-image"}, "--user-sim-image needs --simulate"},
        {{"--simulate", "--user-sim-image", "--sim-image", "k.bin"},
         "--sim-image and --user-sim-image name two images"},
        {{"--simulate", "--sim-image"}, "--sim-image needs a file name"},
        {{"--wire-log"}, "--wire-log needs a file name"},
        {{"stray"}, "unexpected argument 'stray'"},
        {{"--simulate=yes"}, "unexpected argument '--simulate=yes'"},
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
