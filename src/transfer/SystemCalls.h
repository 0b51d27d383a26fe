#pragma once
// The calls a run makes on the system beyond its own work: keeping the machine awake while it
// runs, its progress on the taskbar button, the button's flashing at its end. They all go
// through one seam, so that a test records them (in order, from any thread) where the system
// would otherwise see them; under Wine the taskbar does little to look at anyway.
#include <functional>
#include <string>

namespace tess {

using SystemCallRecorder = std::function<void(const std::wstring& call)>;
void SetSystemCallRecorderForTesting(SystemCallRecorder recorder);
// True when a recorder took `call`: the caller then leaves the system alone.
bool RecordSystemCall(const std::wstring& call);

// Keeps the system from sleeping while it lives (the display may still turn off). The request
// belongs to the thread that makes it, so it lives on a thread that lasts the whole run; it is
// released however the run ends.
class StayAwake {
public:
    StayAwake();
    ~StayAwake();
    StayAwake(const StayAwake&) = delete;
    StayAwake& operator=(const StayAwake&) = delete;
};

}  // namespace tess
