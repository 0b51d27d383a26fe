// The Exchange helpers, one exe per generation (TESS_EXCH_GENERATION): 2003 stands for 2000 and
// 2003 (ostrovaExchBkp), 2007 (ostrova64ExchBkp), 2010 and 2013.
//  - presence (3) and information (0): ExchTreeInfo.ini in the program folder, then "2" in
//    VXCOMMON\Exchtreestatus.txt;
//  - backup (1): the stores named by the job list, below the folder OstrovaExchBackupset in the
//    work folder (2010, 2013: the output folder given), with ExchBackupINI.ini, and progress lines in
//    VXCOMMON\logs\VXExchangeServerBkset.txt.
// A request the helper cannot serve is explained in VXCOMMON\ExchBkpError.txt.
#include <windows.h>

#include "common/Files.h"
#include "common/Text.h"
#include "lib/Args.h"
#include "lib/Content.h"
#include "lib/Outputs.h"
#include "lib/Requests.h"
#include "lib/Sql.h"

using namespace tess;
using namespace tess::companion;

namespace {

constexpr int kGeneration = TESS_EXCH_GENERATION;

const wchar_t* toolName() {
    switch (kGeneration) {
        case 2007: return L"ostrova64ExchBkp_tessaron";
        case 2010: return L"ostrova2010ExchBkp_tessaron";
        case 2013: return L"ostrova2013ExchBkp_tessaron";
        default: return L"ostrovaExchBkp_tessaron";
    }
}

class Helper {
public:
    explicit Helper(const ToolRun& tool) : tool_(tool) {}

    int fail(int code, const std::wstring& error) const {
        tool_.journal().record(L"error", error);
        tool_.writeText(tool_.commonFile(L"ExchBkpError.txt"), ToAnsi(error + L"\r\n"));
        return code;
    }

    int information() const {
        const FaultSet faults = tool_.faultsWith({});
        tool_.playHangAndCrash(faults);
        tool_.playSlow(faults);
        DemoExchange exchange = tool_.demo().exchange;
        int code = 0;
        if (!tool_.demoLoaded() || !exchange.configured || faults.failure) {
            // Nothing reachable: say so in the result instead of leaving an older answer behind.
            code = fail(1, !tool_.demoLoaded() ? tool_.demoError()
                           : faults.failure    ? *faults.failure
                                               : L"The demo server has no [Exchange] section: no Exchange server.");
            exchange = DemoExchange{};
            exchange.present = 0;
        }
        tool_.writeText(tool_.programFolder() + L"\\ExchTreeInfo.ini", ToAnsi(ExchangeTreeInfoText(exchange, kGeneration)));
        tool_.writeText(tool_.commonFile(L"Exchtreestatus.txt"), "2\r\n");
        return code;
    }

    int backup(const ExchangeRequest& r) const {
        const std::wstring logs = tool_.commonFolder() + L"\\logs";
        CreateFolderTree(logs);
        setLog_ = logs + L"\\VXExchangeServerBkset.txt";
        const FaultSet faults = tool_.faultsWith({});
        tool_.playHangAndCrash(faults);
        log(0, L"Exchange Server backup started.");
        tool_.playSlow(faults);
        if (!tool_.demoLoaded()) return failBackup(3, tool_.demoError());
        if (faults.failure) return failBackup(1, *faults.failure);

        const bool groups = HasStorageGroups(kGeneration);
        const std::wstring jobList = groups ? tool_.commonFile(L"TmpExchangeBackupSet.txt") : r.jobList;
        std::wstring output = groups ? JoinPath(r.workFolder, L"OstrovaExchBackupset") : r.outputFolder;
        while (output.size() > 3 && output.back() == L'\\') output.pop_back();
        auto job = ReadFileBytes(jobList);
        if (!job) return failBackup(1, SystemErrorText(L"Cannot read the job list " + jobList, GetLastError()));
        ExchangeSelection selection = SelectStores(tool_.demo().exchange, FromAnsi(*job), kGeneration);
        for (const auto& unknown : selection.unknown) log(2, L"Backup item '" + unknown + L"' was not found on the Exchange server.");
        if (selection.empty()) return failBackup(1, L"The job list " + jobList + L" names nothing to back up.");
        if (!CreateFolderTree(output)) return failBackup(1, SystemErrorText(L"Cannot create " + output, GetLastError()));

        int failures = 0;
        if (groups) {
            for (const auto& [group, stores] : selection.groups) {
                log(0, L"Backup of storage group '" + group->name + L"' started.");
                const std::wstring folder = output + L"\\" + FileNameOf(group->name);
                CreateFolderTree(folder);
                for (const DemoItem* store : stores) failures += backUpStore(*store, folder) ? 0 : 1;
            }
        } else {
            for (const DemoItem* db : selection.databases)
                failures += backUpStore(*db, output + L"\\" + FileNameOf(db->name)) ? 0 : 1;
        }
        tool_.writeText(output + L"\\ExchBackupINI.ini", ToAnsi(BackupInventoryText(selection)));
        log(failures ? 2 : 1, failures ? L"Exchange Server backup ended with " + std::to_wstring(failures) + L" failed database(s)."
                                       : L"Exchange Server backup completed.");
        return failures ? 1 : 0;
    }

private:
    bool backUpStore(const DemoItem& store, const std::wstring& folder) const {
        // A hang or crash in the middle of a run: earlier stores are on disk, this one is not.
        tool_.playHangAndCrash(store.faults);
        tool_.playSlow(store.faults);
        if (store.faults.failure) {
            log(2, L"Backup of database '" + store.name + L"' failed: " + *store.faults.failure);
            return false;
        }
        CreateFolderTree(folder);
        const std::wstring path = folder + L"\\" + FileNameOf(store.name) + L".edb";
        WriteOptions options;
        options.partialPercent = store.faults.partialPercent;
        WriteResult written = WriteContent(store.content, path, options);
        if (!written.ok) {
            log(2, L"Backup of database '" + store.name + L"' failed: " + written.error);
            return false;
        }
        tool_.journal().wrote(path, written.bytesWritten);
        if (store.faults.partialPercent) {
            log(2, L"Backup of database '" + store.name + L"' stopped after " + std::to_wstring(written.bytesWritten) + L" bytes.");
            return false;
        }
        log(1, L"Backup of database '" + store.name + L"' completed: " + std::to_wstring(written.bytesWritten) + L" bytes.");
        return true;
    }

    int failBackup(int code, const std::wstring& error) const {
        log(2, L"Exchange Server backup failed: " + error);
        return fail(code, error);
    }

    void log(short level, const std::wstring& text) const {
        if (!setLog_.empty()) AppendAnsiLine(setLog_, LogLine(level, text));
    }

    const ToolRun& tool_;
    mutable std::wstring setLog_;
};

int run(const ToolRun& tool, std::wstring_view arguments) {
    Helper helper(tool);
    auto request = ParseExchangeRequest(arguments, kGeneration);
    if (!request.value) return tool.exit(helper.fail(2, request.error));
    if (request.value->operation == ExchangeOperation::Backup) return tool.exit(helper.backup(*request.value));
    return tool.exit(helper.information());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* line = GetCommandLineW();
    ToolRun tool(toolName(), ModuleFolderOf(reinterpret_cast<const void*>(&run)), {line});
    return run(tool, ArgumentText(line));
}
