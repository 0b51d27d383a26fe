#pragma once
// The SharePoint Server transfer's contract with the maker's SharePoint tool: how the program
// tells that SharePoint is installed, the files it clears and prepares before a run, and the
// tool's command line. The run itself (start, window placement, wait) is SharePointRun.
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// The companion tool's executable, in the program folder.
inline constexpr wchar_t kSharePointToolName[] = L"OstrovaSharepoint.exe";
// The title of the tool's window.
inline constexpr wchar_t kSharePointToolTitle[] = L"SharePoint Server";

// The two WSSADMIN.EXE files whose presence means SharePoint is installed, in the order they are
// tested (version 12, then 14). The common files folder is the 64-bit one when that variable is
// set and not blank (64-bit Windows), else the common files folder of the process.
std::vector<std::wstring> SharePointAdminFiles(std::wstring_view commonProgramW6432,
                                               std::wstring_view commonProgramFiles);

// Whether one of the two WSSADMIN.EXE files exists, from this process's environment.
bool IsSharePointInstalled();

// "<P>\OstrovaSharepoint.exe" "DisplayTessaron/<P>\VXCOMMON\VXSharpointBkupSet.ini", P being the
// program folder without its trailing backslash.
std::wstring SharePointToolCommandLine(const std::wstring& programFolder);

// Removes what an earlier run left (the job file and both status files) and writes the line "1"
// to VXCOMMON\VXShpstatus.txt, which the tool reads as "started by the program".
void PrepareSharePointFiles();

}  // namespace tess
