// WinIoPortDriver against the test double: where the library is taken
// from, what a missing or broken library does, and the port accesses.

#include <gtest/gtest.h>

#include "link/command_channel.h"
#include "link/doctor.h"
#include "platform/pe_header.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/winio_port_driver.h"
#include "support/port_checks.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

using platform::win32::WinIoPortDriver;

bool copyInto(const std::string& library, const TempDir& dir) {
    return CopyFileA(library.c_str(), dir.file("winio3.dll").c_str(), FALSE) != FALSE;
}

// A scratch program folder, the double copied in unless told otherwise, its
// wire log there, and a driver with a command channel over it.
struct PortRig {
    TempDir folder;
    bool copied;
    ScopedEnv log{"TAVRIN_WINIO_LOG", folder.file("wire.log")};
    WinIoPortDriver driver{folder.path()};
    platform::win32::Win32Ticks ticks;
    platform::win32::Win32EventPump pump;
    link::LinkCounters counters;
    link::CommandChannel channel{driver, ticks, pump, counters};
    explicit PortRig(bool withLibrary = true)
        : copied(withLibrary && copyInto(doubleLibrary(), folder)) {}
    std::string wire() const { return readText(folder.file("wire.log")); }
    // The double reads its settings as it opens.
    bool openWith(const char* setting, const char* value) {
        ScopedEnv env(setting, value);
        return copied && driver.InitializeWinIo();
    }
    // After a send and the shutdown: the wire, the bytes refused, IRQ1 unmasked.
    void expectSent(const std::string& bytes, int errors) {
        std::uint32_t mask = 0;
        driver.GetPortVal(link::kInterruptMaskPort, mask, 1);
        driver.ShutdownWinIo();
        EXPECT_EQ(wire(), bytes);
        EXPECT_EQ(counters.sendErrorCounter, errors);
        EXPECT_EQ(mask & link::kIrq1Mask, 0u) << "IRQ1 unmasked after the last byte";
    }
};

void expectClosed(WinIoPortDriver& driver) {
    std::uint32_t value = 0xFFFFFFFF;
    EXPECT_FALSE(driver.GetPortVal(link::kStatusPort, value, 1));
    EXPECT_EQ(value, 0u) << "a closed driver reads 0, so a poll does not spin on it";
    EXPECT_FALSE(driver.SetPortVal(link::kDataPort, 0xE7, 1));
}

void expectFailedOpen(WinIoPortDriver& driver) {
    EXPECT_FALSE(driver.InitializeWinIo());
    EXPECT_FALSE(driver.libraryLoaded());
    expectClosed(driver);
}

TEST(WinIoLibraryLoading, MissingLibraryIsAFailedOpen) {
    ASSERT_TRUE(isFile(doubleLibrary())) << doubleLibrary();
    TempDir folder;
    WinIoPortDriver driver(folder.path());
    EXPECT_EQ(driver.libraryPath(), folder.path() + "\\winio3.dll");
    EXPECT_FALSE(driver.InitializeWinIo());
    expectFailedOpen(driver);
    driver.ShutdownWinIo();
}

TEST(WinIoLibraryLoading, IgnoresCopiesOnTheSearchPath) {
    // A library planted in the current directory and on PATH is what the
    // system's search order would find; the driver must not take it.
    TempDir planted;
    ASSERT_TRUE(copyInto(doubleLibrary(), planted));
    TempDir programFolder;
    char oldDir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, oldDir);
    ASSERT_TRUE(SetCurrentDirectoryA(planted.path().c_str()));
    ScopedEnv path("PATH", planted.path() + ";" + environment("PATH"));

    HMODULE bySearch = LoadLibraryA("winio3.dll");
    EXPECT_NE(bySearch, nullptr) << "the planted copy should be reachable by the search order";
    if (bySearch != nullptr) {
        FreeLibrary(bySearch);
    }
    WinIoPortDriver driver(programFolder.path());
    expectFailedOpen(driver);
    // A folder that is not absolute would be resolved by the search.
    WinIoPortDriver relative(".");
    EXPECT_TRUE(relative.libraryPath().empty());
    EXPECT_FALSE(relative.InitializeWinIo());
    WinIoPortDriver empty("");
    EXPECT_FALSE(empty.InitializeWinIo());
    SetCurrentDirectoryA(oldDir);
}

