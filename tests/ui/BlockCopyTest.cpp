// The shipping steps: whole files at the final name and nothing else, totals that hold 64-bit
// sizes, and the list shipped on past a failed file.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/TransferState.h"
#include "support/TestSupport.h"
#include "ui/BlockCopy.h"
#include "ui/PumpWait.h"
#include "ui/Shipping.h"

namespace tess::test {
namespace {

std::string pattern(size_t bytes) {
    std::string s(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) s[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    return s;
}

class BlockCopy : public ::testing::Test {
protected:
    void SetUp() override {
        Totals() = TransferTotals{};
        ResetWaitCancel();  // the Esc of another test
    }
    void TearDown() override { Totals() = TransferTotals{}; }
    TempDir dir_{L"copy"};
};

TEST_F(BlockCopy, CopiesByteForByteOverAnOlderFileAndAdvancesTheTotals) {
    for (size_t bytes : {size_t{0}, size_t{1}, size_t{kCopyBlockBytes} + 1, 3 * size_t{kCopyBlockBytes} + 12345}) {
        SCOPED_TRACE(bytes);
        const std::string content = pattern(bytes);
        WriteBytes(dir_.file(L"src.dmp"), content);
        WriteBytes(dir_.file(L"dst file.dmp"), std::string(bytes + 100, 'o'));
        Totals() = TransferTotals{};
        Totals().totalBytes = bytes;
        double last = -1;
        Totals().onProgress = [&](double percent) {
            EXPECT_GE(percent, last);
            last = percent;
        };
        ASSERT_EQ(CopyFileBlocks(dir_.file(L"src.dmp"), dir_.file(L"dst file.dmp")), kCopyDone);
        EXPECT_EQ(ReadBytes(dir_.file(L"dst file.dmp")), content);
        EXPECT_EQ(Totals().shippedBytes, bytes);
        if (bytes) {
            EXPECT_DOUBLE_EQ(last, 100.0);  // the window sees the end of every copy
        }
        EXPECT_FALSE(FileExists(dir_.file(L"dst file.dmp") + kPartialSuffix));
    }
}

TEST_F(BlockCopy, FailuresLeaveNothingAtTheFinalName) {
    WriteBytes(dir_.file(L"src"), pattern(1000));
    WriteBytes(dir_.file(L"dst"), "older");
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"missing"), dir_.file(L"dst")), kCopyNoSource);
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"no such folder\\dst")), kCopyFailed);
    EXPECT_FALSE(PathExists(dir_.file(L"no such folder")));

    // A source that another process holds exclusively cannot be read; the older file would pass
    // for this copy, so it goes too.
    WriteBytes(dir_.file(L"dst"), "older");
    HANDLE locked = CreateFileW(dir_.file(L"src").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"dst")), kCopyFailed);
    CloseHandle(locked);
    EXPECT_FALSE(FileExists(dir_.file(L"dst")));
}

TEST_F(BlockCopy, EscapeCancelsAndRemovesThePartialFile) {
    WriteBytes(dir_.file(L"src"), pattern(64 * kCopyBlockBytes));
    WriteBytes(dir_.file(L"dst"), "older");
    HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"dst"), window), kCopyCancelled);
    DestroyWindow(window);
    EXPECT_FALSE(FileExists(dir_.file(L"dst")));
    EXPECT_FALSE(FileExists(dir_.file(L"dst") + kPartialSuffix));
}

TEST_F(BlockCopy, ShipsTheListOnPastAFailedFileWithItsReportLines) {
    WriteBytes(dir_.file(L"a"), pattern(3000));
    WriteBytes(dir_.file(L"c"), pattern(1000));
    CreateDirectoryW(dir_.file(L"out").c_str(), nullptr);
    ShipRequest request;
    request.items = {{dir_.file(L"a"), dir_.file(L"out\\A"), L"first"},
                     {dir_.file(L"b"), dir_.file(L"out\\B"), L"gone"},
                     {dir_.file(L"c"), dir_.file(L"out\\C"), L"last"}};
    request.report.reportFile = dir_.file(L"report.txt");
    request.report.started = [](const ShipItem& f) { return L"start " + f.name; };
    request.report.completed = [](const ShipItem& f) { return L"done " + f.name; };
    request.report.failed = [](const ShipItem& f, int result) { return L"failed " + f.name + std::to_wstring(result); };
    double percent = 0;
    bool shippingSeen = false;
    request.onProgress = [&](double p) { percent = p, shippingSeen |= TransferInProgress(); };

    const ShipOutcome outcome = ShipFiles(request);
    EXPECT_EQ(outcome.shipped, 2);
    EXPECT_EQ(outcome.failed, 1);
    ASSERT_EQ(outcome.files.size(), 3u);
    EXPECT_EQ(outcome.files[1].result, kCopyNoSource);
    EXPECT_EQ(ReadBytes(dir_.file(L"out\\C")), pattern(1000));
    EXPECT_EQ(Totals().totalBytes, 4000u);  // only what exists is counted
    EXPECT_DOUBLE_EQ(percent, 100.0);
    EXPECT_TRUE(shippingSeen);
    EXPECT_FALSE(TransferInProgress());
    const std::string report = ReadBytes(dir_.file(L"report.txt"));
    const size_t a = report.find("done first"), b = report.find("failed gone-4"), c = report.find("done last");
    EXPECT_TRUE(a < b && b < c && c != std::string::npos) << report;
    EXPECT_NE(report.find("Shipped 4000 bytes (3.91 KB) in "), std::string::npos) << report;  // the windows' units
}

TEST_F(BlockCopy, RoomAndTotalsHoldSizesAboveFourGiB) {
    for (const wchar_t* name : {L"big1", L"big2"}) {
        HANDLE h = CreateFileW(dir_.file(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end;
        end.QuadPart = 3ll << 30;
        SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
        SetEndOfFile(h);  // sparse on the host: no 3 GiB written
        CloseHandle(h);
    }
    EXPECT_EQ(ShipTotalBytes({{dir_.file(L"big1"), L"", L""}, {dir_.file(L"big2"), L"", L""}}), 6ull << 30);

    // A total that a 32-bit size would cut down to 1 byte.
    EXPECT_EQ(CheckDestinationRoom(dir_.file(L"new\\folder"), (1ull << 52) + 1), RoomCheck::kNoRoom);
    EXPECT_TRUE(FolderExists(dir_.file(L"new\\folder")));  // made on the way, as on a fresh drive
    EXPECT_EQ(CheckDestinationRoom(dir_.file(L"new\\folder"), 1), RoomCheck::kFits);
    EXPECT_EQ(SpaceRootOf(L"\\\\nas\\share\\[a].dmp"), L"\\\\nas\\share\\");
    EXPECT_EQ(SpaceRootOf(L"E:[a].dmp"), L"E:\\");
}

}  // namespace
}  // namespace tess::test
