#pragma once
// A private program folder with copies of the real companion tools and a demo description of
// the test's own, and a way to run a tool there with an exact command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/Files.h"
#include "common/Process.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "support/TestSupport.h"

namespace tess::test {

class Sandbox {
public:
    // The description is UTF-8, as a user would save it. The program folder is "<temp>\Tess Prog":
    // a blank in the folder, as under Program Files, with its VXCOMMON (the program always has it
    // before a tool runs).
    explicit Sandbox(const std::string& demoIni) : dir_(L"comp"), program_(dir_.path() + L"\\Tess Prog") {
        CreateDirectoryW(program_.c_str(), nullptr);
        CreateDirectoryW(common(L"").c_str(), nullptr);
        CreateDirectoryW(dir_.file(L"demo").c_str(), nullptr);
        WriteBytes(dir_.file(L"demo\\demo.ini"), demoIni);
        SetEnvironmentVariableW(L"TESSARON_DEMO", dir_.file(L"demo\\demo.ini").c_str());  // put back by demo_ at the end
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::wstring& program() const { return program_; }
    std::wstring common(const std::wstring& name) const { return program_ + L"\\VXCOMMON\\" + name; }
    // A fresh folder beside the program folder.
    std::wstring folder(const std::wstring& name) const {
        CreateDirectoryW(dir_.file(name).c_str(), nullptr);
        return dir_.file(name);
    }

    // Copies a file of the build's program folder into the sandbox; its full path.
    std::wstring install(const std::wstring& file) const {
        const std::wstring target = program_ + L"\\" + file;
        EXPECT_TRUE(CopyFileW((BuildBinFolder() + L"\\" + file).c_str(), target.c_str(), FALSE)) << "missing in bin: " << ToUTF8(file);
        return target;
    }

    // Runs a command line exactly as given (working folder: the program folder) to its end;
    // nothing when it is still running at the deadline (it is then ended). Under load Wine now
    // and then refuses the first start of a freshly copied program with ERROR_INTERNAL_ERROR; a
    // start that fails so is tried again for a few seconds, any other failure is the test's.
    std::optional<DWORD> run(const std::wstring& commandLine, DWORD timeoutMs = 30000) const {
        UniqueHandle process;
        DWORD error = 0;
        WaitFor([&] {
            process = RunHiddenProcess(commandLine, program_, SW_SHOWNORMAL);
            error = process ? 0 : GetLastError();
            return error != ERROR_INTERNAL_ERROR;
        }, 5000);
        if (!process) {
            ADD_FAILURE() << "cannot start (" << error << "): " << ToUTF8(commandLine);
            return std::nullopt;
        }
        if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.get(), 99);
            WaitForSingleObject(process.get(), 5000);
            return std::nullopt;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        return code;
    }

    // The tools' journal as written: one record a line, "<time> TAB <tool> TAB <pid> TAB <kind>
    // TAB <text>", with TAB, CR, LF and '%' in the text escaped as %XX.
    std::wstring journal() const { return FromUTF8(ReadBytes(dir_.file(L"demo\\journal.txt"))); }

private:
    TempDir dir_;
    std::wstring program_;
    ScopedEnvironment demo_{L"TESSARON_DEMO", nullptr}, linger_{L"TESSARON_SHAREPOINT_LINGER_MS", L"0"};
};

// A value of an INI file as the program reads it (GetPrivateProfileStringA, 256-char buffer).
inline std::string ProfileValue(const std::wstring& iniPath, const char* section, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof(value), ToAnsi(iniPath).c_str());
    return value;
}

}  // namespace tess::test
