#pragma once
// The registry values that locate the system information viewer, and
// starting a program by its path.

#include <cstdint>
#include <optional>
#include <string>

namespace tavrin::platform {

enum class RegistryRoot { LocalMachine };

class Registry {
public:
    virtual ~Registry() = default;
    // A text value (type 1), its trailing NUL dropped; nullopt when the key
    // cannot be opened or the value cannot be read. Where the system keeps
    // separate 32-bit and 64-bit views, the program's own view is asked
    // first, then the other.
    virtual std::optional<std::string> GetKeyValue(RegistryRoot root, const std::string& keyName,
                                                   const std::string& valueName) = 0;
    // A number value (type 4, REG_DWORD), looked up the same way; nullopt
    // when the key or value is missing or of another type.
    virtual std::optional<std::uint32_t> GetDwordValue(RegistryRoot root,
                                                       const std::string& keyName,
                                                       const std::string& valueName) = 0;
};

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Starts the program in a normal window with focus; false on failure.
    virtual bool startProgram(const std::string& path) = 0;
};

}  // namespace tavrin::platform
