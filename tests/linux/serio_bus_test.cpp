// The keyboard port found, read and rebound on a serio bus in a folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/serio_bus.h"
#include "support/fake_sysfs.h"

namespace tavrin::test {
namespace {

using platform::KeyboardPort;
using platform::ScanCodeTranslation;
using platform::SysfsSerioBus;
using Port = FakeSysfs::Port;

constexpr const char* kKbd = "i8042 KBD port";
constexpr const char* kAux = "i8042 AUX port";

struct FindCase {
    const char* name;
    std::vector<Port> ports;
    // Expected: the port's name (empty: none found), driver, translation, reason.
    std::string port;
    std::string driver;
    ScanCodeTranslation translation;
    std::string reason;
    bool busExists = true;
    friend void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }
};

class FindKeyboardPort : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindKeyboardPort, ReadsWhatTheKernelShows) {
    const FindCase& c = GetParam();
    FakeSysfs sysfs;
    for (const Port& p : c.ports) {
        sysfs.addPort(p);
    }
    SysfsSerioBus bus(c.busExists ? sysfs.devices() : sysfs.root() / "no-such-bus");
    std::string reason;
    std::optional<KeyboardPort> port = platform::findKeyboardPort(bus, reason);
    if (c.port.empty()) {
        ASSERT_FALSE(port.has_value()) << port->name;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        return;
    }
    ASSERT_TRUE(port.has_value()) << reason;
    EXPECT_EQ(port->name, c.port);
    EXPECT_EQ(port->driver, c.driver);
    EXPECT_EQ(port->translation, c.translation);
}

using enum ScanCodeTranslation;

const Port kMouse{"serio1", kAux, "06", "psmouse"};

// clang-format off
const FindCase kFinds[] = {
    {"NoSerioAtAll", {}, "", "", Unknown, "the kernel shows no serio bus", false},
    {"EmptyBus", {}, "", "", Unknown, "the kernel has no serio ports here"},
    {"NoKeyboardPort", {kMouse}, "", "", Unknown, "the kernel has no i8042 keyboard port here"},
    {"AtkbdTranslated", {{"serio0", kKbd, "06", "atkbd"}}, "serio0", "atkbd", Set1, ""},
    {"SerioRawBound", {{"serio0", kKbd, "06", "serio_raw"}}, "serio0", "serio_raw", Set1, ""},
    {"Untranslated", {{"serio0", kKbd, "01", "atkbd"}}, "serio0", "atkbd", Set2, ""},
    {"UnknownTypeAndNoDriver", {{"serio0", kKbd, "", ""}}, "serio0", "", Unknown, ""},
    {"SeveralPorts", {kMouse, {"serio2", "i8042 AUX1 port", "06", ""},
                      {"serio12", kKbd, "06", "atkbd"}, {"serio3", kKbd, "01", "serio_raw"}},
     "serio3", "serio_raw", Set2, ""},
    {"DescriptionMustMatchWhole", {{"serio0", "i8042 KBD port 2", "06", "atkbd"}},
     "", "", Unknown, "no i8042 keyboard port"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, FindKeyboardPort, ::testing::ValuesIn(kFinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerioBinding, WritesTheDriverNameExactlyToDrvctl) {
    FakeSysfs sysfs;
    sysfs.addPort({"serio0", kKbd, "06", "atkbd"});
    sysfs.addPort(kMouse);
    SysfsSerioBus bus(sysfs.devices());
    std::string reason;
    auto port = platform::findKeyboardPort(bus, reason);
    ASSERT_TRUE(port.has_value()) << reason;

    std::string error;
    ASSERT_TRUE(platform::bindRawDriver(bus, *port, error)) << error;
    EXPECT_EQ(sysfs.drvctl("serio0"), "serio_raw");
    ASSERT_TRUE(platform::bindKeyboardDriver(bus, *port, error)) << error;
    EXPECT_EQ(sysfs.drvctl("serio0"), "atkbd");
    EXPECT_EQ(sysfs.drvctl("serio1"), "");
}

TEST(SerioBinding, RefusesAPortItCannotRebind) {
    FakeSysfs sysfs;
    sysfs.addPort({"serio0", kKbd, "06", "atkbd"});
    SysfsSerioBus bus(sysfs.devices());
    std::string error;
    for (const char* name : {"serio9", "", "../serio0", ".."}) {
        error.clear();
        EXPECT_FALSE(bus.writeDriverControl(name, "serio_raw", error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    EXPECT_EQ(sysfs.drvctl("serio0"), "");
}

// serio_raw missing from the bus: its module is loaded by name, and a load
// that fails or registers nothing leaves the port untouched.
TEST(SerioBinding, LoadsAMissingSerioRawFirst) {
    struct Case {
        bool loads, registers;
        const char* drvctl;
        const char* error;
    };
    for (const Case c : {Case{true, true, "serio_raw", ""},
                         Case{false, false, "", "its module did not load: no module"},
                         Case{true, false, "", "did not register it"}}) {
        FakeSysfs sysfs;
        sysfs.addPort({"serio0", kKbd, "06", "atkbd"});
        std::vector<std::string> asked;
        SysfsSerioBus bus(sysfs.devices(), [&](std::string_view module, std::string& why) {
            asked.emplace_back(module);
            if (c.registers) {
                std::filesystem::create_directories(sysfs.root() / "drivers" / "serio_raw");
            }
            why = "no module";
            return c.loads;
        });
        std::string error;
        auto port = platform::findKeyboardPort(bus, error);
        ASSERT_TRUE(port.has_value()) << error;
        EXPECT_EQ(platform::bindRawDriver(bus, *port, error), c.error[0] == '\0') << error;
        EXPECT_THAT(error, ::testing::HasSubstr(c.error));
        EXPECT_EQ(sysfs.drvctl("serio0"), c.drvctl);
        EXPECT_EQ(asked, std::vector<std::string>{"serio_raw"});
        platform::bindRawDriver(bus, *port, error);  // registered now: not loaded again
        EXPECT_EQ(asked.size(), c.registers ? 1u : 2u);
    }
}

}  // namespace
}  // namespace tavrin::test
