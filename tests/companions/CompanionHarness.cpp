#include "CompanionHarness.h"

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Process.h"
#include "common/Text.h"

namespace tess::test {

Sandbox::Sandbox(const std::string& demoIni) : dir_(L"comp") {
    program_ = dir_.path() + L"\\Tess Prog";
    CreateDirectoryW(program_.c_str(), nullptr);
    CreateDirectoryW(common(L"").c_str(), nullptr);  // the program always has it before a tool runs
    CreateDirectoryW(dir_.file(L"demo").c_str(), nullptr);
    WriteBytes(dir_.file(L"demo\\demo.ini"), demoIni);
    SetEnvironmentVariableW(L"TESSARON_DEMO", dir_.file(L"demo\\demo.ini").c_str());  // put back by demo_ at the end
}

std::wstring Sandbox::folder(const std::wstring& name) const {
    std::wstring path = dir_.path() + L"\\" + name;
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

std::wstring Sandbox::install(const std::wstring& file) const {
    std::wstring target = program_ + L"\\" + file;
    EXPECT_TRUE(CopyFileW((BuildBinFolder() + L"\\" + file).c_str(), target.c_str(), FALSE)) << "missing in bin: " << ToUTF8(file);
    return target;
}

// Under load Wine now and then refuses the first start of a freshly copied program with
// ERROR_INTERNAL_ERROR; a start that fails so is tried again for a few seconds, any other
// failure is the test's.
UniqueHandle Sandbox::start(const std::wstring& commandLine) const {
    UniqueHandle process;
    DWORD error = 0;
    WaitFor([&] {
        process = RunHiddenProcess(commandLine, program_, SW_SHOWNORMAL);
        error = process ? 0 : GetLastError();
        return error != ERROR_INTERNAL_ERROR;
    }, 5000);
    if (!process) ADD_FAILURE() << "cannot start (" << error << "): " << ToUTF8(commandLine);
    return process;
}

std::optional<DWORD> Sandbox::run(const std::wstring& commandLine, DWORD timeoutMs) const {
    UniqueHandle process = start(commandLine);
    if (!process) return std::nullopt;
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 99);
        WaitForSingleObject(process.get(), 5000);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

std::wstring Sandbox::journal() const { return FromUTF8(ReadBytes(dir_.file(L"demo\\journal.txt"))); }

std::string ProfileValue(const std::wstring& iniPath, const char* section, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof(value), ToAnsi(iniPath).c_str());
    return value;
}

}  // namespace tess::test
