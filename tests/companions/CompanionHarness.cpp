#include "CompanionHarness.h"

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Process.h"
#include "common/Text.h"
#include "lib/Journal.h"

namespace tess::test {

Sandbox::Sandbox(const std::string& demoIni) : dir_(L"comp") {
    program_ = dir_.path() + L"\\Tess Prog";
    CreateDirectoryW(program_.c_str(), nullptr);
    CreateDirectoryW(common(L"").c_str(), nullptr);  // the program always has it before a tool runs
    std::wstring demo = dir_.path() + L"\\demo";
    CreateDirectoryW(demo.c_str(), nullptr);
    demoIni_ = demo + L"\\demo.ini";
    WriteBytes(demoIni_, demoIni);
    SetEnvironmentVariableW(L"TESSARON_DEMO", demoIni_.c_str());  // put back by demo_ at the end
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

UniqueHandle Sandbox::start(const std::wstring& commandLine) const {
    UniqueHandle process = RunHiddenProcess(commandLine, program_, SW_SHOWNORMAL);
    if (!process) ADD_FAILURE() << "cannot start (" << GetLastError() << "): " << ToUTF8(commandLine);
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

std::vector<JournalRecord> Sandbox::journal() const {
    std::vector<JournalRecord> records;
    std::wstring text = FromUTF8(ReadBytes(ParentFolder(demoIni_) + L"\\journal.txt"));
    for (const auto& line : SplitLines(text)) {
        if (line.empty()) continue;
        auto fields = SplitFullText(line, L"\t");
        if (fields.size() < 5) {
            ADD_FAILURE() << "short journal record: " << ToUTF8(line);
            continue;
        }
        JournalRecord r{fields[1], fields[3], {}};
        for (size_t i = 4; i < fields.size(); ++i) r.fields.push_back(companion::UnescapeJournalText(fields[i]));
        records.push_back(std::move(r));
    }
    return records;
}

JournalRecord Sandbox::first(const std::wstring& kind) const {
    for (auto& r : journal())
        if (r.kind == kind) return r;
    ADD_FAILURE() << "no journal record of kind " << ToUTF8(kind);
    return {L"", kind, {L""}};
}

bool Sandbox::hangs(UniqueHandle& process) const {
    const bool reached = WaitFor([&] {
        for (const auto& r : journal())
            if (r.kind == L"fault" && r.fields.at(0) == L"hang") return true;
        return false;
    });
    const bool running = WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
    return reached && running;
}

std::string ProfileValue(const std::wstring& iniPath, const char* section, const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof(value), ToAnsi(iniPath).c_str());
    return value;
}

}  // namespace tess::test
