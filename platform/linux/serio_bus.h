#pragma once
// The kernel's serio bus as sysfs shows it: one folder per port under
// /sys/bus/serio/devices with its description, the driver bound to it (a
// link named driver), its type (id/type) and drvctl, which rebinds it.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::platform {

inline constexpr const char* kSerioDevices = "/sys/bus/serio/devices";
inline constexpr std::string_view kKeyboardPortDescription = "i8042 KBD port";
// What drvctl takes; the kernel compares the whole write, so no newline.
inline constexpr std::string_view kRawDriver = "serio_raw";
inline constexpr std::string_view kKeyboardDriver = "atkbd";
// id/type of the keyboard port: the controller translates to set 1, or not.
inline constexpr int kSerioTypeTranslated = 0x06;
inline constexpr int kSerioTypeUntranslated = 0x01;

struct SerioPort {
    std::string name;         // serio0
    std::string description;  // "i8042 KBD port"
    std::string driver;       // "atkbd", "serio_raw"; empty when none is bound
    int type = -1;            // id/type; -1 when it cannot be read
};

class SerioBus {
public:
    virtual ~SerioBus() = default;
    // Every port, in the order of their numbers. False with the reason when
    // the bus itself cannot be read (a kernel without serio support).
    virtual bool listPorts(std::vector<SerioPort>& ports, std::string& error) = 0;
    // Writes command to the port's drvctl in one write, exactly as given.
    virtual bool writeDriverControl(const std::string& port, std::string_view command,
                                    std::string& error) = 0;
    // Makes sure serio_raw is registered with the bus, loading its module
    // when it is not; false with the reason.
    virtual bool ensureRawDriver(std::string& error) {
        (void)error;
        return true;
    }
};

// Loads a kernel module by its fixed name; false with the reason.
using ModuleLoader = std::function<bool(std::string_view module, std::string& error)>;
// modprobe, run with a fixed argument list and environment.
bool modprobe(std::string_view module, std::string& error);

// The bus under root: /sys/bus/serio/devices on the machine, a folder laid
// out the same way in tests.
class SysfsSerioBus : public SerioBus {
public:
    // load: how a missing serio_raw is loaded; by default modprobe on the
    // machine's own bus and nothing on any other folder.
    explicit SysfsSerioBus(std::filesystem::path root = kSerioDevices, ModuleLoader load = {});

    bool listPorts(std::vector<SerioPort>& ports, std::string& error) override;
    bool writeDriverControl(const std::string& port, std::string_view command,
                            std::string& error) override;
    bool ensureRawDriver(std::string& error) override;

private:
    std::filesystem::path root_;
    ModuleLoader load_;
};

enum class ScanCodeTranslation { Set1, Set2, Unknown };

struct KeyboardPort {
    std::string name;
    std::string driver;
    ScanCodeTranslation translation = ScanCodeTranslation::Unknown;
};

// The i8042 keyboard port (the lowest-numbered when several claim to be),
// or nullopt with the reason in one line. Tests name another port (a userio
// one) by its name; the installed programs never do.
std::optional<KeyboardPort> findKeyboardPort(SerioBus& bus, std::string& reason,
                                             const std::string& name = {});

// Hands the port to serio_raw, or back to atkbd.
bool bindRawDriver(SerioBus& bus, const KeyboardPort& port, std::string& error);
bool bindKeyboardDriver(SerioBus& bus, const KeyboardPort& port, std::string& error);

}  // namespace tavrin::platform
