#include "link/driver_cause.h"

#include "platform/pe_header.h"

namespace tavrin::link {

namespace {

constexpr const char* kNoCause =
    "no cause found: the files, the rights, the driver's architecture and the signing settings "
    "all allow the driver to load; check that winio3.sys is not damaged and that no other "
    "program holds it";

bool has(const std::optional<std::uint32_t>& options, std::uint32_t bit) {
    return options && (*options & bit) != 0;
}

// The program folder's copy, else the shipped file start-up copies.
std::string presentFile(platform::FileSystem& files, const std::string& folder, const char* target,
                        const char* source) {
    for (const char* name : {target, source}) {
        const std::string path = files.joinPath(folder, name);
        if (files.fileExists(path)) {
            return path;
        }
    }
    return "";
}

}  // namespace

std::string driverLoadCause(const DriverFacts& f) {
    using platform::kMachineAmd64;
    using platform::kMachineI386;
    if (!f.filesPresent) {
        return "winio3.dll or winio3.sys is missing: put both files of this build's architecture "
               "beside the program";
    }
    if (!f.administrator) {
        return "the program runs without administrator rights, which loading the driver needs: "
               "start it with 'Run as administrator'";
    }
    if (f.driverMachine == kMachineI386 && f.systemMachine != 0 &&
        f.systemMachine != kMachineI386) {
        return "winio3.sys is the 32-bit driver and this Windows is 64-bit, which loads no 32-bit "
               "driver: use a 32-bit Windows, or the 64-bit build with a 64-bit driver Windows "
               "accepts, or Tavrin Live, which reaches the keyboard through Linux";
    }
    if (f.driverMachine == kMachineAmd64 && f.systemMachine == kMachineI386) {
        return "winio3.sys is the 64-bit driver and this Windows is 32-bit: use the 32-bit build "
               "(the -win32 archive) and its driver";
    }
    if (f.systemMachine == kMachineI386 || f.systemMachine == 0) {
        // A 32-bit kernel loads unsigned drivers; an unknown one is not guessed at.
        return kNoCause;
    }
    // Unsigned, no setting helps: test signing would not load it either.
    if (f.driverSigned == false) {
        return "winio3.sys carries no signature, which 64-bit Windows refuses even with test "
               "signing on: use a signed 64-bit driver, or Tavrin Live, which reaches the "
               "keyboard through Linux";
    }
    if (f.secureBoot == true) {
        return "winio3.sys is self-signed (Windows trusts no such signature) and Secure Boot is "
               "on, which also keeps test signing off: turn Secure Boot off in the firmware setup "
               "and test signing on ('bcdedit /set testsigning on', then restart), or use a "
               "driver signed for this Windows";
    }
    if (has(f.codeIntegrity, platform::kCodeIntegrityEnabled) &&
        !has(f.codeIntegrity, platform::kCodeIntegrityTestSign)) {
        return "test signing is off, so 64-bit Windows refuses the self-signed winio3.sys: run "
               "'bcdedit /set testsigning on' as administrator and restart, or use a driver "
               "signed for this Windows";
    }
    if (has(f.codeIntegrity, platform::kCodeIntegrityHvci)) {
        return "memory integrity (HVCI) is on and refuses this old driver: turn it off under "
               "Windows Security, Device security, Core isolation, and restart";
    }
    return kNoCause;
}

std::optional<bool> secureBootEnabled(platform::Registry& registry) {
    const auto value = registry.GetDwordValue(platform::RegistryRoot::LocalMachine, kSecureBootKey,
                                              kSecureBootValue);
    if (!value) {
        return std::nullopt;
    }
    return *value != 0;
}

DriverFacts gatherDriverFacts(platform::FileSystem& files, platform::SystemSecurity* security,
                              platform::Registry* registry, bool administrator) {
    DriverFacts facts;
    facts.administrator = administrator;
    const std::string folder = files.programFolder();
    const std::string library = presentFile(files, folder, "\\winio3.dll", "\\winiodll3");
    const std::string driver = presentFile(files, folder, "\\winio3.sys", "\\winiosys3");
    facts.filesPresent = !folder.empty() && !library.empty() && !driver.empty();
    if (!driver.empty()) {
        if (auto head = files.readFileHead(driver, platform::kPeHeadBytes)) {
            const platform::PeHeader header = platform::readPeHeader(*head);
            if (header.status == platform::PeStatus::Ok) {
                facts.driverMachine = header.machine;
            }
            if (header.optionalHeaderRead) {
                facts.driverSigned = header.hasSignature;
            }
        }
    }
    if (security) {
        facts.systemMachine = security->nativeMachine();
        facts.codeIntegrity = security->codeIntegrityOptions();
    }
    if (registry) {
        facts.secureBoot = secureBootEnabled(*registry);
    }
    return facts;
}

}  // namespace tavrin::link
