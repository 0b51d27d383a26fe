#pragma once
// The backup-set data file VXCOMMON\BacksetData.txt: one record per line, name;item;item;...
#include <string>
#include <vector>

namespace tess {

// With a name: the first line whose text before its first ";" equals it exactly goes to
// lines[0]. With an empty name: every line, in order. False when nothing was read.
bool DB_ReadRecord(const std::wstring& name, const std::wstring& filePath, std::vector<std::wstring>& lines);
unsigned short CountRecords(const std::wstring& filePath);
std::wstring RecordName(const std::wstring& record);

// The process-wide current backup-set item list ("D_" + folder, "F_" + file), in record order.
std::vector<std::wstring>& CurrentBackupSetItems();
bool Trf_PutTransferSetAsBackupSet(const std::wstring& name, bool slashForm);

// The loaded backup sets, in file order.
using LoadedBackupSets = std::vector<std::wstring>;
void LoadAllBackupSets(LoadedBackupSets& sets);
bool FindBackupSet(const LoadedBackupSets& sets, const std::wstring& name);
void RemoveBackupSet(LoadedBackupSets& sets, const std::wstring& name);
// Writes the lines from the last to the first, replacing program folder + "\" + relativeFile.
void SaveBackupSets(const LoadedBackupSets& sets, const std::wstring& relativeFile);

void AppendExchangeBackupSetText(const std::wstring& text);

// The process-wide transfer file list that the runs ship.
std::vector<std::wstring>& TransferFileList();

}  // namespace tess
