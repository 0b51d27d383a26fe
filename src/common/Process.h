#pragma once
// Finding, ending and starting the companion tools' processes.
#include <windows.h>

#include <string>

namespace tess {

// True when a running process's executable (last path component, compared without case, or
// without its extension against as many leading characters of `name`) matches. With endIt the
// first match is ended with exit code 0. methodHint: 6+ snapshot; below 6 the platform decides.
bool FindProcess(const std::wstring& name, bool endIt, int methodHint);

void EnableDebugPrivilege(bool enable);

// ShellExecuteEx "runas", hidden, returns when the start has completed: -1 on failure, else 0.
long RunElevated(HWND owner, const std::wstring& programFile, const std::wstring& parameters,
                 const std::wstring& workingFolder);
// The second form (owner window value 1; the second argument is ignored).
long RunElevated(const std::wstring& programFile, const std::wstring& ignored, const std::wstring& workingFolder,
                 const std::wstring& parameters);

// Starts a full command line hidden (or with showCommand) without waiting; false when it could not start.
bool RunHidden(const std::wstring& commandLine, const std::wstring& workingFolder = L"", int showCommand = SW_HIDE);

}  // namespace tess
