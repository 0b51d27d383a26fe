#pragma once
// The Windows version as the program's branches need it. Wine reports a modern Windows, so tests
// that exercise the Windows 2000 / XP branches set an older version through the seam.

namespace tess {

unsigned long OSMajorVersion();
unsigned long OSMinorVersion();
unsigned long OSPlatformId();  // 2 = NT family, 1 = the old consumer family

struct OsVersionOverride {
    unsigned long major, minor, platformId;
};
// Seam for tests: nullptr restores the real version.
void SetOsVersionForTesting(const OsVersionOverride* version);

}  // namespace tess
