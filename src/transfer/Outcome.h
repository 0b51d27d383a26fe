#pragma once
// What came of a run, item by item and file by file: what the end of a run tells the user, and
// what the console program prints.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transfer/Plan.h"

namespace tess {

enum class FileState {
    kNotShipped,  // never copied: the run was cancelled or the shipping ended first (reason says which)
    kShipped,     // copied whole; not read back (verification off, or cancelled before it)
    kVerified,    // read back from the drive with the source's digest
    kFailed,      // the copy or its read-back failed (reason); nothing of it is left at the target
};

struct FileOutcome {
    PlanFile file;
    FileState state = FileState::kNotShipped;
    std::wstring reason;
    uint64_t bytes = 0;
    std::string sha256;    // of the source, as copied
    double seconds = 0;    // copying and reading back
};

struct ItemOutcome {
    std::wstring name;
    std::optional<StepStatus> dump;  // none: no dump step, or the run ended before it
    std::wstring dumpReason;
    double dumpSeconds = 0;
    std::vector<FileOutcome> files;
};

enum class RunEnd {
    kCompleted,
    kCancelled,
    kNoRoom,       // the destination could not take what came next (message 574)
    kUnreachable,  // the destination could no longer be reached (message 15)
    kFailed,       // a step broke off unexpectedly (the trace says why); every stage stopped
};

struct Outcome {
    std::vector<ItemOutcome> items;
    RunEnd end = RunEnd::kCompleted;
    uint64_t shippedBytes = 0;
    uint64_t writtenBytes = 0;  // written to the drive in this run: less than shipped when copies resumed
    double seconds = 0;
    std::wstring manifest;  // its full path when written

    int count(FileState state) const {
        int n = 0;
        for (const auto& item : items)
            for (const auto& file : item.files) n += file.state == state;
        return n;
    }
};

}  // namespace tess
