#include "app/SingleInstance.h"

namespace tess {

bool AcquireInstanceMutex(UniqueHandle& mutex) {
    mutex.reset(CreateMutexW(nullptr, TRUE, L"Global\\Tessaron"));
    DWORD error = GetLastError();  // read at once: anything after may overwrite it
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED || !mutex) {
        mutex.reset();
        return false;
    }
    return true;
}

}  // namespace tess
