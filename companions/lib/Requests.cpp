#include "lib/Requests.h"

#include <vector>

#include "lib/Args.h"

namespace tess::companion {
namespace {

template <typename T>
Parsed<T> failure(std::wstring error) {
    return {std::nullopt, std::move(error)};
}

// The rest of a line when the contract gives one value unquoted; a quoted value is unquoted
// by the usual rules, in case a caller quotes it after all.
std::optional<std::wstring> singleValue(std::wstring_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.front() != L'"') return std::wstring(text);
    auto args = SplitArguments(text);
    if (args.size() != 1) return std::nullopt;
    return args[0];
}

}  // namespace

bool HasStorageGroups(int generation) { return generation < 2010; }

Parsed<ListRequest> ParseListRequest(std::wstring_view arguments) {
    auto value = singleValue(arguments);
    if (!value || value->empty())
        return failure<ListRequest>(L"Invalid request: expected one argument such as 2(local)<<<< (mode digit, server<<user<<password).");
    std::wstring_view text = *value;
    ListRequest r;
    if (text.front() == L'1') r.sqlAuthentication = true;
    else if (text.front() != L'2')
        return failure<ListRequest>(L"Invalid request: the mode digit must be 1 (SQL Server authentication) or 2 (Windows authentication), got '" +
                                    std::wstring(text.substr(0, 1)) + L"'.");
    text.remove_prefix(1);
    size_t first = text.find(L"<<");
    size_t second = first == std::wstring_view::npos ? first : text.find(L"<<", first + 2);
    if (second == std::wstring_view::npos)
        return failure<ListRequest>(L"Invalid request: expected server<<user<<password after the mode digit.");
    r.server = text.substr(0, first);
    r.user = text.substr(first + 2, second - first - 2);
    r.password = text.substr(second + 2);
    if (r.server.empty()) return failure<ListRequest>(L"Invalid request: the server name is empty.");
    if (r.sqlAuthentication && r.user.empty())
        return failure<ListRequest>(L"Invalid request: SQL Server authentication needs a user name.");
    return {r, {}};
}

Parsed<SqlBackupRequest> ParseSqlBackupRequest(std::wstring_view arguments) {
    // Items: 1 mode, 2 server, 3 [database], 4 user, 5 password, 6 dump folder, 7 common folder,
    // 8-11 file names, 12-14 empty. Counted from both ends, so that a user or password that
    // splits into several words is caught instead of shifting every later item.
    std::vector<std::wstring> a = SplitArguments(arguments);
    constexpr size_t kItems = 14;
    if (a.size() != kItems)
        return failure<SqlBackupRequest>(L"Invalid request: expected 14 items (mode, server, [database], user, password, dump folder, common folder, four file names, three empty items), got " +
                                         std::to_wstring(a.size()) + L".");
    if (a[0] != L"1") return failure<SqlBackupRequest>(L"Invalid request: the first item must be 1, got '" + a[0] + L"'.");
    const std::wstring& db = a[2];
    if (db.size() < 3 || db.front() != L'[' || db.back() != L']')
        return failure<SqlBackupRequest>(L"Invalid request: the database item must be [name], got '" + db + L"'.");
    SqlBackupRequest r;
    r.server = a[1].empty() ? L"(local)" : a[1];
    r.database = db.substr(1, db.size() - 2);
    r.user = a[3];
    r.password = a[4];
    r.dumpFolder = a[5];
    r.commonFolder = a[6];
    r.logFile = a[7];
    r.errorFile = a[8];
    r.statusFile = a[9];
    r.traceFile = a[10];
    if (r.dumpFolder.empty() || r.commonFolder.empty())
        return failure<SqlBackupRequest>(L"Invalid request: the dump folder and the common folder must not be empty.");
    for (size_t i = 7; i <= 10; ++i)
        if (a[i].empty() || a[i].find_first_of(L"\\/:") != std::wstring::npos)
            return failure<SqlBackupRequest>(L"Invalid request: item " + std::to_wstring(i + 1) + L" must be a plain file name, got '" + a[i] + L"'.");
    for (size_t i = 11; i < kItems; ++i)
        if (!a[i].empty()) return failure<SqlBackupRequest>(L"Invalid request: item " + std::to_wstring(i + 1) + L" must be empty.");
    return {r, {}};
}

Parsed<ExchangeRequest> ParseExchangeRequest(std::wstring_view arguments, int generation) {
    ExchangeRequest r;
    if (HasStorageGroups(generation)) {
        std::wstring_view text = TrimBlanks(arguments);
        if (text.empty()) return failure<ExchangeRequest>(L"Invalid request: expected the operation 3, 0 or 1 followed by the work folder.");
        wchar_t op = text.front();
        std::wstring_view rest = TrimBlanks(text.substr(1));
        if (op == L'0' || op == L'3') {
            if (!rest.empty()) return failure<ExchangeRequest>(L"Invalid request: unexpected text after operation " + std::wstring(1, op) + L": '" + std::wstring(rest) + L"'.");
            r.operation = op == L'0' ? ExchangeOperation::Information : ExchangeOperation::Presence;
            return {r, {}};
        }
        if (op != L'1') return failure<ExchangeRequest>(L"Invalid request: unknown operation '" + std::wstring(1, op) + L"' (3, 0 or 1).");
        auto folder = singleValue(rest);
        if (!folder || folder->empty()) return failure<ExchangeRequest>(L"Invalid request: the backup operation 1 needs the work folder glued to it.");
        r.operation = ExchangeOperation::Backup;
        r.workFolder = *folder;
        return {r, {}};
    }
    std::vector<std::wstring> a = SplitArguments(arguments);
    if (a.empty()) return failure<ExchangeRequest>(L"Invalid request: expected the operation 0 or 1.");
    if (a[0] == L"0" || a[0] == L"3") {
        if (a.size() != 1) return failure<ExchangeRequest>(L"Invalid request: operation " + a[0] + L" takes no further items.");
        r.operation = a[0] == L"0" ? ExchangeOperation::Information : ExchangeOperation::Presence;
        return {r, {}};
    }
    if (a[0] != L"1") return failure<ExchangeRequest>(L"Invalid request: unknown operation '" + a[0] + L"' (0 or 1).");
    if (a.size() != 3 || a[1].empty() || a[2].empty())
        return failure<ExchangeRequest>(L"Invalid request: the backup operation 1 needs the quoted job list and the quoted output folder.");
    r.operation = ExchangeOperation::Backup;
    r.jobList = UndoubleBackslashes(a[1]);
    r.outputFolder = UndoubleBackslashes(a[2]);
    return {r, {}};
}

Parsed<SharePointRequest> ParseSharePointRequest(std::wstring_view arguments) {
    static constexpr std::wstring_view kPrefix = L"DisplayTessaron/";
    std::vector<std::wstring> a = SplitArguments(arguments);
    if (a.size() != 1 || a[0].compare(0, kPrefix.size(), kPrefix) != 0 || a[0].size() == kPrefix.size())
        return failure<SharePointRequest>(L"Invalid request: expected one quoted argument \"DisplayTessaron/<job file>\".");
    return {SharePointRequest{a[0].substr(kPrefix.size())}, {}};
}

std::wstring MaskSecret(std::wstring_view text, std::wstring_view secret) {
    std::wstring out(text);
    if (secret.empty()) return out;
    for (size_t at = out.find(secret); at != std::wstring::npos; at = out.find(secret, at + 4))
        out.replace(at, secret.size(), L"****");
    return out;
}

}  // namespace tess::companion
