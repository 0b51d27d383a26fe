#pragma once
#include <windows.h>

namespace tess {

// Creates the main window, runs the message loop until it is gone, returns the exit code.
int RunApplication(HINSTANCE instance, int showCommand);

}  // namespace tess
