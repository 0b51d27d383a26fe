#include "transfer/Journal.h"

#include <windows.h>

#include <mutex>
#include <nlohmann/json.hpp>

#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "transfer/Plan.h"

namespace tess {
namespace {

using nlohmann::json;

constexpr const char* kStates[] = {"dumped", "copying", "copied", "verified"};
constexpr uint64_t kOffsetEveryMs = 1000;

json fileJson(const JournalFile& file) {
    return {{"source", ToUTF8(file.source)}, {"target", ToUTF8(file.target)}, {"bytes", file.bytes},
            {"written", file.written},       {"state", kStates[static_cast<int>(file.state)]},
            {"offset", file.offset},         {"sha256", file.sha256}};
}

JournalFile fileOf(const json& value) {
    JournalFile file;
    file.source = FromUTF8(value.at("source").get<std::string>());
    file.target = FromUTF8(value.at("target").get<std::string>());
    file.bytes = value.at("bytes").get<uint64_t>();
    file.written = value.at("written").get<uint64_t>();
    const auto state = value.at("state").get<std::string>();
    bool stateKnown = false;
    for (int k = 0; k < 4; ++k)
        if (state == kStates[k]) {
            file.state = static_cast<JournalState>(k);
            stateKnown = true;
        }
    if (!stateKnown) throw std::runtime_error("unknown state " + state);
    file.offset = value.at("offset").get<uint64_t>();
    file.sha256 = value.at("sha256").get<std::string>();
    return file;
}

}  // namespace

std::wstring RunJournalPath() { return CommonDataFile(L"Tessaron-run.json"); }

std::string FormatJournal(const RunJournal& journal) {
    json items = json::array();
    for (const auto& item : journal.items) {
        json files = json::array();
        for (const auto& file : item.files) files.push_back(fileJson(file));
        items.push_back({{"name", ToUTF8(item.name)}, {"dumps", item.dumps}, {"known", item.known}, {"files", files}});
    }
    const json root = {{"kind", ToUTF8(journal.kind)},
                       {"destination", ToUTF8(journal.destination)},
                       {"manifestFolder", ToUTF8(journal.manifestFolder)},
                       {"verify", journal.verify},
                       {"keepDumps", journal.keepDumps},
                       {"items", items}};
    return root.dump(1);
}

std::optional<RunJournal> ParseJournal(std::string_view text) {
    try {
        const json root = json::parse(text);
        RunJournal journal;
        journal.kind = FromUTF8(root.at("kind").get<std::string>());
        journal.destination = FromUTF8(root.at("destination").get<std::string>());
        journal.manifestFolder = FromUTF8(root.at("manifestFolder").get<std::string>());
        journal.verify = root.at("verify").get<bool>();
        journal.keepDumps = root.at("keepDumps").get<bool>();
        for (const auto& value : root.at("items")) {
            JournalItem item;
            item.name = FromUTF8(value.at("name").get<std::string>());
            item.dumps = value.at("dumps").get<bool>();
            item.known = value.at("known").get<bool>();
            for (const auto& file : value.at("files")) item.files.push_back(fileOf(file));
            journal.items.push_back(std::move(item));
        }
        return journal;
    } catch (const std::exception& e) {
        TraceError(L"ParseJournal", L" Reason: " + FromAnsi(e.what()));
        return std::nullopt;
    }
}

std::optional<RunJournal> ReadJournal(const std::wstring& path) {
    const auto bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return ParseJournal(*bytes);
}

uint64_t LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

void Journal::begin(const Plan& plan) {
    std::lock_guard<SlimLock> guard(lock_);
    journal_.destination = plan.destination;
    journal_.manifestFolder = plan.manifestFolder;
    journal_.verify = plan.options.verify && plan.verifier;
    journal_.keepDumps = plan.options.keepDumps;
    journal_.items.clear();
    for (const auto& item : plan.items) journal_.items.push_back({item.name, item.dump || item.shipsDumps, false, {}});
    save();
}

void Journal::known(size_t item, const std::vector<PlanFile>& files, bool dumps) {
    std::lock_guard<SlimLock> guard(lock_);
    if (item >= journal_.items.size()) return;
    JournalItem& entry = journal_.items[item];
    entry.known = true;
    entry.dumps = dumps;
    entry.files.clear();
    for (const auto& file : files)
        entry.files.push_back({file.source, file.target, file.bytes, LastWriteTime(file.source), JournalState::kDumped, 0, {}});
    save();
}

JournalFile* Journal::fileAt(size_t item, size_t file) {
    if (item >= journal_.items.size() || file >= journal_.items[item].files.size()) return nullptr;
    return &journal_.items[item].files[file];
}

void Journal::copying(size_t item, size_t file, uint64_t offset) {
    std::lock_guard<SlimLock> guard(lock_);
    JournalFile* entry = fileAt(item, file);
    if (!entry) return;
    const bool changed = entry->state != JournalState::kCopying;
    entry->state = JournalState::kCopying;
    entry->offset = offset;
    if (changed || GetTickCount64() - savedMs_ >= kOffsetEveryMs) save();
}

void Journal::copied(size_t item, size_t file, const std::string& sha256) {
    std::lock_guard<SlimLock> guard(lock_);
    if (JournalFile* entry = fileAt(item, file)) {
        entry->state = JournalState::kCopied;
        entry->offset = entry->bytes;
        entry->sha256 = sha256;
        save();
    }
}

void Journal::verified(size_t item, size_t file) {
    std::lock_guard<SlimLock> guard(lock_);
    if (JournalFile* entry = fileAt(item, file)) {
        entry->state = JournalState::kVerified;
        save();
    }
}

void Journal::ended(bool whole) {
    std::lock_guard<SlimLock> guard(lock_);
    if (whole) DeleteFileIfExists(path_, true);
}

// A journal that cannot be written costs only the chance to finish the run after a stop.
void Journal::save() {
    savedMs_ = GetTickCount64();
    if (!ReplaceFileContents(path_, FormatJournal(journal_)))
        TraceError(L"Journal", L" Reason: cannot write '" + path_ + L"'");
}

}  // namespace tess
