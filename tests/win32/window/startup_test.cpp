// The window as it comes up: the start-up read through the double and the
// real keyboard hook, and a port library of the wrong architecture.

#include "window_case.h"

namespace tavrin::test::window {

namespace {

// The read command: start frame, data 0x63 0x52, end frame.
const std::vector<std::string> kReadCommand{"E7", "55", "AA", "E3", "63", "E3", "52", "E6"};

using WindowStartup = WindowCase;

TEST_F(WindowStartup, ShowsEveryValueOfTheKeyboardAfterOneReadCommand) {
    launch();
    ASSERT_TRUE(waitForStartupRead());
    for (const auto& [n, value] : listing()) {
        EXPECT_EQ(shownValue(n), value) << "item " << n;
    }
    EXPECT_EQ(wire(), kReadCommand);
    EXPECT_TRUE(program().running());
}

TEST_F(WindowStartup, LibraryOfTheOtherArchitectureGivesTheReadErrorNotACrash) {
    const std::string foreign = environment("TAVRIN_FOREIGN_WINIO");
    if (foreign.empty() || !win32::isFile(foreign)) {
        GTEST_SKIP() << "TAVRIN_FOREIGN_WINIO names no library of the other architecture";
    }
    // As an owner might copy it: straight in as winio3.dll.
    launch("", foreign, "winio3.dll");
    // The read gives up after its time-outs: no keyboard answers.
    HWND box = expectMessage("Message", "Read setting from EEPROM error! Please check MSR device. ",
                             60000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(answer(box, IDOK));
    EXPECT_TRUE(waitNoDialog());
    EXPECT_NE(mainWindow(), nullptr);
    EXPECT_TRUE(program().running());
    EXPECT_TRUE(wire().empty()) << "the foreign library was driven";
}

}  // namespace

}  // namespace tavrin::test::window
