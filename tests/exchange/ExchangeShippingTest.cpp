// What the shipping of a backup set lists, counts and recreates at the destination.
#include <gtest/gtest.h>

#include "common/Files.h"
#include "exchange/ExchangeRunSteps.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::exchange;

// A link inside the set, or in the set folder's place, points outside what the helper backed
// up: none of it is shipped, counted or recreated.
TEST(ExchangeShipping, LinksInTheSetAreNotFollowed) {
    test::TempDir dir(L"exset"), destination(L"exdest");
    const std::wstring set = dir.file(L"OstrovaExchBackupset"), outside = dir.file(L"outside"), linkedSet = dir.file(L"LinkedSet");
    for (const auto& folder : {set, set + L"\\First Group", outside}) CreateDirectoryW(folder.c_str(), nullptr);
    for (const auto& file : {set + L"\\ExchBackupINI.ini", set + L"\\First Group\\Mailbox.edb", outside + L"\\secret.edb"})
        test::WriteBytes(file, "four");
    ASSERT_TRUE(test::PlantFolderLink(set + L"\\Linked Group", outside) && test::PlantFolderLink(linkedSet, set));

    const SetListing listing = FindFilesAPI(set, L"*.*");  // a folder's own files before its subfolders'
    EXPECT_EQ(listing.files, (std::vector<std::wstring>{set + L"\\ExchBackupINI.ini", set + L"\\First Group\\Mailbox.edb"}));
    EXPECT_EQ(listing.folders, std::vector<std::wstring>{set + L"\\First Group\\"});
    EXPECT_EQ(listing.totalBytes, 8u);  // the secret's four bytes are not counted
    CreateSetFolders(listing, destination.path());
    EXPECT_FALSE(PathExists(destination.file(L"OstrovaExchBackupset\\Linked Group")));

    const SetListing throughLink = FindFilesAPI(linkedSet, L"*.*");
    EXPECT_TRUE(throughLink.files.empty() && throughLink.folders.empty() && throughLink.totalBytes == 0);
}
