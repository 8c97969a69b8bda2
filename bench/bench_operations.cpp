// Wall and CPU time of a read and of a whole-image write on the simulated
// keyboard in real time, next to their floors: the fixed waits, the bytes'
// transfer to the keyboard and the keyboard's own typing.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/null_backends.h"
#include "platform/std_file_system.h"
#include "app/real_clock.h"
#include "sim/simulated_keyboard.h"
#include "ui/msr_window.h"

namespace {

using namespace tavrin;

class SilentDialogs : public platform::OperatorDialogs {
public:
    platform::MsgAnswer MsgBox(const std::string& text, const std::string&, platform::MsgIcon,
                               platform::MsgButtons) override {
        last = text;
        return platform::MsgAnswer::Yes;
    }
    std::string InputBox(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    void ShowPrePost(platform::PrePostRequest& request) override { request.cancelled = true; }
    void ShowWaiting() override { shown = true; }
    void CloseWaiting() override { shown = false; }
    bool waitingShown() const override { return shown; }
    std::string GetOpenFileName() override { return {}; }
    std::string GetSaveFileName() override { return {}; }
    std::string last;
    bool shown = false;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    double wallMs;
    double cpuShare;
};

template <typename Work>
Measure measure(Work&& work) {
    auto start = std::chrono::steady_clock::now();
    double cpu = cpuSeconds();
    work();
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {wall * 1000.0, (cpuSeconds() - cpu) / wall};
}

void report(const char* what, const Measure& m, double floorMs) {
    std::printf("%-18s wall %7.1f ms  floor %7.1f ms  ratio %.3f (target <= 1.10)  "
                "cpu/wall %.3f (target <= 0.05)\n",
                what, m.wallMs, floorMs, m.wallMs / floorMs, m.cpuShare);
}

}  // namespace

int main() {
    app::RealClock clock;
    sim::SimulatedKeyboard keyboard(clock);
    auto folder = std::filesystem::temp_directory_path().string();
    platform::StdFileSystem files(folder, folder);
    SilentDialogs dialogs;
    app::AbsentRegistry registry;
    app::AbsentLauncher launcher;
    ui::MsrWindow window(ui::Platform{keyboard.ports(), keyboard.host(), keyboard.host(),
                                      keyboard.host(), keyboard.host(), keyboard.host(), files,
                                      dialogs, registry, launcher});
    window.Form_Load(false);

    const auto& keys = keyboard.firmware().options();
    const double transferMs = 1.0;  // the controller's default byte transfer
    const double typingMs = static_cast<double>(keys.typingInterval) / 1000.0;
    const double answerDelayMs = static_cast<double>(keys.answerDelay) / 1000.0;

    // Read: 200 ms of waits before the end frame, 8 bytes, then the keyboard
    // answers after its delay with 290 keystrokes (the last one ends it).
    std::size_t before = keyboard.ports().wire().size();
    Measure read = measure([&] { window.ReadsettingfromEEPROM_Click(); });
    double readBytes = static_cast<double>(keyboard.ports().wire().size() - before);
    double readFloor = 200.0 + readBytes * transferMs + answerDelayMs + 289.0 * typingMs;
    std::printf("read: %s\n", dialogs.last.c_str());
    report("read", read, readFloor);

    before = keyboard.ports().wire().size();
    Measure write = measure([&] { window.Command4_Click(); });
    double writeBytes = static_cast<double>(keyboard.ports().wire().size() - before);
    double writeFloor = 150.0 + 200.0 + 200.0 + 1500.0 + writeBytes * transferMs;
    std::printf("write: %s (%.0f bytes)\n", dialogs.last.c_str(), writeBytes);
    report("whole-image write", write, writeFloor);
    window.Form_Unload();
    return 0;
}
