#pragma once
// The raw keyboard port's double: a socket pair whose far end is served by
// the simulated keyboard on the virtual clock. Bytes the program writes go
// through the simulated controller to the keyboard firmware and are
// acknowledged (or not); what the firmware types comes back as set-1 or
// set-2 scan codes. Faults: no ACK, one resend, 0xAA in the middle, a write
// the kernel refuses (EIO), the device vanishing, a card swiped while the
// keyboard types, and a reader too slow for the kernel's ring: serio_raw
// keeps at most 63 unread bytes and drops the rest without a sign, and so
// does the double.

#include <linux/userio.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "link/scan_code_decoder.h"
#include "platform/linux/fd_raw_device.h"
#include "sim/simulated_keyboard.h"
#include "sim/virtual_clock.h"

namespace tavrin::test {

class RawKeyboardDouble {
public:
    struct Options {
        link::ScanCodeSet set = link::ScanCodeSet::Set1;
        bool ack = true;                // ACK every byte the keyboard takes
        bool breakAlone = false;        // type by break codes only, else make and break
        int resendByte = -1;            // the keyboard asks once for this byte again (0-based)
        bool standard = false;          // a standard keyboard: resend (FE) to every byte
        int selfTestAfter = -1;         // 0xAA after this byte's reply
        int refuseWrite = -1;           // this write() fails with EIO (0-based, resends count)
        int vanishAtWrite = -1;         // the device is gone from this write() on
        platform::Micros swipeAt = -1;  // the card reader types a swipe from then on
        platform::Micros swipeEvery = 0;  // and again so long after each, when not 0
        platform::Micros stallAt = -1;  // the program reads nothing from then on ...
        platform::Micros stallFor = 0;  // ... for so long
    };

    // What the kernel's ring keeps unread: 64 slots, one always free.
    static constexpr std::size_t kRing = 63;
    // A swipe as the card reader types it: tracks 1 and 2, shifted
    // characters included (a left Shift's break is 0xAA in set 1).
    static constexpr const char* kSwipe = "%B41^A/B^25?;41=25?";

    // The serving period: the far end looks at its socket this often.
    static constexpr platform::Micros kServicePeriod = 200;

    RawKeyboardDouble(sim::VirtualClock& clock, sim::SimulatedKeyboard& keyboard, Options options)
        : RawKeyboardDouble(clock, keyboard, options, -1) {}
    // The far end on a userio port of the real kernel instead (the open,
    // registered /dev/userio, owned from then on): the program reaches it
    // through the kernel's own serio_raw, and the kernel's ring is real.
    RawKeyboardDouble(sim::VirtualClock& clock, sim::SimulatedKeyboard& keyboard, Options options,
                      int userio)
        : clock_(clock), keyboard_(keyboard), options_(options), userio_(userio >= 0) {
        if (userio_) {
            far_ = userio;
        } else {
            int fds[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds) != 0) {
                fds[0] = fds[1] = -1;
            }
            far_ = fds[1];
            device_ = std::make_unique<ClockedDevice>(fds[0], *this);
        }
        keyboard_.host().SetWindowsHookEx([this](int, std::uintptr_t, std::intptr_t lParam) {
            type(static_cast<std::uint8_t>((static_cast<std::uint64_t>(lParam) >> 16) & 0x7F));
            return 1;
        });
        schedule();
        if (options_.swipeAt >= 0) {
            clock_.post(options_.swipeAt, alive_.guard([this] { swipe(0); }));
        }
    }
    ~RawKeyboardDouble() { vanish(); }
    RawKeyboardDouble(const RawKeyboardDouble&) = delete;
    RawKeyboardDouble& operator=(const RawKeyboardDouble&) = delete;

    // The program's end of the device.
    platform::RawDevice& device() { return *device_; }
    // Every byte the far end sent: replies and scan codes.
    const std::vector<std::uint8_t>& sent() const { return sent_; }
    int writes() const { return writes_; }
    // Bytes the ring had no room for.
    int dropped() const { return dropped_; }

    void vanish() {
        if (far_ >= 0) {
            ::close(far_);
            far_ = -1;
        }
    }

private:
    // The program's end: the real descriptor code, with the double's clock
    // running while it waits and its faults on write().
    class ClockedDevice : public platform::FdRawDevice {
    public:
        ClockedDevice(int fd, RawKeyboardDouble& owner) : FdRawDevice(fd), owner_(owner) {}
        Io writeByte(std::uint8_t byte) override {
            const int n = owner_.writes_++;
            if (n == owner_.options_.vanishAtWrite) {
                owner_.vanish();
            }
            if (n == owner_.options_.refuseWrite) {
                refused_ = true;
                return Io::Failed;
            }
            return FdRawDevice::writeByte(byte);
        }
        Io readAvailable(std::vector<std::uint8_t>& bytes) override {
            const platform::Micros now = owner_.clock_.now();
            const Options& o = owner_.options_;
            if (o.stallAt >= 0 && now >= o.stallAt && now < o.stallAt + o.stallFor) {
                return Io::Ok;  // the program is busy elsewhere
            }
            const std::size_t before = bytes.size();
            const Io io = FdRawDevice::readAvailable(bytes);
            owner_.consumed_ += bytes.size() - before;
            return io;
        }
        void waitReadable(std::uint32_t ms) override {
            owner_.clock_.runEvents(static_cast<platform::Micros>(ms) * 1000);
        }
        std::string lastError() const override {
            return refused_ ? "Input/output error" : FdRawDevice::lastError();
        }

