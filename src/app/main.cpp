// Tessaron's entry point: one copy per machine, then the main window for the life of the process.
#include <windows.h>

#include "app/App.h"
#include "app/SingleInstance.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    tess::UniqueHandle mutex;
    if (!tess::AcquireInstanceMutex(mutex)) return 0;  // a second start ends silently
    return tess::RunApplication(instance, showCommand);
}
