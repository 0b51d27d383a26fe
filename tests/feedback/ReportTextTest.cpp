#include <windows.h>

#include <gtest/gtest.h>

#include "common/OsVersion.h"
#include "common/Version.h"
#include "feedback/ReportText.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::feedback;

TEST(ReportText, EncodersPadKeepAndSplitAsTheServerExpects) {
    struct Case {
        std::wstring text, form, utf8;
    } cases[] = {
        {L"abcXYZ019", L"abcXYZ019", L"abcXYZ019"},
        {L"  a b  ", L"a%20b", L"%20%20a%20b%20%20"},  // only the form encoder trims
        {L"a\tb", L"a%09b", L"a%9b"},
        {L"a/b.c", L"a%2Fb%2Ec", L"a/b%2Ec"},
        {L"x\ny", L"x%0Ay", L"x%Ay"},
        {L"\u00e9", L"%E9", L"%C3%A9"},
        {L"\u20ac", L"%20AC", L"%E2%82%AC"},
        {L"a;b@c", L"a%3Bb%40c", L"a%3Bb%40c"},
        {L"   ", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(URLEncode(c.text), c.form);
        EXPECT_EQ(URLEncodeWebd(c.text), c.utf8);
    }
}

TEST(ReportText, MessageLinesGetALineFeedOnlyWhenThereAreSeveral) {
    struct Case {
        std::wstring message, encoded;
    } cases[] = {
        {L"one line", L"one%20line"},
        {L"first\r\nsecond", L"first\nsecond\n"},
        {L"ends\r\n", L"ends\n\n"},
        {L"a\r\n\r\nb c", L"a\n\nb%20c\n"},
        {L"lone\nfeed", L"lone%Afeed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.message));
        EXPECT_EQ(EncodeLines(c.message), c.encoded);
    }
}

TEST(ReportText, SubjectFollowsTheTicketNumber) {
    EXPECT_EQ(SubjectForTicket(L""), L"Ostrova - Tessaron user feedback");
    EXPECT_EQ(SubjectForTicket(L" \t "), L"Ostrova - Tessaron user feedback");
    EXPECT_EQ(SubjectForTicket(L" 42 "), L"Tessaron Ticket : 42");
}

TEST(ReportText, FormBodyByteForByteOnBothPaths) {
    const std::wstring content = L"header\r\nline%20one\n";
    NotificationForm form = BuildNotificationForm(L"a@x.example;b@x.example", L"Tessaron Ticket : 7", content, L"  ");
    EXPECT_EQ(form.path, L"/cgi-bin/Notify_email");
    EXPECT_EQ(form.body, L"EMAIL=a%40x%2Eexampleb%40x%2Eexample\r\n&SUBJECT=Tessaron%20Ticket%20%3A%207"
                         L"\r\n&CONTENT=header\r\nline%20one\n");

    form = BuildNotificationForm(L"s@x.example", L"S", content, L" me@y.example ");
    EXPECT_EQ(form.path, L"/cgi-bin/Notify_unicode");
    EXPECT_EQ(form.body, L"EMAIL=s%40x%2Eexample\r\n&SUBJECT=S\r\n&CONTENT=header\r\nline%20one\n"
                         L"\r\n&user_email=me%40y%2Eexample");
}

namespace {

// Sets registry values of the test prefix for the scope and puts the old ones back.
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
        : name_(name) {
        RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, name, nullptr, &oldType_, old_, &size) == ERROR_SUCCESS;
        oldSize_ = size;
        RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), bytes);
    }
    ~ScopedRegValue() {
        if (had_)
            RegSetValueExW(key_, name_.c_str(), 0, oldType_, old_, oldSize_);
        else
            RegDeleteValueW(key_, name_.c_str());
        RegCloseKey(key_);
    }

private:
    std::wstring name_;
    HKEY key_ = nullptr;
    bool had_ = false;
    DWORD oldType_ = 0, oldSize_ = 0;
    BYTE old_[512] = {};
};

ScopedRegValue text(HKEY root, const wchar_t* path, const wchar_t* name, const std::wstring& value) {
    return ScopedRegValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
}

}  // namespace

TEST(ReportText, SystemHeaderFromTheRegistryOfBothPlatforms) {
    test::ScopedProgramFolder program;
    const wchar_t* nt = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    const wchar_t* consumer = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    auto ntName = text(HKEY_LOCAL_MACHINE, nt, L"ProductName", L"Windows Test Server");
    auto ntVersion = text(HKEY_LOCAL_MACHINE, nt, L"CurrentVersion", L"6.3");
    auto oldName = text(HKEY_LOCAL_MACHINE, consumer, L"ProductName", L"Windows 98");
    auto oldVersion = text(HKEY_LOCAL_MACHINE, consumer, L"VersionNumber", L"4.10.1998");
    auto browser = text(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Internet Explorer", L"Version", L"9.11.1");
    DWORD one = 1;
    ScopedRegValue proxy(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                         L"ProxyEnable", REG_DWORD, &one, sizeof one);

    const std::wstring tail = L"Does the user connect through a proxy server? Connected via Proxy server\r\n"
                              L"User's e-mail address: me@x.example\r\n"
                              L"User's Contact Phone Number:+1 555\r\n"
                              L"User's technical issues/comments/suggestions:\r\n\r\n";
    const std::wstring first = L"<<< USER FEEDBACK FROM TESSARON version >>>Version: " + ProgramVersion() + L"\r\n";
    EXPECT_EQ(GetSystemSettings(L"me@x.example", L"+1 555"),
              first + L"User's Operating System:  Windows Test Server\r\nOS Version: 6.3\r\n"
                      L"User's Browser: Internet Explorer version  9.11.1\r\n" + tail);

    const OsVersionOverride win98{4, 10, 1};
    SetOsVersionForTesting(&win98);
    const std::wstring header = GetSystemSettings(L"me@x.example", L"+1 555");
    SetOsVersionForTesting(nullptr);
    EXPECT_EQ(header, first + L"User's Operating System:  Windows 98\r\nOS Version: 4.10.1998\r\n"
                              L"User's Browser: Internet Explorer version  9.11.1\r\n" + tail);
}