platform::PeHeader headerOf(const std::string& path) {
    const std::string bytes = readText(path);
    return platform::readPeHeader(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

TEST(WinIoLibraryArchitecture, TheDoubleIsBuiltForThisArchitecture) {
    const platform::PeHeader own = headerOf(doubleLibrary());
    ASSERT_EQ(own.status, platform::PeStatus::Ok);
    EXPECT_EQ(own.machine, platform::buildMachine());
    EXPECT_EQ(own.machine, sizeof(void*) == 8 ? platform::kMachineAmd64 : platform::kMachineI386);
    const platform::PeHeader program = headerOf(programDir() + "\\tavrin_win32_tests.exe");
    EXPECT_EQ(program.machine, own.machine);
}

// tools/ci-windows.sh names the other architecture's build of the double.
TEST(WinIoLibraryArchitecture, TheOtherArchitecturesLibraryIsRefusedWithItsMachine) {
    const std::string foreign = environment("TAVRIN_FOREIGN_WINIO");
    if (foreign.empty()) {
        GTEST_SKIP() << "needs the other architecture's double (tools/ci-windows.sh)";
    }
    TempDir folder;
    ASSERT_TRUE(copyInto(foreign, folder));
    WinIoPortDriver driver(folder.path());
    expectFailedOpen(driver);

    // What the headless tool tells the operator about it.
    platform::win32::Win32FileSystem files(folder.path(), "");
    const link::PortLibrary library = link::inspectPortLibrary(files);
    ASSERT_TRUE(library.present);
    ASSERT_EQ(library.header.status, platform::PeStatus::Ok);
    EXPECT_NE(library.header.machine, platform::buildMachine());
    const std::string advice = link::foreignLibraryAdvice(library, platform::buildMachine());
    EXPECT_NE(advice.find(sizeof(void*) == 8 ? "use the 32-bit build" : "use the 64-bit build"),
              std::string::npos)
        << advice;

    // The double of this architecture in the same folder opens.
    ASSERT_TRUE(copyInto(doubleLibrary(), folder));
    EXPECT_TRUE(driver.InitializeWinIo()) << "a repaired copy is picked up";
    EXPECT_EQ(link::foreignLibraryAdvice(link::inspectPortLibrary(files), platform::buildMachine()),
              "");
    driver.ShutdownWinIo();
}

TEST(WinIoLibraryLoading, DamagedOrIncompleteLibraryIsAFailedOpen) {
    const std::string partial = readText(partialDoubleLibrary());
    ASSERT_FALSE(partial.empty()) << partialDoubleLibrary();
    for (const auto& [what, content] : {std::pair{"damaged", std::string("this is not a library")},
                                        {"SetPortVal missing", partial},
                                        {"zero bytes", std::string()}}) {
        SCOPED_TRACE(what);
        TempDir folder;
        ASSERT_TRUE(writeText(folder.file("winio3.dll"), content));
        WinIoPortDriver driver(folder.path());
        expectFailedOpen(driver);
    }
}

TEST(WinIoLibraryLoading, RepairedLibraryIsPickedUpByTheNextOpen) {
    PortRig rig(false);
    EXPECT_FALSE(rig.driver.InitializeWinIo());
    ASSERT_TRUE(copyInto(doubleLibrary(), rig.folder));
    EXPECT_TRUE(rig.driver.InitializeWinIo());
    EXPECT_TRUE(rig.driver.opened());
}

TEST(WinIoLibraryLoading, RefusedInitializationIsRetried) {
    PortRig rig;
    ASSERT_TRUE(rig.copied);
    EXPECT_FALSE(rig.openWith("TAVRIN_WINIO_INIT", "fail"));
    EXPECT_TRUE(rig.driver.libraryLoaded());
    expectClosed(rig.driver);
    EXPECT_TRUE(rig.driver.InitializeWinIo());
}

TEST(WinIoPorts, ControllerStatusDataAndMask) {
    PortRig rig;
    ASSERT_TRUE(rig.openWith("TAVRIN_WINIO_BUSY_READS", "2"));
    WinIoPortDriver& driver = rig.driver;
    expectStatusEmptyAndMaskKept(driver, 0xBA);
    std::uint32_t value = 0;

    // Only the low byte goes out; the controller then holds it for two
    // status reads.
    ASSERT_TRUE(driver.SetPortVal(link::kDataPort, 0x1E7, 1));
    for (std::uint32_t full : {link::kInputBufferFull, link::kInputBufferFull, 0u}) {
        driver.GetPortVal(link::kStatusPort, value, 1);
        EXPECT_EQ(value & link::kInputBufferFull, full);
    }

    EXPECT_FALSE(driver.GetPortVal(link::kStatusPort, value, 3)) << "no 3-byte access";
    driver.ShutdownWinIo();
    expectClosed(driver);
    EXPECT_EQ(rig.wire(), "E7\n");
}

TEST(WinIoPorts, ChannelFramesReachTheDataPortMaskedAndPolled) {
    PortRig rig;
    ASSERT_TRUE(rig.openWith("TAVRIN_WINIO_BUSY_READS", "5"));
    const int payload[] = {0x5D, 0x31};
    rig.channel.SendFrame(payload);
    // Every byte once, in order, with IRQ1 masked and after the controller was ready.
    rig.expectSent("E7\n55\nAA\nE3\n5D\nE3\n31\nE6\n", 0);
}

TEST(WinIoPorts, ControllerThatNeverEmptiesDropsEveryByte) {
    PortRig rig;
    ASSERT_TRUE(rig.openWith("TAVRIN_WINIO_STATUS", "stuck"));
    rig.channel.SendStartFrame();
    rig.expectSent("", 3);
}

TEST(WinIoPorts, ChannelOverAClosedDriverWritesNothingAndDoesNotHang) {
    PortRig rig(false);
    ASSERT_FALSE(rig.driver.InitializeWinIo());
    const int payload[] = {0x63, 0x52};
    EXPECT_LT(msTaken([&] { rig.channel.SendFrame(payload); }), 2000u);
    // Every byte of the frame is a refused access: dropped, and counted.
    EXPECT_EQ(rig.counters.sendErrorCounter, 8);
    EXPECT_EQ(rig.counters.droppedBytes, 8u);
}

}  // namespace
}  // namespace tavrin::test::win32
