// A scriptable stand-in for the two SQL companion tools, for the SQL tests. It acts as the
// database-list tool or the backup tool by the name it is copied under, journals its command
// line to journal.txt in its own folder and follows the script in fake_script.txt there:
//   list=ok | fail:<reason> | hang | crash        (the database-list tool)
//   <database>=ok[:<bytes>] | fail:<reason> | hang | nodump   (the backup tool, per database)
// The list it writes is fake_list.txt of its folder, copied as it is.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::wstring pathOfSelf() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::string narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(n ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    return s;
}

void write(const std::wstring& file, const std::string& text, std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(file.c_str(), std::ios::binary | mode) << text;
}

// The script's value for a key, or "ok".
std::string scriptFor(const std::wstring& folder, const std::string& key) {
    std::ifstream in((folder + L"\\fake_script.txt").c_str(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line.substr(0, eq) == key) return line.substr(eq + 1);
    }
    return "ok";
}

int runList(const std::wstring& folder) {
    const std::wstring common = folder + L"\\VXCOMMON";
    const std::string action = scriptFor(folder, "list");
    if (action == "hang") Sleep(INFINITE);
    if (action == "crash") return 3;
    if (action.rfind("fail:", 0) == 0) {
        write(common + L"\\SQLError.txt", action.substr(5) + "\r\nsecond line\r\n");
    } else {
        std::ifstream in((folder + L"\\fake_list.txt").c_str(), std::ios::binary);
        std::stringstream list;
        list << in.rdbuf();
        write(common + L"\\SQLSrvdbList.txt", list.str());
    }
    write(common + L"\\SQLDBStatus.txt", "2\r\n");
    return 0;
}

int runBackup(const std::wstring& folder, int argc, wchar_t** argv) {
    if (argc < 8) return 2;
    std::wstring database = argv[3];
    if (database.size() >= 2 && database.front() == L'[') database = database.substr(1, database.size() - 2);
    const std::wstring dumpFolder = argv[6];
    const std::wstring common = argv[7];
    const std::string action = scriptFor(folder, narrow(database));
    if (action == "hang") Sleep(INFINITE);
    if (action == "nodump") return 0;
    if (action.rfind("fail:", 0) == 0) {
        write(common + L"\\SQLErrorBackupFile.txt", action.substr(5) + "\r\n");
        return 1;
    }
    size_t bytes = 100000 + database.size();
    if (action.rfind("ok:", 0) == 0) bytes = std::stoull(action.substr(3));
    std::string content;
    content.reserve(bytes);
    const std::string seed = "dump of " + narrow(database) + "\n";
    while (content.size() < bytes) content += seed;
    content.resize(bytes);
    write(dumpFolder + L"\\[" + database + L"].dmp", content);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring path = pathOfSelf();
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    const std::wstring self = path.substr(folder.size() + 1);
    write(folder + L"\\journal.txt", narrow(self) + "|" + narrow(GetCommandLineW()) + "\n", std::ios::app);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (_wcsicmp(self.c_str(), L"vxsqldblist_tessaron.exe") == 0) return runList(folder);
    return runBackup(folder, argc, argv);
}
