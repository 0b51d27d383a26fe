#include "common/BackupSets.h"

#include <windows.h>

#include <iterator>
#include <optional>

#include "common/Files.h"
#include "common/Log.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"

namespace tess {
namespace {

constexpr wchar_t kDataFile[] = L"BacksetData.txt";

enum class ReadResult { kRead, kMissing, kFailed };

// Every line of an ANSI text file. A final line break ends the last line (it does not start an
// empty one), as a line-by-line reader sees it.
ReadResult readLines(const std::wstring& path, std::vector<std::wstring>& lines, DWORD& error) {
    if (!PathExists(path)) return ReadResult::kMissing;
    auto size = FileSize(path);
    auto bytes = size ? ReadFileBytes(path, static_cast<size_t>(*size) + 1) : std::nullopt;
    if (!bytes || bytes->size() != *size) {
        error = GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_READ_FAULT;
        return ReadResult::kFailed;
    }
    std::wstring text = FromAnsi(*bytes);
    lines = text.empty() ? std::vector<std::wstring>() : SplitLines(text);
    if (!lines.empty() && lines.back().empty() && !text.empty() && text.back() == L'\n') lines.pop_back();
    return ReadResult::kRead;
}

// Writes beside the file and moves the result over it: a failure at any point leaves the old
// file whole. Returns the error number, 0 on success.
DWORD writeReplacing(const std::wstring& path, const std::string& bytes) {
    std::wstring folder = ParentFolder(path);
    if (!folder.empty() && !FolderExists(folder)) CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring temporary = path + L".new";
    if (WriteFileBytes(temporary, bytes) &&
        MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    DWORD error = GetLastError();
    DeleteFileIfExists(temporary, true);
    return error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
}

}  // namespace

bool DB_ReadRecord(const std::wstring& name, const std::wstring& filePath, std::vector<std::wstring>& lines) {
    try {
        std::vector<std::wstring> fileLines;
        DWORD error = 0;
        switch (readLines(filePath, fileLines, error)) {
            case ReadResult::kMissing: return false;
            case ReadResult::kFailed:
                WriteTrace(L"DB_ReadRecord = " + std::to_wstring(error));
                return false;
            case ReadResult::kRead: break;
        }
        if (name.empty()) {
            lines = std::move(fileLines);
            return !lines.empty();
        }
        if (lines.empty()) lines.resize(1);
        for (auto& line : fileLines) {
            size_t semicolon = line.find(L';');
            if (semicolon != std::wstring::npos && line.compare(0, semicolon, name) == 0) {
                lines[0] = std::move(line);
                return true;
            }
        }
        lines[0].clear();
        return false;
    } catch (...) {
        WriteTrace(L"DB_ReadRecord = " + std::to_wstring(ERROR_OUTOFMEMORY));
        return false;
    }
}

unsigned short CountRecords(const std::wstring& filePath) {
    std::vector<std::wstring> lines;
    DWORD error = 0;
    try {
        if (readLines(filePath, lines, error) != ReadResult::kRead) return 0;
    } catch (...) {
        return 0;
    }
    return static_cast<unsigned short>(std::min<size_t>(lines.size(), 65535));
}

std::wstring RecordName(const std::wstring& record) {
    size_t semicolon = record.find(L';');
    return semicolon == std::wstring::npos ? std::wstring() : record.substr(0, semicolon);
}

std::vector<std::wstring> TypedItems(const std::wstring& record, wchar_t separator) {
    std::vector<std::wstring> typed;
    size_t semicolon = record.find(L';');
    if (semicolon == std::wstring::npos) return typed;
    for (auto& item : SplitFullText(std::wstring_view(record).substr(semicolon + 1), L";")) {
        if (item.empty()) continue;  // "a;;b" or a trailing ";" names nothing to ship
        typed.push_back((item.back() == separator ? L"D_" : L"F_") + item);
    }
    return typed;
}

std::vector<std::wstring>& CurrentBackupSetItems() {
    static std::vector<std::wstring> items;
    return items;
}

bool Trf_PutTransferSetAsBackupSet(const std::wstring& name, bool slashForm) {
    try {
        std::vector<std::wstring> record(1);
        if (!DB_ReadRecord(name, CommonDataFile(kDataFile), record)) return false;
        auto typed = TypedItems(record[0], slashForm ? L'/' : L'\\');
        auto& items = CurrentBackupSetItems();
        // Room first: moving the items in then cannot fail half-way.
        items.reserve(items.size() + typed.size());
        items.insert(items.end(), std::make_move_iterator(typed.begin()), std::make_move_iterator(typed.end()));
        return true;
    } catch (...) {
        WriteTrace(L"Error in Trf_PutTransferSetAsBackupSet out of memory");
        return false;
    }
}

bool LoadAllBackupSets(LoadedBackupSets& sets) {
    try {
        const std::wstring path = CommonDataFile(kDataFile);
        std::vector<std::wstring> lines;
        DWORD error = 0;
        ReadResult result = readLines(path, lines, error);
        if (result == ReadResult::kFailed) {
            WriteTrace(L"DB_ReadRecord = " + std::to_wstring(error));
            return false;
        }
        // Built aside and handed over whole: a failure leaves the caller's list as it was.
        LoadedBackupSets loaded;
        for (auto& line : lines) {
            if (IsBlank(line)) continue;
            std::wstring name = RecordName(line);
            // A line without ";" is no record, but it is kept so that saving does not drop it.
            if (!name.empty() && FindBackupSet(loaded, name)) {
                WriteTrace(L"Error in LoadAllBackupSets, Reason : the backup set '" + name + L"' is listed twice");
                break;
            }
            loaded.push_back(std::move(line));
        }
        sets = std::move(loaded);
        return true;
    } catch (...) {
        WriteTrace(L"Error in LoadAllBackupSets out of memory");
        return false;
    }
}

bool FindBackupSet(const LoadedBackupSets& sets, const std::wstring& name) {
    for (const auto& record : sets) {
        std::wstring recordName = RecordName(record);
        if (!recordName.empty() && EqualsNoCase(recordName, name)) return true;
    }
    return false;
}

void RemoveBackupSet(LoadedBackupSets& sets, const std::wstring& name) {
    for (auto it = sets.begin(); it != sets.end();) {
        std::wstring recordName = RecordName(*it);
        if (!recordName.empty() && EqualsNoCase(recordName, name))
            it = sets.erase(it);
        else
            ++it;
    }
}

bool SaveBackupSets(const LoadedBackupSets& sets, const std::wstring& relativeFile) {
    try {
        std::string content;
        for (auto it = sets.rbegin(); it != sets.rend(); ++it) {
            WriteTrace(L"Content of backupset ," + *it);
            content += ToAnsi(*it);
            content += "\r\n";
        }
        DWORD error = writeReplacing(ProgramFolder() + L"\\" + relativeFile, content);
        if (error == ERROR_SUCCESS) return true;
        WriteTrace(L"Error in SaveBackupSets, Reason : " + ErrorDescription(error));
        return false;
    } catch (...) {
        WriteTrace(L"Error in SaveBackupSets out of memory");
        return false;
    }
}

void AppendExchangeBackupSetText(const std::wstring& text) {
    EnsureCommonDataFolder();
    AppendAnsiLine(CommonDataFile(L"TmpExchangeBackupSet.txt"), text);
}

std::vector<std::wstring>& TransferFileList() {
    static std::vector<std::wstring> files;
    return files;
}

}  // namespace tess
