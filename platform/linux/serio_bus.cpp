#include "platform/linux/serio_bus.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrin::platform {

namespace {

namespace fs = std::filesystem;

// A sysfs attribute without its trailing newline; nullopt when unreadable.
std::optional<std::string> readAttribute(const fs::path& file) {
    std::ifstream in(file);
    if (!in) {
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

// id/type is printed as two hex digits ("06").
int parseType(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->size() > 8) {
        return -1;
    }
    int value = 0;
    for (char c : *text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return -1;
        }
        value = value * 16 + digit;
    }
    return value;
}

// serio12 sorts after serio2.
long portNumber(const std::string& name) {
    auto digits = name.find_first_of("0123456789");
    if (digits == std::string::npos) {
        return -1;
    }
    return std::strtol(name.c_str() + digits, nullptr, 10);
}

bool bind(SerioBus& bus, const KeyboardPort& port, std::string_view driver, std::string& error) {
    return bus.writeDriverControl(port.name, driver, error);
}

}  // namespace

bool modprobe(std::string_view module, std::string& error) {
    // Never a name from anyone else, never a shell, never the caller's PATH.
    const std::string name(module);
    const char* program = ::access("/usr/sbin/modprobe", X_OK) == 0 ? "/usr/sbin/modprobe"
                                                                    : "/sbin/modprobe";
    char* const argv[] = {const_cast<char*>("modprobe"), const_cast<char*>("-q"),
                          const_cast<char*>(name.c_str()), nullptr};
    char* const envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program, nullptr, nullptr, argv, envp);
    if (spawned != 0) {
        error = std::string(program) + ": " + std::strerror(spawned);
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = std::string(program) + " " + name + " failed (exit status " +
                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return false;
    }
    return true;
}

SysfsSerioBus::SysfsSerioBus(fs::path root, ModuleLoader load)
    : root_(std::move(root)), load_(std::move(load)) {
    if (!load_ && root_ == kSerioDevices) {
        load_ = modprobe;
    }
}

bool SysfsSerioBus::ensureRawDriver(std::string& error) {
    std::error_code ec;
    const fs::path registered = root_.parent_path() / "drivers" / std::string(kRawDriver);
    if (fs::is_directory(registered, ec) || !load_) {
        return true;
    }
    std::string why;
    if (!load_(kRawDriver, why)) {
        error = "serio_raw is not loaded, and its module did not load: " + why;
        return false;
    }
    if (!fs::is_directory(registered, ec)) {
        error = "serio_raw is not loaded, and loading its module did not register it";
        return false;
    }
    return true;
}

bool SysfsSerioBus::listPorts(std::vector<SerioPort>& ports, std::string& error) {
    ports.clear();
    std::error_code ec;
    fs::directory_iterator it(root_, ec);
    if (ec) {
        error = "the kernel shows no serio bus (" + root_.string() + ": " + ec.message() + ")";
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        if (!entry.is_directory(ec)) {
            continue;  // sysfs lists ports as links to folders
        }
        SerioPort port;
        port.name = entry.path().filename().string();
        port.description = readAttribute(entry.path() / "description").value_or("");
        port.type = parseType(readAttribute(entry.path() / "id" / "type"));
        fs::path driver = fs::read_symlink(entry.path() / "driver", ec);
        port.driver = ec ? std::string() : driver.filename().string();
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(), [](const SerioPort& a, const SerioPort& b) {
        long na = portNumber(a.name);
        long nb = portNumber(b.name);
        return na != nb ? na < nb : a.name < b.name;
    });
    return true;
}

bool SysfsSerioBus::writeDriverControl(const std::string& port, std::string_view command,
                                       std::string& error) {
    if (port.empty() || port.find('/') != std::string::npos || port == "." || port == "..") {
        error = "no such serio port: '" + port + "'";
        return false;
    }
    const fs::path file = root_ / port / "drvctl";
    // No O_CREAT: a port without drvctl is not one the kernel can rebind.
    int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    ssize_t written = ::write(fd, command.data(), command.size());
    int writeErrno = errno;
    bool closed = ::close(fd) == 0;
    if (written != static_cast<ssize_t>(command.size())) {
        error = file.string() + ": " +
                (written < 0 ? std::strerror(writeErrno) : std::string("short write"));
        return false;
    }
    if (!closed) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::optional<KeyboardPort> findKeyboardPort(SerioBus& bus, std::string& reason,
                                             const std::string& name) {
    std::vector<SerioPort> ports;
    if (!bus.listPorts(ports, reason)) {
        return std::nullopt;
    }
    if (ports.empty()) {
        reason = "the kernel has no serio ports here";
        return std::nullopt;
    }
    for (const SerioPort& p : ports) {
        if (name.empty() ? p.description != kKeyboardPortDescription : p.name != name) {
            continue;
        }
        KeyboardPort port{p.name, p.driver, ScanCodeTranslation::Unknown};
        if (p.type == kSerioTypeTranslated) {
            port.translation = ScanCodeTranslation::Set1;
        } else if (p.type == kSerioTypeUntranslated) {
            port.translation = ScanCodeTranslation::Set2;
        }
        return port;
    }
    reason = name.empty() ? "the kernel has no i8042 keyboard port here" : "no serio port " + name;
    return std::nullopt;
}

bool bindRawDriver(SerioBus& bus, const KeyboardPort& port, std::string& error) {
    return bus.ensureRawDriver(error) && bind(bus, port, kRawDriver, error);
}

bool bindKeyboardDriver(SerioBus& bus, const KeyboardPort& port, std::string& error) {
    return bind(bus, port, kKeyboardDriver, error);
}

}  // namespace tavrin::platform
