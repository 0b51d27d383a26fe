#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall GetDatabaseList(const char*, const char*, const char*, char*, const char*,
                                                                const char*, const char*, char*) {
    return 0;
}
