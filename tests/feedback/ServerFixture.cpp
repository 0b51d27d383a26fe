#include "feedback/ServerFixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "common/ProgramPaths.h"
#include "common/Settings.h"

namespace tess::test {
namespace {

std::wstring env(const std::wstring& name) {
    const wchar_t* value = _wgetenv((L"TESS_FEEDBACK_" + name).c_str());
    return value ? value : L"";
}

std::vector<std::wstring> reports(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.json").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(folder + L"\\" + data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void FeedbackServerFixture::SetUp() {
    if (env(L"TRUSTED_PORT").empty()) GTEST_SKIP() << "needs the servers of server-tests.sh";
    EnsureCommonDataFolder();
}

unsigned FeedbackServerFixture::port(const wchar_t* server) {
    return std::wcstoul(env(std::wstring(server) + L"_PORT").c_str(), nullptr, 10);
}
std::wstring FeedbackServerFixture::out(const wchar_t* server) { return env(std::wstring(server) + L"_OUT"); }
size_t FeedbackServerFixture::reportCount(const wchar_t* server) { return reports(out(server)).size(); }

FeedbackServerFixture::Report FeedbackServerFixture::lastReport(const wchar_t* server) {
    const auto names = reports(out(server));
    if (names.empty()) return {};
    return {ReadBytes(names.back()), ReadBytes(names.back().substr(0, names.back().size() - 4) + L"body")};
}

feedback::NotificationSettings FeedbackServerFixture::settings(const wchar_t* server) {
    feedback::NotificationSettings s;
    s.port = port(server);
    s.timeoutMs = 20000;
    return s;
}

void FeedbackServerFixture::writeSettings(const wchar_t* server, unsigned waitSeconds) {
    Trf_WriteUserProfile(feedback::kFeedbackServerKey, L"localhost");
    Trf_WriteUserProfile(feedback::kFeedbackPortKey, std::to_wstring(port(server)));
    Trf_WriteUserProfile(feedback::kFeedbackWaitKey, std::to_wstring(waitSeconds));
}

}  // namespace tess::test
