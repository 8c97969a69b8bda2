// The kernel's own serio_raw, reached through a serio port that userio makes
// (a kernel with CONFIG_USERIO, run as root): the program binds serio_raw to
// that port as it does to the keyboard's, sends a frame byte by byte through
// the real /dev/serio_rawN and reads the port's keyboard typing back. The
// keyboard here answers each byte with an ACK (the third once with a
// resend) and types the sixteen nibble keys. Skipped where /dev/userio is
// missing; the kernel harness (tools/kernel-check.sh) runs it.

#include <gtest/gtest.h>

#include <linux/serio.h>
#include <linux/userio.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "app/real_clock.h"
#include "link/raw_keyboard_port.h"
#include "platform/clock_host.h"
#include "platform/linux/fd_raw_device.h"
#include "platform/linux/raw_port_source.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::set<std::string> portNames() {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(platform::kSerioDevices, ec)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

bool command(int userio, std::uint8_t type, std::uint8_t data) {
    const userio_cmd cmd{type, data};
    return ::write(userio, &cmd, sizeof cmd) == static_cast<ssize_t>(sizeof cmd);
}

// The keyboard behind the userio port: answers the frame's bytes, then types.
class UserioKeyboard {
public:
    UserioKeyboard(int userio, std::vector<std::uint8_t> frame)
        : userio_(userio), frame_(std::move(frame)), thread_([this] { run(); }) {}
    ~UserioKeyboard() {
        stop_ = true;
        thread_.join();
    }
    // Every byte the port received once the frame began (resends included).
    std::vector<std::uint8_t> received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

private:
    void send(std::uint8_t byte) { command(userio_, USERIO_CMD_SEND_INTERRUPT, byte); }

    void run() {
        std::size_t next = 0;  // of the frame
        bool resent = false;
        while (!stop_ && next < frame_.size()) {
            pollfd p{userio_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                continue;
            }
            std::uint8_t byte = 0;
            if (::read(userio_, &byte, 1) != 1) {
                continue;
            }
            if (byte != frame_[next] && next == 0) {
                continue;  // atkbd's probe before the frame: no keyboard here
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.push_back(byte);
            }
            if (next == 2 && !resent) {
                resent = true;
                send(link::kKeyboardResend);
                continue;
            }
            send(link::kKeyboardAck);
            ++next;
        }
        for (std::uint8_t n = 0; n < 16 && !stop_; ++n) {
            send(static_cast<std::uint8_t>(0x40 + n));
            send(static_cast<std::uint8_t>(0xC0 + n));
        }
    }

    int userio_;
    std::vector<std::uint8_t> frame_;
    mutable std::mutex mutex_;
    std::vector<std::uint8_t> received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(KernelSerioRaw, CarriesAFrameOutAndTheTypingBack) {
    if (::access("/dev/userio", R_OK | W_OK) != 0) {
        GTEST_SKIP() << "no /dev/userio to use (a kernel with CONFIG_USERIO, run as root): "
                        "tools/kernel-check.sh runs this on Debian's kernel";
    }
    const std::set<std::string> before = portNames();
    const int userio = ::open("/dev/userio", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(userio, 0);
    ASSERT_TRUE(command(userio, USERIO_CMD_SET_PORT_TYPE, SERIO_8042_XL));
    ASSERT_TRUE(command(userio, USERIO_CMD_REGISTER, 0));
    std::string name;
    for (auto end = Clock::now() + std::chrono::seconds(2); name.empty() && Clock::now() < end;) {
        for (const std::string& port : portNames()) {
            if (before.count(port) == 0) {
                name = port;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(name.empty()) << "userio registered no serio port";

    const std::vector<std::uint8_t> frame{0xE7, 0x55, 0xAA, 0xE3, 0x12, 0xE6};
    platform::SysfsSerioBus bus;
    platform::DirectRawPortSource source(bus, {});
    std::string reason;
    const platform::OpenedRawPort opened =
        source.open({name, "", platform::ScanCodeTranslation::Set1}, reason);
    ASSERT_GE(opened.fd, 0) << reason;
    {
        platform::FdRawDevice device(opened.fd);
        app::RealClock clock;
        platform::ClockHost host{clock};
        link::RawKeyboardPort port(device, host, link::ScanCodeSet::Set1);
        std::vector<std::uint8_t> keys;
        port.SetWindowsHookEx([&keys](int, std::uintptr_t vk, std::intptr_t) {
            keys.push_back(static_cast<std::uint8_t>(vk));
            return 1;
        });
        UserioKeyboard keyboard(userio, frame);
        for (std::uint8_t byte : frame) {
            EXPECT_TRUE(port.sendByte(byte));
        }
        for (auto end = Clock::now() + std::chrono::seconds(2);
             keys.size() < 16 && Clock::now() < end;) {
            device.waitReadable(20);
            port.drain();
        }
        std::vector<std::uint8_t> sent = frame;
        sent.insert(sent.begin() + 2, frame[2]);  // the resent byte
        EXPECT_EQ(keyboard.received(), sent);
        EXPECT_EQ(port.tally().acks, static_cast<int>(frame.size()));
        EXPECT_EQ(port.tally().resends, 1);
        std::vector<std::uint8_t> nibbleKeys;
        for (std::uint8_t n = 0; n < 16; ++n) {
            nibbleKeys.push_back(
                link::VirtualKeyOfSet1(static_cast<std::uint8_t>(0x40 + n), false));
        }
        EXPECT_EQ(keys, nibbleKeys);
    }
    source.release();
    std::error_code ec;
    const fs::path driver =
        fs::read_symlink(fs::path(platform::kSerioDevices) / name / "driver", ec);
    EXPECT_NE(driver.filename(), "serio_raw");
    ::close(userio);  // the port goes with it
}

}  // namespace
}  // namespace tavrin::test
