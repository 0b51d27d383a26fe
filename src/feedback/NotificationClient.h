#pragma once
// Posting a feedback report to the notification web server over HTTPS (WinINet). The post runs
// on a thread of its own while the calling window keeps painting; it has a time limit and Esc.
#include <windows.h>

#include <cstdint>
#include <string>

#include "feedback/ReportText.h"

namespace tess::feedback {

// Where reports go and how long a post may take, from VXCOMMON\vxwin.ini (section "Ostrova"):
//   "FeedbackServer"          host name of the notification server (default localhost)
//   "FeedbackPort"            its HTTPS port (default 443)
//   "FeedbackRecipient"       the support address(es), ";" between several
//   "FeedbackWaitSeconds"     time limit of one post (default 60)
//   "FeedbackAllowUntrusted"  1: when a send fails, send once more with the certificate checks
//                             relaxed (off by default: the server's certificate must be trusted)
struct NotificationSettings {
    std::wstring host = L"localhost";
    unsigned port = 443;
    std::wstring recipient = L"support@ostrova.example";
    uint64_t timeoutMs = 60000;
    bool allowUntrusted = false;
};
NotificationSettings ReadNotificationSettings();

extern const wchar_t kFeedbackServerKey[];
extern const wchar_t kFeedbackPortKey[];
extern const wchar_t kFeedbackRecipientKey[];
extern const wchar_t kFeedbackWaitKey[];
extern const wchar_t kFeedbackAllowUntrustedKey[];

enum class PostOutcome { kSent, kFailed, kTimedOut, kCancelled };

struct PostResult {
    PostOutcome outcome = PostOutcome::kFailed;
    unsigned long firstError = 0;  // of the first send (12045: the certificate authority is not trusted)
    unsigned long lastError = 0;   // of the last send
    bool relaxedRetry = false;     // the second send with relaxed certificate checks was made
    unsigned long status = 0;      // HTTP status of the answer, when one came
};

// Posts the form and waits for it, keeping the window `owner` painted; Esc in `owner` cancels.
// Traces what happened (a relaxed retry, the errors) and writes a log line when the post failed.
PostResult PostNotification(const NotificationSettings& settings, const NotificationForm& form, HWND owner);

// SendEmail of the notification client: the form for these values, posted with the settings'
// server; true when the request was sent. `flag` is kept for its callers and has no effect.
bool SendEmail(const std::wstring& recipient, const std::wstring& subject, const std::wstring& content,
               const std::wstring& userEmail, bool flag, HWND owner);

}  // namespace tess::feedback
