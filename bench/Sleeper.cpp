// Stands in for a companion tool that works for a while without using the processor: it sleeps
// for the number of milliseconds given as its argument.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
    Sleep(static_cast<DWORD>(std::wcstoul(args, nullptr, 10)));
    return 0;
}
