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

std::string bytesOf(const std::wstring& chars) {
    return std::string(reinterpret_cast<const char*>(chars.data()), chars.size() * sizeof(wchar_t));
}

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

// The two readers over the same values: the text one trims, the typed one keeps the text as
// stored up to its first NUL.
TEST(Registry, StringAndTypedValueAreCutAtTheFirstNul) {
    ScopedTestKey key(HKEY_CURRENT_USER, L"Value");
    using V = RegValue;
    const DWORD number = 0x80000001;
    const ULONGLONG wide = 5;
    const BYTE binary[] = {7, 8, 9};
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::string bytes;
        std::wstring text;
        V value;
    } cases[] = {
        {L"Desktop", REG_SZ, bytesOf(std::wstring(L"  C:\\Users\\me  \0", 16)), L"C:\\Users\\me", V(std::wstring(L"  C:\\Users\\me  "))},
        {L"Cut", REG_SZ, bytesOf(std::wstring(L"8.0\0junk\0", 9)), L"8.0", V(std::wstring(L"8.0"))},
        {L"Unterminated", REG_SZ, bytesOf(L"xyz"), L"xyz", V(std::wstring(L"xyz"))},
        {L"Expand", REG_EXPAND_SZ, bytesOf(std::wstring(L"%USERPROFILE%\\Music\0", 20)), L"%USERPROFILE%\\Music",
         V(std::wstring(L"%USERPROFILE%\\Music"))},
        {L"EmptyText", REG_SZ, "", L"", V()},
        {L"Binary", REG_BINARY, std::string(reinterpret_cast<const char*>(binary), 3), L"", V(7ul)},
        {L"Number", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4), L"", V(0x80000001ul)},
        {L"Qword", REG_QWORD, std::string(reinterpret_cast<const char*>(&wide), 8), L"", V()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        key.set(c.name, c.type, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key.path(), c.name), c.text);
        EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, key.path(), c.name), c.value);
    }
    // As the feedback report passes the path: with a leading and a trailing backslash.
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, L"\\" + key.path() + L"\\", L"Cut"), V(std::wstring(L"8.0")));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key.path(), L"Missing"), L"");
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, key.path() + L"\\NoSuchKey", L"Cut"), V());

    // No root given: the classes root.
    ScopedTestKey classes(HKEY_CLASSES_ROOT, L"Classes");
    classes.setChars(L"Name", REG_SZ, std::wstring(L"from HKCR\0", 10));
    EXPECT_EQ(ReadRegString(nullptr, classes.path(), L"Name"), L"from HKCR");
}
