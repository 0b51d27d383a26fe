// The shipping copy: whole files at the final name, nothing else.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/TransferState.h"
#include "ui/BlockCopy.h"
#include "support/TestSupport.h"

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
    }
    void TearDown() override { Totals() = TransferTotals{}; }
    TempDir dir_{L"copy"};
};

TEST_F(BlockCopy, CopiesByteForByteAndAdvancesTheTotals) {
    struct Case {
        size_t bytes;
    } cases[] = {{0}, {1}, {kCopyBlockBytes}, {kCopyBlockBytes + 1}, {3 * kCopyBlockBytes + 12345}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string content = pattern(c.bytes);
        WriteBytes(dir_.file(L"src.dmp"), content);
        Totals() = TransferTotals{};
        Totals().totalBytes = c.bytes;
        double last = -1;
        Totals().onProgress = [&](double percent) {
            EXPECT_GE(percent, last);
            last = percent;
        };
        ASSERT_EQ(CopyFileBlocks(dir_.file(L"src.dmp"), dir_.file(L"dst file.dmp")), kCopyDone);
        EXPECT_EQ(ReadBytes(dir_.file(L"dst file.dmp")), content);
        EXPECT_EQ(Totals().shippedBytes, c.bytes);
        if (c.bytes) {
            EXPECT_DOUBLE_EQ(Totals().percentShipped, 100.0);
            EXPECT_DOUBLE_EQ(last, 100.0);  // the window sees the end of every copy
        }
        EXPECT_FALSE(FileExists(dir_.file(L"dst file.dmp") + kPartialSuffix));
    }
}

TEST_F(BlockCopy, ReplacesAnOlderFile) {
    WriteBytes(dir_.file(L"src"), "new content");
    WriteBytes(dir_.file(L"dst"), "an older and longer content");
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"dst")), kCopyDone);
    EXPECT_EQ(ReadBytes(dir_.file(L"dst")), "new content");
}

TEST_F(BlockCopy, FailuresLeaveNothingAtTheFinalName) {
    WriteBytes(dir_.file(L"src"), pattern(1000));
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"missing"), dir_.file(L"dst")), kCopyNoSource);
    EXPECT_FALSE(FileExists(dir_.file(L"dst")));
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"no such folder\\dst")), kCopyFailed);
    EXPECT_FALSE(PathExists(dir_.file(L"no such folder")));

    // A source that another process holds exclusively cannot be read.
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

TEST_F(BlockCopy, SpaceRoot) {
    EXPECT_EQ(SpaceRootOf(L"E:\\Ship\\[a].dmp"), L"E:\\");
    EXPECT_EQ(SpaceRootOf(L"E:[a].dmp"), L"E:\\");
    EXPECT_EQ(SpaceRootOf(L"\\\\nas\\share\\[a].dmp"), L"\\\\nas\\share\\");
}

}  // namespace
}  // namespace tess::test
