#pragma once
// frmErrorReport1 ("Report Feedback"): the user's address, number, ticket, subject and message;
// "Send" composes the report (system header, message, the logs' tails, the regional settings)
// and posts it to the notification server; the outcome shows in lblProgress.
#include <windows.h>

#include <string>
#include <string_view>

#include "ui/MessageBox.h"
#include "ui/Window.h"

namespace tess::feedback {

struct ErrorReportArgs {
    std::wstring email;  // put in txtFrom when the window opens (empty: nothing)
};
struct ErrorReportResult {
    bool sent = false;  // a report was sent while the window was open
};

// Which catalog message stops a send, and where the focus goes: 0 when the fields are fine.
struct Validation {
    int message = 0;
    MessageIcon icon = kIconInformation;
    bool focusMessage = false;  // the focus goes to txtMsg instead of txtFrom
};
Validation ValidateFields(std::wstring_view from, std::wstring_view message);

class FrmErrorReport1 : public Window {
public:
    enum Id {
        kCapbar = 100, kTitle, kClose, kPicture, kTypeLabel, kFromLabel, kFrom, kContactLabel, kContact, kTicketLabel,
        kTicket, kSubjectLabel, kSubject, kMessageLabel, kMessage, kProgress, kSend, kExit,
    };

    explicit FrmErrorReport1(const ErrorReportArgs& args);

    bool ValidateLogMail();
    void CmdSend_Click();
    void ClearTextBoxesOnForm();
    bool sending() const { return sending_; }
    const ErrorReportResult& result() const { return result_; }

protected:
    bool onCreate() override;
    void onCommand(int id, int code, HWND control) override;
    std::optional<ControlColors> controlColors(UINT msg, HWND child) const override;
    void paintBackground(HDC dc, const RECT& client) override;
    int captionBandHeight() const override;
    void onLayout() override;
    void onClose() override;

private:
    void setSending(bool sending);
    void setProgress(const std::wstring& text);
    std::wstring text(int id) const { return WindowText(control(id)); }

    ErrorReportArgs args_;
    ErrorReportResult result_;
    bool sending_ = false;
};

ErrorReportResult RunErrorReport(HWND owner, const ErrorReportArgs& args);

// Seam: whether the system says an internet connection is present (Wine always says yes).
using ConnectedStateQuery = bool (*)();
void SetConnectedStateForTesting(ConnectedStateQuery query);

}  // namespace tess::feedback
