#include "cli/ConsoleSink.h"

#include <windows.h>

#include <nlohmann/json.hpp>

#include "cli/Console.h"
#include "common/Text.h"
#include "transfer/DriveHold.h"

namespace tess::cli {
namespace {

std::string utf8(const std::wstring& text) { return ToUTF8(text); }

const char* kindName(EventKind kind) {
    switch (kind) {
        case EventKind::kDumpStarted: return "dumpStarted";
        case EventKind::kDumpEnded: return "dumpEnded";
        case EventKind::kDumpBytes: return "dumpProgress";
        case EventKind::kDumpHeld: return "dumpHeld";
        case EventKind::kFileStarted: return "fileStarted";
        case EventKind::kBytesDone: return "copyProgress";
        case EventKind::kVerifyBytes: return "verifyProgress";
        case EventKind::kCopied: return "copied";
        case EventKind::kVerified: return "verified";
        case EventKind::kFailed: return "failed";
        case EventKind::kFigures: return "figures";
        case EventKind::kQuestion: return "question";
        case EventKind::kEnded: return "ended";
    }
    return "unknown";
}

}  // namespace

const char* StatusName(StepStatus status) {
    switch (status) {
        case StepStatus::kDone: return "done";
        case StepStatus::kFailed: return "failed";
        case StepStatus::kTimedOut: return "timedOut";
        case StepStatus::kCancelled: return "cancelled";
        case StepStatus::kNoRoom: return "noRoom";
        case StepStatus::kDriveGone: return "driveGone";
    }
    return "failed";
}

ConsoleSink::ConsoleSink(bool json, uint64_t paceMs, Writer writer, Clock clock)
    : json_(json), paceMs_(paceMs), writer_(std::move(writer)), clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return static_cast<uint64_t>(GetTickCount64()); };
}

uint64_t ConsoleSink::PaceForStdout() { return StdoutIsConsole() ? 250 : 1000; }

bool ConsoleSink::due(size_t stream) {
    const uint64_t now = clock_();
    if (pacedOnce_[stream] && now - lastPacedMs_[stream] < paceMs_) return false;
    pacedOnce_[stream] = true;
    lastPacedMs_[stream] = now;
    return true;
}

void ConsoleSink::onEvent(const Event& event) {
    // Nobody answers: the question takes the answer that loses nothing. A question about the
    // drive is left open: its Retry would only make the run ask again at each look, and the run
    // withdraws it itself once the drive is back, or ends at its time limit.
    if (event.kind == EventKind::kQuestion && event.question) {
        SayText(event.question->text());
        const int code = event.question->code();
        if (code != kDriveGoneMessage && code != kOtherDriveMessage) event.question->reply(event.question->safeAnswer());
    }
    std::lock_guard<std::mutex> lock(lock_);
    if (json_) json(event);
    else text(event);
}

void ConsoleSink::text(const Event& event) {
    switch (event.kind) {
        case EventKind::kDumpStarted:
            writer_(L"Dumping " + event.name);
            break;
        case EventKind::kDumpEnded:
            if (event.status == StepStatus::kDone) writer_(L"Dumped " + event.name);
            else writer_(L"Dump of " + event.name + L" " + FromUTF8(StatusName(event.status)) +
                         (event.text.empty() ? L"" : L": " + event.text));
            break;
        case EventKind::kFileStarted:
            writer_(L"Shipping " + event.name);
            break;
        case EventKind::kVerified:
            writer_(L"Verified " + event.name);
            break;
        case EventKind::kFailed:
            writer_(L"Failed " + event.name + (event.text.empty() ? L"" : L": " + event.text));
            break;
        case EventKind::kFigures:
            if (!event.text.empty() && due(0)) writer_(L"  " + event.text);
            break;
        case EventKind::kDumpBytes:
            if (!event.text.empty() && due(2)) writer_(L"  " + event.name + L": " + event.text);
            break;
        default:
            break;
    }
}

void ConsoleSink::json(const Event& event) {
    // The figures are the bytes events in words: a script reads the numbers.
    if (event.kind == EventKind::kEnded || event.kind == EventKind::kDumpHeld || event.kind == EventKind::kFigures) return;
    if (event.kind == EventKind::kBytesDone && !due(0)) return;
    if (event.kind == EventKind::kVerifyBytes && !due(1)) return;
    if (event.kind == EventKind::kDumpBytes && !due(2)) return;
    nlohmann::json line{{"event", kindName(event.kind)}, {"item", event.item}};
    if (!event.name.empty()) line["name"] = utf8(event.name);
    switch (event.kind) {
        case EventKind::kDumpEnded:
        case EventKind::kFailed:
            line["status"] = StatusName(event.status);
            if (!event.text.empty()) line["reason"] = utf8(event.text);
            break;
        case EventKind::kDumpBytes:
        case EventKind::kBytesDone:
        case EventKind::kVerifyBytes:
            line["bytes"] = event.bytes;
            line["totalBytes"] = event.totalBytes;
            break;
        case EventKind::kCopied:
            line["sha256"] = event.sha256;
            break;
        case EventKind::kQuestion:
            if (event.question) line["text"] = utf8(event.question->text());
            break;
        default:
            break;
    }
    if (event.kind != EventKind::kDumpStarted && event.kind != EventKind::kDumpEnded && event.kind != EventKind::kDumpBytes)
        line["file"] = event.file;
    writer_(FromUTF8(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
}

}  // namespace tess::cli
