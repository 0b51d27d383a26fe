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
    Lines itemsOf(const std::wstring& name, bool slashForm) const {
        CurrentBackupSetItems().clear();
        const bool found = Trf_PutTransferSetAsBackupSet(name, slashForm);
        EXPECT_EQ(found, !CurrentBackupSetItems().empty());
        return CurrentBackupSetItems();
    }

    test::ScopedProgramFolder program_;
};

}  // namespace

TEST_F(BackupSetFile, TheRecordOfExactlyThatNameSplitsIntoTypedItemsInRecordOrder) {
    write("Daily\r\ndaily;C:\\lower\\\r\nDaily;C:\\Data\\;C:\\boot.ini\r\nWeb;/var/www/;/etc/hosts;C:\\x\\\r\n"
          "Gaps;A;;B\\;\r\n");
    const std::tuple<std::wstring, bool, Lines> cases[] = {
        {L"Daily", false, {L"D_C:\\Data\\", L"F_C:\\boot.ini"}},  // the line without ";" is no record
        {L"daily", false, {L"D_C:\\lower\\"}},
        {L"DAILY", false, {}},
        {L"Week", false, {}},
        {L"Web", true, {L"D_/var/www/", L"F_/etc/hosts", L"F_C:\\x\\"}},
        {L"Gaps", false, {L"F_A", L"D_B\\"}},
    };
    for (const auto& [name, slashForm, items] : cases) {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_EQ(itemsOf(name, slashForm), items);
    }
}

TEST_F(BackupSetFile, MissingHugeAndRepeatingFilesLoadWhatTheyHold) {
    LoadedBackupSets sets{L"stale"};
    EXPECT_TRUE(LoadAllBackupSets(sets));
    EXPECT_TRUE(sets.empty());
    EXPECT_EQ(itemsOf(L"Daily", false), Lines());

    const std::wstring longItem(100000, L'x');
    write("Big;" + std::string(longItem.begin(), longItem.end()) + "\r\nAfter;C:\\a");  // no final line break
    EXPECT_EQ(itemsOf(L"After", false), Lines{L"F_C:\\a"});
    EXPECT_EQ(itemsOf(L"Big", false), Lines{L"F_" + longItem});

    write("A;1\r\n\r\nB;2\r\na;3\r\nC;4\r\n");  // a blank line is no record, a repeated name ends the loading
    EXPECT_TRUE(LoadAllBackupSets(sets));
    EXPECT_EQ(sets, Lines({L"A;1", L"B;2"}));
}

TEST_F(BackupSetFile, SaveWritesTheListBackwardsAndReplacesTheFileWhole) {
    write("A;C:\\a\r\nB;C:\\b\\\r\nC;C:\\c\r\n");
    LoadedBackupSets sets;
    ASSERT_TRUE(LoadAllBackupSets(sets));
    RemoveBackupSet(sets, L"b");  // the Exchange run's replacement of its own set
    sets.push_back(L"B;E:\\new");
    EXPECT_TRUE(SaveBackupSets(sets, L"VXCOMMON\\BacksetData.txt"));
    EXPECT_EQ(test::ReadBytes(dataFile()), "B;E:\\new\r\nC;C:\\c\r\nA;C:\\a\r\n");

    EXPECT_TRUE(SaveBackupSets({}, L"VXCOMMON\\BacksetData.txt"));
    EXPECT_TRUE(FileExists(dataFile()));
    EXPECT_EQ(test::ReadBytes(dataFile()), "");
    EXPECT_FALSE(PathExists(dataFile() + L".new"));
}

TEST_F(BackupSetFile, AFileThatCannotBeReadIsNotTakenForAnEmptyOne) {
    write("Vendor;C:\\precious\r\n");
    {
        // The desktop client holds the file open without sharing.
        UniqueFile locked(CreateFileW(dataFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locked);
        LoadedBackupSets sets{L"Mine;D:\\"};
        EXPECT_FALSE(LoadAllBackupSets(sets));
        EXPECT_EQ(sets, Lines{L"Mine;D:\\"});  // left as it was
        EXPECT_EQ(itemsOf(L"Vendor", false), Lines());

        // A save that cannot replace the file leaves the old one whole.
        EXPECT_FALSE(SaveBackupSets({L"Mine;D:\\"}, L"VXCOMMON\\BacksetData.txt"));
    }
    EXPECT_EQ(test::ReadBytes(dataFile()), "Vendor;C:\\precious\r\n");
    EXPECT_FALSE(PathExists(dataFile() + L".new"));
}
