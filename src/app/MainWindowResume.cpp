// A run that was stopped before it ended (the program killed, the machine restarted) is offered
// when the program starts: finished from its journal in the main window, or discarded.
#include <memory>

#include "app/MainWindow.h"
#include "common/Files.h"
#include "common/MessageCatalog.h"
#include "common/TransferState.h"
#include "transfer/Resume.h"
#include "transfer/Transfer.h"
#include "ui/MessageBox.h"
#include "ui/RunQuestion.h"
#include "ui/Shipping.h"
#include "ui/SkinLabel.h"
#include "ui/WindowSink.h"

namespace tess {
namespace {

constexpr int kStoppedRunBefore = 592;  // "A data transfer to " <destination>
constexpr int kStoppedRunAfter = 593;   // " was stopped before it ended. ..."
constexpr int kNotShippedFiles = 594;
constexpr int kSqlReportQuestion = 570;
constexpr int kExchangeReportQuestion = 569;

}  // namespace

void FrmAdvancedBackup::finishStoppedRun() {
    const std::wstring path = RunJournalPath();
    if (!FileExists(path)) return;
    const auto journal = ReadJournal(path);
    if (!journal || FilesToFinish(*journal) == 0 ||
        ShowMessage({GetMessageText(kStoppedRunBefore) + journal->destination + GetMessageText(kStoppedRunAfter),
                     kIconQuestion, kButtonsYesNo}) != kResultYes) {
        DeleteFileIfExists(path, true);
        return;
    }
    ResumeWork work = PrepareResume(*journal, path);
    ReportResumeTo(work, RunReportPath());
    std::wstring notShipped;
    for (const auto& line : work.notShipped) notShipped += L"\r\n" + line;
    Plan& plan = work.plan;
    SkinLabel* hint = label(kIdHint);
    const std::wstring hintText = hint->text();
    std::shared_ptr<const Outcome> outcome;
    WindowSink sink([&](const Event& event) {
        if (event.kind == EventKind::kFigures) hint->setText(event.text);
        if (event.kind == EventKind::kQuestion) ShowRunQuestion(event.question);
        if (event.kind == EventKind::kEnded) outcome = event.outcome;
    });
    const std::initializer_list<int> buttons = {kIdSql, kIdExchange, kIdSharePoint, kIdClose};
    enableControls(buttons, false);
    SetTransferInProgress(true);
    {
        Transfer transfer(std::move(plan), sink);
        transfer.start();
        ServeUntil([&] { return outcome != nullptr; }, hwnd(), [&] { transfer.cancel(); });
    }
    SetTransferInProgress(false);
    enableControls(buttons, true);
    hint->setText(hintText);
    if (!notShipped.empty()) ShowMessage({GetMessageText(kNotShippedFiles) + notShipped, kIconWarning});
    OfferRunReport(journal->kind == L"Exchange" ? kExchangeReportQuestion : kSqlReportQuestion);
}

}  // namespace tess
