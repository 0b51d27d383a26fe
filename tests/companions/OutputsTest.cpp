// What the Exchange helpers write: the job inventory.
#include <windows.h>

#include <gtest/gtest.h>

#include "CompanionHarness.h"
#include "common/Text.h"
#include "lib/Outputs.h"

using namespace tess;
using namespace tess::companion;
using tess::test::ProfileValue;

namespace {

DemoConfig exchangeDemo() {
    return ParseDemo(
               L"[Exchange]\nServer=EXCH1\nAdminGroup=First Administrative Group\n"
               L"[StorageGroup:sg1]\nName=First Storage Group\n[StorageGroup:sg2]\nName=Second Storage Group\n"
               L"[Store:a]\nGroup=sg1\nName=Mailbox Store (EXCH1)\n[Store:b]\nGroup=sg1\nName=Public Folder Store (EXCH1)\n"
               L"[Store:c]\nGroup=sg2\nName=Archive #2\n[Store:d]\nName=Mailbox Database 0815\n")
        .config;
}

}  // namespace

TEST(JobList, GroupAndStoreLinesSelectStores) {
    DemoConfig c = exchangeDemo();
    const std::wstring prefix = L"EXCH1\\First Administrative Group\\";
    ExchangeSelection s = SelectStores(c.exchange,
                                       L"D_" + prefix + L"Second Storage Group\\\r\n"
                                       L"F_" + prefix + L"First Storage Group\\Public Folder Store (EXCH1)\r\n"
                                       L"F_" + prefix + L"First Storage Group\\Gone\r\n\r\n",
                                       2007);
    ASSERT_EQ(s.groups.size(), 2u);
    EXPECT_EQ(s.groups[0].first->name, L"Second Storage Group");
    ASSERT_EQ(s.groups[0].second.size(), 1u);
    EXPECT_EQ(s.groups[1].second.at(0)->name, L"Public Folder Store (EXCH1)");
    ASSERT_EQ(s.unknown.size(), 1u);
    EXPECT_NE(s.unknown[0].find(L"Gone"), std::wstring::npos);

    tess::test::TempDir dir;
    const std::wstring ini = dir.file(L"ExchBackupINI.ini");
    tess::test::WriteBytes(ini, ToAnsi(BackupInventoryText(s)));
    EXPECT_EQ(ProfileValue(ini, "BACKEDUP STORAGE GROUPS", "NOSG"), "2");
    EXPECT_EQ(ProfileValue(ini, "BACKEDUP STORAGE GROUPS", "SG2"), "First Storage Group");
    EXPECT_EQ(ProfileValue(ini, "BKP INFO OF->First Storage Group", "NODB"), "1");
    EXPECT_EQ(ProfileValue(ini, "BKP INFO OF->First Storage Group", "DB1"), "Public Folder Store (EXCH1)");
}
