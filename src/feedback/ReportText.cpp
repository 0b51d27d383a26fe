#include "feedback/ReportText.h"

#include <windows.h>

#include <variant>

#include "common/OsVersion.h"
#include "common/Registry.h"
#include "common/Text.h"
#include "common/Version.h"

namespace tess::feedback {

const wchar_t kReleaseDateLine[] = L"\r\n\r\nRelease date : 05/26/2011";

namespace {

bool isAsciiAlnum(unsigned code) {
    return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
}

void appendHex(std::wstring& out, unsigned value, bool padBelow16) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    out += L'%';
    if (padBelow16 && value < 16) out += L'0';
    wchar_t buffer[8];
    int n = 0;
    do {
        buffer[n++] = kDigits[value & 15];
        value >>= 4;
    } while (value);
    while (n) out += buffer[--n];
}

std::wstring regText(HKEY root, const wchar_t* keyPath, const wchar_t* valueName) {
    const RegValue value = ReadRegValue(root, keyPath, valueName);
    if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
    if (const auto* number = std::get_if<unsigned long>(&value)) return std::to_wstring(*number);
    return L"";
}

}  // namespace

std::wstring URLEncode(std::wstring_view text) {
    const std::wstring trimmed = Trim(text);
    std::wstring out;
    out.reserve(trimmed.size() * 3);
    for (wchar_t c : trimmed) {
        if (isAsciiAlnum(c))
            out += c;
        else
            appendHex(out, static_cast<unsigned>(c), true);
    }
    return out;
}

std::wstring URLEncodeWebd(std::wstring_view text) {
    if (IsBlank(text)) return L"";
    const std::string bytes = ToUTF8(text);
    std::wstring out;
    out.reserve(bytes.size() * 3);
    for (unsigned char b : bytes) {
        if (isAsciiAlnum(b) || b == '/')
            out += static_cast<wchar_t>(b);
        else
            appendHex(out, b, false);
    }
    return out;
}

std::wstring EncodeLines(std::wstring_view text) {
    const std::vector<std::wstring> lines = SplitFullText(text, L"\r\n");
    if (lines.size() == 1) return URLEncodeWebd(lines.front());
    std::wstring out;
    for (const auto& line : lines) {
        out += URLEncodeWebd(line);
        out += L'\n';
    }
    return out;
}

std::wstring SubjectForTicket(std::wstring_view ticket) {
    const std::wstring trimmed = Trim(ticket);
    if (trimmed.empty()) return L"Ostrova - Tessaron user feedback";
    return L"Tessaron Ticket : " + trimmed;
}

std::wstring TicketCaption(bool roomForTwoLines) {
    return roomForTwoLines ? L"Trouble Ticket No\r\n (If created already)" : L"Trouble Ticket No ...";
}

std::wstring FormBody(const std::vector<FormField>& fields) {
    std::wstring body;
    for (const auto& field : fields) {
        if (body.empty()) {
            body = field.name + L"=" + URLEncode(field.value);
        } else {
            body += L"\r\n&" + field.name + L"=";
            body += field.encode ? URLEncode(field.value) : field.value;
        }
    }
    return body;
}

NotificationForm BuildNotificationForm(std::wstring_view recipient, std::wstring_view subject,
                                       std::wstring_view content, std::wstring_view userEmail) {
    std::vector<FormField> fields = {
        {L"EMAIL", ReplaceAll(recipient, L";", L"")},
        {L"SUBJECT", std::wstring(subject)},
        {L"CONTENT", std::wstring(content), false},
    };
    NotificationForm form;
    if (IsBlank(userEmail)) {
        form.path = L"/cgi-bin/Notify_email";
    } else {
        fields.push_back({L"user_email", std::wstring(userEmail)});
        form.path = L"/cgi-bin/Notify_unicode";
    }
    form.body = FormBody(fields);
    return form;
}

std::wstring ComposeSystemHeader(const SystemFacts& facts) {
    std::wstring header = L"<<< USER FEEDBACK FROM TESSARON version >>>Version: " + facts.version + L"\r\n";
    header += L"User's Operating System:  " + facts.osName + L"\r\n";
    header += L"OS Version: " + facts.osVersion + L"\r\n";
    header += L"User's Browser: Internet Explorer version  " + facts.browserVersion + L"\r\n";
    header += L"Does the user connect through a proxy server? ";
    header += facts.proxy ? L"Connected via Proxy server\r\n" : L"Direct (No Proxy Server)\r\n";
    header += L"User's e-mail address: " + facts.email + L"\r\n";
    header += L"User's Contact Phone Number:" + facts.contactNumber + L"\r\n";
    header += L"User's technical issues/comments/suggestions:\r\n\r\n";
    return header;
}

SystemFacts ReadSystemFacts() {
    SystemFacts facts;
    facts.version = ProgramVersion();
    if (OSPlatformId() == 1) {
        const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
        facts.osName = regText(HKEY_LOCAL_MACHINE, key, L"ProductName");
        facts.osVersion = regText(HKEY_LOCAL_MACHINE, key, L"VersionNumber");
    } else {
        const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
        facts.osName = regText(HKEY_LOCAL_MACHINE, key, L"ProductName");
        facts.osVersion = regText(HKEY_LOCAL_MACHINE, key, L"CurrentVersion");
    }
    facts.browserVersion = regText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Internet Explorer\\", L"Version");
    const RegValue proxy = ReadRegValue(HKEY_CURRENT_USER,
                                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", L"ProxyEnable");
    if (const auto* number = std::get_if<unsigned long>(&proxy)) facts.proxy = *number != 0;
    if (const auto* text = std::get_if<std::wstring>(&proxy)) facts.proxy = ParseLeadingInteger(*text) != 0;
    return facts;
}

std::wstring GetSystemSettings(const std::wstring& email, const std::wstring& contactNumber) {
    SystemFacts facts = ReadSystemFacts();
    facts.email = email;
    facts.contactNumber = contactNumber;
    return ComposeSystemHeader(facts);
}

std::wstring ReportStart(const std::wstring& header, std::wstring_view message) {
    return header + L"\r\n" + EncodeLines(message);
}

}  // namespace tess::feedback
