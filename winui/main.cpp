// tavrin.exe: the native window of the POS keyboard's magnetic stripe
// reader setup.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/window_options.h"
#include "platform/win32/win32_events.h"
#include "tavrin_version.h"
#include "winui/dialog_window.h"
#include "winui/frm_msr.h"
#include "winui/win_api.h"
#include "winui/win_dialogs.h"
#include "winui/win_sim_clock.h"

#include <psapi.h>

namespace {

using namespace tavrin;

// A window program has no console of its own: a problem is told in a box
// as well as on the standard error stream.
int refuse(const std::string& message, int code) {
    std::fprintf(stderr, "tavrin: %s\n", message.c_str());
    MessageBoxA(nullptr, message.c_str(), "Tavrin", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return code;
}

// Milliseconds since the process was created.
double sinceStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10'000.0;
}

PROCESS_MEMORY_COUNTERS_EX memoryNow() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    return memory;
}

// The figures of the start: time to the first shown window, and the memory
// the process reports of itself then, beside what it held on entering main
// (the system's libraries, before the program made anything). private_kb is
// the committed private memory (PagefileUsage).
struct StartStamps {
    double entryMs = 0;  // main entered
    double builtMs = 0;  // the window built, before the start-up read
    PROCESS_MEMORY_COUNTERS_EX atEntry{};
};

bool writeBenchReport(const std::string& path, const StartStamps& stamps) {
    const PROCESS_MEMORY_COUNTERS_EX& atEntry = stamps.atEntry;
    const PROCESS_MEMORY_COUNTERS_EX memory = memoryNow();
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    auto kb = [](std::size_t bytes) { return static_cast<unsigned long>(bytes / 1024); };
    std::fprintf(out,
                 "first_window_ms %.0f\nentry_ms %.0f\nbuilt_ms %.0f\nworking_set_kb "
                 "%lu\npeak_working_set_kb %lu\n"
                 "private_kb %lu\nentry_working_set_kb %lu\nentry_private_kb %lu\n",
                 sinceStart(), stamps.entryMs, stamps.builtMs, kb(memory.WorkingSetSize),
                 kb(memory.PeakWorkingSetSize), kb(memory.PagefileUsage),
                 kb(atEntry.WorkingSetSize), kb(atEntry.PagefileUsage));
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    StartStamps stamps{sinceStart(), 0, memoryNow()};
    const app::OptionsOutcome parsed =
        app::parseWindowOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (!parsed.options) {
        return refuse(parsed.error, 2);
    }
    const app::WindowOptions& options = *parsed.options;
    if (options.help || options.version) {
        std::fputs(options.help ? app::kWindowUsage : "Tavrin " TAVRIN_VERSION "\n", stdout);
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS |
                                                       ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    winui::WinOperatorDialogs dialogs;
    platform::win32::Win32EventPump events;
    winui::WinSimClock clock([&events] { return events.dispatchPending(); });
    app::FrontEnd front(dialogs);
    front.simClock = &clock;
    front.nativeEvents = &events;
    app::Session session(options.session(), front, argc > 0 ? argv[0] : nullptr);
    std::string error;
    if (!session.prepare(error)) {
        return refuse(error, 1);
    }

    int result = 0;
    {
        winui::frmMsr frm(session.window(), dialogs, session.simulated());
        events.preTranslate = [&frm](MSG& msg) {
            return winui::DialogWindow::preTranslate(msg) || frm.preTranslate(msg);
        };
        ui::MsrWindow& msr = session.window();
        stamps.builtMs = sinceStart();
        msr.Form_Load();
        if (!msr.ended()) {
            frm.showMain();
            if (!options.benchReport.empty()) {
                if (!writeBenchReport(options.benchReport, stamps)) {
                    refuse("cannot write " + options.benchReport, 1);
                }
                msr.Exit_Click();
                frm.refresh();
            }
            while (!frm.closed() && !events.quitRequested()) {
                events.processEvents(INFINITE);
            }
            result = events.quitCode();
        }
        events.preTranslate = nullptr;
    }
    if (!session.finish(error)) {
        return refuse(error, 1);
    }
    return result;
}
