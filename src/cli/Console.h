#pragma once
// The console program's side of the console: its two output streams (UTF-16 to a console,
// UTF-8 to a file or a pipe), the catalog messages on standard error, and the control events
// (Ctrl+C, Ctrl+Break, the console's close) that cancel whatever runs.
#include <functional>
#include <string>

namespace tess::cli {

// Exit codes, as --help and the README give them.
enum ExitCode : int {
    kExitShipped = 0,
    kExitSomeFailed = 1,
    kExitUsage = 2,
    kExitNothingFound = 3,
    kExitCancelled = 4,
    kExitNoRoom = 5,
    kExitAlreadyRunning = 6,
};

// Whole lines (the line end is added); safe from several threads at once.
void Out(const std::wstring& line);
void Err(const std::wstring& line);
// Whether standard output is a console (not a file or a pipe).
bool StdoutIsConsole();

// A catalog message on standard error as "Tessaron <code>: <text>"; returns `code`.
int SayMessage(int code);
// A text of the program's own (no catalog code) on standard error.
void SayText(const std::wstring& text);

// Every message box of the shared code becomes a line on standard error (with its catalog code
// when the text is one), and a question takes its safe answer (No, Cancel) at once.
void RouteMessagesToConsole();

// Installs the control handler: each event calls `cancel` (from the handler's own thread); a
// close of the console waits for `Finished()` so the run ends its tool and removes its partial
// files before the process goes.
void OnConsoleControl(std::function<void()> cancel);
bool CancelRequested();
void Finished();

}  // namespace tess::cli
