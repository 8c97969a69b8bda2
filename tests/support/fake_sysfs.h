#pragma once
// A serio bus laid out in a temporary folder as the kernel lays out
// /sys/bus/serio/devices: a folder per port with description, id/type, a
// driver link and drvctl, a plain file that keeps what was written to it.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_dir.h"

namespace tavrin::test {

class FakeSysfs {
public:
    struct Port {
        std::string name;
        std::string description;
        std::string type = "06";  // as the kernel prints it; empty: no id/type
        std::string driver;       // empty: no driver link
    };

    // The folder that stands for /sys/bus/serio/devices (created on first use).
    std::filesystem::path devices() {
        auto path = dir_.path() / "devices";
        std::filesystem::create_directories(path);
        return path;
    }

    // The port's folder lives under the platform device, and the bus lists
    // it through a link, as sysfs does.
    void addPort(const Port& port) {
        auto folder = dir_.path() / "platform" / "i8042" / port.name;
        std::filesystem::create_directories(folder / "id");
        std::filesystem::create_directory_symlink(folder, devices() / port.name);
        writeFile(folder / "description", port.description + "\n");
        if (!port.type.empty()) {
            writeFile(folder / "id" / "type", port.type + "\n");
        }
        writeFile(folder / "drvctl", "");
        if (!port.driver.empty()) {
            auto drivers = dir_.path() / "drivers";
            std::filesystem::create_directories(drivers / port.driver);
            std::filesystem::create_directory_symlink(drivers / port.driver, folder / "driver");
        }
    }

    // What the last write left in the port's drvctl.
    std::string drvctl(const std::string& port) {
        std::ifstream in(devices() / port / "drvctl", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    const std::filesystem::path& root() const { return dir_.path(); }

private:
    static void writeFile(const std::filesystem::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }

    TempDir dir_;
};

}  // namespace tavrin::test
