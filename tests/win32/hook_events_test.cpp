// The thread keyboard hook, the message pump, Timer1 and the tick counter,
// with keystrokes injected through SendInput as a keyboard would type them.

#include <gtest/gtest.h>

#include <thread>

#include "link/keystroke_capture.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_hooks.h"
#include "support/table.h"
#include "win32_test_support.h"

namespace tavrin::test::win32 {
namespace {

using platform::win32::Win32EventPump;
using platform::win32::Win32Hooks;
using platform::win32::Win32Ticks;
using platform::win32::Win32Timer;

struct Backends {
    Win32Hooks hooks;
    Win32Timer timer1;
    Win32EventPump pump;
    Win32Ticks ticks;
    link::LinkCounters counters;
    link::KeystrokeCapture capture{hooks, timer1, pump, counters};

    // Hooked with Timer1 running and the counts cleared, as a read starts.
    void hook(int dumpSize) {
        capture.sizeDumpBuffer(dumpSize);
        counters.keyCount = 0;
        counters.tickCounter = 0;
        capture.enableTimer1();
        capture.installHook();
    }
    // Waits for keys keystrokes or ticks seconds, then unhooks.
    void captureAndUnhook(int keys, int ticks) {
        capture.captureLoop(keys, ticks);
        capture.removeHook();
        capture.disableTimer1();
    }
};

TEST(Win32Hook, CaptureStoresAndSwallowsEveryKeystroke) {
    FocusWindow& window = FocusWindow::shared();
    ASSERT_TRUE(window.hasFocus()) << "the test window must hold the keyboard focus";
    Backends b;
    b.hook(16);
    ASSERT_TRUE(b.capture.hookInstalled());

    sendKey(VK_F8, 0x42);
    sendKey(VK_NUMPAD7, 0x47);
    sendKey('Z', 0x2C, /*down=*/true);  // a key-down and its key-up: two entries
    sendKey('Z', 0x2C);
    b.captureAndUnhook(3, 5);

    EXPECT_EQ(b.counters.keyCount, 4);
    EXPECT_LT(b.counters.tickCounter, 5) << "the key limit ended the loop, not the ticks";
    expectBytes(b.capture.dumpBuffer(), {{0, VK_F8}, {1, VK_NUMPAD7}, {2, 'Z'}, {3, 'Z'}});
    expectBytes(b.capture.scanCodeList(), {{0, 0x42}, {1, 0x47}, {3, 0x2C}});
    pumpFor(50);
    EXPECT_EQ(window.keyMessages(), 0) << "captured keys must not reach the window";

    // Unhooked, the keyboard reaches the window again and nothing is stored.
    sendKey(VK_F9, 0x43);
    pumpFor(100);
    EXPECT_EQ(window.keyMessages(), 1);
    EXPECT_EQ(b.counters.keyCount, 4);
}

TEST(Win32Hook, RawCaptureListsScanCodes) {
    FocusWindow& window = FocusWindow::shared();
    ASSERT_TRUE(window.hasFocus());
    Backends b;
    std::string text1 = "untouched";
    // Typed from another thread once the diagnostic is waiting.
    std::thread typist([] {
        Sleep(300);
        sendKey(VK_NUMPAD7, 0x47);
        sendKey(VK_NUMPAD8, 0x48);
    });
    const DWORD elapsed = msTaken([&] { b.capture.CaptureRawKeys(text1); });
    typist.join();
    EXPECT_EQ(text1, "7172");
    EXPECT_GE(elapsed, 9000u) << "101 keys were not typed, so the diagnostic runs its 10 ticks";
    EXPECT_LT(elapsed, 13000u);
    EXPECT_FALSE(b.hooks.UnhookWindowsHookEx(1)) << "the hook is gone";
}

TEST(Win32Hook, ThreadWithoutAWindowStillReceivesTheKeyboard) {
    // A headless front end's thread: the hook brings up its own small
    // window, and the keystrokes are queued to this thread.
    FocusWindow& window = FocusWindow::shared();
    int stored = -1;
    bool swallowedHere = false;
    std::thread headless([&] {
        Backends b;
        b.hook(8);
        HWND foreground = GetForegroundWindow();
        swallowedHere = GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId();
        sendKey(VK_F6, 0x40);
        sendKey(VK_ADD, 0x4E);
        b.captureAndUnhook(1, 4);
        stored = b.counters.keyCount;
        expectBytes(b.capture.dumpBuffer(), {{0, VK_F6}, {1, VK_ADD}});
        EXPECT_FALSE(IsWindowVisible(GetForegroundWindow()) &&
                     GetWindowThreadProcessId(GetForegroundWindow(), nullptr) ==
                         GetCurrentThreadId())
            << "the capture window goes away with the hook";
    });
    headless.join();
    EXPECT_TRUE(swallowedHere) << "the headless thread held the foreground during the capture";
    EXPECT_EQ(stored, 2);
    window.reset();
    EXPECT_TRUE(window.hasFocus());
    EXPECT_EQ(window.keyMessages(), 0);
}

TEST(Win32Hook, OneHookAtATime) {
    Win32Hooks hooks;
    int calls = 0;
    auto proc = [&calls](int, std::uintptr_t, std::intptr_t) { return ++calls; };
    platform::HookHandle first = hooks.SetWindowsHookEx(proc);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(hooks.SetWindowsHookEx(proc), 0u) << "a second hook would take over the first";
    EXPECT_FALSE(hooks.UnhookWindowsHookEx(first + 1));
    EXPECT_FALSE(hooks.SetWindowsHookEx(nullptr));
    EXPECT_TRUE(hooks.UnhookWindowsHookEx(first));
    EXPECT_FALSE(hooks.UnhookWindowsHookEx(first));
    platform::HookHandle second = hooks.SetWindowsHookEx(proc);
    EXPECT_NE(second, 0u);
    EXPECT_TRUE(hooks.UnhookWindowsHookEx(second));
}

TEST(Win32Hook, TimeLimitEndsACaptureWithoutKeys) {
    FocusWindow& window = FocusWindow::shared();
    Backends b;
    const DWORD elapsed = msTaken([&] {
        b.hook(8);
        b.captureAndUnhook(7, 2);
    });
    EXPECT_EQ(b.counters.tickCounter, 2);
    EXPECT_EQ(b.counters.keyCount, 0);
    EXPECT_EQ(window.keyMessages(), 0);
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 3500u);
}

TEST(Win32Timer, TicksEverySecondAndKeepsItsPhase) {
    Win32Timer timer(1000);
    Win32EventPump pump;
    ASSERT_TRUE(timer.usable());
    std::vector<DWORD> ticks;
    timer.setHandler([&ticks] { ticks.push_back(GetTickCount()); });
    DWORD start = GetTickCount();
    timer.setEnabled(true);
    EXPECT_TRUE(timer.enabled());
    while (GetTickCount() - start < 600) {
        pump.processEvents(50);
    }
    timer.setEnabled(true);  // already running: the period goes on
    while (GetTickCount() - start < 2500) {
        pump.processEvents(50);
    }
    timer.setEnabled(false);
    EXPECT_FALSE(timer.enabled());
    DWORD stopped = GetTickCount();
    while (GetTickCount() - stopped < 1300) {
        pump.processEvents(50);
    }
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_GE(ticks[0] - start, 900u);
    EXPECT_LT(ticks[0] - start, 1300u) << "a restarted period would tick at about 1600 ms";
    EXPECT_GE(ticks[1] - ticks[0], 800u);

    // A stopped timer starts a new period when enabled again.
    ticks.clear();
    DWORD again = GetTickCount();
    timer.setEnabled(true);
    while (ticks.empty() && GetTickCount() - again < 3000) {
        pump.processEvents(50);
    }
    timer.setEnabled(false);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_GE(ticks[0] - again, 900u);
}

TEST(Win32Pump, WaitsAtMostTheGivenTimeAndWakesOnAMessage) {
    FocusWindow& window = FocusWindow::shared();
    Win32EventPump pump;
    pumpFor(50);
    EXPECT_LT(msTaken([&] { pump.processEvents(0); }), 100u) << "0 never waits";
    const DWORD idle = msTaken([&] { pump.processEvents(300); });
    EXPECT_GE(idle, 250u);
    EXPECT_LT(idle, 1500u);

    PostMessageA(window.hwnd(), WM_APP + 1, 0, 0);
    EXPECT_LT(msTaken([&] { pump.processEvents(5000); }), 500u);
    EXPECT_EQ(window.appMessages(), 1) << "pending messages are dispatched";

    // A message posted by another thread while the pump sleeps wakes it.
    HWND hwnd = window.hwnd();
    std::thread poster([hwnd] {
        Sleep(200);
        PostMessageA(hwnd, WM_APP + 1, 0, 0);
    });
    const DWORD woken = msTaken([&] { pump.processEvents(5000); });
    poster.join();
    EXPECT_LT(woken, 2500u);
    EXPECT_EQ(window.appMessages(), 2);
}

TEST(Win32Pump, QuitIsKeptNotDispatched) {
    FocusWindow& window = FocusWindow::shared();
    Win32EventPump pump;
    PostQuitMessage(7);
    PostMessageA(window.hwnd(), WM_APP + 1, 0, 0);
    pump.processEvents(0);
    pump.processEvents(0);
    EXPECT_TRUE(pump.quitRequested());
    EXPECT_EQ(pump.quitCode(), 7);
    EXPECT_EQ(window.appMessages(), 1);
}

TEST(Win32Ticks, FollowsTheSystemCounter) {
    // Bracketed by the system's own counter, so a busy machine that
    // preempts the test between the reads cannot fail it.
    Win32Ticks ticks;
    const std::uint32_t before = ::GetTickCount();
    const std::uint32_t a = ticks.GetTickCount();
    Sleep(120);
    const std::uint32_t b = ticks.GetTickCount();
    const std::uint32_t after = ::GetTickCount();
    EXPECT_LE(a - before, after - before);
    EXPECT_GE(b - a, 100u);
    EXPECT_LE(b - a, after - before);
}

}  // namespace
}  // namespace tavrin::test::win32
