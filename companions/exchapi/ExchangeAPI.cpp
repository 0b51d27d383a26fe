// ExchangeAPI.dll and ExchangeAPI64.dll: the program only checks that they are present in its
// folder; the helpers do all the Exchange work themselves. One export lets a check load one and
// see that it is a real library of ours.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD ExchangeApiVersion() { return MAKELONG(0, 1); }
