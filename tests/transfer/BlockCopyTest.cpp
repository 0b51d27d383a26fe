// The block copy: whole files at the final name and nothing else, the bytes told as they go, a
// cancel seen within the copy, and room checks that hold 64-bit sizes.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/Files.h"
#include "support/TestSupport.h"
#include "transfer/BlockCopy.h"

namespace tess::test {
namespace {

std::string pattern(size_t bytes) {
    std::string s(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) s[i] = static_cast<char>((i * 131 + i / 4096) & 0xFF);
    return s;
}

class BlockCopy : public ::testing::Test {
protected:
    TempDir dir_{L"copy"};
};

TEST_F(BlockCopy, CopiesByteForByteOverAnOlderFileAndTellsEveryByte) {
    for (size_t bytes : {size_t{0}, size_t{1}, size_t{kCopyBlockBytes} + 1, 3 * size_t{kCopyBlockBytes} + 12345}) {
        SCOPED_TRACE(bytes);
        const std::string content = pattern(bytes);
        WriteBytes(dir_.file(L"src.dmp"), content);
        WriteBytes(dir_.file(L"dst file.dmp"), std::string(bytes + 100, 'o'));
        uint64_t told = 0;
        std::string digest;
        ASSERT_EQ(CopyFileBlocks(dir_.file(L"src.dmp"), dir_.file(L"dst file.dmp"), nullptr,
                                 [&](uint64_t n) { told += n; }, &digest),
                  kCopyDone);
        EXPECT_EQ(ReadBytes(dir_.file(L"dst file.dmp")), content);
        EXPECT_EQ(told, bytes);  // whoever shows the run sees the end of every copy
        EXPECT_EQ(digest.size(), 64u);
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

TEST_F(BlockCopy, TheRunsCancelStopsItAndRemovesThePartialFile) {
    WriteBytes(dir_.file(L"src"), pattern(64 * kCopyBlockBytes));
    WriteBytes(dir_.file(L"dst"), "older");
    CancelToken cancel;
    cancel.cancel();  // seen at the first block: the partial file exists by then
    EXPECT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"dst"), &cancel), kCopyCancelled);
    EXPECT_FALSE(FileExists(dir_.file(L"dst")));
    EXPECT_FALSE(FileExists(dir_.file(L"dst") + kPartialSuffix));
}

// A `.partial` left behind is proven against the source before the copy goes on after it; the
// result is whole either way, and the digest carried on is the whole file's.
TEST_F(BlockCopy, AKeptPartIsReadBackAndProvenBeforeTheCopyGoesOnAfterIt) {
    const uint64_t block = kCopyBlockBytes;
    const std::string content = pattern(40 * block + 123);
    WriteBytes(dir_.file(L"src"), content);
    std::string whole;
    ASSERT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"fresh"), nullptr, nullptr, &whole), kCopyDone);
    std::string altered = content.substr(0, 20 * block);
    altered[7 * block] ^= 1;
    struct Case {
        const char* name;
        std::string kept;
        uint64_t resumedAt;
        const wchar_t* startedAgain;
        bool digest;
    } cases[] = {
        {"torn last block", content.substr(0, 30 * block + 77), 30 * block, L"", true},
        {"whole but not renamed", content, content.size(), L"", true},
        {"without a digest", content.substr(0, 12 * block), 12 * block, L"", false},
        {"altered on the drive", altered, 0, L"the kept part differs from the source", true},
        {"longer than the source", content + "x", 0, L"the kept part is longer than the source", true},
        {"less than a block", content.substr(0, 1000), 0, L"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir_.file(L"dst") + kPartialSuffix, c.kept);
        uint64_t told = 0;
        std::string digest;
        CopyStart start;
        ASSERT_EQ(CopyFileBlocks(dir_.file(L"src"), dir_.file(L"dst"), nullptr, [&](uint64_t n) { told += n; },
                                 c.digest ? &digest : nullptr, &start),
                  kCopyDone);
        EXPECT_EQ(ReadBytes(dir_.file(L"dst")), content);
        EXPECT_EQ(start.keptBytes, c.resumedAt);
        EXPECT_EQ(start.startedAgain, c.startedAgain);
        EXPECT_EQ(told, content.size());
        if (c.digest) {
            EXPECT_EQ(digest, whole);
        }
        EXPECT_FALSE(FileExists(dir_.file(L"dst") + kPartialSuffix));
    }
}

TEST_F(BlockCopy, TheRoomCheckHoldsSizesAboveFourGiB) {
    // A total that a 32-bit size would cut down to 1 byte.
    EXPECT_EQ(CheckDestinationRoom(dir_.file(L"new\\folder"), (1ull << 52) + 1), DestinationRoom::kNoRoom);
    EXPECT_TRUE(FolderExists(dir_.file(L"new\\folder")));  // made on the way, as on a fresh drive
    EXPECT_EQ(CheckDestinationRoom(dir_.file(L"new\\folder"), 1), DestinationRoom::kFits);
    EXPECT_EQ(SpaceRootOf(L"\\\\nas\\share\\[a].dmp"), L"\\\\nas\\share\\");
    EXPECT_EQ(SpaceRootOf(L"E:[a].dmp"), L"E:\\");
}

}  // namespace
}  // namespace tess::test
