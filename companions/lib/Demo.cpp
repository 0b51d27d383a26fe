#include "lib/Demo.h"

#include <cwctype>

#include "lib/Args.h"

namespace tess::companion {
namespace {

std::optional<unsigned> parseUnsigned(std::wstring_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 9) return std::nullopt;
    unsigned value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

// "Kind:id" sections: the kind before the colon.
bool isKind(const IniSection& s, std::wstring_view kind) {
    return s.name.size() > kind.size() && s.name[kind.size()] == L':' && StartsWithAsciiNoCase(s.name, kind);
}
std::wstring idOf(const IniSection& s) { return s.name.substr(s.name.find(L':') + 1); }

std::wstring where(const IniSection& s, std::wstring_view key) { return L"[" + s.name + L"] " + std::wstring(key) + L": "; }

DemoItem parseItem(const IniSection& s, DemoParse& out) {
    DemoItem item;
    item.name = s.get(L"Name", idOf(s));
    std::wstring size = s.get(L"Size");
    if (!size.empty()) {
        if (auto bytes = ParseSize(size)) item.content.sizeBytes = *bytes;
        else out.errors.push_back(where(s, L"Size") + L"not a size: " + size);
    }
    std::wstring source = s.get(L"Source", L"pattern");
    item.content.seed = SeedOf(item.name);
    if (StartsWithAsciiNoCase(source, L"file:")) {
        item.content.sourceFile = std::wstring(TrimBlanks(std::wstring_view(source).substr(5)));
        if (item.content.sourceFile.empty()) out.errors.push_back(where(s, L"Source") + L"file: needs a path");
    } else if (StartsWithAsciiNoCase(source, L"pattern:")) {
        auto seed = parseUnsigned(std::wstring_view(source).substr(8));
        if (seed) item.content.seed = *seed;
        else out.errors.push_back(where(s, L"Source") + L"pattern: needs a whole number");
    } else if (!EqualsAsciiNoCase(source, L"pattern")) {
        out.errors.push_back(where(s, L"Source") + L"expected pattern, pattern:N or file:PATH, got " + source);
    }
    std::wstring error;
    if (auto faults = ParseFaults(s.get(L"Fault"), &error)) item.faults = *faults;
    else out.errors.push_back(where(s, L"Fault") + error);
    return item;
}

}  // namespace

bool EqualsNoCaseWide(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

std::optional<FaultSet> ParseFaults(std::wstring_view text, std::wstring* error) {
    FaultSet faults;
    text = TrimBlanks(text);
    auto fail = [&](std::wstring message) -> std::optional<FaultSet> {
        if (error) *error = std::move(message);
        return std::nullopt;
    };
    while (!text.empty()) {
        if (StartsWithAsciiNoCase(text, L"fail:")) {  // the rest is the error text, commas and all
            faults.failure = std::wstring(TrimBlanks(text.substr(5)));
            break;
        }
        size_t comma = text.find(L',');
        std::wstring_view word = TrimBlanks(text.substr(0, comma));
        text = comma == std::wstring_view::npos ? std::wstring_view() : TrimBlanks(text.substr(comma + 1));
        if (word.empty() || EqualsAsciiNoCase(word, L"none")) continue;
        if (EqualsAsciiNoCase(word, L"hang")) {
            faults.hang = true;
        } else if (EqualsAsciiNoCase(word, L"crash")) {
            faults.crash = true;
        } else if (StartsWithAsciiNoCase(word, L"slow:")) {
            auto seconds = parseUnsigned(word.substr(5));
            if (!seconds) return fail(L"slow: needs whole seconds, got " + std::wstring(word));
            faults.slowSeconds = *seconds;
        } else if (StartsWithAsciiNoCase(word, L"pace:")) {
            auto seconds = parseUnsigned(word.substr(5));
            if (!seconds) return fail(L"pace: needs whole seconds, got " + std::wstring(word));
            faults.paceSeconds = *seconds;
        } else if (StartsWithAsciiNoCase(word, L"partial:")) {
            auto percent = parseUnsigned(word.substr(8));
            if (!percent || *percent > 99) return fail(L"partial: needs a percentage below 100, got " + std::wstring(word));
            faults.partialPercent = *percent;
        } else {
            return fail(L"unknown fault '" + std::wstring(word) + L"' (hang, crash, slow:N, partial:P, pace:N, fail:TEXT)");
        }
    }
    return faults;
}

FaultSet Merge(const FaultSet& a, const FaultSet& b) {
    FaultSet m = a;
    m.hang |= b.hang;
    m.crash |= b.crash;
    m.slowSeconds += b.slowSeconds;
    if (b.failure) m.failure = b.failure;
    if (b.partialPercent) m.partialPercent = b.partialPercent;
    if (b.paceSeconds) m.paceSeconds = b.paceSeconds;
    return m;
}

std::optional<uint64_t> ParseSize(std::wstring_view text) {
    text = TrimBlanks(text);
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9') ++digits;
    if (digits == 0 || digits > 15) return std::nullopt;
    uint64_t value = 0;
    for (size_t i = 0; i < digits; ++i) value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
    std::wstring_view unit = TrimBlanks(text.substr(digits));
    static const struct {
        const wchar_t* name;
        unsigned shift;
    } units[] = {{L"", 0}, {L"B", 0}, {L"KB", 10}, {L"K", 10}, {L"MB", 20}, {L"M", 20},
                 {L"GB", 30}, {L"G", 30}, {L"TB", 40}, {L"T", 40}};
    for (const auto& u : units)
        if (EqualsAsciiNoCase(unit, u.name)) return value << u.shift;
    return std::nullopt;
}

uint64_t SeedOf(std::wstring_view name) {
    uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : name) {
        hash ^= static_cast<uint16_t>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

FaultSet DemoConfig::faultsOf(std::wstring_view tool) const {
    for (const auto& [name, faults] : toolFaults)
        if (EqualsAsciiNoCase(name, tool)) return faults;
    return {};
}

const DemoInstance* DemoConfig::instance(std::wstring_view name) const {
    for (const auto& i : instances)
        if (EqualsNoCaseWide(i.name, name)) return &i;
    return nullptr;
}

DemoParse ParseDemo(std::wstring_view iniText) {
    DemoParse out;
    IniDocument doc = ParseIni(iniText);
    out.errors = doc.problems;
    DemoConfig& c = out.config;

    if (const IniSection* demo = doc.find(L"Demo")) {
        c.computerName = demo->get(L"ComputerName");
        c.journalName = demo->get(L"Journal", L"journal.txt");
    }
    if (const IniSection* faults = doc.find(L"Faults")) {
        for (const auto& [tool, value] : faults->entries) {
            std::wstring error;
            if (auto f = ParseFaults(value, &error)) c.toolFaults.emplace_back(tool, *f);
            else out.errors.push_back(where(*faults, tool) + error);
        }
    }
    for (const auto& s : doc.sections) {
        if (!isKind(s, L"Instance")) continue;
        DemoInstance instance;
        instance.name = idOf(s);
        if (s.has(L"RefuseWindows")) instance.windowsRefusal = s.get(L"RefuseWindows");
        for (const auto& [key, value] : s.entries) {
            if (StartsWithAsciiNoCase(key, L"Login.")) instance.logins.push_back({key.substr(6), value, std::nullopt});
        }
        for (auto& login : instance.logins) {
            std::wstring refuseKey = L"Refuse." + login.user;
            if (s.has(refuseKey)) login.refusal = s.get(refuseKey);
        }
        c.instances.push_back(std::move(instance));
    }
    if (const IniSection* exchange = doc.find(L"Exchange")) {
        c.exchange.configured = true;
        c.exchange.server = exchange->get(L"Server", c.computerName);
        c.exchange.adminGroup = exchange->get(L"AdminGroup", L"First Administrative Group");
        auto present = parseUnsigned(exchange->get(L"Present", L"1"));
        if (present) c.exchange.present = static_cast<int>(*present);
        else out.errors.push_back(where(*exchange, L"Present") + L"expected a whole number");
    }
    if (const IniSection* sp = doc.find(L"SharePoint")) c.sharePoint.destination = sp->get(L"Destination");

    for (const auto& s : doc.sections) {
        if (isKind(s, L"StorageGroup")) c.exchange.groups.push_back({idOf(s), s.get(L"Name", idOf(s)), {}});
    }
    for (const auto& s : doc.sections) {
        if (isKind(s, L"Database")) {
            std::wstring instanceName = s.get(L"Instance", L"MSSQLSERVER");
            DemoInstance* target = nullptr;
            for (auto& i : c.instances)
                if (EqualsNoCaseWide(i.name, instanceName)) target = &i;
            if (!target) {
                out.errors.push_back(where(s, L"Instance") + L"no [Instance:" + instanceName + L"] section");
                continue;
            }
            target->databases.push_back(parseItem(s, out));
        } else if (isKind(s, L"Store")) {
            DemoItem store = parseItem(s, out);
            c.exchange.databases.push_back(store);
            std::wstring group = s.get(L"Group");
            if (group.empty()) continue;
            bool found = false;
            for (auto& g : c.exchange.groups) {
                if (EqualsAsciiNoCase(g.id, group)) {
                    g.stores.push_back(store);
                    found = true;
                }
            }
            if (!found) out.errors.push_back(where(s, L"Group") + L"no [StorageGroup:" + group + L"] section");
        } else if (isKind(s, L"SharePointContent")) {
            c.sharePoint.content.push_back(parseItem(s, out));
        }
    }
    return out;
}

std::optional<std::wstring> InstanceNameOf(std::wstring_view server, const std::vector<std::wstring>& localNames) {
    server = TrimBlanks(server);
    size_t slash = server.find(L'\\');
    std::wstring_view host = server.substr(0, slash);
    std::wstring_view instance = slash == std::wstring_view::npos ? std::wstring_view() : server.substr(slash + 1);
    bool local = host.empty() || EqualsAsciiNoCase(host, L"(local)") || EqualsAsciiNoCase(host, L"local") ||
                 host == L"." || EqualsAsciiNoCase(host, L"localhost");
    for (const auto& name : localNames)
        if (!name.empty() && EqualsNoCaseWide(host, name)) local = true;
    if (!local) return std::nullopt;
    return instance.empty() ? std::wstring(L"MSSQLSERVER") : std::wstring(instance);
}

std::optional<std::wstring> CheckLogin(const DemoInstance& instance, std::wstring_view user, std::wstring_view password) {
    if (user.empty()) return instance.windowsRefusal;
    for (const auto& login : instance.logins) {
        // Login names compare like SQL Server's default collation; passwords exactly.
        if (!EqualsNoCaseWide(login.user, user)) continue;
        if (login.refusal) return login.refusal;
        if (login.password == password) return std::nullopt;
        break;
    }
    return L"Login failed for user '" + std::wstring(user) + L"'.";
}

const DemoItem* FindDatabase(const DemoInstance& instance, std::wstring_view name) {
    for (const auto& db : instance.databases)
        if (db.name == name) return &db;
    for (const auto& db : instance.databases)
        if (EqualsNoCaseWide(db.name, name)) return &db;
    return nullptr;
}

}  // namespace tess::companion
