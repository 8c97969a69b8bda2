// The whole program path on the Windows backends: the main window's start-up
// read and its whole-image write, through the real WinIo loader, the thread
// keyboard hook, Timer1 and the message pump, against the test double of
// the port library, which types the keyboard's answer with SendInput.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "app/null_backends.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_hooks.h"
#include "platform/win32/win32_version.h"
#include "platform/win32/winio_port_driver.h"
#include "support/fakes.h"
#include "ui/msr_window.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

namespace w32 = platform::win32;

struct Win32Rig {
    TempDir program;
    TempDir system;
    w32::Win32FileSystem files{program.path(), system.path()};
    w32::WinIoPortDriver ports{program.path()};
    w32::Win32Ticks ticks;
    w32::Win32EventPump pump;
    w32::Win32Timer timer1;
    w32::Win32Hooks hooks;
    w32::Win32Version version;
    FakeDialogs dialogs;
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    std::unique_ptr<ui::MsrWindow> window;

    Win32Rig() { CopyFileA(doubleLibrary().c_str(), program.file("winio3.dll").c_str(), FALSE); }
    ui::MsrWindow& open() {
        window = std::make_unique<ui::MsrWindow>(ui::Platform{
            ports, ticks, pump, timer1, hooks, version, files, dialogs, registry, launcher});
        return *window;
    }
    std::string log() const { return program.file("wire.log"); }
};

// The bytes the double saw on the data port; a byte sent with IRQ1
// unmasked or before the controller was ready fails the test.
std::vector<std::uint8_t> wireBytes(const std::string& logFile) {
    std::vector<std::uint8_t> bytes;
    std::istringstream lines(readText(logFile));
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.size(), 2u) << "byte sent badly: " << line;
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(line.substr(0, 2), nullptr, 16)));
    }
    return bytes;
}

std::string messagesOf(const FakeDialogs& dialogs) {
    std::string all;
    for (const auto& m : dialogs.messages) {
        all += "[" + m.text + "]";
    }
    return all;
}

void expectImage(const ui::WindowModel& model, const std::vector<std::uint8_t>& eeprom) {
    for (int a = 0; a < 128; ++a) {
        EXPECT_EQ(model.image[a], eeprom[a]) << "address " << a;
    }
}

TEST(Win32Device, StartUpReadsTheKeyboardThroughTheHook) {
    FocusWindow& focus = FocusWindow::shared();
    ASSERT_TRUE(focus.hasFocus());
    Win32Rig rig;
    auto eeprom = sampleEeprom();
    ASSERT_TRUE(writeBytes(rig.program.file("keyboard.bin"), settingsFileBytes(eeprom)));
    ScopedEnv image("TAVRIN_WINIO_EEPROM", rig.program.file("keyboard.bin"));
    ScopedEnv log("TAVRIN_WINIO_LOG", rig.log());
    ScopedEnv version("TAVRIN_WINIO_VERSION", "1.7");

    ui::MsrWindow& window = rig.open();
    window.Form_Load();
    EXPECT_EQ(messagesOf(rig.dialogs), "") << "no read error, no signature error";
    EXPECT_TRUE(window.model().imageValidFlag);
    EXPECT_EQ(window.model().aboutLabel6, "Firmware Version 1.7");
    expectImage(window.model(), eeprom);
    EXPECT_EQ(window.counters().keyCount, 290);
    EXPECT_EQ(wireBytes(rig.log()), frame({0x63, 0x52}));
    EXPECT_EQ(rig.dialogs.waitingShows, rig.dialogs.waitingCloses);
    pumpFor(50);
    EXPECT_EQ(focus.keyMessages(), 0) << "the answer was swallowed by the hook";

    window.Form_Unload();
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(rig.ports.opened()) << "the driver is closed at the end";
}

