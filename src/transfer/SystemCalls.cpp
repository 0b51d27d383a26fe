#include "transfer/SystemCalls.h"

#include <windows.h>

#include <mutex>

#include "transfer/Sync.h"

namespace tess {
namespace {

SlimLock gLock;
SystemCallRecorder gRecorder;

}  // namespace

void SetSystemCallRecorderForTesting(SystemCallRecorder recorder) {
    std::lock_guard<SlimLock> guard(gLock);
    gRecorder = std::move(recorder);
}

bool RecordSystemCall(const std::wstring& call) {
    std::lock_guard<SlimLock> guard(gLock);
    if (!gRecorder) return false;
    gRecorder(call);
    return true;
}

StayAwake::StayAwake() {
    if (!RecordSystemCall(L"stay awake")) SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

StayAwake::~StayAwake() {
    if (!RecordSystemCall(L"may sleep")) SetThreadExecutionState(ES_CONTINUOUS);
}

}  // namespace tess
