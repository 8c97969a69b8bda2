// Stands in for the system information viewer: proves that it was started
// by writing its own path into the file named by TAVRIN_STARTED_MARKER.

#include <windows.h>

#include <cstdio>

int main() {
    char marker[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TAVRIN_STARTED_MARKER", marker, sizeof marker);
    if (n == 0 || n >= sizeof marker) {
        return 2;
    }
    char self[MAX_PATH];
    DWORD len = GetModuleFileNameA(nullptr, self, sizeof self);
    std::FILE* f = std::fopen(marker, "wb");
    if (f == nullptr) {
        return 3;
    }
    std::fwrite(self, 1, len, f);
    std::fclose(f);
    return 0;
}
