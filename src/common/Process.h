#pragma once
// Finding, ending and starting the companion tools' processes.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Handle.h"

namespace tess {

// True when a running process's executable (last path component, compared without case, or
// without its extension against as many leading characters of `name`) matches. With endIt the
// first match is ended with exit code 0 (and given up to two seconds to disappear, so that the
// next search no longer finds it). methodHint: 6+ snapshot; below 6 the platform decides; on
// Windows 2000 always the process-status method, on Vista and later always the snapshot.
// This process itself is never matched.
bool FindProcess(const std::wstring& name, bool endIt, int methodHint);

// Ends a process we hold (exit code 0) and gives it up to two seconds to disappear. One that
// exited by itself meanwhile, or cannot be ended, is left quietly.
void EndProcess(HANDLE process);

// Whether the running process `processId` is one FindProcess would find by `name` (its
// executable under the same match rule); false for a process that is gone.
bool IsProcessNamed(DWORD processId, const std::wstring& name);

enum class EnumerationMethod { kSnapshot, kProcessStatus };
// The method FindProcess uses for a hint on the given Windows version.
EnumerationMethod ChooseEnumerationMethod(int methodHint, unsigned long major, unsigned long minor,
                                          unsigned long platformId);
// The match rule on one reported executable name (a full path or a bare name).
bool ProcessNameMatches(std::wstring_view reportedName, std::wstring_view wanted);

void EnableDebugPrivilege(bool enable);

// ShellExecuteEx "runas", hidden, returns when the start has completed: -1 on failure (the shell
// refused, the user declined the prompt), else 0. Quotes and blanks around programFile are
// removed (callers may pass the quoted form of a command line).
long RunElevated(HWND owner, const std::wstring& programFile, const std::wstring& parameters,
                 const std::wstring& workingFolder);
// The second form (the second argument is ignored; there is no owner window).
long RunElevated(const std::wstring& programFile, const std::wstring& ignored, const std::wstring& workingFolder,
                 const std::wstring& parameters);
// The same start, keeping the process handle (null when it failed or the shell gave none), so
// a wait can wake the moment the tool ends.
UniqueHandle RunElevatedProcess(HWND owner, const std::wstring& programFile, const std::wstring& parameters,
                                const std::wstring& workingFolder, bool& started);

// Starts a full command line hidden (or with showCommand) without waiting; false when it could not start.
bool RunHidden(const std::wstring& commandLine, const std::wstring& workingFolder = L"", int showCommand = SW_HIDE);
// The same, keeping the process handle (invalid when it could not start).
UniqueHandle RunHiddenProcess(const std::wstring& commandLine, const std::wstring& workingFolder = L"",
                              int showCommand = SW_HIDE);

}  // namespace tess
