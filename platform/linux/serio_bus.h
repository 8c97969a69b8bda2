#pragma once
// The kernel's serio bus as sysfs shows it: one folder per port under
// /sys/bus/serio/devices with its description, the driver bound to it (a
// link named driver), its type (id/type) and drvctl, which rebinds it.

#include <filesystem>
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
};

// The bus under root: /sys/bus/serio/devices on the machine, a folder laid
// out the same way in tests.
class SysfsSerioBus : public SerioBus {
public:
    explicit SysfsSerioBus(std::filesystem::path root = kSerioDevices) : root_(std::move(root)) {}

    bool listPorts(std::vector<SerioPort>& ports, std::string& error) override;
    bool writeDriverControl(const std::string& port, std::string_view command,
                            std::string& error) override;

private:
    std::filesystem::path root_;
};

enum class ScanCodeTranslation { Set1, Set2, Unknown };

struct KeyboardPort {
    std::string name;
    std::string driver;
    ScanCodeTranslation translation = ScanCodeTranslation::Unknown;
};

// The i8042 keyboard port (the lowest-numbered when several claim to be),
// or nullopt with the reason in one line.
std::optional<KeyboardPort> findKeyboardPort(SerioBus& bus, std::string& reason);

// Hands the port to serio_raw, or back to atkbd.
bool bindRawDriver(SerioBus& bus, const KeyboardPort& port, std::string& error);
bool bindKeyboardDriver(SerioBus& bus, const KeyboardPort& port, std::string& error);

}  // namespace tavrin::platform
