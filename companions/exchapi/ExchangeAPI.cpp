#include <windows.h>

extern "C" __declspec(dllexport) DWORD ExchangeApiVersion() { return 1; }
