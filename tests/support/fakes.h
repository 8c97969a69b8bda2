#pragma once
// Small fakes of the platform seams for tests that need no keyboard model:
// a port driver that records the data port, a millisecond clock whose
// event pump runs scheduled callbacks, a hook table and scripted dialogs.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "eeprom/context.h"
#include "items/window_model.h"
#include "link/command_channel.h"
#include "link/counters.h"
#include "link/keystroke_capture.h"
#include "platform/dialogs.h"
#include "platform/keyboard_hook.h"
#include "platform/port_driver.h"
#include "platform/registry.h"
#include "platform/system_security.h"
#include "platform/timer.h"
#include "platform/version_query.h"

namespace tavrin::test {

class FakeTime : public platform::TickCounter, public platform::EventPump, public platform::Timer {
public:
    std::uint32_t GetTickCount() override { return now; }

    void processEvents(std::uint32_t maxWaitMs) override {
        ++passes;
        if (!runDue()) {
            std::uint64_t target = static_cast<std::uint64_t>(now) + maxWaitMs;
            if (!queue.empty() && queue.begin()->first < target) {
                target = queue.begin()->first;
            }
            now = static_cast<std::uint32_t>(target);
            runDue();
        }
    }

    // Runs fn from the event pump once the clock reaches atMs.
    void at(std::uint64_t atMs, std::function<void()> fn) { queue.emplace(atMs, std::move(fn)); }

    void setHandler(std::function<void()> handler) override { timerHandler = std::move(handler); }
    void setEnabled(bool enabled) override {
        if (enabled && !timerEnabled) {
            scheduleTick(now + 1000ULL, ++timerGeneration);
        }
        if (!enabled) {
            ++timerGeneration;
        }
        timerEnabled = enabled;
    }
    bool enabled() const override { return timerEnabled; }

    std::uint32_t now = 0;
    int passes = 0;
    std::multimap<std::uint64_t, std::function<void()>> queue;
    std::function<void()> timerHandler;
    bool timerEnabled = false;

private:
    bool runDue() {
        bool ran = false;
        while (!queue.empty() && queue.begin()->first <= now) {
            auto fn = std::move(queue.begin()->second);
            queue.erase(queue.begin());
            fn();
            ran = true;
        }
        return ran;
    }
    void scheduleTick(std::uint64_t when, int generation) {
        at(when, [this, when, generation] {
            if (timerEnabled && generation == timerGeneration) {
                if (timerHandler) {
                    timerHandler();
                }
                scheduleTick(when + 1000, generation);
            }
        });
    }
    int timerGeneration = 0;
};

class FakePorts : public platform::PortDriver {
public:
    explicit FakePorts(FakeTime* time = nullptr) : time_(time) {}
    bool InitializeWinIo() override {
        ++initializeCalls;
        return initializeResults.empty() ? true : popFront(initializeResults);
    }
    void ShutdownWinIo() override { ++shutdownCalls; }
    void operationEnded() override {}
    bool keyboardCutOff() const override { return false; }
    bool GetPortVal(std::uint16_t port, std::uint32_t& value, int) override {
        if (port == link::kStatusPort) {
            ++statusReads;
            value = neverReady ? link::kInputBufferFull : 0;
        } else if (port == link::kInterruptMaskPort) {
            value = interruptMask;
        } else {
            value = 0;
        }
        return true;
    }
    bool SetPortVal(std::uint16_t port, std::uint32_t value, int) override {
        if (port == link::kDataPort) {
            dataWrites.push_back(static_cast<std::uint8_t>(value));
            writeTimes.push_back(time_ ? time_->now : 0);
        } else if (port == link::kInterruptMaskPort) {
            interruptMask = value & 0xFF;
        }
        return true;
    }

    std::vector<std::uint8_t> dataWrites;
    std::vector<std::uint32_t> writeTimes;
    std::uint32_t interruptMask = 0;
    bool neverReady = false;
    long statusReads = 0;
    int initializeCalls = 0;
    int shutdownCalls = 0;
    std::deque<bool> initializeResults;

private:
    static bool popFront(std::deque<bool>& q) {
        bool v = q.front();
        q.pop_front();
        return v;
    }
    FakeTime* time_;
};

class FakeHooks : public platform::KeyboardHookApi {
public:
    platform::HookHandle SetWindowsHookEx(platform::HookProc proc) override {
        ++installs;
        proc_ = std::move(proc);
        return ++lastHandle;
    }
    bool UnhookWindowsHookEx(platform::HookHandle) override {
        ++removals;
        proc_ = nullptr;
        return true;
    }
    std::int32_t CallNextHookEx(platform::HookHandle, int, std::uintptr_t, std::intptr_t) override {
        ++passedOn;
        return 0;
    }
    bool installed() const { return static_cast<bool>(proc_); }
    // Delivers a keystroke as the system would; false when no hook takes it.
    bool type(std::uint8_t virtualKey, std::uint8_t scanCode = 0, int code = 0) {
        if (!proc_) {
            return false;
        }
        proc_(code, virtualKey, static_cast<std::intptr_t>(scanCode) << 16);
        return true;
    }

