#include <gtest/gtest.h>

#include "common/Files.h"
#include "common/Settings.h"
#include "support/TestSupport.h"

using namespace tess;

// Each code doubled: what fits in eight bits, read back halved with halves rounded to even (as
// files written elsewhere may hold odd bytes); blank stored text reads as empty.
TEST(Scramble, DoublesEveryCodeThatFitsAndHalvesRoundingToEven) {
    const std::pair<std::wstring, std::optional<std::string>> scrambled[] = {
        {L"C:\\", "\x86t\xb8"}, {L"\x7f", "\xfe"}, {L"\x80", std::nullopt}};
    for (const auto& [plain, bytes] : scrambled) EXPECT_EQ(TryScrambleText(plain), bytes) << testing::PrintToString(plain);
    const std::pair<std::string, std::wstring> read[] = {
        {"\x82", L"A"}, {"\x03", L"\x02"}, {"\x05", L"\x02"}, {"\xff", L"\x80"}, {"   ", L""}};
    for (const auto& [bytes, plain] : read) EXPECT_EQ(UnscrambleText(bytes), plain) << testing::PrintToString(bytes);
}

TEST(UserProfile, RoundTripThroughTheIniKeepsKeyAndValueUnreadable) {
    // A program folder outside the ANSI code page; VXCOMMON does not exist yet: the write creates it.
    test::ScopedProgramFolder program(L"\u65e5\u672c \u03a9");
    Trf_WriteUserProfile(L"SQLTEMPSRV\\SALES", L"D:\\Dumps Here\\");
    EXPECT_EQ(Trf_ReadUserProfile(L"SQLTEMPSRV\\SALES"), L"D:\\Dumps Here\\");
    EXPECT_EQ(Trf_ReadUserProfile(L"sqltempsrv\\SALES"), L"");  // scrambled keys differ by case
    std::string file = test::ReadBytes(SettingsFilePath());
    EXPECT_NE(file.find("[Ostrova]"), std::string::npos);
    for (const char* plain : {"SQLTEMP", "Dumps"}) EXPECT_EQ(file.find(plain), std::string::npos) << plain;

    // Doubled codes land in 0x80-0xFE, where the ANSI conversion of the profile functions could
    // alter bytes; every printable character must come back unchanged. Leading and trailing
    // blanks scramble to "@", so they survive the profile functions' trim. A value that cannot
    // be scrambled is stored empty.
    std::wstring printable;
    for (wchar_t c = 32; c < 127; ++c) printable += c;
    const std::wstring longPath = L"C:\\" + std::wstring(600, L'd') + L"\\";  // longer than 256 characters
    const std::pair<std::wstring, std::wstring> values[] = {
        {printable, printable}, {L"  padded  ", L"  padded  "}, {longPath, longPath}, {L"C:\\Donn\u00e9es", L""}, {L"", L""}};
    for (const auto& [value, stored] : values) {
        SCOPED_TRACE(testing::PrintToString(value));
        Trf_WriteUserProfile(L"SqlPSSRV", value);  // overwriting keeps one entry per key
        EXPECT_EQ(Trf_ReadUserProfile(L"SqlPSSRV"), stored);
    }

    // A key that cannot be scrambled is never written (it would land under an empty name).
    Trf_WriteUserProfile(L"Cl\u00e9", L"x");
    EXPECT_EQ(Trf_ReadUserProfile(L"Cl\u00e9"), L"");
    EXPECT_EQ(test::ReadBytes(SettingsFilePath()).find("=\xf0"), std::string::npos);
}
