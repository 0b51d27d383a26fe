#pragma once
#include "platform/Handle.h"

namespace tess {

// Takes the machine-wide mutex "Global\Tessaron". False when another copy holds it, whether it
// was started by this user (the mutex exists) or by another logged-on user (access denied).
// On success the handle stays in `mutex` for the life of the process.
[[nodiscard]] bool AcquireInstanceMutex(UniqueHandle& mutex);

}  // namespace tess
