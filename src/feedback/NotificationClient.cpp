#include "feedback/NotificationClient.h"

#include <wininet.h>

#include <memory>
#include <mutex>
#include <thread>

#include "common/Log.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "platform/Handle.h"
#include "ui/PumpWait.h"

namespace tess::feedback {

const wchar_t kFeedbackServerKey[] = L"FeedbackServer";
const wchar_t kFeedbackPortKey[] = L"FeedbackPort";
const wchar_t kFeedbackRecipientKey[] = L"FeedbackRecipient";
const wchar_t kFeedbackWaitKey[] = L"FeedbackWaitSeconds";
const wchar_t kFeedbackAllowUntrustedKey[] = L"FeedbackAllowUntrusted";

namespace {

constexpr wchar_t kAgent[] = L"VXWin WebDAV Client";
constexpr wchar_t kContentType[] = L"Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n";
// Among others the flags that ignore an unknown certificate authority, a wrong certificate name
// and an expired certificate.
constexpr DWORD kRelaxedSecurityFlags = 0x80803F85;
constexpr DWORD kRetryPauseMs = 200;

// One post and the handles it holds, shared by the window thread and the thread that posts: a
// post that outlives its wait keeps its state, and the window thread can close its handles to
// cut it short.
struct PostJob {
    NotificationSettings settings;
    NotificationForm form;
    std::string body;  // 8-bit, as sent
    PostResult result;

    std::mutex lock;
    bool abandoned = false;
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;

