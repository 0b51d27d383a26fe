#include <windows.h>

#include <gtest/gtest.h>

#include "common/Registry.h"
#include "support/TestSupport.h"

using namespace tess;

namespace {

// A key of the test's own under the given root, deleted with everything in it at the end.
class ScopedTestKey {
public:
    ScopedTestKey(HKEY root, const std::wstring& name) : root_(root), path_(L"Software\\TessaronTest\\" + name) {
        RegDeleteTreeW(root_, path_.c_str());
        RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    }
    ~ScopedTestKey() {
        RegCloseKey(key_);
        RegDeleteTreeW(root_, path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    void set(const std::wstring& name, DWORD type, const void* data, size_t bytes) {
        RegSetValueExW(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
    }
    void setChars(const std::wstring& name, DWORD type, const std::wstring& chars) {
        set(name, type, chars.data(), chars.size() * sizeof(wchar_t));
    }

private:
    HKEY root_;
    std::wstring path_;
    HKEY key_ = nullptr;
};

using List = std::vector<std::wstring>;

}  // namespace

TEST(Registry, MultiStringDropsBlankEntriesAndNeedsNoFinalDoubleNul) {
    test::ScopedProgramFolder program;
    ScopedTestKey key(HKEY_LOCAL_MACHINE, L"MultiString");
    struct Case {
        const wchar_t* value;
        DWORD type;
        std::wstring data;
        List expected;
    } cases[] = {
        {L"Proper", REG_MULTI_SZ, std::wstring(L"MSSQLSERVER\0SALES\0\0", 19), {L"MSSQLSERVER", L"SALES"}},
        {L"BlankBetween", REG_MULTI_SZ, std::wstring(L"A\0\0B\0\0", 6), {L"A", L"B"}},
        {L"BlanksOnly", REG_MULTI_SZ, std::wstring(L"  \0A\0 \0\0", 8), {L"A"}},
        {L"NoFinalNuls", REG_MULTI_SZ, std::wstring(L"A\0B", 3), {L"A", L"B"}},
        {L"Empty", REG_MULTI_SZ, std::wstring(), {}},
        {L"PlainString", REG_SZ, std::wstring(L"MSSQLSERVER\0", 12), {L"MSSQLSERVER"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
        key.setChars(c.value, c.type, c.data);
        auto list = ReadRegMultiString(key.path(), c.value);
        ASSERT_TRUE(list.has_value());
        EXPECT_EQ(*list, c.expected);
    }
    // An odd byte count: the half character at the end is no character.
    key.set(L"Odd", REG_MULTI_SZ, "A\0\0\0B\0C", 7);
    EXPECT_EQ(ReadRegMultiString(key.path(), L"Odd"), List({L"A", L"B"}));

    DWORD number = 1433;
    key.set(L"Number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(ReadRegMultiString(key.path(), L"Number"), List());
    EXPECT_EQ(ReadRegMultiString(key.path(), L"Missing"), List());
    EXPECT_FALSE(ReadRegMultiString(key.path() + L"\\NoSuchKey", L"InstalledInstances").has_value());
}

TEST(Registry, StringIsCutAtItsFirstNulAndTrimmed) {
    test::ScopedProgramFolder program;
    ScopedTestKey key(HKEY_CURRENT_USER, L"String");
    key.setChars(L"Desktop", REG_SZ, std::wstring(L"  C:\\Users\\me\\Desktop  \0", 24));
    key.setChars(L"Embedded", REG_SZ, std::wstring(L"abc\0def\0", 8));
    key.setChars(L"Unterminated", REG_SZ, L"xyz");
    key.setChars(L"Expand", REG_EXPAND_SZ, std::wstring(L"%USERPROFILE%\\Music\0", 20));
    DWORD number = 5;
    key.set(L"Number", REG_DWORD, &number, sizeof number);
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"Desktop", L"C:\\Users\\me\\Desktop"},
        {L"Embedded", L"abc"},
        {L"Unterminated", L"xyz"},
        {L"Expand", L"%USERPROFILE%\\Music"},
        {L"Number", L""},
        {L"Missing", L""},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(value)));
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key.path(), value), expected);
    }
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key.path() + L"\\Missing", L"Desktop"), L"");

    // No root given: the classes root.
    ScopedTestKey classes(HKEY_CLASSES_ROOT, L"Classes");
    classes.setChars(L"Name", REG_SZ, std::wstring(L"from HKCR\0", 10));
    EXPECT_EQ(ReadRegString(nullptr, classes.path(), L"Name"), L"from HKCR");
}

TEST(Registry, ValueIsTypedAndTheKeyPathMayBeginWithABackslash) {
    ScopedTestKey key(HKEY_CURRENT_USER, L"Value");
    key.setChars(L"Version", REG_SZ, std::wstring(L"11.0.9600\0", 10));
    key.setChars(L"Cut", REG_SZ, std::wstring(L"8.0\0junk\0", 9));
    key.setChars(L"EmptyText", REG_SZ, std::wstring());
    const BYTE binary[] = {7, 8, 9};
    key.set(L"Binary", REG_BINARY, binary, sizeof binary);
    const DWORD number = 0x80000001;
    key.set(L"ProxyEnable", REG_DWORD, &number, sizeof number);
    const ULONGLONG wide = 5;
    key.set(L"Qword", REG_QWORD, &wide, sizeof wide);

    using V = RegValue;
    struct Case {
        std::wstring path;
        const wchar_t* value;
        V expected;
    } cases[] = {
        {key.path(), L"Version", V(std::wstring(L"11.0.9600"))},
        {L"\\" + key.path() + L"\\", L"Version", V(std::wstring(L"11.0.9600"))},  // as the feedback report passes it
        {key.path(), L"Cut", V(std::wstring(L"8.0"))},
        {key.path(), L"EmptyText", V()},
        {key.path(), L"Binary", V(7ul)},
        {key.path(), L"ProxyEnable", V(0x80000001ul)},
        {key.path(), L"Qword", V()},
        {key.path(), L"Missing", V()},
        {key.path() + L"\\NoSuchKey", L"Version", V()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path) + " " + testing::PrintToString(std::wstring(c.value)));
        EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, c.path, c.value), c.expected);
    }
    // A real machine value, read without administrator access.
    EXPECT_TRUE(std::holds_alternative<std::wstring>(
        ReadRegValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\", L"CurrentVersion")));
}
