#include <windows.h>

#include <gtest/gtest.h>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "platform/Handle.h"
#include "support/TestSupport.h"

using namespace tess;

namespace {

using Lines = std::vector<std::wstring>;

class BackupSetFile : public testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW((program_.path() + L"\\VXCOMMON").c_str(), nullptr);
        CurrentBackupSetItems().clear();
    }
    void TearDown() override { CurrentBackupSetItems().clear(); }
    std::wstring dataFile() const { return program_.common(L"BacksetData.txt"); }
    void write(const std::string& bytes) const { test::WriteBytes(dataFile(), bytes); }

    test::ScopedProgramFolder program_;
};

}  // namespace

TEST_F(BackupSetFile, ReadRecordMatchesTheNameExactlyAndSkipsLinesWithoutSemicolon) {
    write("Daily\r\ndaily;C:\\lower\\\r\nDaily;C:\\Data\\;C:\\boot.ini\r\nWeekly;D:\\\r\n");
    struct Case {
        std::wstring name;
        bool found;
        std::wstring record;
    } cases[] = {
        {L"Daily", true, L"Daily;C:\\Data\\;C:\\boot.ini"},
        {L"daily", true, L"daily;C:\\lower\\"},
        {L"DAILY", false, L""},
        {L"Week", false, L""},
        {L"Weekly", true, L"Weekly;D:\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        Lines lines;
        EXPECT_EQ(DB_ReadRecord(c.name, dataFile(), lines), c.found);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], c.record);
    }
    Lines all;
    EXPECT_TRUE(DB_ReadRecord(L"", dataFile(), all));
    EXPECT_EQ(all, Lines({L"Daily", L"daily;C:\\lower\\", L"Daily;C:\\Data\\;C:\\boot.ini", L"Weekly;D:\\"}));
    EXPECT_EQ(CountRecords(dataFile()), 4);
}

TEST_F(BackupSetFile, MissingEmptyAndHugeFilesGiveTheirNeutralResults) {
    Lines untouched{L"keep"};
    EXPECT_FALSE(DB_ReadRecord(L"", dataFile(), untouched));
    EXPECT_FALSE(DB_ReadRecord(L"Daily", dataFile(), untouched));
    EXPECT_EQ(untouched, Lines{L"keep"});
    EXPECT_EQ(CountRecords(dataFile()), 0);
    LoadedBackupSets sets{L"stale"};
    EXPECT_TRUE(LoadAllBackupSets(sets));
    EXPECT_TRUE(sets.empty());
    write("");
    EXPECT_FALSE(DB_ReadRecord(L"", dataFile(), untouched));

    const std::wstring longItem(100000, L'x');
    write("Big;" + std::string(longItem.begin(), longItem.end()) + "\r\nAfter;C:\\a");
    Lines lines;
    ASSERT_TRUE(DB_ReadRecord(L"After", dataFile(), lines));
    EXPECT_EQ(lines[0], L"After;C:\\a");
    EXPECT_EQ(CountRecords(dataFile()), 2);  // no final line break: still two lines
    EXPECT_TRUE(Trf_PutTransferSetAsBackupSet(L"Big", false));
    EXPECT_EQ(CurrentBackupSetItems(), Lines{L"F_" + longItem});
}

TEST_F(BackupSetFile, RecordSplitsIntoTypedItemsInRecordOrder) {
    write("Daily;C:\\Data\\;C:\\boot.ini\r\nWeb;/var/www/;/etc/hosts;C:\\x\\\r\n");
    EXPECT_TRUE(Trf_PutTransferSetAsBackupSet(L"Daily", false));
    EXPECT_EQ(CurrentBackupSetItems(), Lines({L"D_C:\\Data\\", L"F_C:\\boot.ini"}));

    // Not cleared here: a second record adds to the list.
    EXPECT_TRUE(Trf_PutTransferSetAsBackupSet(L"Web", true));
    EXPECT_EQ(CurrentBackupSetItems(),
              Lines({L"D_C:\\Data\\", L"F_C:\\boot.ini", L"D_/var/www/", L"F_/etc/hosts", L"F_C:\\x\\"}));

    CurrentBackupSetItems().clear();
    EXPECT_FALSE(Trf_PutTransferSetAsBackupSet(L"Nightly", false));
    EXPECT_TRUE(CurrentBackupSetItems().empty());

    const std::pair<std::wstring, Lines> cases[] = {
        {L"OnlyName;", {}},
        {L"NoSemicolon", {}},
        {L"Gaps;A;;B\\;", {L"F_A", L"D_B\\"}},
    };
    for (const auto& [record, typed] : cases) {
        SCOPED_TRACE(testing::PrintToString(record));
        EXPECT_EQ(TypedItems(record, L'\\'), typed);
    }
}

