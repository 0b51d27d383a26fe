// Shipping that proves itself, with the engine's real steps on a real folder: what is read back
// from the drive decides what the manifest holds, and the manifest is the format sha256sum reads.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Text.h"
#include "support/TestSupport.h"
#include "transfer/DriveSteps.h"
#include "transfer/Manifest.h"
#include "transfer/ReadBack.h"
#include "transfer/StandInSteps.h"

namespace tess::test {
namespace {

std::wstring gAlter;  // the file the read-back hook corrupts
int gReadBacks = 0;

void alterOnReadBack(const std::wstring& path) {
    ++gReadBacks;
    if (path == gAlter) WriteBytes(path, "tampered on the drive");
}

// The files shipped as one item each through the engine with the real copy and read-back.
Outcome Ship(const std::vector<std::pair<std::wstring, std::wstring>>& files, const std::wstring& manifestFolder,
             bool verify, std::wstring* report = nullptr) {
    Plan plan;
    for (const auto& [source, target] : files)
        plan.items.push_back({target, nullptr, {{source, target, FileSize(source).value_or(0)}}, 0});
    plan.manifestFolder = manifestFolder;
    plan.options.verify = verify;
    plan.copier = std::make_shared<BlockFileCopier>();
    plan.verifier = std::make_shared<ReadBackVerifier>();
    if (report) plan.writeReport = [report](const std::wstring& text) { *report += text + L"\r\n"; };
    Recorder sink;
    return Transfer(std::move(plan), sink).run();
}

class ShippingVerify : public ::testing::Test {
protected:
    void SetUp() override {
        gAlter.clear();
        gReadBacks = 0;
        SetReadBackHookForTesting(alterOnReadBack);
    }
    void TearDown() override { SetReadBackHookForTesting(nullptr); }

    Outcome ship(const std::vector<std::pair<std::wstring, std::string>>& files, bool verify = true) {
        std::vector<std::pair<std::wstring, std::wstring>> pairs;
        for (const auto& [name, content] : files) {
            WriteBytes(source_.file(name), content);
            pairs.emplace_back(source_.file(name), drive_.file(name));
        }
        std::wstring report;
        const Outcome outcome = Ship(pairs, drive_.path(), verify, &report);
        report_ = ToAnsi(report);
        return outcome;
    }
    std::vector<ManifestEntry> manifest() const {
        return ParseManifest(ReadBytes(drive_.file(kManifestName)));
    }

    TempDir source_{L"src"};
    TempDir drive_{L"drive"};
    std::string report_;
};

const std::string kDigestOfAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST_F(ShippingVerify, ACopyAlteredOnTheDriveIsRemovedReportedAndLeftOutOfTheManifest) {
    gAlter = drive_.file(L"b.dmp");
    const Outcome outcome = ship({{L"a.dmp", "abc"}, {L"b.dmp", std::string(300000, 'b')}, {L"c.dmp", "c"}});
    EXPECT_EQ(gReadBacks, 3);
    EXPECT_EQ(outcome.count(FileState::kVerified), 2);
    EXPECT_EQ(outcome.items[1].files[0].state, FileState::kFailed);
    EXPECT_FALSE(FileExists(drive_.file(L"b.dmp")));
    const auto entries = manifest();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].sha256, kDigestOfAbc);
    EXPECT_EQ(entries[0].path, L"a.dmp");
    EXPECT_EQ(entries[1].path, L"c.dmp");
    EXPECT_NE(report_.find("Verified " + ToAnsi(drive_.file(L"a.dmp"))), std::string::npos) << report_;
    EXPECT_NE(report_.find("Not verified " + ToAnsi(drive_.file(L"b.dmp")) + ": the copy on the drive differs"),
              std::string::npos) << report_;
    EXPECT_NE(report_.find("checksum manifest " + ToAnsi(drive_.file(kManifestName))), std::string::npos) << report_;
    EXPECT_FALSE(FileExists(drive_.file(kManifestName) + L".partial"));

    // A second run to the same drive keeps the first run's entries and replaces what it ships again.
    gAlter.clear();
    ship({{L"A.DMP", "changed"}, {L"b.dmp", "b"}});
    const auto merged = manifest();
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_EQ(merged[0].path, L"A.DMP");
    EXPECT_NE(merged[0].sha256, kDigestOfAbc);
    EXPECT_EQ(merged[1].path, L"c.dmp");
    EXPECT_EQ(merged[2].path, L"b.dmp");
}

TEST_F(ShippingVerify, WithVerificationOffTheManifestHoldsTheCopyTimeDigestsAndTheReportSaysSo) {
    const Outcome outcome = ship({{L"a.dmp", "abc"}}, false);
    EXPECT_EQ(gReadBacks, 0);
    EXPECT_EQ(outcome.count(FileState::kShipped), 1);
    const auto entries = manifest();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].sha256, kDigestOfAbc);
    EXPECT_NE(report_.find("verification is off"), std::string::npos) << report_;
}

// The shipping of names sha256sum finds hard, into a folder that tests/transfer/manifest-check.sh then
// checks with `sha256sum -c` on the host; skipped when it does not run this test.
TEST(ShippingManifest, ForSha256sum) {
    const std::wstring folder = EnvironmentValue(L"TESS_MANIFEST_CHECK_DIR");
    if (folder.empty()) GTEST_SKIP() << "run by tests/transfer/manifest-check.sh";
    TempDir source(L"src");
    std::vector<std::pair<std::wstring, std::wstring>> files;
    const std::vector<std::wstring> names = {L"with blanks  in it.bak", L"Zürich Ærø\\Størage Grüppe\\mailbox ß.edb",
                                             L"OstrovaExchBackupset\\First Storage Group\\E00.log"};
    for (size_t i = 0; i < names.size(); ++i) {
        const std::wstring file = source.file(std::to_wstring(i));
        WriteBytes(file, std::string(100000 + i, static_cast<char>('a' + i)));
        const std::wstring target = JoinPath(folder, names[i]);
        SHCreateDirectoryExW(nullptr, ParentFolder(target).c_str(), nullptr);
        files.emplace_back(file, target);
    }
    EXPECT_EQ(Ship(files, folder, true).count(FileState::kVerified), 3);

    // A file above 4 GiB, sparse so that no 4 GiB are written: read back like a copy and added.
    const std::wstring big = JoinPath(folder, L"big.bak");
    HANDLE h = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = (4ll << 30) + 4097;
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    DWORD put = 0;
    WriteFile(h, "end", 3, &put, nullptr);
    CloseHandle(h);
    const ReadBackResult read = ReadBackSha256(big, nullptr);
    ASSERT_EQ(read.status, ReadBackStatus::kDone);
    ASSERT_TRUE(UpdateManifest(folder, {{read.sha256, L"big.bak"}}));
}

}  // namespace
}  // namespace tess::test
