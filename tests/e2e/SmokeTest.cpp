// The real Tessaron.exe, started as a user would, found and driven from this process by the
// AutomationId properties of its windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

using tess::test::TempDir;
using tess::test::WaitFor;

const wchar_t* const kComponents[] = {L"ExchangeAPI.dll",  L"ostrova64ExchBkp_tessaron.exe",
                                      L"ostrovaExchBkp_tessaron.exe", L"ExchangeAPI64.dll",
                                      L"SQLSrvBackup.dll", L"vxsqldblist_tessaron.exe",
                                      L"ostrova_sqlbackup_tessaron.exe"};

// The AutomationId of a window of any process: the property holds a global atom.
std::wstring automationId(HWND hwnd) {
    auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(hwnd, L"AutomationId")));
    if (!atom) return {};
    wchar_t name[256];
    UINT n = GlobalGetAtomNameW(atom, name, 256);
    return std::wstring(name, n);
}

struct Search {
    DWORD pid;
    const wchar_t* id;
    HWND found;
};

HWND findInProcess(DWORD pid, const wchar_t* id) {
    Search s{pid, id, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && automationId(hwnd) == s->id && IsWindowVisible(hwnd)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND findChild(HWND parent, const wchar_t* id) {
    Search s{0, id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (automationId(hwnd) == s->id) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::wstring windowText(HWND hwnd) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

void click(HWND control) {
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// A copy of the program in a folder of its own, with or without one component file.
class ProgramCopy {
public:
    explicit ProgramCopy(const wchar_t* leaveOut = nullptr) : dir_(L"e2e") {
        CopyFileW((tess::test::BuildBinFolder() + L"\\Tessaron.exe").c_str(), exe().c_str(), FALSE);
        for (const wchar_t* name : kComponents)
            if (!leaveOut || wcscmp(name, leaveOut) != 0) tess::test::WriteBytes(dir_.file(name), "stand-in");
    }
    std::wstring exe() const { return dir_.file(L"Tessaron.exe"); }

private:
    TempDir dir_;
};

class Process {
public:
    explicit Process(const std::wstring& exe) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring line = L"\"" + exe + L"\"";
        started_ = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    }
    ~Process() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    bool started() const { return started_; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool ended() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_{};
};

TEST(Smoke, ShowsTheMainWindowRefusesASecondCopyAndEndsByTheClosePicture) {
    ProgramCopy program;
    Process first(program.exe());
    ASSERT_TRUE(first.started());
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (main = findInProcess(first.pid(), L"FrmAdvancedBackup")) != nullptr; }, 30000));
    EXPECT_EQ(windowText(main), L"Tessaron");
    for (const wchar_t* id : {L"CmdSQLServerBackup", L"CmdExchangeServerBackup", L"CmdSharePointServerBackup"}) {
        SCOPED_TRACE(testing::Message() << id);
        HWND button = findChild(main, id);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(IsWindowVisible(button));
    }
    EXPECT_EQ(windowText(findChild(main, L"CmdSQLServerBackup")), L"SQL Server Data Transfer");

    // A second copy ends by itself, silently, while the first runs.
    Process second(program.exe());
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(WaitFor([&] { return second.ended(); }, 30000));
    EXPECT_EQ(second.exitCode(), 0u);
    EXPECT_FALSE(first.ended());

    click(findChild(main, L"picClose"));
    ASSERT_TRUE(WaitFor([&] { return first.ended(); }, 30000));
    EXPECT_EQ(first.exitCode(), 0u);
}

TEST(Smoke, AMissingComponentFileGivesMessage576AndTheProgramEndsWhenItIsClosed) {
    ProgramCopy program(L"vxsqldblist_tessaron.exe");
    Process process(program.exe());
    ASSERT_TRUE(process.started());
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = findInProcess(process.pid(), L"MesgBox")) != nullptr; }, 30000));
    EXPECT_EQ(findInProcess(process.pid(), L"FrmAdvancedBackup"), nullptr);
    std::wstring text = windowText(findChild(box, L"lblText")) + windowText(findChild(box, L"lblSmallText"));
    EXPECT_NE(text.find(L"Some of the components are missing. Please Re-install the application."), std::wstring::npos);
    EXPECT_EQ(windowText(findChild(box, L"AppCaption")), L"Tessaron");
    EXPECT_EQ(windowText(findChild(box, L"cmdButton0")), L"OK");

    click(findChild(box, L"cmdButton0"));
    ASSERT_TRUE(WaitFor([&] { return process.ended(); }, 30000));
    EXPECT_EQ(findInProcess(process.pid(), L"FrmAdvancedBackup"), nullptr);
}

}  // namespace
