// The checksum manifest: paths relative to the shipping folder, lines as other tools write them,
// and a second run merged into the first.
#include <gtest/gtest.h>

#include <string>

#include "common/Manifest.h"

namespace tess::test {
namespace {

TEST(Manifest, RelativePathsAndLinesOfOtherTools) {
    EXPECT_EQ(ManifestRelativePath(L"E:\\Ostrova\\", L"e:\\ostrova\\Set\\Grüppe\\x.edb"), L"Set/Grüppe/x.edb");
    EXPECT_FALSE(ManifestRelativePath(L"E:\\Ostrova", L"E:\\Ostrova2\\x"));  // a sibling, not below it

    // CR LF and binary-mode lines as other tools write them; a line that is not one is dropped.
    const auto entries = ParseManifest(std::string(64, 'a') + "  Set/Gr\xC3\xBCppe/x.edb\r\nnot a line\n" +
                                       std::string(64, 'B') + " *b.bak\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, L"Set/Grüppe/x.edb");
    EXPECT_EQ(entries[1].sha256, std::string(64, 'b'));
    EXPECT_EQ(FormatManifest({entries[0]}), std::string(64, 'a') + "  Set/Gr\xC3\xBCppe/x.edb\n");

    // A second run: a file shipped again replaces its line in place (names compare as Windows
    // does), new files follow in their order.
    const auto merged = MergeManifest({{"1", L"a.bak"}, {"2", L"Set/B.bak"}}, {{"3", L"set/b.BAK"}, {"4", L"c.bak"}});
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_EQ(merged[0].sha256 + merged[1].sha256 + merged[2].sha256, "134");
    EXPECT_EQ(merged[1].path, L"set/b.BAK");
}

}  // namespace
}  // namespace tess::test
