#include "common/Registry.h"

#include "common/Log.h"
#include "common/Text.h"
#include "platform/Handle.h"

namespace tess {
namespace {

constexpr wchar_t kReadFailure[] = L"Error in Reading the value from Registry";

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// Reads the whole value whatever its size (it may grow between the size query and the read).
// nullopt when the value is missing or cannot be read.
std::optional<RawValue> queryValue(HKEY key, const std::wstring& valueName) {
    RawValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, &value.type, nullptr, &size);
    for (int attempt = 0; attempt < 4 && status == ERROR_SUCCESS; ++attempt) {
        // Room for two NULs more than the data, so that string data stored without its
        // terminator still ends in one once read.
        value.bytes.assign(size + 2 * sizeof(wchar_t), 0);
        DWORD got = size;
        status = RegQueryValueExW(key, valueName.c_str(), nullptr, &value.type, value.bytes.data(), &got);
        if (status == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        value.bytes.resize(got);
        return value;
    }
    return std::nullopt;
}

std::wstring_view asText(const RawValue& value) {
    return std::wstring_view(reinterpret_cast<const wchar_t*>(value.bytes.data()), value.bytes.size() / sizeof(wchar_t));
}

std::wstring cutAtNul(std::wstring_view text) { return std::wstring(text.substr(0, std::min(text.find(L'\0'), text.size()))); }

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

UniqueKey openKey(HKEY root, const std::wstring& path, REGSAM access) {
    UniqueKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

}  // namespace

std::vector<std::wstring> SplitMultiString(std::wstring_view data) {
    std::vector<std::wstring> entries;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t nul = data.find(L'\0', pos);
        if (nul == std::wstring_view::npos) nul = data.size();
        std::wstring_view entry = data.substr(pos, nul - pos);
        // An empty entry is also where a well-formed value ends; blank ones between others are
        // dropped all the same, so keep walking to the real end of the data.
        if (!IsBlank(entry)) entries.emplace_back(entry);
        pos = nul + 1;
    }
    return entries;
}

std::optional<std::vector<std::wstring>> ReadRegMultiString(const std::wstring& keyPath, const std::wstring& valueName,
                                                            REGSAM wow64Flags) {
    try {
        UniqueKey key = openKey(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE | wow64Flags);
        if (!key) return std::nullopt;
        auto value = queryValue(key.get(), valueName);
        if (!value) return std::vector<std::wstring>();
        if (value->type == REG_MULTI_SZ || isText(value->type)) return SplitMultiString(asText(*value));
        WriteTrace(kReadFailure);
        return std::vector<std::wstring>();
    } catch (...) {
        WriteTrace(kReadFailure);
        return std::vector<std::wstring>();
    }
}

std::wstring ReadRegString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
    try {
        UniqueKey key = openKey(root ? root : HKEY_CLASSES_ROOT, keyPath, KEY_QUERY_VALUE);
        if (!key) return {};
        auto value = queryValue(key.get(), valueName);
        if (!value) return {};
        if (!isText(value->type) && value->type != REG_MULTI_SZ) {
            WriteTrace(kReadFailure);
            return {};
        }
        return Trim(cutAtNul(asText(*value)));
    } catch (...) {
        WriteTrace(kReadFailure);
        return {};
    }
}

RegValue ReadRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
    try {
        std::wstring path = keyPath;
        if (!path.empty() && path.front() == L'\\') path.erase(0, 1);
        // Read access only: full access to HKLM keys is refused to anyone who is not an
        // administrator (and to administrators without elevation), and reading needs no more.
        UniqueKey key = openKey(root, path, KEY_QUERY_VALUE);
        if (!key) return {};
        auto value = queryValue(key.get(), valueName);
        if (!value || value->bytes.empty()) return {};
        if (isText(value->type)) return cutAtNul(asText(*value));
        if (value->type == REG_BINARY) return static_cast<unsigned long>(value->bytes[0]);
        if (value->type == REG_DWORD) {
            if (value->bytes.size() < sizeof(DWORD)) return 0ul;
            DWORD number = 0;
            memcpy(&number, value->bytes.data(), sizeof number);
            return static_cast<unsigned long>(number);
        }
        return {};
    } catch (...) {
        return {};
    }
}

}  // namespace tess
