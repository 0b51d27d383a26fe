// Plays the user for the SharePoint flow of scripts/demo: starts Tessaron.exe, presses "SharePoint
// Server Data Transfer", watches the SharePoint tool's window appear centred on top of the main
// window, and waits until the tool has shipped its content and ended, and the program's wait with
// it; then closes the program. Prints what it
// sees; exit code 0 when the tool reported "Completed" and the program's wait ended.
// Usage: sharepoint_demo_driver.exe <program folder>
#include <windows.h>

#include <string>

#include "common/Text.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Window.h"

namespace {

using namespace tess::test;

// Where the tool's window appears against the main window.
void watchTheToolWindow(HWND main) {
    HWND tool = nullptr;
    if (!WaitFor([&] { return (tool = SharePointToolWindow()) != nullptr; }, 30000)) return Say(L"the tool's window did not appear");
    const bool placed = WaitFor([&] { return CentredOnTop(main, tool); }, 2000);
    Say(std::wstring(L"the tool's window \"SharePoint Server\" appeared ") + (placed ? L"centred on top" : L"elsewhere"));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Say(L"usage: sharepoint_demo_driver <program folder>"), 2;
    const std::wstring program = argv[1], trace = program + L"\\VXCOMMON\\TraceFile.txt";
    DeleteFileW(trace.c_str());
    StartedProgram tessaron(program + L"\\Tessaron.exe");
    HWND main = WaitForTopWindow(tessaron.pid(), L"FrmAdvancedBackup", 60000);
    if (!main) return Say(L"the main window did not appear"), 1;
    Say(L"main window: pressing \"SharePoint Server Data Transfer\"");
    const ULONGLONG start = GetTickCount64();
    PostClick(tess::FindByAutomationId(main, L"CmdSharePointServerBackup"));
    watchTheToolWindow(main);

    const bool ended = WaitFor([&] { return ReadBytes(trace).find("Exit RunSharePointTransfer") != std::string::npos; },
                               600000);
    const std::string status = ReadBytes(program + L"\\VXSharepointstatus.txt");
    Say(ended ? L"the tool ended, and Tessaron's wait with it, after " + std::to_wstring((GetTickCount64() - start) / 1000) +
                    L" s; the tool reported \"" + tess::FromAnsi(status.substr(0, status.find('\r'))) + L"\""
              : L"Tessaron was still waiting after 10 minutes");
    PostClick(tess::FindByAutomationId(main, L"picClose"));
    WaitFor([&] { return tessaron.ended(); }, 15000);
    return ended && status.rfind("Completed", 0) == 0 ? 0 : 1;
}
