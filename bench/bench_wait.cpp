// How the waits of the command channel spend their time on the simulated
// keyboard in real time: a wait must sleep in the event pump, not spin, and
// must end close to its deadline. Prints its figures; it is not a test.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "link/command_channel.h"
#include "link/counters.h"
#include "app/real_clock.h"
#include "sim/simulated_keyboard.h"

namespace {

using namespace tavrin;
using Wall = std::chrono::steady_clock;

double cpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

double secondsSince(Wall::time_point start) {
    return std::chrono::duration<double>(Wall::now() - start).count();
}

struct Share {
    double wall;
    double cpu;
};

template <class Fn>
Share measure(Fn fn) {
    double cpu0 = cpuSeconds();
    auto wall0 = Wall::now();
    fn();
    return {secondsSince(wall0), cpuSeconds() - cpu0};
}

}  // namespace

int main() {
    app::RealClock clock;
    sim::SimulatedKeyboard keyboard(clock);
    link::LinkCounters counters;
    link::CommandChannel channel(keyboard.ports(), keyboard.host(), keyboard.host(), counters);

    // One long wait: the CPU it takes against the wall time it lasts.
    Share longWait = measure([&] { channel.WaitMilliseconds(2000); });
    std::printf(
        "WaitMilliseconds(2000): wall %.1f ms, cpu %.2f ms, cpu/wall %.4f (target <= 0.05)\n",
        longWait.wall * 1e3, longWait.cpu * 1e3, longWait.cpu / longWait.wall);

    // Short waits: how far past their deadline they return.
    std::vector<double> overshoot;
    for (int i = 0; i < 20; ++i) {
        int ms = 50 + (150 * i) / 19;
        Share s = measure([&] { channel.WaitMilliseconds(ms); });
        overshoot.push_back(s.wall * 1e3 - ms);
    }
    std::vector<double> sorted = overshoot;
    std::sort(sorted.begin(), sorted.end());
    double median = (sorted[9] + sorted[10]) / 2;
    std::printf(
        "20 waits of 50..200 ms: overshoot median %.2f ms, max %.2f ms, min %.2f ms "
        "(target median <= 5 ms)\n",
        median, sorted.back(), sorted.front());

    // For information: one item frame of ten data bytes through the i8042.
    std::vector<int> data{0x43, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    auto wireBefore = keyboard.ports().wire().size();
    Share frame = measure([&] { channel.SendFrame(data); });
    channel.WaitMilliseconds(10);  // let the last byte reach the keyboard
    std::printf(
        "10-byte frame (%zu bytes on the wire): wall %.2f ms, cpu %.2f ms, cpu/wall %.3f, "
        "frames seen by the keyboard %zu, bytes dropped %llu\n",
        keyboard.ports().wire().size() - wireBefore, frame.wall * 1e3, frame.cpu * 1e3,
        frame.cpu / frame.wall, keyboard.firmware().frames().size(),
        static_cast<unsigned long long>(counters.droppedBytes));

    // For information: one byte to a controller that never gets ready costs
    // the full 300,000 status reads, paid mostly asleep.
    sim::SimulatedKeyboard::Options stuck;
    stuck.controller.neverReady = true;
    sim::SimulatedKeyboard stuckKeyboard(clock, stuck);
    link::LinkCounters stuckCounters;
    link::CommandChannel stuckChannel(stuckKeyboard.ports(), stuckKeyboard.host(),
                                      stuckKeyboard.host(), stuckCounters);
    Share dropped = measure([&] { stuckChannel.SendControllerByte(0xE7); });
    std::printf(
        "byte to a never-ready controller: wall %.1f ms, cpu %.1f ms, cpu/wall %.3f, "
        "status reads %ld, send errors %d\n",
        dropped.wall * 1e3, dropped.cpu * 1e3, dropped.cpu / dropped.wall,
        stuckKeyboard.ports().statusReads(), stuckCounters.sendErrorCounter);
    return 0;
}
