#pragma once
// The journal of a run in VXCOMMON (Tessaron-run.json): what the run ships, where, and how far
// each file got. It is written again at each change of a file's state, each time whole under a
// temporary name and renamed over the last one, so that a run stopped by a power cut or a killed
// process leaves the last good version for the next start to finish the run from. A run that
// reaches its end removes it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/Sync.h"

namespace tess {

struct Plan;
struct PlanFile;

enum class JournalState {
    kDumped,    // known and waiting in the temporary folder (or as the plan named it)
    kCopying,   // its `.partial` on the drive holds `offset` bytes, as far as last noted
    kCopied,    // whole at its final name, not yet read back
    kVerified,  // read back with the source's digest
};

struct JournalFile {
    std::wstring source, target;
    uint64_t bytes = 0;    // the source's size when it became known
    uint64_t written = 0;  // the source's last write time then: a dump changed since is not shipped
    JournalState state = JournalState::kDumped;
    uint64_t offset = 0;
    std::string sha256;  // the source's, once copied
};

struct JournalItem {
    std::wstring name;
    bool dumps = false;  // its files are the run's dumps (they leave the temporary folder once verified)
    bool known = false;  // its files are known: a dump not finished before the stop has none
    std::vector<JournalFile> files;
};

struct RunJournal {
    std::wstring kind;  // "SQL Server", "Exchange": which run's report and question it belongs to
    std::wstring destination, manifestFolder;
    bool verify = true, keepDumps = false;
    std::vector<JournalItem> items;
};

std::wstring RunJournalPath();
std::string FormatJournal(const RunJournal& journal);
// None when the text is not a journal (a torn or foreign file).
std::optional<RunJournal> ParseJournal(std::string_view text);
std::optional<RunJournal> ReadJournal(const std::wstring& path);

// A file's last write time, 0 when it cannot be read.
uint64_t LastWriteTime(const std::wstring& path);

// The journal a running transfer keeps; called from its stages' threads.
class Journal {
public:
    Journal(std::wstring path, std::wstring kind) : path_(std::move(path)) { journal_.kind = std::move(kind); }
    void begin(const Plan& plan);
    void known(size_t item, const std::vector<PlanFile>& files, bool dumps);
    // The copy's offset is noted at most once a second: the `.partial` itself says how far it got.
    void copying(size_t item, size_t file, uint64_t offset);
    void copied(size_t item, size_t file, const std::string& sha256);
    void verified(size_t item, size_t file);
    // A run that reached its end leaves no journal; one that stopped keeps its last version.
    void ended(bool whole);

private:
    JournalFile* fileAt(size_t item, size_t file);
    void save();

    std::wstring path_;
    SlimLock lock_;
    RunJournal journal_;
    uint64_t savedMs_ = 0;
};

}  // namespace tess
