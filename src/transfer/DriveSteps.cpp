#include "transfer/DriveSteps.h"

#include "transfer/BlockCopy.h"
#include "transfer/ReadBack.h"

namespace tess {

std::wstring BlockCopyReason(int blockCopyResult) {
    switch (blockCopyResult) {
        case kCopyNoSpace: return L"the destination drive has no room left for it";
        case kCopyCancelled: return L"the transfer was cancelled by the user";
        case kCopyNoSource: return L"the source does not exist";
        case kCopyNotVerified: return L"the copy did not read back as its source";
        case kCopyDriveGone: return L"the destination drive stopped answering";
        default: return L"the copy failed (error " + std::to_wstring(blockCopyResult) + L")";
    }
}

CopyResult BlockFileCopier::copy(const PlanFile& file, StepContext& context) {
    CopyResult result;
    // Counted on the way: asking the drive afterwards costs a round trip per file of a set of
    // thousands.
    const auto onBytes = [&result, &context](uint64_t bytes) {
        result.bytes += bytes;
        if (context.addBytes) context.addBytes(bytes);
    };
    CopyStart start;
    const int copied = CopyFileBlocks(file.source, file.target, &context.cancel, onBytes,
                                      digest_ ? &result.sha256 : nullptr, &start);
    result.keptBytes = start.keptBytes;
    if (context.report && start.keptBytes)
        context.report(L"Resumed at " + std::to_wstring(start.keptBytes) + L" bytes: " + file.target);
    if (context.report && !start.startedAgain.empty())
        context.report(L"Started again: " + start.startedAgain + L": " + file.target);
    switch (copied) {
        case kCopyDone:
            result.status = StepStatus::kDone;
            return result;
        case kCopyCancelled: result.status = StepStatus::kCancelled; break;
        case kCopyNoSpace: result.status = StepStatus::kNoRoom; break;
        case kCopyDriveGone: result.status = StepStatus::kDriveGone; break;
        default: result.status = StepStatus::kFailed; break;
    }
    result.reason = BlockCopyReason(copied);
    result.sha256.clear();
    return result;
}

VerifyResult ReadBackVerifier::readBack(const std::wstring& target, StepContext& context) {
    const ReadBackResult read = ReadBackSha256(target, &context.cancel, context.addBytes);
    VerifyResult result;
    result.sha256 = read.sha256;
    result.reason = read.reason;
    switch (read.status) {
        case ReadBackStatus::kDone: result.status = StepStatus::kDone; break;
        case ReadBackStatus::kCancelled: result.status = StepStatus::kCancelled; break;
        case ReadBackStatus::kDriveGone: result.status = StepStatus::kDriveGone; break;
        case ReadBackStatus::kFailed: result.status = StepStatus::kFailed; break;
    }
    return result;
}

}  // namespace tess
