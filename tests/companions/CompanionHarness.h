#pragma once
// A private program folder with copies of the real companion tools and a demo description of
// the test's own, and a way to run a tool there with an exact command line.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/Handle.h"
#include "support/TestSupport.h"

namespace tess::test {

class Sandbox {
public:
    // The description is UTF-8, as a user would save it.
    explicit Sandbox(const std::string& demoIni);
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // "<temp>\Tess Prog": a blank in the folder, as under Program Files, with its VXCOMMON.
    const std::wstring& program() const { return program_; }
    std::wstring common(const std::wstring& name) const { return program_ + L"\\VXCOMMON\\" + name; }
    std::wstring folder(const std::wstring& name) const;  // a fresh folder beside the program folder

    // Copies a file of the build's program folder into the sandbox; its full path.
    std::wstring install(const std::wstring& file) const;

    // Starts a command line exactly as given (working folder: the program folder).
    UniqueHandle start(const std::wstring& commandLine) const;
    // Runs it to its end; nothing when it is still running at the deadline (it is then ended).
    std::optional<DWORD> run(const std::wstring& commandLine, DWORD timeoutMs = 30000) const;

    // The tools' journal as written: one record a line, "<time> TAB <tool> TAB <pid> TAB <kind>
    // TAB <text>", with TAB, CR, LF and '%' in the text escaped as %XX.
    std::wstring journal() const;

private:
    TempDir dir_;
    std::wstring program_;
    ScopedEnvironment demo_{L"TESSARON_DEMO", nullptr}, linger_{L"TESSARON_SHAREPOINT_LINGER_MS", L"0"};
};

// A value of an INI file as the program reads it (GetPrivateProfileStringA, 256-char buffer).
std::string ProfileValue(const std::wstring& iniPath, const char* section, const char* key);

}  // namespace tess::test