TEST(Win32Device, KeypadKeysWithNumLockOffDecodeAlike) {
    FocusWindow::shared();
    Win32Rig rig;
    const auto eeprom = signedEeprom(  // keypad nibbles 7..F
        [](int a) { return static_cast<std::uint8_t>(0x77 + 0x11 * (a % 9)); });
    ASSERT_TRUE(writeBytes(rig.program.file("keyboard.bin"), settingsFileBytes(eeprom)));
    ScopedEnv image("TAVRIN_WINIO_EEPROM", rig.program.file("keyboard.bin"));
    ScopedEnv keypad("TAVRIN_WINIO_KEYPAD", "navigation");
    ScopedEnv version("TAVRIN_WINIO_VERSION", "2.12");

    ui::MsrWindow& window = rig.open();
    window.Form_Load();
    EXPECT_EQ(messagesOf(rig.dialogs), "");
    EXPECT_EQ(window.model().aboutLabel6, "Firmware Version 2.12");
    expectImage(window.model(), eeprom);
    window.Form_Unload();
}

TEST(Win32Device, WithoutTheLibraryStartUpReportsTheFailedRead) {
    FocusWindow::shared();
    Win32Rig rig;
    DeleteFileA(rig.program.file("winio3.dll").c_str());
    ui::MsrWindow& window = rig.open();
    const DWORD elapsed = msTaken([&] { window.Form_Load(); });
    EXPECT_FALSE(rig.ports.opened());
    EXPECT_FALSE(window.model().imageValidFlag);
    EXPECT_EQ(messagesOf(rig.dialogs),
              "[Read setting from EEPROM error! Please check MSR device. ]");
    EXPECT_LT(elapsed, 2000u) << "a command that cannot go out waits for no answer";
    EXPECT_EQ(window.model().aboutLabel6, "Label6");
    window.Form_Unload();
    EXPECT_TRUE(window.ended());
}

// The same whole-image write on the fakes, for the bytes it must send.
std::vector<std::uint8_t> expectedWholeImageWrite(const std::string& settingsFile) {
    FakeTime time;
    FakePorts ports(&time);
    FakeHooks hooks;
    FakeVersion version;
    FakeDialogs dialogs;
    TempDir program;
    TempDir system;
    w32::Win32FileSystem files(program.path(), system.path());
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    ui::MsrWindow window(
        ui::Platform{ports, time, time, time, hooks, version, files, dialogs, registry, launcher});
    window.Form_Load(false);
    dialogs.openNames.push_back(settingsFile);
    window.Readsettingfromfile_Click();
    ports.dataWrites.clear();
    window.Command4_Click();
    EXPECT_EQ(messagesOf(dialogs), "[Write to EEPROM Successful!]");
    return ports.dataWrites;
}

TEST(Win32Device, WholeImageWriteReachesTheKeyboardByteForByte) {
    FocusWindow::shared();
    Win32Rig rig;
    auto eeprom = sampleEeprom();
    std::string settings = rig.system.file("settings.bin");
    ASSERT_TRUE(writeBytes(settings, settingsFileBytes(eeprom)));
    auto expected = expectedWholeImageWrite(settings);
    ASSERT_GT(expected.size(), 200u);
    const std::vector<std::uint8_t> closing{0xE7, 0x55, 0xAA, 0xE3, 0x62, 0xE3, 0x45, 0xE6};
    ASSERT_TRUE(std::equal(closing.rbegin(), closing.rend(), expected.rbegin()));

    ScopedEnv log("TAVRIN_WINIO_LOG", rig.log());
    ScopedEnv busy("TAVRIN_WINIO_BUSY_READS", "3");
    ui::MsrWindow& window = rig.open();
    window.Form_Load(false);
    ASSERT_TRUE(rig.ports.opened());
    rig.dialogs.openNames.push_back(settings);
    window.Readsettingfromfile_Click();
    expectImage(window.model(), eeprom);
    window.Command4_Click();
    EXPECT_EQ(messagesOf(rig.dialogs), "[Write to EEPROM Successful!]");
    EXPECT_EQ(window.counters().sendErrorCounter, 0);
    window.Form_Unload();

    auto wire = wireBytes(rig.log());
    EXPECT_EQ(wire.size(), expected.size());
    EXPECT_EQ(wire, expected);
}

}  // namespace
}  // namespace tavrin::test::win32