    void closeHandles() {
        std::lock_guard<std::mutex> guard(lock);
        for (HINTERNET* h : {&request, &connection, &session}) {
            if (*h) InternetCloseHandle(*h);
            *h = nullptr;
        }
    }
    void abandon() {
        {
            std::lock_guard<std::mutex> guard(lock);
            abandoned = true;
        }
        closeHandles();
    }
    // Stores a fresh handle unless the wait has already been given up.
    bool keep(HINTERNET& slot, HINTERNET handle) {
        std::lock_guard<std::mutex> guard(lock);
        if (abandoned || !handle) {
            if (handle) InternetCloseHandle(handle);
            return false;
        }
        slot = handle;
        return true;
    }
    HINTERNET current(HINTERNET& slot) {
        std::lock_guard<std::mutex> guard(lock);
        return slot;
    }
};

void setTimeouts(HINTERNET handle, uint64_t timeoutMs) {
    // Wine ignores time limits set on the session handle; they hold on connections and requests.
    DWORD ms = static_cast<DWORD>(std::min<uint64_t>(timeoutMs, 0x7FFFFFFF));
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(handle, option, &ms, sizeof ms);
}

bool send(PostJob& job) {
    HINTERNET request = job.current(job.request);
    const BOOL ok = request && HttpSendRequestW(request, nullptr, 0, job.body.data(), static_cast<DWORD>(job.body.size()));
    job.result.lastError = ok ? 0 : GetLastError();
    return ok;
}

void queryStatus(PostJob& job) {
    DWORD status = 0, size = sizeof status;
    HINTERNET request = job.current(job.request);
    if (request && HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        job.result.status = status;
}

// The post itself: session, connection, request, send, and the relaxed retry when allowed.
void runPost(PostJob& job) {
    const auto& s = job.settings;
    if (!job.keep(job.session, InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)) ||
        !job.keep(job.connection, InternetConnectW(job.current(job.session), s.host.c_str(),
                                                   static_cast<INTERNET_PORT>(s.port), nullptr, nullptr,
                                                   INTERNET_SERVICE_HTTP, 0, 0))) {
        job.result.firstError = job.result.lastError = GetLastError();
        return;
    }
    setTimeouts(job.current(job.connection), s.timeoutMs);
    if (!job.keep(job.request, HttpOpenRequestW(job.current(job.connection), L"POST", job.form.path.c_str(),
                                                L"HTTP/1.0", nullptr, nullptr,
                                                INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE, 0))) {
        job.result.firstError = job.result.lastError = GetLastError();
        return;
    }
    HINTERNET request = job.current(job.request);
    setTimeouts(request, s.timeoutMs);
    HttpAddRequestHeadersW(request, kContentType, static_cast<DWORD>(-1),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    bool sent = send(job);
    job.result.firstError = job.result.lastError;
    if (!sent && s.allowUntrusted) {
        Sleep(kRetryPauseMs);  // this thread only; the window keeps painting
        DWORD flags = kRelaxedSecurityFlags;
        if (HINTERNET r = job.current(job.request)) InternetSetOptionW(r, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
        Sleep(kRetryPauseMs);
        job.result.relaxedRetry = true;
        sent = send(job);
        Sleep(kRetryPauseMs);
    }
    if (sent) {
        queryStatus(job);
        job.result.outcome = PostOutcome::kSent;
    }
}

void traceResult(const NotificationSettings& s, const NotificationForm& form, const PostResult& r) {
    const std::wstring where = s.host + L":" + std::to_wstring(s.port) + form.path;
    if (r.relaxedRetry)
        WriteTrace(L"SendEmail: the first send to " + where + L" failed (" + std::to_wstring(r.firstError) +
                   L"); sent once more with relaxed certificate checks (" + kFeedbackAllowUntrustedKey + L" is on)");
    switch (r.outcome) {
    case PostOutcome::kSent:
        WriteTrace(L"SendEmail: report sent to " + where + L", HTTP status " + std::to_wstring(r.status));
        return;
    case PostOutcome::kTimedOut:
        TraceError(L"SendEmail", L" Reason: no answer from " + where + L" within " +
                                     std::to_wstring(s.timeoutMs / 1000) + L" s (" + kFeedbackWaitKey + L")");
        WriteLog(L"The feedback report could not be sent: " + where + L" did not answer within " +
                     std::to_wstring(s.timeoutMs / 1000) + L" seconds.",
                 kLogError);
        return;
    case PostOutcome::kCancelled:
        TraceError(L"SendEmail", L" Reason: cancelled by the user while posting to " + where);
        WriteLog(L"The feedback report was not sent: cancelled.", kLogError);
        return;
    case PostOutcome::kFailed:
        TraceError(L"SendEmail", L" Reason: " + where + L" error " + std::to_wstring(r.lastError) + L" " +
                                     ErrorDescription(r.lastError));
        WriteLog(L"The feedback report could not be sent to " + where + L" (error " + std::to_wstring(r.lastError) + L").",
                 kLogError);
        return;
    }
}

}  // namespace

NotificationSettings ReadNotificationSettings() {
    NotificationSettings s;
    if (auto host = Trim(Trf_ReadUserProfile(kFeedbackServerKey)); !host.empty()) s.host = host;
    if (auto port = ParseLeadingInteger(Trf_ReadUserProfile(kFeedbackPortKey)); port > 0 && port < 65536)
        s.port = static_cast<unsigned>(port);
    if (auto recipient = Trim(Trf_ReadUserProfile(kFeedbackRecipientKey)); !recipient.empty()) s.recipient = recipient;
    if (auto seconds = ParseLeadingInteger(Trf_ReadUserProfile(kFeedbackWaitKey)); seconds > 0)
        s.timeoutMs = static_cast<uint64_t>(seconds) * 1000u;
    s.allowUntrusted = ParseLeadingInteger(Trf_ReadUserProfile(kFeedbackAllowUntrustedKey)) != 0;
    return s;
}

PostResult PostNotification(const NotificationSettings& settings, const NotificationForm& form, HWND owner) {
    auto job = std::make_shared<PostJob>();
    job->settings = settings;
    job->form = form;
    // The body goes out in the system's 8-bit code page; its length is counted in bytes, which
    // is its count of characters wherever the code page has one byte per character.
    job->body = ToAnsi(form.body);
    auto done = std::make_shared<UniqueHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!*done) {
        PostResult failed;
        failed.lastError = GetLastError();
        traceResult(settings, form, failed);
        return failed;
    }
    std::thread([job, done] {
        runPost(*job);
        job->closeHandles();
        SetEvent(done->get());
    }).detach();

    ResetWaitCancel();
    WaitOptions options;
    options.timeoutMs = settings.timeoutMs;
    options.cancelWindow = owner;
    const HANDLE wake[] = {done->get()};
    options.wakeHandles = wake;
    options.wakeHandleCount = 1;
    const WaitOutcome waited = PumpWait([&] { return WaitForSingleObject(wake[0], 0) == WAIT_OBJECT_0; }, options);
    PostResult result;
    if (waited == WaitOutcome::kDone) {
        result = job->result;
    } else {
        // The thread may stay blocked in WinINet a while longer; closing its handles cuts it
        // short where WinINet allows, and it keeps its own share of the state meanwhile.
        job->abandon();
        result.outcome = waited == WaitOutcome::kCancelled ? PostOutcome::kCancelled : PostOutcome::kTimedOut;
    }
    traceResult(settings, form, result);
    return result;
}

bool SendEmail(const std::wstring& recipient, const std::wstring& subject, const std::wstring& content,
               const std::wstring& userEmail, bool /*flag*/, HWND owner) {
    TraceScope scope(L"SendEmail");
    try {
        const NotificationForm form = BuildNotificationForm(recipient, subject, content, userEmail);
        return PostNotification(ReadNotificationSettings(), form, owner).outcome == PostOutcome::kSent;
    } catch (const std::exception& e) {
        TraceError(L"SendEmail", L" Reason: " + FromAnsi(e.what()));
        return false;
    }
}

}  // namespace tess::feedback
