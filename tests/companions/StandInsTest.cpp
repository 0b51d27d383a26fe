// The files the demo machine plants for detection carry the versions detection maps to
// Exchange generations (it reads them with the version API, as the program does).
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/Text.h"
#include "support/TestSupport.h"

using namespace tess;

TEST(StandIns, CarryTheVersionOfTheirGeneration) {
    struct Case {
        const wchar_t* file;
        DWORD ms, ls;
    } cases[] = {
        {L"exifs-2000.sys", MAKELONG(0, 6), MAKELONG(0, 6249)},
        {L"exifs-2003.sys", MAKELONG(5, 6), MAKELONG(1, 7638)},
        {L"esebcli2-2007.dll", MAKELONG(1, 8), MAKELONG(5, 240)},
        {L"esebcli2-2010.dll", MAKELONG(3, 14), MAKELONG(4, 123)},
        {L"esebcli2-2013.dll", MAKELONG(0, 15), MAKELONG(32, 847)},
        {L"WSSADMIN.EXE", MAKELONG(0, 12), MAKELONG(1016, 4518)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUTF8(c.file));
        const std::wstring path = test::BuildBinFolder() + L"\\..\\standins\\" + c.file;
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << GetLastError();
        std::vector<BYTE> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, c.ms);
        EXPECT_EQ(fixed->dwFileVersionLS, c.ls);
    }
}