    int installs = 0;
    int removals = 0;
    int passedOn = 0;
    platform::HookHandle lastHandle = 0;

private:
    platform::HookProc proc_;
};

class FakeVersion : public platform::VersionQuery {
public:
    std::optional<platform::OsVersionInfo> GetVersionEx() override { return info; }
    std::optional<platform::OsVersionInfo> info = platform::OsVersionInfo{2, 5, 1};
};

// The kernel's machine and code-integrity options, as set.
class FakeSystemSecurity : public platform::SystemSecurity {
public:
    std::uint16_t nativeMachine() override { return machine; }
    std::optional<std::uint32_t> codeIntegrityOptions() override { return codeIntegrity; }

    std::uint16_t machine = 0;
    std::optional<std::uint32_t> codeIntegrity;
};

// Registry values by key and name; the others are missing.
class FakeRegistry : public platform::Registry {
public:
    std::optional<std::string> GetKeyValue(platform::RegistryRoot, const std::string& key,
                                           const std::string& name) override {
        const auto it = texts.find(key + "\\" + name);
        return it == texts.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    std::optional<std::uint32_t> GetDwordValue(platform::RegistryRoot, const std::string& key,
                                               const std::string& name) override {
        const auto it = numbers.find(key + "\\" + name);
        return it == numbers.end() ? std::nullopt : std::optional<std::uint32_t>(it->second);
    }

    std::map<std::string, std::string> texts;
    std::map<std::string, std::uint32_t> numbers;
};

struct Message {
    std::string text;
    std::string title;
    platform::MsgIcon icon;
    platform::MsgButtons buttons;
};

class FakeDialogs : public platform::OperatorDialogs {
public:
    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override {
        messages.push_back({text, title, icon, buttons});
        if (onMessage) {
            onMessage();
        }
        if (buttons == platform::MsgButtons::Ok) {
            return platform::MsgAnswer::Ok;
        }
        if (answers.empty()) {
            return platform::MsgAnswer::No;
        }
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        inputPrompts.push_back({prompt, title, defaultAnswer});
        if (inputAnswers.empty()) {
            return {};
        }
        auto a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }
    void ShowPrePost(platform::PrePostRequest& request) override {
        prePostShown.push_back(request);
        if (onPrePost) {
            onPrePost(request);
        }
    }
    void ShowWaiting() override {
        ++waitingShows;
        shown = true;
    }
    void CloseWaiting() override {
        if (shown) {
            ++waitingCloses;
        }
        shown = false;
    }
    bool waitingShown() const override { return shown; }
    std::string GetOpenFileName() override { return pop(openNames); }
    std::string GetSaveFileName() override { return pop(saveNames); }

    std::vector<Message> messages;
    std::deque<platform::MsgAnswer> answers;  // for Yes/No questions; No when empty
    struct Prompt {
        std::string prompt, title, defaultAnswer;
    };
    std::vector<Prompt> inputPrompts;
    std::deque<std::string> inputAnswers;
    std::vector<platform::PrePostRequest> prePostShown;
    std::function<void(platform::PrePostRequest&)> onPrePost;
    std::function<void()> onMessage;  // as each message box shows
    std::deque<std::string> openNames, saveNames;
    int waitingShows = 0;
    int waitingCloses = 0;
    bool shown = false;

private:
    static std::string pop(std::deque<std::string>& q) {
        if (q.empty()) {
            return {};
        }
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

// A whole core context over the fakes: the window model, the channel, the
// capture and the dialogs, ready for an operation under test.
struct CoreRig {
    FakeTime time;
    FakePorts ports{&time};
    FakeHooks hooks;
    FakeVersion version;
    FakeDialogs dialogs;
    ui::WindowModel window;
    link::LinkCounters counters;
    link::CommandChannel channel{ports, time, time, counters};
    link::KeystrokeCapture capture{hooks, time, time, counters};
    eeprom::Context ctx{window, counters, channel, capture, version, dialogs};

    // The data-port bytes written so far, and then forgets them.
    std::vector<std::uint8_t> takeWire() {
        auto bytes = ports.dataWrites;
        ports.dataWrites.clear();
        ports.writeTimes.clear();
        return bytes;
    }
};

// Frame bytes on the wire for one command: E7 55 AA, E3 b..., E6.
inline std::vector<std::uint8_t> frame(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out{0xE7, 0x55, 0xAA};
    for (int v : values) {
        out.push_back(0xE3);
        out.push_back(static_cast<std::uint8_t>(v));
    }
    out.push_back(0xE6);
    return out;
}

}  // namespace tavrin::test
