#include "platform/win32/win32_system_security.h"

#include "platform/pe_header.h"
#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

namespace {

using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

struct CodeIntegrityInformation {
    ULONG length;
    ULONG options;
};

constexpr WORD kArchitectureArm64 = 12;  // PROCESSOR_ARCHITECTURE_ARM64
constexpr std::uint16_t kMachineArm64 = 0xAA64;

template <typename Fn>
Fn lookUp(const char* module, const char* name) {
    HMODULE handle = GetModuleHandleA(module);
    if (handle == nullptr) {
        return nullptr;
    }
    // Cast through a plain function pointer: the entry point's type is
    // known only by its documentation.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

}  // namespace

std::uint16_t Win32SystemSecurity::nativeMachine() {
    if (auto isWow64Process2 = lookUp<IsWow64Process2Fn>("kernel32.dll", "IsWow64Process2")) {
        USHORT process = 0;
        USHORT native = 0;
        if (isWow64Process2(GetCurrentProcess(), &process, &native) && native != 0) {
            return native;
        }
    }
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    switch (info.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_INTEL:
            return kMachineI386;
        case PROCESSOR_ARCHITECTURE_AMD64:
            return kMachineAmd64;
        case kArchitectureArm64:
            return kMachineArm64;
        default:
            return 0;
    }
}

std::optional<std::uint32_t> Win32SystemSecurity::codeIntegrityOptions() {
    auto query = lookUp<NtQuerySystemInformationFn>("ntdll.dll", "NtQuerySystemInformation");
    if (query == nullptr) {
        return std::nullopt;
    }
    CodeIntegrityInformation info{sizeof info, 0};
    ULONG returned = 0;
    if (query(kSystemCodeIntegrityInformation, &info, sizeof info, &returned) < 0) {
        return std::nullopt;
    }
    return info.options;
}

}  // namespace tavrin::platform::win32
