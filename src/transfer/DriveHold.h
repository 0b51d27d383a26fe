#pragma once
// A destination drive that stopped answering in the middle of a run (a cable that slipped, a drive
// that reset): the copy holds, the user is asked to reconnect it, and the run goes on by itself as
// soon as the same drive answers again. The same drive is the one that still holds what this run
// wrote there and, where the system reports a real one, has the volume serial the run began with;
// another drive under the same letter is refused and nothing is written to it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/CancelToken.h"
#include "transfer/Sink.h"

namespace tess {

// The catalog's texts of the two questions, and the replies, as the program's message box numbers them.
constexpr int kDriveGoneMessage = 590;
constexpr int kOtherDriveMessage = 591;
constexpr int kAnswerRetry = 4;
constexpr int kAnswerCancel = 2;

enum class DriveAnswer { kGone, kSame, kOther };

// What the run knows of its destination drive: its root and the serial it had at the first copy.
struct DriveIdentity {
    std::wstring root;  // "E:\"
    DWORD serial = 0;   // 0: none known
};

DriveIdentity NoteDrive(const std::wstring& destination);

// Whether the drive answers, and whether it is the run's: `evidence` are files this run left there
// (the `.partial` being written, the last copy made); one of them must be there when any is named.
DriveAnswer ProbeDrive(const DriveIdentity& drive, const std::vector<std::wstring>& evidence);

// The question's text for `message` about the drive at `root`.
std::wstring DriveQuestionText(int message, const std::wstring& root);

enum class HoldEnd { kBack, kCancelled, kTimedOut };

struct DriveHold {
    const CancelToken& cancel;
    std::wstring root;
    // Puts a question out (the window shows it) and returns it; the hold withdraws it by replying
    // itself when the drive came back.
    std::function<std::shared_ptr<Question>(int message, const std::wstring& text)> ask;
    std::function<DriveAnswer()> probe;
    uint64_t pollMs = 1000;
    uint64_t limitMs = kNoTimeLimit;
};

// Waits, polling every pollMs (the cancel and the user's reply end a wait at once), until the
// same drive answers (kBack), the user chose Cancel or the run was cancelled (kCancelled), or
// limitMs went by (kTimedOut).
HoldEnd HoldForDrive(const DriveHold& hold);

// How long a run waits for its drive to come back (DriveWaitSeconds in vxwin.ini, an hour when
// unset) and how often it looks (DrivePollMs, every second), into the plan's options.
extern const wchar_t kDriveWaitKey[], kDrivePollKey[];
void ReadDriveWaitSettings(PlanOptions& options);

}  // namespace tess
