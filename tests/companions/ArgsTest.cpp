#include <gtest/gtest.h>

#include "common/Text.h"
#include "lib/Args.h"
#include "support/TestSupport.h"

using namespace tess;
using namespace tess::companion;

// The tools must read a line exactly as the system's own splitter does, or an escaped quote in
// a database name would shift every later item.
TEST(SplitArguments, AgreesWithCommandLineToArgvW) {
    const std::wstring cases[] = {
        L"a b  c",
        L"\"1\" \"(local)\" \"[Sales 2024]\" \"\" \"\"",
        L"\"[Say \\\"Hi\\\"]\" next",
        L"\"C:\\Temp\\\\\" x",
        L"\"C:\\\\T\\\\OstrovaExchBackupset\\\\\" \"C:\\\\a b\\\\job.txt\"",
        L"a\\\\\\\"b c\\\\d",
        L"\"a\"\"b\" c",
        L"\"a\"\"\"b\" c",
        L"x\"y z\"w",
        L"\"\"",
        L"  lead trail  ",
        L"\"unterminated value",
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c));
        auto system = test::SplitCommandLine(L"tool.exe " + c);
        EXPECT_EQ(SplitArguments(c), std::vector<std::wstring>(system.begin() + 1, system.end()));
    }
}
