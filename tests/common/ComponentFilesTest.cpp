#include <windows.h>

#include <gtest/gtest.h>

#include "common/ComponentFiles.h"
#include "support/TestSupport.h"

using namespace tess;

// Any one component missing, or a folder in its place, fails the start-up check.
TEST(ComponentFiles, AnyOneMissingFailsTheCheck) {
    test::ScopedProgramFolder program;
    std::vector<std::wstring> all;
    for (auto list : {ExchangeComponentFiles(), SqlComponentFiles()})
        for (auto name = list; *name; ++name) all.push_back(program.path() + L"\\" + *name);
    for (const auto& path : all) test::WriteBytes(path, "MZ");
    EXPECT_TRUE(ComponentFilesPresent());
    for (const auto& path : all) {
        SCOPED_TRACE(testing::PrintToString(path));
        DeleteFileW(path.c_str());
        CreateDirectoryW(path.c_str(), nullptr);
        EXPECT_FALSE(ComponentFilesPresent());
        RemoveDirectoryW(path.c_str());
        test::WriteBytes(path, "MZ");
    }
}
