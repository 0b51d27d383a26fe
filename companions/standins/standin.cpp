// A file that only has to exist and carry a version resource: what detection reads of an
// installed server. Built as a DLL so that it is a real PE image with resources.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD StandInVersion() { return (STANDIN_MAJOR << 16) | STANDIN_MINOR; }
