// A stand-in SQLSrvBackup.dll for the SQL tests: GetDatabaseList journals its arguments to
// <program folder>\journal.txt and follows <program folder>\fake_script.txt ("list=ok" copies
// fake_list.txt to the list file; "list=fail:<reason>" puts the reason into argument 4;
// "list=hang" never returns).
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

extern "C" __declspec(dllexport) LONG WINAPI GetDatabaseList(const char* server, const char* user,
                                                             const char* password, char* reason,
                                                             const char* programFolder, const char* listFile,
                                                             const char* errorLog, char* traceFile) {
    const std::string folder = programFolder;
    std::ofstream(folder + "\\journal.txt", std::ios::binary | std::ios::app)
        << "GetDatabaseList|" << server << "|" << user << "|" << password << "|" << reason << "|" << listFile << "|"
        << errorLog << "|" << traceFile << "\n";
    std::ifstream script(folder + "\\fake_script.txt", std::ios::binary);
    std::string line, action = "ok";
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("list=", 0) == 0) action = line.substr(5);
    }
    if (action == "hang") Sleep(INFINITE);
    if (action.rfind("fail:", 0) == 0) {
        lstrcpynA(reason, action.substr(5).c_str(), 1024);
        return 0;
    }
    std::ifstream in(folder + "\\fake_list.txt", std::ios::binary);
    std::stringstream list;
    list << in.rdbuf();
    std::ofstream(folder + listFile, std::ios::binary | std::ios::trunc) << list.str();
    return 1;
}
