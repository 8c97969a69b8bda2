// The raw device over a file descriptor, on one end of a socket pair.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "platform/linux/fd_raw_device.h"

namespace tavrin::test {
namespace {

using platform::FdRawDevice;
using Io = platform::RawDevice::Io;

struct Pair {
    Pair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    ~Pair() {
        if (fds[1] >= 0) {
            ::close(fds[1]);
        }
    }
    void closePeer() {
        ::close(fds[1]);
        fds[1] = -1;
    }
    int fds[2] = {-1, -1};
};

TEST(FdRawDevice, PassesBytesBothWaysWithoutBlocking) {
    Pair pair;
    FdRawDevice device(pair.fds[0]);
    EXPECT_EQ(device.writeByte(0xE7), Io::Ok);
    std::uint8_t got = 0;
    ASSERT_EQ(::read(pair.fds[1], &got, 1), 1);
    EXPECT_EQ(got, 0xE7);

    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(device.readAvailable(bytes), Io::Ok);  // nothing there: returns at once
    EXPECT_TRUE(bytes.empty());
    const std::uint8_t answer[] = {0xFA, 0x45, 0xC5};
    ASSERT_EQ(::write(pair.fds[1], answer, sizeof answer), 3);
    device.waitReadable(1000);
    EXPECT_EQ(device.readAvailable(bytes), Io::Ok);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFA, 0x45, 0xC5}));
}

// The other end gone: the bytes sent before still arrive, then the device
// says Gone to reads and writes alike, and no SIGPIPE ends the program.
TEST(FdRawDevice, AVanishedDeviceIsGoneAfterItsLastBytes) {
    Pair pair;
    FdRawDevice device(pair.fds[0]);
    const std::uint8_t last = 0xFA;
    ASSERT_EQ(::write(pair.fds[1], &last, 1), 1);
    pair.closePeer();
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(device.readAvailable(bytes), Io::Gone);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{0xFA});
    EXPECT_FALSE(device.lastError().empty());
    EXPECT_EQ(device.writeByte(0xE7), Io::Gone);
}

TEST(FdRawDevice, WriteToAClosedPeerIsGoneNotASignal) {
    Pair pair;
    FdRawDevice device(pair.fds[0]);
    pair.closePeer();
    EXPECT_EQ(device.writeByte(0xE7), Io::Gone);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(device.readAvailable(bytes), Io::Gone);
}

TEST(FdRawDevice, NoDescriptorIsNoDevice) {
    FdRawDevice device(-1);
    EXPECT_EQ(device.writeByte(0xE7), Io::Gone);
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(device.readAvailable(bytes), Io::Gone);
}

}  // namespace
}  // namespace tavrin::test
