#include "feedback/ServerFixture.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "common/ProgramPaths.h"
#include "common/Settings.h"

namespace tess::test {
namespace {

std::wstring env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::vector<std::wstring> reports(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.json").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void FeedbackServerFixture::SetUp() {
    if (env(L"TESS_FEEDBACK_TRUSTED_PORT").empty()) GTEST_SKIP() << "needs the servers of server-tests.sh";
    EnsureCommonDataFolder();
}

unsigned FeedbackServerFixture::trustedPort() { return std::wcstoul(env(L"TESS_FEEDBACK_TRUSTED_PORT").c_str(), nullptr, 10); }
unsigned FeedbackServerFixture::untrustedPort() {
    return std::wcstoul(env(L"TESS_FEEDBACK_UNTRUSTED_PORT").c_str(), nullptr, 10);
}
unsigned FeedbackServerFixture::silentPort() { return std::wcstoul(env(L"TESS_FEEDBACK_SILENT_PORT").c_str(), nullptr, 10); }
std::wstring FeedbackServerFixture::trustedOut() { return env(L"TESS_FEEDBACK_TRUSTED_OUT"); }
std::wstring FeedbackServerFixture::untrustedOut() { return env(L"TESS_FEEDBACK_UNTRUSTED_OUT"); }

size_t FeedbackServerFixture::reportCount(const std::wstring& folder) { return reports(folder).size(); }

FeedbackServerFixture::Report FeedbackServerFixture::lastReport(const std::wstring& folder) {
    const auto names = reports(folder);
    if (names.empty()) return {};
    const std::wstring json = folder + L"\\" + names.back();
    const std::wstring body = json.substr(0, json.size() - 4) + L"body";
    return {ReadBytes(json), ReadBytes(body)};
}

feedback::NotificationSettings FeedbackServerFixture::settings(unsigned port) {
    feedback::NotificationSettings s;
    s.host = L"localhost";
    s.port = port;
    s.timeoutMs = 20000;
    return s;
}

void FeedbackServerFixture::writeSettings(unsigned port, bool allowUntrusted, unsigned waitSeconds) {
    Trf_WriteUserProfile(feedback::kFeedbackServerKey, L"localhost");
    Trf_WriteUserProfile(feedback::kFeedbackPortKey, std::to_wstring(port));
    Trf_WriteUserProfile(feedback::kFeedbackAllowUntrustedKey, allowUntrusted ? L"1" : L"0");
    Trf_WriteUserProfile(feedback::kFeedbackWaitKey, std::to_wstring(waitSeconds));
}

}  // namespace tess::test
