#pragma once
// Shared test fixtures: a private temporary folder per test, the program folder pointed at it,
// waiting for a condition with a deadline (pumping window messages meanwhile), and a command line
// split as a started program sees it. Driving windows: support/WindowDriving.h.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tess::test {

// A fresh folder under %TEMP%, removed with everything in it (links too) at the end of the scope.
class TempDir {
public:
    explicit TempDir(const std::wstring& tag = L"t");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Plants a link to a folder as anybody who may write to the folder could: a Unix symbolic link,
// which Wine 8 shows as a folder marked as a reparse point. True once it is there. The TempDir
// holding it removes it.
bool PlantFolderLink(const std::wstring& link, const std::wstring& target);

// Points ProgramFolder() at a temporary folder for the scope (VXCOMMON then lives inside it).
class ScopedProgramFolder {
public:
    explicit ScopedProgramFolder(const std::wstring& tag = L"prog");
    ~ScopedProgramFolder();
    const std::wstring& path() const { return dir_.path(); }
    std::wstring common(const std::wstring& name) const { return dir_.path() + L"\\VXCOMMON\\" + name; }

private:
    TempDir dir_;
};

// An environment variable of this process; empty when unset.
std::wstring EnvironmentValue(const wchar_t* name);

// Sets an environment variable of this process (and so of the programs it starts) for the
// scope; null removes it. The earlier value comes back at the end.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_, old_;
    bool had_ = false;
};

// A key of the test's own, HKEY root\Software\TessaronTest\<name>, deleted with everything in it
// at the start and at the end of the scope.
struct ScopedTestKey {
    ScopedTestKey(HKEY root, const std::wstring& name);
    ~ScopedTestKey();
    // Creates the key with the value if needed.
    void set(const wchar_t* value, DWORD type, const std::string& bytes) const;
    HKEY root;
    std::wstring path;
};

// A registry value of the prefix set for the scope (the key made if needed); the value it
// replaced, or none, comes back at the end.
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, std::wstring path, std::wstring name, DWORD type, const std::string& bytes);
    ~ScopedRegValue();
    ScopedRegValue(const ScopedRegValue&) = delete;
    ScopedRegValue& operator=(const ScopedRegValue&) = delete;

private:
    HKEY root_;
    std::wstring path_, name_;
    DWORD oldType_ = REG_NONE;
    std::string old_;
};

// The bytes of a text as the registry stores it (for a REG_SZ, add its terminating L'\0' to the
// text), and of a number.
std::string RegBytes(const std::wstring& chars);
std::string RegBytes(DWORD number);

// The processes of this executable name that run in this prefix: their ids, how many, ending them
// all (a companion tool a test left behind).
std::vector<DWORD> ProcessIds(const wchar_t* exeName);
size_t CountProcesses(const wchar_t* exeName);
void EndProcesses(const wchar_t* exeName);

// Pumps messages and polls the condition every few milliseconds until it holds or the
// deadline passes. Returns whether it held.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// Pumps every pending message of this thread once.
void PumpMessages();

// The program folder of the build (Tessaron.exe, the companion tools).
std::wstring BuildBinFolder();
// A test-only key or certificate of tests/support/keys, as a Windows path.
std::wstring TestKeyFile(const std::wstring& name);

// The arguments a program started with this command line receives (CommandLineToArgvW), its
// own name first.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

std::string ReadBytes(const std::wstring& path);
// The first file below `folder` (links not followed) whose bytes hold `secret`; empty when none.
// The secret searches: a password, a passphrase or a key in no file of the program or the drive.
std::wstring FileHolding(const std::wstring& folder, const std::string& secret);
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace tess::test
