#pragma once
// What the end-to-end tests share: a copy of the build's program folder of the test's own, the
// demo machine's removable drives, the stand-ins' journal, and the demo drivers (the user that
// scripts/demo plays) run as child processes.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "support/TestSupport.h"

namespace tess::test {

// A removable drive of this prefix as "E:", small (under 256 MB) or not; empty when there is none.
inline std::wstring RemovableDrive(bool small) {
    for (wchar_t letter = L'D'; letter <= L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        ULARGE_INTEGER free{}, total{};
        if (GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE || !GetDiskFreeSpaceExW(root.c_str(), &free, &total, nullptr))
            continue;
        if ((total.QuadPart < (256ull << 20)) == small) return root.substr(0, 2);
    }
    return {};
}

// Skips a test that needs the demo machine when run outside one; inside one (in-demo-machine.sh sets
// TESS_DEMO_MACHINE) a missing piece is a broken machine and fails, so that a demo-machine entry never
// passes by skipping everything.
#define TESS_NEEDS_DEMO_MACHINE(ready, what)                                                    \
    do {                                                                                         \
        if (ready) break;                                                                        \
        if (_wgetenv(L"TESS_DEMO_MACHINE")) FAIL() << "the demo machine lacks " << (what);        \
        GTEST_SKIP() << "needs a demo machine with " << (what);                                  \
    } while (0)

// Copies every file of the build's program folder (the program, the companion tools, the help)
// into `program`, with an empty demo folder beside them, and makes it this process's program
// folder. The tools then read <program>\demo\demo.ini.
inline bool InstallProgramCopy(const std::wstring& program) {
    CreateDirectoryW(program.c_str(), nullptr);
    CreateDirectoryW((program + L"\\demo").c_str(), nullptr);
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((BuildBinFolder() + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileW((BuildBinFolder() + L"\\" + found.cFileName).c_str(), (program + L"\\" + found.cFileName).c_str(), FALSE);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    SetEnvironmentVariableW(L"TESSARON_DEMO", nullptr);
    SetProgramFolderForTesting(program);
    EnsureCommonDataFolder();
    return true;
}

// An Exchange server as the stand-in helpers describe it: two storage groups of two stores each
// (2000 to 2007), or its stores as databases (2010, 2013); the Broken Store's backup fails.
inline constexpr char kExchangeDemo[] =
    "[Demo]\r\nComputerName=DEMOSRV\r\nJournal=journal.txt\r\n\r\n"
    "[Exchange]\r\nServer=DEMOSRV\r\nAdminGroup=First Administrative Group\r\n"
    "[StorageGroup:sg1]\r\nName=First Storage Group\r\n[StorageGroup:sg2]\r\nName=Second Group\r\n"
    "[Store:mbx]\r\nGroup=sg1\r\nName=Mailbox Store\r\nSize=3 MB\r\n"
    "[Store:pub]\r\nGroup=sg1\r\nName=Public Store\r\nSize=1 MB\r\n"
    "[Store:arch]\r\nGroup=sg2\r\nName=Archive\r\nSize=2 MB\r\n"
    "[Store:bad]\r\nGroup=sg2\r\nName=Broken Store\r\nFault=fail:The store is dismounted.\r\n";

// Installs the files by which the program recognises the Exchange version (0: none), as the
// server's setup leaves them: exifs.sys (2000, 2003) or the registered esebcli2 library.
inline void InstallExchange(int version) {
    const wchar_t dllPaths[] = L"SYSTEM\\CurrentControlSet\\Control\\BackupRestore\\DllPaths";
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring drivers = std::wstring(system) + L"\\drivers", standins = BuildBinFolder() + L"\\..\\standins\\";
    const std::wstring v = std::to_wstring(version);
    DeleteFileW((drivers + L"\\exifs.sys").c_str());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, dllPaths, L"esebcli2");
    if (version == 2000 || version == 2003) {
        CreateDirectoryW(drivers.c_str(), nullptr);
        CopyFileW((standins + L"exifs-" + v + L".sys").c_str(), (drivers + L"\\exifs.sys").c_str(), FALSE);
    } else if (version) {
        const std::string library = RegBytes(standins + L"esebcli2-" + v + L".dll" + L'\0');
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, dllPaths, L"esebcli2", REG_SZ, library.data(), static_cast<DWORD>(library.size()));
    }
}

// The text field of the demo journal's records of one kind ("cmd", "fault") from one tool.
inline std::vector<std::wstring> JournalRecords(const std::wstring& program, const std::wstring& tool,
                                                const std::wstring& kind) {
    std::vector<std::wstring> out;
    for (const auto& line : SplitLines(FromUTF8(ReadBytes(program + L"\\demo\\journal.txt")))) {
        const auto fields = SplitFullText(line, L"\t");
        if (fields.size() >= 5 && fields[1] == tool && fields[3] == kind) out.push_back(fields[4]);
    }
    return out;
}

struct DriverRun {
    int exitCode = -1;
    std::string output;
};

// Runs `program` with the quoted arguments to its end, its standard output and error going to
// `outputFile`; with `during`, calls it with the process id every 100 ms until it returns true.
// `flags` are CreateProcess's (a new process group takes console control events of its own).
inline DriverRun RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                            const std::wstring& outputFile, const std::function<bool(DWORD pid)>& during = nullptr,
                            DWORD flags = 0) {
    // Each run writes a file of its own: a driver of an earlier run that Wine has not yet torn down
    // may still hold its file open, and a shared name would leave this run without any output.
    static int runs = 0;
    const std::wstring outputPath = outputFile + L"." + std::to_wstring(++runs) + L".txt";
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    DriverRun run;
    if (output == INVALID_HANDLE_VALUE) {
        run.output = "cannot create the driver's output file, error " + std::to_string(GetLastError());
        return run;
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = output;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + program + L"\"";
    for (const auto& argument : arguments) line += L" \"" + argument + L"\"";
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si, &pi);
    CloseHandle(output);
    if (!started) return run;
    for (bool done = !during; WaitForSingleObject(pi.hProcess, 100) != WAIT_OBJECT_0;)
        if (!done) done = during(pi.dwProcessId);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    run.output = ReadBytes(outputPath);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return run;
}

// Runs a demo driver of the tests folder (`name`.exe) as RunProgram does.
inline DriverRun RunDriver(const std::wstring& name, const std::vector<std::wstring>& arguments,
                           const std::wstring& outputFile, const std::function<bool()>& during = nullptr) {
    std::function<bool(DWORD)> each;
    if (during) each = [&during](DWORD) { return during(); };
    return RunProgram(BuildBinFolder() + L"\\..\\tests\\" + name + L".exe", arguments, outputFile, each);
}

}  // namespace tess::test
