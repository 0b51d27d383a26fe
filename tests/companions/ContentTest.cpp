#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/Files.h"
#include "lib/Content.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::companion;

// A reader recomputes any slice of a dump from its seed and offset: the slices must agree with
// the whole whatever their alignment.
TEST(Pattern, AnySliceMatchesTheWholeAndOffsetsBeyondFourGiBAreDistinct) {
    std::vector<uint8_t> whole(4096);
    FillPattern(42, 0, whole.data(), whole.size());
    struct Case {
        uint64_t offset;
        size_t count;
    } cases[] = {{0, 1}, {1, 7}, {3, 64}, {8, 8}, {4095, 1}, {1000, 3000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        std::vector<uint8_t> slice(c.count);
        FillPattern(42, c.offset, slice.data(), c.count);
        EXPECT_TRUE(std::equal(slice.begin(), slice.end(), whole.begin() + c.offset));
    }
    std::vector<uint8_t> other(4096);
    FillPattern(43, 0, other.data(), other.size());
    EXPECT_NE(whole, other);
    std::vector<uint8_t> beyond(4096);
    FillPattern(42, 1ull << 32, beyond.data(), beyond.size());
    EXPECT_NE(whole, beyond);
}

// A copy that fails half way must not leave a file that looks finished.
TEST(WriteContent, AFailureOrCancelLeavesNothingAtTheFinalName) {
    test::TempDir dir;
    test::WriteBytes(dir.file(L"short.bak"), std::string(1000, 'x'));
    ContentSpec tooLong{5000, 0, dir.file(L"short.bak")};  // the stated size is more than the file holds
    WriteResult r = WriteContent(tooLong, dir.file(L"a.dmp"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(L"ended early"), std::wstring::npos);
    EXPECT_FALSE(FileExists(dir.file(L"a.dmp")));

    std::atomic<bool> cancel{true};
    WriteOptions options;
    options.cancel = &cancel;
    EXPECT_FALSE(WriteContent(ContentSpec{1 << 20, 1, L""}, dir.file(L"b.dmp"), options).ok);
    EXPECT_FALSE(FileExists(dir.file(L"b.dmp")));

    EXPECT_FALSE(WriteContent(ContentSpec{10, 1, L""}, dir.file(L"missing\\c.dmp")).ok);
    EXPECT_FALSE(WriteContent(ContentSpec{0, 0, dir.file(L"nope.bak")}, dir.file(L"d.dmp")).ok);
    EXPECT_FALSE(FileExists(dir.file(L"d.dmp")));
}
