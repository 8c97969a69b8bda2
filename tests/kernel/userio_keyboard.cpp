// tavrin-userio-keyboard: the simulated keyboard behind a serio port that
// the kernel's userio makes, so that the real serio_raw stands between the
// program and the keyboard. Registers the port, prints its name, serves
// until SIGTERM or SIGINT, then writes the keyboard's EEPROM back.
//
//   tavrin-userio-keyboard IMAGE [--set 2] [--no-ack] [--break-alone]
//                          [--resend N] [--self-test-after N] [--swipe-at MS]
//                          [--swipe-every MS]

#include <linux/serio.h>
#include <linux/userio.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "app/keyboard_image_file.h"
#include "platform/std_file_system.h"
#include "support/raw_keyboard_double.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrin;

volatile std::sig_atomic_t stop = 0;

std::set<std::string> ports() {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/sys/bus/serio/devices", ec)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

int usage(const char* why) {
    std::fprintf(stderr, "tavrin-userio-keyboard: %s\n", why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage("usage: tavrin-userio-keyboard IMAGE [options]");
    }
    const std::string image = argv[1];
    test::RawKeyboardDouble::Options o;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--set" && value) {
            o.set = std::string(argv[++i]) == "2" ? link::ScanCodeSet::Set2 : link::ScanCodeSet::Set1;
        } else if (a == "--no-ack") {
            o.ack = false;
        } else if (a == "--break-alone") {
            o.breakAlone = true;
        } else if (a == "--resend" && value) {
            o.resendByte = std::atoi(argv[++i]);
        } else if (a == "--self-test-after" && value) {
            o.selfTestAfter = std::atoi(argv[++i]);
        } else if (a == "--swipe-at" && value) {
            o.swipeAt = std::atoll(argv[++i]) * 1000;
        } else if (a == "--swipe-every" && value) {
            o.swipeEvery = std::atoll(argv[++i]) * 1000;
        } else {
            return usage(("unknown option " + a).c_str());
        }
    }

    const std::set<std::string> before = ports();
    const int userio = ::open("/dev/userio", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (userio < 0) {
        return usage((std::string("/dev/userio: ") + std::strerror(errno)).c_str());
    }
    const std::uint8_t type = o.set == link::ScanCodeSet::Set2 ? SERIO_8042 : SERIO_8042_XL;
    const userio_cmd setType{USERIO_CMD_SET_PORT_TYPE, type};
    const userio_cmd registerPort{USERIO_CMD_REGISTER, 0};
    if (::write(userio, &setType, sizeof setType) != sizeof setType ||
        ::write(userio, &registerPort, sizeof registerPort) != sizeof registerPort) {
        return usage((std::string("cannot register a userio port: ") + std::strerror(errno)).c_str());
    }
    std::string name;
    for (int n = 0; n < 100 && name.empty(); ++n) {
        for (const std::string& p : ports()) {
            name = before.count(p) == 0 ? p : name;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (name.empty()) {
        return usage("userio registered no serio port");
    }

    platform::StdFileSystem files("", "");
    app::KeyboardEeprom eeprom{};
    sim::SimulatedKeyboard::Options options;
    if (app::loadKeyboardImage(files, image, eeprom).state == app::ImageFileState::Loaded) {
        options.keyboard.eeprom = eeprom;
    }
    sim::VirtualClock clock;
    sim::SimulatedKeyboard keyboard(clock, options);
    test::RawKeyboardDouble far(clock, keyboard, o, userio);
    std::printf("%s\n", name.c_str());
    std::fflush(stdout);

    std::signal(SIGTERM, [](int) { stop = 1; });
    std::signal(SIGINT, [](int) { stop = 1; });
    // The simulated keyboard's clock follows the real one.
    const auto start = std::chrono::steady_clock::now();
    while (stop == 0) {
        pollfd p{userio, POLLIN, 0};
        ::poll(&p, 1, 1);
        const auto now = std::chrono::steady_clock::now() - start;
        clock.runUntil(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    }
    eeprom = keyboard.firmware().eeprom();
    return app::saveKeyboardImage(files, image, eeprom) ? 0 : 1;
}
