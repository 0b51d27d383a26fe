#pragma once
// The backup-set data file VXCOMMON\BacksetData.txt, shared with the vendor's desktop client:
// one record per line, name;item;item;...;item, where an item ending with the separator is a
// folder and any other item a file.
#include <string>
#include <vector>

namespace tess {

// With a name: the first line whose text before its first ";" equals it exactly (case counts)
// goes to lines[0] (the vector is given one element when it has none); lines without ";" never
// match; no match leaves lines[0] empty and gives false. With an empty name: lines becomes every
// line of the file, in order; true when there was at least one. A missing file gives false and
// leaves lines untouched; a file that exists but cannot be read traces "DB_ReadRecord = " + the
// error number.
bool DB_ReadRecord(const std::wstring& name, const std::wstring& filePath, std::vector<std::wstring>& lines);
// The number of lines of the file (0 for a missing file), at most 65535.
unsigned short CountRecords(const std::wstring& filePath);
// The text before the first ";", or empty when there is none.
std::wstring RecordName(const std::wstring& record);

// The typed items of one record: "D_" + folder, "F_" + file, in record order; empty items are
// left out. `separator` is the folder mark of the record's form ('\\' or '/').
std::vector<std::wstring> TypedItems(const std::wstring& record, wchar_t separator);

// The process-wide current backup-set item list ("D_" + folder, "F_" + file), in record order.
// Never cleared here: a caller that loads a second record clears it first.
std::vector<std::wstring>& CurrentBackupSetItems();
// Adds the typed items of the named record of the backup-set data file to the current list;
// false (nothing added) when there is no such record.
bool Trf_PutTransferSetAsBackupSet(const std::wstring& name, bool slashForm);

// The loaded backup sets, whole record lines in file order.
using LoadedBackupSets = std::vector<std::wstring>;
// Replaces `sets` with the records of the data file. Blank lines are skipped; a record whose
// name (without case) was already loaded ends the loading there. False, with `sets` as it was,
// when the file exists but could not be read: then saving the list back would lose the records
// it holds, so callers must not save.
bool LoadAllBackupSets(LoadedBackupSets& sets);
// Whether some loaded record's name equals `name` without regard to case.
bool FindBackupSet(const LoadedBackupSets& sets, const std::wstring& name);
// Removes the records of that name (without regard to case).
void RemoveBackupSet(LoadedBackupSets& sets, const std::wstring& name);
// Writes the lines from the last to the first, replacing program folder + "\" + relativeFile
// (an empty list leaves an empty file). The new content is written beside the file and moved
// over it, so the file is never left half-written. Each line is traced as
// "Content of backupset ," + line. False when the file could not be replaced.
bool SaveBackupSets(const LoadedBackupSets& sets, const std::wstring& relativeFile);

// Appends the text as one line to VXCOMMON\TmpExchangeBackupSet.txt.
void AppendExchangeBackupSetText(const std::wstring& text);

// The process-wide transfer file list that the runs ship. Each run empties it as it starts: a run
// ships only what it dumped.
std::vector<std::wstring>& TransferFileList();

}  // namespace tess
