#include "exchange/ExchangeLogic.h"

#include "common/CommandLine.h"
#include "common/Files.h"
#include "common/Text.h"

namespace tess::exchange {
namespace {

constexpr wchar_t kSetFolder[] = L"OstrovaExchBackupset";

const ExchangeHelper kHelper2007{L"ostrova64ExchBkp_tessaron.exe", L"3", L"0", false};
const ExchangeHelper kHelper2010{L"ostrova2010ExchBkp_tessaron.exe", L"0", L"0", true};
const ExchangeHelper kHelper2013{L"ostrova2013ExchBkp_tessaron.exe", L"0", L"0", true};
const ExchangeHelper kHelperDefault{L"ostrovaExchBkp_tessaron.exe", L"3", L"0", false};

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::wstring MapExchangeMajor(std::wstring_view major) {
    const std::wstring m = Trim(major);
    if (m == L"6.0") return L"2000";
    if (m == L"6.5") return L"2003";
    if (!m.empty() && m[0] == L'8') return L"2007";
    if (m.compare(0, 2, L"14") == 0) return L"2010";
    if (m.compare(0, 2, L"15") == 0) return L"2013";
    return L"0";
}

ExchangeVersionInfo VersionFromFileVersions(const std::optional<std::wstring>& exifsVersion,
                                            const std::optional<std::wstring>& esebcli2Version) {
    std::wstring major;
    std::wstring spNo;
    if (exifsVersion) {
        major = exifsVersion->substr(0, 3);
        if (exifsVersion->size() > 4) spNo = exifsVersion->substr(4);
    } else if (esebcli2Version) {
        major = esebcli2Version->substr(0, 3);
    }
    return {MapExchangeMajor(major), Trim(spNo)};
}

std::wstring ExifsPath(const std::wstring& systemFolder) {
    return WithTrailingBackslash(systemFolder) + L"Drivers\\exifs.sys";
}

int ExchVersionNumber(std::wstring_view exchVersion) {
    return static_cast<int>(ParseLeadingInteger(Trim(exchVersion)));
}

const ExchangeHelper& HelperFor(int exchVersion) {
    switch (exchVersion) {
        case 2007: return kHelper2007;
        case 2010: return kHelper2010;
        case 2013: return kHelper2013;
        default: return kHelperDefault;
    }
}

std::wstring QueryCommandLine(int exchVersion, const std::wstring& programFolder, bool presence) {
    const ExchangeHelper& helper = HelperFor(exchVersion);
    // The 2010/2013 helpers read the information run's line with doubled backslashes, but their
    // presence run's line as it is.
    CommandLine line(helper.doublesBackslashes && !presence ? Backslashes::kDoubled : Backslashes::kAsRead);
    line.quoted(WithTrailingBackslash(programFolder) + helper.executable)
        .raw(presence ? helper.presenceArgument : helper.informationArgument);
    return line.str();
}

std::wstring BackupOutputFolder(const std::wstring& workFolder) {
    return WithTrailingBackslash(workFolder) + kSetFolder + L"\\";
}

std::wstring BackupCommandLine(const BackupCommandInput& input) {
    const ExchangeHelper& helper = HelperFor(input.exchVersion);
    if (!helper.doublesBackslashes)
        return CommandLine()
            .quoted(WithTrailingBackslash(input.programFolderShort) + helper.executable)
            .raw(L"1")
            .glue()
            .raw(input.workFolder)
            .str();
    // The 2010 helper was given the job path with a doubled separator before the file name; both
    // name the same file, and the helper is known to accept it.
    const wchar_t* jobName = input.exchVersion == 2010 ? L"\\TmpExchangeBackupSet.txt" : L"TmpExchangeBackupSet.txt";
    // The output folder's trailing backslash, doubled with all the others, leaves an even run
    // before the closing quote: the quote still ends the item.
    return CommandLine(Backslashes::kDoubled)
        .quoted(WithTrailingBackslash(input.programFolderShort) + helper.executable)
        .raw(L"1")
        .quoted(input.programFolderLong + L"\\VXCOMMON\\" + jobName)
        .quoted(BackupOutputFolder(input.workFolder))
        .str();
}

std::wstring SelectionText(const std::vector<std::wstring>& selection) {
    std::wstring text;
    for (const auto& entry : selection) text += L";" + entry;
    return text;
}

std::vector<std::wstring> JobListLines(int exchVersion, const std::vector<std::wstring>& typedItems,
                                       const std::wstring& selectionText) {
    std::vector<std::wstring> lines;
    if (HelperFor(exchVersion).doublesBackslashes) {
        lines.push_back(Trim(TrimAtLineEnd(ReplaceAll(selectionText, L";", L"\b"))));
        return lines;
    }
    for (const auto& item : typedItems) {
        std::wstring line = Trim(item);
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

std::string RewriteSetLog(std::string_view setLog) {
    std::string out;
    std::string previous;
    bool first = true;
    size_t start = 0;
    while (start < setLog.size()) {
        size_t end = setLog.find('\n', start);
        if (end == std::string_view::npos) end = setLog.size();
        std::string line(setLog.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = replaceAll(line, "scheduled", "") + "\r\n";
        line = replaceAll(replaceAll(line, "backup", "data transfer"), "Backup", "data transfer");
        if (!first && line == previous) continue;
        out += line;
        previous = std::move(line);
        first = false;
    }
    return out;
}

std::wstring DisplayDestination(const std::wstring& destination) {
    return destination.size() < 26 ? destination : destination.substr(0, 25) + L"...";
}

std::wstring ShippedPart(const std::wstring& path) {
    const std::wstring upper = ToUpper(path);
    const size_t at = upper.find(ToUpper(kSetFolder));
    return at == std::wstring::npos ? std::wstring() : path.substr(at);
}

bool BackupIniHolds(const IniReader& read, const std::wstring& group, const std::wstring& database, bool groupOnly) {
    const std::wstring section = L"BACKEDUP STORAGE GROUPS";
    const std::wstring count = read(section, L"NOSG");
    const long long groups = count.empty() ? 0 : ParseLeadingInteger(count);
    std::vector<std::wstring> names;
    for (long long i = 1; i <= groups; ++i) names.push_back(Trim(read(section, L"SG" + std::to_wstring(i))));
    for (const auto& name : names) {
        if (groupOnly) {
            if (EqualsNoCase(name, group)) return true;
            continue;
        }
        if (name != group) continue;
        const std::wstring groupSection = L"BKP INFO OF->" + name;
        const long long databases = ParseLeadingInteger(read(groupSection, L"NODB"));
        for (long long i = 1; i <= databases; ++i)
            if (EqualsNoCase(read(groupSection, L"DB" + std::to_wstring(i)), database)) return true;
    }
    return false;
}

}  // namespace tess::exchange
