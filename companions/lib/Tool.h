#pragma once
// What every stand-in tool does around its own work: find its folders and the demo server,
// journal what it was given, and play the injected faults.
#include <string>
#include <vector>

#include "lib/Demo.h"
#include "lib/Journal.h"

namespace tess::companion {

// The folder of the module (exe or DLL) that holds this address, without a trailing backslash.
std::wstring ModuleFolderOf(const void* addressInModule);

// TESSARON_DEMO when set, else <program folder>\demo\demo.ini.
std::wstring DemoIniPath(const std::wstring& programFolder);

class ToolRun {
public:
    // Loads the demo description and journals what the tool received: its command line, or
    // for a library (kind "call") the function name and its arguments.
    ToolRun(std::wstring tool, std::wstring programFolder, const std::vector<std::wstring>& received,
            std::wstring_view kind = L"cmd");

    const std::wstring& tool() const { return tool_; }
    const std::wstring& programFolder() const { return programFolder_; }
    std::wstring commonFolder() const { return programFolder_ + L"\\VXCOMMON"; }
    // A file in VXCOMMON; the folder is created when missing.
    std::wstring commonFile(const std::wstring& name) const;
    const Journal& journal() const { return journal_; }

    // Whether the demo description was read without errors; when not, demoError() says why.
    bool demoLoaded() const { return demoError_.empty(); }
    const std::wstring& demoError() const { return demoError_; }
    const DemoConfig& demo() const { return demo_; }

    // The faults of this tool ([Faults]) combined with those of an item.
    FaultSet faultsWith(const FaultSet& item) const { return Merge(demo_.faultsOf(tool_), item); }

    // Never returns on "hang"; ends the process abnormally on "crash" (nothing further is
    // written). Call before writing anything.
    void playHangAndCrash(const FaultSet& faults) const;
    // Waits out "slow".
    void playSlow(const FaultSet& faults) const;

    // Writes a file and journals it; false (and an error record) when it cannot be written.
    bool writeText(const std::wstring& path, const std::string& bytes) const;

    int exit(int code) const;

private:
    std::wstring tool_, programFolder_;
    Journal journal_;
    DemoConfig demo_;
    std::wstring demoError_;
};

}  // namespace tess::companion
