// The checksum manifest of a shipping: the digest engines agree, paths are relative to the
// shipping folder, lines are read as other tools write them, and a second run merges.
#include <gtest/gtest.h>

#include <string>

#include "transfer/Manifest.h"
#include "transfer/Sha256.h"

using namespace tess;

// The processor's SHA extensions and CNG give the same digest whatever the split into blocks.
TEST(Sha256Engines, AgreeOnEveryTailLengthAndSplit) {
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 2654435761u >> 13);
    for (size_t length : {0, 1, 55, 56, 63, 64, 65, 119, 120, 128, 1000, 200000}) {
        SCOPED_TRACE(length);
        Sha256 fast, system(Sha256::Engine::kSystem);
        fast.add(data.data(), length / 3);  // a split that leaves part of a block pending
        fast.add(data.data() + length / 3, length - length / 3);
        system.add(data.data(), length);
        EXPECT_EQ(fast.finish(), system.finish());
    }
    Sha256 abc;
    abc.add("abc", 3);
    EXPECT_EQ(abc.finish(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

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
