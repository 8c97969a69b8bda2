#include "cli/doctor.h"

#include <filesystem>

#include "app/keyboard_image_file.h"
#include "app/native_platform.h"
#include "cli/cli_app.h"
#include "cli/linux_doctor.h"
#include "link/driver_cause.h"
#include "platform/privileges.h"
#include "platform/std_file_system.h"
#include "sim/simulated_keyboard.h"

namespace tavrin::cli {

int printDoctorReport(const std::vector<link::DoctorCheck>& checks, std::ostream& out) {
    std::size_t failed = 0;
    for (const link::DoctorCheck& check : checks) {
        out << (check.passed ? "ok    " : "FAIL  ") << check.name << ": " << check.detail << '\n';
        failed += check.passed ? 0 : 1;
    }
    if (failed == 0) {
        out << "verdict: all " << checks.size() << " checks pass\n";
        return kExitOk;
    }
    out << "verdict: " << failed << " of " << checks.size() << " checks fail\n";
    return kExitFailed;
}

namespace {

// The file the simulated keyboard keeps its EEPROM in, as a run would take it.
link::DoctorCheck imageCheck(platform::FileSystem& files, const std::string& path,
                             sim::SimulatedKeyboard& keyboard) {
    const char* name = "simulated keyboard's image";
    if (path.empty()) {
        return {name, true, "none: the keyboard starts from its factory settings each run"};
    }
    app::KeyboardEeprom eeprom{};
    const app::ImageFileLoad image = app::loadKeyboardImage(files, path, eeprom);
    switch (image.state) {
        case app::ImageFileState::Loaded:
            keyboard.firmware().setEeprom(eeprom);
            return {name, true, path};
        case app::ImageFileState::Absent:
            return {name, true, path + " (not made yet: factory settings)"};
        case app::ImageFileState::Refused:
            break;
    }
    return {name, false, path + ": " + image.reason + "; a run refuses it"};
}

}  // namespace

int runDoctor(const app::SessionSettings& settings, const CliOptions& options, const char* argv0,
              std::ostream& out, std::vector<link::DoctorCheck>* checks) {
    auto report = [&](std::vector<link::DoctorCheck> found) {
        if (checks) {
            *checks = found;
        }
        return printDoctorReport(found, out);
    };
    if (settings.simulate) {
        const std::unique_ptr<platform::Clock> clock = makeClock(options.virtualClock);
        sim::SimulatedKeyboard keyboard(*clock, options.simulator);
        std::error_code ec;
        auto folder = std::filesystem::absolute(argv0 ? argv0 : ".", ec)
                          .lexically_normal()
                          .parent_path()
                          .string();
        platform::StdFileSystem files(folder, "");
        std::vector<link::DoctorCheck> found{imageCheck(files, settings.simImage, keyboard)};
        link::DoctorSeams seams{files, keyboard.ports(), keyboard.host(), keyboard.host()};
        seams.simulated = true;
        for (link::DoctorCheck& check : link::runDoctorChecks(seams)) {
            found.push_back(std::move(check));
        }
        return report(std::move(found));
    }
#ifdef __linux__
    // Linux reaches the keyboard through the kernel's raw port: its checks only.
    (void)argv0;
    // No keyboard port leaves one check, and its verdict.
    return report(runLinuxChecks(options.linuxSystem));
#else
    auto native = app::makeNativePlatform(argv0);
    link::DoctorSeams seams{native->files(), native->ports(), native->version(), native->hooks()};
    seams.administrator = hasAdministratorRights(options);
    seams.security = &native->security();
    seams.registry = &native->registry();
    return report(link::runDoctorChecks(seams));
#endif
}

std::string driverFailureCause(app::NativePlatform& machine, const CliOptions& options) {
    return link::driverLoadCause(link::gatherDriverFacts(machine.files(), &machine.security(),
                                                         &machine.registry(),
                                                         hasAdministratorRights(options)));
}

void warnForeignPortLibrary(app::NativePlatform& machine, std::ostream& err) {
    const std::string advice =
        link::foreignLibraryAdvice(link::inspectPortLibrary(machine.files()),
                                   platform::buildMachine(), machine.security().nativeMachine());
    if (!advice.empty()) {
        err << "tavrin-cli: " << advice << '\n';
    }
}

}  // namespace tavrin::cli
