// The command-line SQL transfer against the wizard's run on the same databases, with the stand-in
// companion tools in this program's folder (scripts/bench lays it out, with a demo server):
//   bench_cli <temporary folder> <destination folder> <rounds>
// The wizard's side is what follows the login window's OK: the database list through the list
// tool, then the database window's own run (its view a hidden window, its questions taking their
// safe answer); the command line's is the whole `sql transfer --all` command, which does both.
// They take turns, the destination emptied before each; the best of each is printed as
// "key=value" lines for scripts/bench.
#include <windows.h>

#include <cstdio>
#include <string>

#include "BenchClock.h"
#include "cli/Commands.h"
#include "common/Files.h"
#include "common/ProgramPaths.h"
#include "sql/DatabaseListRetrieval.h"
#include "sql/InstanceDiscovery.h"
#include "sql/SqlLogic.h"
#include "sql/SqlTransferRun.h"
#include "ui/MessageBox.h"

namespace {

class HiddenView : public tess::RunView {
public:
    HiddenView() : window_(CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
    ~HiddenView() override { DestroyWindow(window_); }
    void setRunning(bool) override {}
    void setProgressText(const std::wstring& text, bool) override { SetWindowTextW(window_, text.c_str()); }
    void setProgressBarVisible(bool) override {}
    void setProgress(double) override {}
    void setProgressFigures(const std::wstring& text) override { SetWindowTextW(window_, text.c_str()); }
    void focusTemporaryBrowse() override {}
    HWND window() const override { return window_; }

private:
    HWND window_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_cli <temporary folder> <destination folder> <rounds>\n");
        return 2;
    }
    const std::wstring temporary = argv[1], destination = argv[2];
    const int rounds = _wtoi(argv[3]);
    tess::SetMessagePresenter([](const tess::MessageCall& call) {
        return call.buttons == tess::kButtonsYesNo ? tess::kResultNo : tess::kResultOk;
    });

    // The list as the login window gets it for the database window, every database ticked.
    tess::sql::ListRequest request;
    request.server = tess::sql::NormaliseServerName(L"(local)");
    tess::sql::RunInput input{temporary, destination, {}, request.server, {}};
    double listSeconds = 0, bytes = 0;
    const auto list = [&] {
        const double start = BenchSeconds();
        if (tess::sql::RetrieveDatabaseList(request).outcome != tess::sql::ListOutcome::kSuccess) return false;
        listSeconds = BenchSeconds() - start;
        input.databases.clear();
        input.databaseBytes.clear();
        bytes = 0;
        for (const auto& row : tess::sql::ParseDatabaseList(tess::ReadAnsiText(tess::CommonDataFile(L"SQLSrvdbList.txt")))) {
            input.databases.push_back(row.name);
            input.databaseBytes.push_back(row.sizeBytes.value_or(0));
            bytes += static_cast<double>(row.sizeBytes.value_or(0));
        }
        return !input.databases.empty();
    };

    tess::cli::SqlTransferOptions command;
    command.server = L"(local)";
    command.all = true;
    command.temporary = temporary;
    command.destination = destination;

    double best[2] = {1e9, 1e9};  // 0: the wizard's run, 1: the command line's
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;
            tess::DeleteFolderTree(destination);
            const double start = BenchSeconds();
            if (which == 0) {
                HiddenView view;
                if (!list() || tess::sql::CmdNext(input, view).shipped != static_cast<int>(input.databases.size())) return 1;
            } else if (tess::cli::SqlTransfer(command) != 0) {
                return 1;
            }
            const double seconds = BenchSeconds() - start;
            if (seconds < best[which]) best[which] = seconds;
        }
    }
    std::printf("cli_databases=%zu\ncli_mb=%.0f\ncli_list_s=%.3f\ncli_wizard_s=%.2f\ncli_console_s=%.2f\ncli_ratio_pct=%.1f\n",
                input.databases.size(), bytes / 1048576.0, listSeconds, best[0], best[1], 100.0 * best[0] / best[1]);
    return 0;
}
