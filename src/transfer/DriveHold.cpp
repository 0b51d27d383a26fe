#include "transfer/DriveHold.h"

#include "common/Files.h"
#include "common/MessageCatalog.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "transfer/BlockCopy.h"

namespace tess {

DriveIdentity NoteDrive(const std::wstring& destination) {
    DriveIdentity drive{SpaceRootOf(destination), 0};
    if (!GetVolumeInformationW(drive.root.c_str(), nullptr, 0, &drive.serial, nullptr, nullptr, nullptr, 0)) drive.serial = 0;
    return drive;
}

// The free space is asked because it needs the drive itself: the root's attributes can come from
// the system's idea of the mount (Wine answers them for a drive that fails every call). A drive
// that gives no serial is judged by what it holds.
DriveAnswer ProbeDrive(const DriveIdentity& drive, const std::vector<std::wstring>& evidence) {
    ULARGE_INTEGER free{};
    if (!GetDiskFreeSpaceExW(drive.root.c_str(), &free, nullptr, nullptr)) return DriveAnswer::kGone;
    DWORD serial = 0;
    if (drive.serial && GetVolumeInformationW(drive.root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0) &&
        serial != drive.serial)
        return DriveAnswer::kOther;
    for (const auto& path : evidence)
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return DriveAnswer::kSame;
    return evidence.empty() ? DriveAnswer::kSame : DriveAnswer::kOther;
}

std::wstring DriveQuestionText(int message, const std::wstring& root) {
    std::wstring letter = root;
    if (letter.size() > 2 && letter.back() == L'\\') letter.pop_back();
    return GetMessageText(kDriveGoneMessage - 1) + letter + GetMessageText(message);
}

HoldEnd HoldForDrive(const DriveHold& hold) {
    const uint64_t startMs = GetTickCount64();
    std::shared_ptr<Question> shown = hold.ask(kDriveGoneMessage, DriveQuestionText(kDriveGoneMessage, hold.root));
    int showing = kDriveGoneMessage;
    const auto withdraw = [&shown] {
        if (shown) shown->reply(kAnswerRetry);
        shown.reset();
    };
    for (;;) {
        std::optional<int> reply;
        if (shown) reply = shown->waitFor(hold.cancel, hold.pollMs);
        else (void)hold.cancel.wait(nullptr, hold.pollMs);
        if (hold.cancel.cancelled()) return HoldEnd::kCancelled;
        if (reply && *reply == kAnswerCancel) return HoldEnd::kCancelled;
        if (reply) shown.reset();  // Retry: the drive is looked at now
        const DriveAnswer answer = hold.probe();
        if (answer == DriveAnswer::kSame) {
            withdraw();
            return HoldEnd::kBack;
        }
        if (GetTickCount64() - startMs >= hold.limitMs) {
            withdraw();
            return HoldEnd::kTimedOut;
        }
        const int message = answer == DriveAnswer::kOther ? kOtherDriveMessage : kDriveGoneMessage;
        if (shown && message == showing) continue;
        if (reply) continue;  // after a Retry the drive gets one more interval before the next question
        withdraw();
        shown = hold.ask(message, DriveQuestionText(message, hold.root));
        showing = message;
    }
}

const wchar_t kDriveWaitKey[] = L"DriveWaitSeconds";
const wchar_t kDrivePollKey[] = L"DrivePollMs";

void ReadDriveWaitSettings(PlanOptions& options) {
    const long long waitSeconds = ParseLeadingInteger(Trf_ReadUserProfile(kDriveWaitKey));
    const long long pollMs = ParseLeadingInteger(Trf_ReadUserProfile(kDrivePollKey));
    if (waitSeconds > 0) options.driveWaitMs = static_cast<uint64_t>(waitSeconds) * 1000u;
    if (pollMs > 0) options.drivePollMs = static_cast<uint64_t>(pollMs);
}

}  // namespace tess
