#pragma once
// Stand-in steps for the engine's tests: a dump step whose "tool" is a gate the test opens (or
// never opens: a tool that hangs), a copier that writes a small real file under its partial name
// and renames it, a verifier that reads the copy back; and a recorder that keeps the sink's events
// and the stand-ins' own doings in one sequence, so a test can ask what happened before what.
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/Text.h"
#include "platform/Handle.h"
#include "support/TestSupport.h"
#include "transfer/Transfer.h"

namespace tess::test {

class Gate {
public:
    void open() { SetEvent(event_.get()); }
    WaitResult wait(const CancelToken& cancel, uint64_t timeoutMs = kNoTimeLimit) const {
        return cancel.wait(event_.get(), timeoutMs);
    }

private:
    UniqueHandle event_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

class Recorder : public Sink {
public:
    void onEvent(const Event& event) override {
        static const wchar_t* const kNames[] = {L"dump started", L"dump ended", L"dump held", L"dump bytes",
                                                L"file started", L"bytes",      L"",          L"copied",
                                                L"verified",     L"failed",     L"figures",   L"question",
                                                L"ended"};
        std::lock_guard<std::mutex> guard(lock_);
        if (event.outcome) outcome_ = event.outcome;
        if (event.question) question_ = event.question;
        const std::wstring kind = kNames[static_cast<int>(event.kind)];
        const bool texted = event.question || event.kind == EventKind::kFigures || event.kind == EventKind::kDumpBytes;
        std::wstring detail = texted ? event.text : event.name;
        if (event.kind == EventKind::kBytesDone) detail = std::to_wstring(event.bytes);
        if (event.kind == EventKind::kDumpBytes) detail = std::to_wstring(static_cast<int>(event.percent)) + L"% " + detail;
        if (!kind.empty()) steps_.push_back(kind + L" " + detail);
    }
    void note(const std::wstring& step) {
        std::lock_guard<std::mutex> guard(lock_);
        steps_.push_back(step);
    }
    // Where the step is in the sequence; -1 when it never happened.
    int at(const std::wstring& step) {
        std::lock_guard<std::mutex> guard(lock_);
        const auto found = std::find(steps_.begin(), steps_.end(), step);
        return found == steps_.end() ? -1 : static_cast<int>(found - steps_.begin());
    }
    bool waitFor(const std::wstring& step) { return WaitFor([&] { return at(step) >= 0; }); }
    int count(const std::wstring& step) {
        std::lock_guard<std::mutex> guard(lock_);
        return static_cast<int>(std::count(steps_.begin(), steps_.end(), step));
    }
    std::vector<std::wstring> steps() {
        std::lock_guard<std::mutex> guard(lock_);
        return steps_;
    }
    std::shared_ptr<const Outcome> outcome() {
        std::lock_guard<std::mutex> guard(lock_);
        return outcome_;
    }
    std::shared_ptr<Question> question() {
        std::lock_guard<std::mutex> guard(lock_);
        return question_;
    }

private:
    std::mutex lock_;
    std::vector<std::wstring> steps_;
    std::shared_ptr<const Outcome> outcome_;
    std::shared_ptr<Question> question_;
};

class StandInDump : public DumpStep {
public:
    // The tool runs until `tool` opens (null: it ends at once), within the plan's time limit.
    StandInDump(Recorder& recorder, std::wstring name, PlanFile file, Gate* tool, StepStatus status)
        : recorder_(recorder), name_(std::move(name)), file_(std::move(file)), tool_(tool), status_(status) {}
    DumpResult run(StepContext& context) override {
        context.report(L"Dump of " + name_ + L" started");
        for (const uint64_t bytes : writes) context.dumpWritten(bytes);
        const WaitResult tool = tool_ ? tool_->wait(context.cancel, context.timeoutMs) : WaitResult::kSignalled;
        if (tool == WaitResult::kCancelled) recorder_.note(L"tool ended " + name_);
        if (tool != WaitResult::kSignalled)
            return {tool == WaitResult::kCancelled ? StepStatus::kCancelled : StepStatus::kTimedOut, {}, {}};
        return {status_, status_ == StepStatus::kDone ? L"" : L"the tool said no", {file_}};
    }
    std::vector<uint64_t> writes;  // the dump's size as the tool is seen writing it

private:
    Recorder& recorder_;
    std::wstring name_;
    PlanFile file_;
    Gate* tool_;
    StepStatus status_;
};

class StandInCopier : public FileCopier {
public:
    explicit StandInCopier(Recorder& recorder) : recorder_(recorder) {}
    CopyResult copy(const PlanFile& file, StepContext& context) override {
        if (askAbout.count(file.target)) {
            const std::optional<int> answer = context.ask(7, L"Retry?", 2);
            recorder_.note(L"answer " + (answer ? std::to_wstring(*answer) : L"none"));
            if (!answer) return {StepStatus::kCancelled, {}, 0, {}};
        }
        const std::wstring partial = file.target + L".partial";
        WriteBytes(partial, corrupt.count(file.target) ? "garbage" : ToAnsi(file.source));
        context.addBytes(file.bytes);
        const auto gate = gates.find(file.target);
        const bool cancelled = gate != gates.end() && gate->second->wait(context.cancel) == WaitResult::kCancelled;
        if (cancelled || noRoom.count(file.target)) {
            DeleteFileW(partial.c_str());
            return {cancelled ? StepStatus::kCancelled : StepStatus::kNoRoom, {}, 0, {}};
        }
        MoveFileExW(partial.c_str(), file.target.c_str(), MOVEFILE_REPLACE_EXISTING);
        return {StepStatus::kDone, L"", file.bytes, "sha " + ToAnsi(file.source)};
    }
    std::map<std::wstring, Gate*> gates;  // by target: the copy waits there
    std::set<std::wstring> corrupt, noRoom, askAbout;

private:
    Recorder& recorder_;
};

class StandInVerifier : public Verifier {
public:
    explicit StandInVerifier(Recorder& recorder) : recorder_(recorder) {}
    VerifyResult readBack(const std::wstring& target, StepContext& context) override {
        recorder_.note(L"read-back " + target);
        const auto gate = gates.find(target);
        if (gate != gates.end() && gate->second->wait(context.cancel) == WaitResult::kCancelled) {
            recorder_.note(L"read-back cancelled " + target);
            return {StepStatus::kCancelled, {}, {}};
        }
        for (int step = 0; step < byteSteps; ++step) context.addBytes(1);
        return {StepStatus::kDone, L"", "sha " + ReadBytes(target)};
    }
    std::map<std::wstring, Gate*> gates;
    int byteSteps = 0;  // the bytes read back told a byte at a time

private:
    Recorder& recorder_;
};

}  // namespace tess::test
