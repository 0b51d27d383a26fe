#include "common/OsVersion.h"

#include <windows.h>

namespace tess {
namespace {

const OsVersionOverride* g_override = nullptr;
OsVersionOverride g_overrideValue{};

// GetVersionExA reports the real version only up to the newest Windows the program's manifest
// declares (later ones are reported as that one); the manifest lists Vista to 10, so the major
// version, which is all the branches test, is true on every supported system.
OsVersionOverride realVersion() {
    static const OsVersionOverride version = [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!GetVersionExA(&info)) return OsVersionOverride{0, 0, 0};
#pragma GCC diagnostic pop
        return OsVersionOverride{info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId};
    }();
    return version;
}

OsVersionOverride current() { return g_override ? *g_override : realVersion(); }

}  // namespace

unsigned long OSMajorVersion() { return current().major; }
unsigned long OSMinorVersion() { return current().minor; }
unsigned long OSPlatformId() { return current().platformId; }

void SetOsVersionForTesting(const OsVersionOverride* version) {
    if (version) {
        g_overrideValue = *version;
        g_override = &g_overrideValue;
    } else {
        g_override = nullptr;
    }
}

}  // namespace tess