TEST_F(BackupSetFile, SaveWritesTheListBackwardsAndReplacesTheFileWhole) {
    write("A;C:\\a\r\nB;C:\\b\\\r\n\r\nC;C:\\c\r\n");
    LoadedBackupSets sets;
    ASSERT_TRUE(LoadAllBackupSets(sets));
    EXPECT_EQ(sets, Lines({L"A;C:\\a", L"B;C:\\b\\", L"C;C:\\c"}));  // the blank line is no record
    EXPECT_TRUE(FindBackupSet(sets, L"b"));
    EXPECT_FALSE(FindBackupSet(sets, L"D"));

    EXPECT_TRUE(SaveBackupSets(sets, L"VXCOMMON\\BacksetData.txt"));
    EXPECT_EQ(test::ReadBytes(dataFile()), "C;C:\\c\r\nB;C:\\b\\\r\nA;C:\\a\r\n");

    // The Exchange run's replacement of its own set.
    ASSERT_TRUE(LoadAllBackupSets(sets));
    RemoveBackupSet(sets, L"b");
    sets.push_back(L"B;E:\\new");
    EXPECT_TRUE(SaveBackupSets(sets, L"VXCOMMON\\BacksetData.txt"));
    EXPECT_EQ(test::ReadBytes(dataFile()), "B;E:\\new\r\nA;C:\\a\r\nC;C:\\c\r\n");

    EXPECT_TRUE(SaveBackupSets({}, L"VXCOMMON\\BacksetData.txt"));
    EXPECT_TRUE(FileExists(dataFile()));
    EXPECT_EQ(test::ReadBytes(dataFile()), "");
    EXPECT_FALSE(PathExists(dataFile() + L".new"));
}

TEST_F(BackupSetFile, ARepeatedNameEndsTheLoading) {
    write("A;1\r\nB;2\r\na;3\r\nC;4\r\n");
    LoadedBackupSets sets;
    EXPECT_TRUE(LoadAllBackupSets(sets));
    EXPECT_EQ(sets, Lines({L"A;1", L"B;2"}));
}

TEST_F(BackupSetFile, AFileThatCannotBeReadIsNotTakenForAnEmptyOne) {
    write("Vendor;C:\\precious\r\n");
    {
        // The desktop client holds the file open without sharing.
        UniqueFile locked(CreateFileW(dataFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locked);
        LoadedBackupSets sets;
        EXPECT_FALSE(LoadAllBackupSets(sets));
        EXPECT_TRUE(sets.empty());
        Lines lines{L"keep"};
        EXPECT_FALSE(DB_ReadRecord(L"Vendor", dataFile(), lines));

        // A save that cannot replace the file leaves the old one whole.
        EXPECT_FALSE(SaveBackupSets({L"Mine;D:\\"}, L"VXCOMMON\\BacksetData.txt"));
    }
    EXPECT_EQ(test::ReadBytes(dataFile()), "Vendor;C:\\precious\r\n");
    EXPECT_FALSE(PathExists(dataFile() + L".new"));
}

TEST_F(BackupSetFile, ExchangeJobTextIsAppendedLineByLine) {
    AppendExchangeBackupSetText(L"D_First Storage Group\\");
    AppendExchangeBackupSetText(std::wstring(L"\x08" L"db1\x08" L"db2"));
    EXPECT_EQ(test::ReadBytes(program_.common(L"TmpExchangeBackupSet.txt")),
              "D_First Storage Group\\\r\n\x08" "db1\x08" "db2\r\n");
}
