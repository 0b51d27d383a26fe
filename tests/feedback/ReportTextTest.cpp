#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/OsVersion.h"
#include "common/Version.h"
#include "feedback/ReportText.h"

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

TEST(ReportText, SystemHeaderFromTheRegistryOfBothPlatforms) {
    struct Value {
        HKEY root;
        const wchar_t *path, *name;
        std::wstring text;  // empty: the number 1
    } values[] = {
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName", L"Windows Test Server"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"CurrentVersion", L"6.3"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProductName", L"Windows 98"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"VersionNumber", L"4.10.1998"},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Internet Explorer", L"Version", L"9.11.1"},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", L"ProxyEnable", L""},
    };
    // The prefix's own values go back afterwards.
    std::vector<std::pair<DWORD, std::vector<BYTE>>> saved;
    for (const auto& v : values) {
        DWORD type = 0, size = 1024;
        std::vector<BYTE> old(size);
        if (RegGetValueW(v.root, v.path, v.name, RRF_RT_ANY, &type, old.data(), &size) != ERROR_SUCCESS) type = REG_NONE;
        saved.emplace_back(type, std::vector<BYTE>(old.begin(), old.begin() + (type == REG_NONE ? 0 : size)));
        const DWORD one = 1;
        if (v.text.empty())
            RegSetKeyValueW(v.root, v.path, v.name, REG_DWORD, &one, sizeof one);
        else
            RegSetKeyValueW(v.root, v.path, v.name, REG_SZ, v.text.c_str(), static_cast<DWORD>((v.text.size() + 1) * 2));
    }
    const std::wstring first = L"<<< USER FEEDBACK FROM TESSARON version >>>Version: " + ProgramVersion() + L"\r\n";
    const std::wstring tail = L"User's Browser: Internet Explorer version  9.11.1\r\n"
                              L"Does the user connect through a proxy server? Connected via Proxy server\r\n"
                              L"User's e-mail address: me@x.example\r\nUser's Contact Phone Number:+1 555\r\n"
                              L"User's technical issues/comments/suggestions:\r\n\r\n";
    const std::wstring nt = GetSystemSettings(L"me@x.example", L"+1 555");
    const OsVersionOverride win98{4, 10, 1};
    SetOsVersionForTesting(&win98);
    const std::wstring consumer = GetSystemSettings(L"me@x.example", L"+1 555");
    SetOsVersionForTesting(nullptr);
    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i].first == REG_NONE)
            RegDeleteKeyValueW(values[i].root, values[i].path, values[i].name);
        else
            RegSetKeyValueW(values[i].root, values[i].path, values[i].name, saved[i].first, saved[i].second.data(),
                            static_cast<DWORD>(saved[i].second.size()));
    }
    EXPECT_EQ(nt, first + L"User's Operating System:  Windows Test Server\r\nOS Version: 6.3\r\n" + tail);
    EXPECT_EQ(consumer, first + L"User's Operating System:  Windows 98\r\nOS Version: 4.10.1998\r\n" + tail);
}
