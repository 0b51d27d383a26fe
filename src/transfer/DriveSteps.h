#pragma once
// The engine's copy and read-back steps on a real drive: the block copy (its digest taken on the
// way) and the read-back past the cache, each stopping at the run's cancel.
#include "transfer/Plan.h"

namespace tess {

class BlockFileCopier : public FileCopier {
public:
    // Without `digest` no SHA-256 is taken (no read-back and no manifest follow).
    explicit BlockFileCopier(bool digest = true) : digest_(digest) {}
    CopyResult copy(const PlanFile& file, StepContext& context) override;

private:
    bool digest_;
};

class ReadBackVerifier : public Verifier {
public:
    VerifyResult readBack(const std::wstring& target, StepContext& context) override;
};

// Why a block copy did not end, for the report and the window.
std::wstring BlockCopyReason(int blockCopyResult);

}  // namespace tess
