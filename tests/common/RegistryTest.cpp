#include <windows.h>

#include <gtest/gtest.h>

#include "common/Registry.h"
#include "support/TestSupport.h"

using namespace tess;

namespace {

using test::RegBytes;
using test::ScopedTestKey;
using List = std::vector<std::wstring>;

}  // namespace

TEST(Registry, MultiStringDropsBlankEntriesAndNeedsNoFinalDoubleNul) {
    test::ScopedProgramFolder program;
    ScopedTestKey key(HKEY_LOCAL_MACHINE, L"MultiString");
    const std::tuple<const wchar_t*, DWORD, std::string, List> cases[] = {  // value, type, bytes, entries
        {L"Proper", REG_MULTI_SZ, RegBytes(std::wstring(L"MSSQLSERVER\0SALES\0\0", 19)), {L"MSSQLSERVER", L"SALES"}},
        {L"BlankBetween", REG_MULTI_SZ, RegBytes(std::wstring(L"A\0\0B\0\0", 6)), {L"A", L"B"}},
        {L"BlanksOnly", REG_MULTI_SZ, RegBytes(std::wstring(L"  \0A\0 \0\0", 8)), {L"A"}},
        {L"NoFinalNuls", REG_MULTI_SZ, RegBytes(std::wstring(L"A\0B", 3)), {L"A", L"B"}},
        {L"Odd", REG_MULTI_SZ, std::string("A\0\0\0B\0C", 7), {L"A", L"B"}},  // the half character is none
        {L"Empty", REG_MULTI_SZ, "", {}},
        {L"PlainString", REG_SZ, RegBytes(std::wstring(L"MSSQLSERVER\0", 12)), {L"MSSQLSERVER"}},
        {L"Number", REG_DWORD, RegBytes(1433), {}},
    };
    for (const auto& [value, type, bytes, entries] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(value)));
        key.set(value, type, bytes);
        EXPECT_EQ(ReadRegMultiString(key.path, value), entries);
    }
    EXPECT_EQ(ReadRegMultiString(key.path, L"Missing"), List());
    EXPECT_FALSE(ReadRegMultiString(key.path + L"\\NoSuchKey", L"InstalledInstances").has_value());
}

// The two readers over the same values: the text one trims, the typed one keeps the text as
// stored up to its first NUL.
TEST(Registry, StringAndTypedValueAreCutAtTheFirstNul) {
    ScopedTestKey key(HKEY_CURRENT_USER, L"Value");
    using V = RegValue;
    const std::tuple<const wchar_t*, DWORD, std::string, std::wstring, V> cases[] = {  // value, type, bytes, text, typed
        {L"Desktop", REG_SZ, RegBytes(std::wstring(L"  C:\\Users\\me  \0", 16)), L"C:\\Users\\me", V(std::wstring(L"  C:\\Users\\me  "))},
        {L"Cut", REG_SZ, RegBytes(std::wstring(L"8.0\0junk\0", 9)), L"8.0", V(std::wstring(L"8.0"))},
        {L"Unterminated", REG_SZ, RegBytes(std::wstring(L"xyz")), L"xyz", V(std::wstring(L"xyz"))},
        {L"Expand", REG_EXPAND_SZ, RegBytes(std::wstring(L"%USERPROFILE%\\Music\0", 20)), L"%USERPROFILE%\\Music",
         V(std::wstring(L"%USERPROFILE%\\Music"))},
        {L"EmptyText", REG_SZ, "", L"", V()},
        {L"Binary", REG_BINARY, "\x07\x08\x09", L"", V(7ul)},
        {L"Number", REG_DWORD, RegBytes(0x80000001), L"", V(0x80000001ul)},
    };
    for (const auto& [name, type, bytes, text, typed] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        key.set(name, type, bytes);
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key.path, name), text);
        EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, key.path, name), typed);
    }
    // As the feedback report passes the path: with a leading and a trailing backslash.
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, L"\\" + key.path + L"\\", L"Cut"), V(std::wstring(L"8.0")));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key.path, L"Missing"), L"");
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, key.path + L"\\NoSuchKey", L"Cut"), V());

    // No root given: the classes root.
    ScopedTestKey classes(HKEY_CLASSES_ROOT, L"Classes");
    classes.set(L"Name", REG_SZ, RegBytes(std::wstring(L"from HKCR\0", 10)));
    EXPECT_EQ(ReadRegString(nullptr, classes.path, L"Name"), L"from HKCR");
}
