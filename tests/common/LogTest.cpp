#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Log.h"
#include "support/TestSupport.h"

using namespace tess;

TEST(LogFiles, WritersCreateTheFolderAppendAnsiLinesAndClearLogsKeepsTheReport) {
    test::ScopedProgramFolder program;
    WriteTrace(L"Enter X");
    { TraceScope scope(L"Y"); }
    WriteTrace(L"caf\u00e9");  // in the ANSI code page
    WriteLog(L"a\r\nb", 2);
    WriteLog(L"whole\r\nrest", 4);
    const std::wstring report = program.common(L"Log_trace.txt");
    WriteLogTo(L"Started shipping", report);

    EXPECT_EQ(test::ReadBytes(program.common(L"TraceFile.txt")), "Enter X\r\nEnter Y\r\nExit Y\r\ncaf\xe9\r\n");
    std::string log = test::ReadBytes(program.common(L"VXWLogFile.txt"));
    EXPECT_EQ(log.rfind("Error       : ", 0), 0u);
    EXPECT_NE(log.find(" : a\r\n\r\nInformation : "), std::string::npos);
    EXPECT_NE(log.find(" : whole\r\nrest\r\n"), std::string::npos);

    test::WriteBytes(program.common(L"SerTraceFile.txt"), "x");
    test::WriteBytes(program.common(L"VXWServiceLog.txt"), "x");
    ClearLogs();
    for (const wchar_t* gone : {L"TraceFile.txt", L"VXWLogFile.txt", L"SerTraceFile.txt", L"VXWServiceLog.txt"})
        EXPECT_FALSE(FileExists(program.common(gone))) << gone;
    EXPECT_NE(test::ReadBytes(report).find("Information : "), std::string::npos);
}
