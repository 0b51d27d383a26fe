#include "app/SharePoint.h"

#include <windows.h>

#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"

namespace tess {
namespace {

const wchar_t kJobFile[] = L"VXSharpointBkupSet.ini";
const wchar_t kToolStatusFile[] = L"VXSharepointstatus.txt";  // in the program folder
const wchar_t kStartStatusFile[] = L"VXShpstatus.txt";

std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(value, length) : std::wstring();
}

}  // namespace

std::vector<std::wstring> SharePointAdminFiles(std::wstring_view commonProgramW6432,
                                               std::wstring_view commonProgramFiles) {
    const std::wstring common(IsBlank(commonProgramW6432) ? commonProgramFiles : commonProgramW6432);
    const std::wstring extensions = JoinPath(common, L"Microsoft Shared\\Web Server Extensions");
    return {extensions + L"\\12\\Bin\\WSSADMIN.EXE", extensions + L"\\14\\Bin\\WSSADMIN.EXE"};
}

bool IsSharePointInstalled() {
    TraceScope trace(L"IsSharePointInstalled");
    for (const auto& file :
         SharePointAdminFiles(environmentValue(L"commonProgramw6432"), environmentValue(L"commonprogramfiles")))
        if (FileExists(file)) return true;
    return false;
}

std::wstring SharePointToolCommandLine(const std::wstring& programFolder) {
    return CommandLine()
        .quoted(programFolder + L"\\" + kSharePointToolName)
        .quoted(L"DisplayTessaron/" + programFolder + L"\\VXCOMMON\\" + kJobFile)
        .str();
}

void PrepareSharePointFiles() {
    // A file that cannot be removed or written is traced and the run goes on: the tool reports
    // what it makes of it itself.
    EnsureCommonDataFolder();
    DeleteFileIfExists(CommonDataFile(kJobFile), true);
    DeleteFileIfExists(JoinPath(ProgramFolder(), kToolStatusFile), true);
    const std::wstring status = CommonDataFile(kStartStatusFile);
    DeleteFileIfExists(status, true);
    if (!WriteFileBytes(status, "1\r\n")) TraceError(L"PrepareSharePointFiles", L" Reason: " + status);
}

}  // namespace tess
