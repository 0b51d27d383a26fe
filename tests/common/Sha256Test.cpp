#include <gtest/gtest.h>

#include <string>

#include "common/Sha256.h"

namespace tess::test {
namespace {

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

}  // namespace
}  // namespace tess::test
