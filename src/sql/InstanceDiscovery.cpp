#include "sql/InstanceDiscovery.h"

#include <windows.h>
#include <wbemidl.h>

#include "common/Log.h"
#include "common/Registry.h"
#include "common/Text.h"

namespace tess::sql {

const wchar_t kSqlServerKey[] = L"SOFTWARE\\Microsoft\\Microsoft SQL Server";
const wchar_t kInstalledInstances[] = L"InstalledInstances";

namespace {

// COM pointers released on scope exit.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : b_(SysAllocString(text.c_str())) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* put() {
        VariantClear(&v_);
        return &v_;
    }
    const VARIANT& get() const { return v_; }
    VARIANT& ref() { return v_; }

private:
    VARIANT v_;
};

// COM for the calling thread for one reader's lifetime, whatever the thread had already.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

class ComWmiRegistry final : public WmiRegistry {
public:
    std::optional<std::vector<std::wstring>> GetMultiStringValue(bool view32, const std::wstring& keyPath,
                                                                 const std::wstring& valueName) override {
        ComScope com;
        ComPtr<IWbemContext> context;
        if (FAILED(CoCreateInstance(CLSID_WbemContext, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemContext,
                                    reinterpret_cast<void**>(context.put()))))
            return std::nullopt;
        Variant arch;
        arch.ref().vt = VT_I4;
        arch.ref().lVal = view32 ? 32 : 64;
        Variant required;
        required.ref().vt = VT_BOOL;
        required.ref().boolVal = VARIANT_TRUE;
        context->SetValue(L"__ProviderArchitecture", 0, &arch.ref());
        context->SetValue(L"__RequiredArchitecture", 0, &required.ref());

        ComPtr<IWbemServices> services;
        if (!connect(L"root\\default", context.get(), services)) return std::nullopt;
        ComPtr<IWbemClassObject> provider;
        Bstr providerName(L"StdRegProv");
        if (FAILED(services->GetObject(providerName, 0, context.get(), provider.put(), nullptr))) return std::nullopt;
        ComPtr<IWbemClassObject> inClass;
        if (FAILED(provider->GetMethod(L"GetMultiStringValue", 0, inClass.put(), nullptr)) || !inClass)
            return std::nullopt;
        ComPtr<IWbemClassObject> in;
        if (FAILED(inClass->SpawnInstance(0, in.put()))) return std::nullopt;

        Variant root, key, value;
        root.ref().vt = VT_I4;
        root.ref().lVal = static_cast<LONG>(0x80000002);  // HKEY_LOCAL_MACHINE
        key.ref().vt = VT_BSTR;
        key.ref().bstrVal = SysAllocString(keyPath.c_str());
        value.ref().vt = VT_BSTR;
        value.ref().bstrVal = SysAllocString(valueName.c_str());
        in->Put(L"hDefKey", 0, &root.ref(), 0);
        in->Put(L"sSubKeyName", 0, &key.ref(), 0);
        in->Put(L"sValueName", 0, &value.ref(), 0);

        ComPtr<IWbemClassObject> out;
        Bstr method(L"GetMultiStringValue");
        if (FAILED(services->ExecMethod(providerName, method, 0, context.get(), in.get(), out.put(), nullptr)) || !out)
            return std::nullopt;
        Variant code;
        if (FAILED(out->Get(L"ReturnValue", 0, code.put(), nullptr, nullptr))) return std::nullopt;
        Variant asLong;
        if (FAILED(VariantChangeType(asLong.put(), &code.ref(), 0, VT_I4))) return std::nullopt;
        const long returnCode = asLong.get().lVal;
        std::vector<std::wstring> names;
        if (returnCode == 2 || returnCode == 3) return names;  // key or value missing: nothing installed
        if (returnCode != 0) return std::nullopt;

        Variant array;
        if (FAILED(out->Get(L"sValue", 0, array.put(), nullptr, nullptr))) return std::nullopt;
        if (array.get().vt != (VT_ARRAY | VT_BSTR) || !array.get().parray) return names;
        SAFEARRAY* items = array.get().parray;
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(items, 1, &lower);
        SafeArrayGetUBound(items, 1, &upper);
        for (LONG i = lower; i <= upper; ++i) {
            BSTR item = nullptr;
            if (FAILED(SafeArrayGetElement(items, &i, &item))) continue;
            std::wstring name = item ? std::wstring(item, SysStringLen(item)) : std::wstring();
            SysFreeString(item);
            names.push_back(std::move(name));
        }
        return names;
    }

    std::optional<long> ProcessorArchitecture() override {
        ComScope com;
        ComPtr<IWbemServices> services;
        if (!connect(L"root\\cimv2", nullptr, services)) return std::nullopt;
        ComPtr<IWbemClassObject> cpu;
        Bstr path(L"Win32_Processor.DeviceID='CPU0'");
        if (FAILED(services->GetObject(path, 0, nullptr, cpu.put(), nullptr)) || !cpu) return std::nullopt;
        Variant arch, asLong;
        if (FAILED(cpu->Get(L"Architecture", 0, arch.put(), nullptr, nullptr))) return std::nullopt;
        if (FAILED(VariantChangeType(asLong.put(), &arch.ref(), 0, VT_I4))) return std::nullopt;
        return asLong.get().lVal;
    }

private:
    static bool connect(const wchar_t* ns, IWbemContext* context, ComPtr<IWbemServices>& services) {
        ComPtr<IWbemLocator> locator;
        if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                    reinterpret_cast<void**>(locator.put()))))
            return false;
        Bstr nsName(ns);
        if (FAILED(locator->ConnectServer(nsName, nullptr, nullptr, nullptr, 0, nullptr, context, services.put())))
            return false;
        CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                          RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
        return true;
    }
};

void appendNames(std::vector<std::wstring>& into, const std::vector<std::wstring>& names) {
    for (const auto& name : names) {
        std::wstring cut = TrimAtLineEnd(name);
        if (!IsBlank(cut)) into.push_back(std::move(cut));
    }
}

}  // namespace

std::unique_ptr<WmiRegistry> CreateWmiRegistry() { return std::make_unique<ComWmiRegistry>(); }

std::vector<std::wstring> ReadInstancesThroughWmi(WmiRegistry& wmi) {
    std::vector<std::wstring> names;
    auto view32 = wmi.GetMultiStringValue(true, kSqlServerKey, kInstalledInstances);
    if (!view32) {
        WriteTrace(L"Error in ReadInstancesThroughWmi Reason: the 32-bit registry view could not be read");
        return names;
    }
    appendNames(names, *view32);
    const auto architecture = wmi.ProcessorArchitecture();
    if (architecture && *architecture != 0) {
        if (auto view64 = wmi.GetMultiStringValue(false, kSqlServerKey, kInstalledInstances)) appendNames(names, *view64);
    }
    return names;
}

std::vector<std::wstring> DiscoverInstanceNames(bool wow64, WmiRegistry* wmi) {
    if (wow64) {
        if (wmi) return ReadInstancesThroughWmi(*wmi);
        auto real = CreateWmiRegistry();
        return ReadInstancesThroughWmi(*real);
    }
    return ReadRegMultiString(kSqlServerKey, kInstalledInstances).value_or(std::vector<std::wstring>());
}

bool IsWow64Process() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring LocalComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &length)) return {};
    return std::wstring(name, length);
}

}  // namespace tess::sql
