#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CommandLine.h"
#include "common/Text.h"
#include "support/TestSupport.h"

using namespace tess;

TEST(CommandLine, HostileQuotedValuesArriveAsOneUnchangedArgument) {
    const std::wstring values[] = {
        L"with blank",
        L"",
        L"C:\\Temp\\",                      // a folder with its trailing backslash
        L"C:\\Temp\\\\",                    // two trailing backslashes
        L"say \"hi\"",                      // quotes inside
        L"\"",                              // a lone quote
        L"a\\\"b",                          // backslash before a quote
        L"a\\\\\"b",                        // two backslashes before a quote
        L"\\\\server\\share\\dir name\\",   // UNC with blank and trailing backslash
        L"x\" \"/evil \"y",                 // an attempt to add arguments
        L"tab\there",
        L"B\u00e4ckup \u03a9 \u65e5\u672c",  // non-ASCII
    };
    // The Exchange 2010/2013 helpers halve every pair of backslashes after splitting the line.
    auto halvePairs = [](const std::wstring& text) { return ReplaceAll(text, L"\\\\", L"\\"); };
    for (const Backslashes form : {Backslashes::kAsRead, Backslashes::kDoubled}) {
        for (const auto& value : values) {
            SCOPED_TRACE(testing::Message() << "value #" << (&value - values) << " doubled " << (form == Backslashes::kDoubled));
            CommandLine line(form);
            line.raw(L"prog.exe").quoted(value).quoted(L"next").raw(L"last");
            auto args = test::SplitCommandLine(line.str());
            ASSERT_EQ(args.size(), 4u) << testing::PrintToString(line.str());
            if (form == Backslashes::kAsRead)
                EXPECT_EQ(args[1], value);
            else  // more than one trailing backslash comes back as one: the same folder
                EXPECT_EQ(halvePairs(args[1]), value == L"C:\\Temp\\\\" ? L"C:\\Temp\\" : value);
            EXPECT_EQ(args[2], L"next");
            EXPECT_EQ(args[3], L"last");
        }
    }
}