    private:
        RawKeyboardDouble& owner_;
        bool refused_ = false;
    };

    void schedule() {
        clock_.post(clock_.now() + kServicePeriod, alive_.guard([this] { serve(); }));
    }

    void send(std::uint8_t byte) {
        if (far_ < 0) {
            return;
        }
        if (!userio_ && sent_.size() - consumed_ >= kRing) {
            ++dropped_;
            return;
        }
        const userio_cmd interrupt{USERIO_CMD_SEND_INTERRUPT, byte};
        if (userio_ ? ::write(far_, &interrupt, sizeof interrupt) == sizeof interrupt
                    : ::send(far_, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) {
            sent_.push_back(byte);
        }
    }

    // Takes what the program wrote and hands it, one byte at a time, to the
    // simulated controller once its input buffer is empty.
    void serve() {
        if (far_ < 0) {
            return;
        }
        std::uint8_t buffer[64];
        ssize_t n;
        while ((n = ::read(far_, buffer, sizeof buffer)) > 0) {
            queue_.insert(queue_.end(), buffer, buffer + n);
        }
        std::uint32_t status = 0;
        if (!queue_.empty() && keyboard_.ports().GetPortVal(sim::kI8042Status, status, 1) &&
            (status & sim::kStatusInputFull) == 0) {
            const std::uint8_t byte = queue_.front();
            queue_.pop_front();
            const int index = received_++;
            if (options_.standard) {
                send(link::kKeyboardResend);
            } else if (index == options_.resendByte && !resent_) {
                resent_ = true;
                --received_;
                send(link::kKeyboardResend);
            } else {
                keyboard_.ports().SetPortVal(sim::kI8042Data, byte, 1);
                clock_.post(clock_.now() + 1000, alive_.guard([this, index] { reply(index); }));
            }
        }
        schedule();
    }

    void reply(int index) {
        if (options_.ack) {
            send(link::kKeyboardAck);
        }
        if (index == options_.selfTestAfter) {
            send(link::kKeyboardSelfTestPassed);
        }
    }

    // One keystroke of the firmware (or the operator) as scan codes.
    void type(std::uint8_t set1) {
        if (!options_.breakAlone) {
            press(set1, true);
        }
        press(set1, false);
    }

    void press(std::uint8_t set1, bool make) {
        const bool set2 = options_.set == link::ScanCodeSet::Set2;
        const std::uint8_t code = set2 ? link::Set2FromSet1(set1) : set1;
        if (set2 && !make) {
            send(0xF0);
        }
        send(set2 || make ? code : static_cast<std::uint8_t>(code | 0x80));
    }

    // The card reader types one character every 2 ms, make and break,
    // wrapped in a left Shift where the character needs one.
    void swipe(std::size_t at) {
        struct Key {
            char c;
            std::uint8_t code;
            bool shift;
        };
        static constexpr Key kKeys[] = {{'%', 0x06, true},  {'B', 0x30, true},  {'A', 0x1E, true},
                                        {'^', 0x07, true},  {'?', 0x35, true},  {'/', 0x35, false},
                                        {';', 0x27, false}, {'=', 0x0D, false}, {'1', 0x02, false},
                                        {'2', 0x03, false}, {'4', 0x05, false}, {'5', 0x06, false}};
        const char c = kSwipe[at];
        if (c == '\0') {
            if (options_.swipeEvery > 0) {
                clock_.post(clock_.now() + options_.swipeEvery, alive_.guard([this] { swipe(0); }));
            }
            return;
        }
        for (const Key& k : kKeys) {
            if (k.c == c) {
                if (k.shift) {
                    press(0x2A, true);
                }
                press(k.code, true);
                press(k.code, false);
                if (k.shift) {
                    press(0x2A, false);
                }
            }
        }
        clock_.post(clock_.now() + 2000, alive_.guard([this, at] { swipe(at + 1); }));
    }

    sim::VirtualClock& clock_;
    sim::SimulatedKeyboard& keyboard_;
    Options options_;
    bool userio_;
    int far_ = -1;
    std::unique_ptr<ClockedDevice> device_;
    std::deque<std::uint8_t> queue_;
    std::vector<std::uint8_t> sent_;
    int received_ = 0;
    int writes_ = 0;
    std::size_t consumed_ = 0;  // bytes the program has read
    int dropped_ = 0;
    bool resent_ = false;
    platform::AliveToken alive_;
};

// The double's keyboard by how it talks: its scan-code set, whether it ACKs,
// and whether it types by break codes alone.
inline RawKeyboardDouble::Options rawOptions(link::ScanCodeSet set, bool ack = true,
                                             bool breakAlone = false) {
    RawKeyboardDouble::Options o;
    o.set = set;
    o.ack = ack;
    o.breakAlone = breakAlone;
    return o;
}

}  // namespace tavrin::test
