// The two SQL Server windows, created for real and driven with messages, with the stand-in tools
// in a program folder of their own.
#include <windows.h>
#include <commctrl.h>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/MessageCatalog.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "sql/FrmSqlDataList.h"
#include "sql/FrmSqlSvrLogin.h"
#include "sql/InstanceDiscovery.h"
#include "sql/SqlState.h"
#include "sql/SqlToolFixture.h"
#include "ui/BrowseDialog.h"
#include "ui/ImageButton.h"

namespace tess::test {
namespace {

using sql::FrmSQLDataList;
using sql::FrmSQLSvrLogin;

// A left click as the user makes it: the button acts on the release.
void click(Window& window, int id) {
    HWND button = window.button(id) ? window.button(id)->hwnd() : window.control(id);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void altKey(HWND hwnd, UINT vk) { SendMessageW(hwnd, WM_SYSKEYDOWN, vk, 1 << 29); }

std::wstring textOf(HWND hwnd) {
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

COLORREF boxColour(HWND window, HWND box) {
    HDC dc = GetDC(window);
    const UINT msg = IsWindowEnabled(box) ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
    SendMessageW(window, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box));
    const COLORREF colour = GetBkColor(dc);
    ReleaseDC(window, dc);
    return colour;
}

class SqlWindows : public SqlToolFixture {
protected:
    void SetUp() override {
        SqlToolFixture::SetUp();
        TransferFileList().clear();
        sql::SetSqlServerName(L"(local)");
        sql::SetReportOpenerForTesting([](const std::wstring&) {});
    }
    void TearDown() override {
        sql::SetReportOpenerForTesting(nullptr);
        SqlToolFixture::TearDown();
    }
    std::vector<int> codes() const {
        std::vector<int> out;
        for (const auto& m : messages_)
            for (int code : {179, 184, 196, 197, 568, 570, 572, 574})
                if (m.text == GetMessageText(code)) out.push_back(code);
        return out;
    }
};

TEST_F(SqlWindows, LoginRefusesServersOfOtherComputers) {
    FrmSQLSvrLogin login;
    ASSERT_TRUE(login.createModeless(nullptr));
    const std::wstring computer = login.computerName();
    struct Case {
        std::wstring server;
        int code;
    } cases[] = {{L"OTHER", 196}, {L"X" + computer + L"\\SALES", 197}, {L"OTHER\\" + computer, 197}};
    std::vector<Case> all(std::begin(cases), std::end(cases));
    if (ToLower(computer) != computer) all.push_back({ToLower(computer) + L"\\SALES", 196});  // case-sensitive search
    for (const auto& c : all) {
        SCOPED_TRACE(c.server);
        messages_.clear();
        SetWindowTextW(login.control(FrmSQLSvrLogin::kServer), c.server.c_str());
        click(login, FrmSQLSvrLogin::kLogin);
        ASSERT_EQ(messages_.size(), 1u);  // 196 and 197 share their text
        EXPECT_EQ(messages_[0].text, GetMessageText(c.code));
        EXPECT_TRUE(IsWindow(login.hwnd()));  // stays open for a correction
    }
    EXPECT_TRUE(journal().empty());  // no tool was started
}

TEST_F(SqlWindows, LoginWithLocalAliasRetrievesTheListAndCloses) {
    listFile("master\r\n100\r\n");
    struct Case {
        const wchar_t* server;
        bool sqlAuth;
        const char* argument;
    } cases[] = {{L" Local ", false, " 2(local)<<<<"}, {L"", true, " 2(local)<<<<"}, {L"(LOCAL)", true, " 1(LOCAL)<<sa<<S3cret"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        WriteBytes(JoinPath(programFolder(), L"journal.txt"), "");
        FrmSQLSvrLogin login;
        ASSERT_TRUE(login.createModeless(nullptr));
        SetWindowTextW(login.control(FrmSQLSvrLogin::kServer), c.server);
        if (c.sqlAuth) {
            SendMessageW(login.control(FrmSQLSvrLogin::kOptSql), BM_CLICK, 0, 0);
            SetWindowTextW(login.control(FrmSQLSvrLogin::kUser), L"sa");
            // SQL Server authentication with an empty password goes as Windows authentication.
            if (c.argument[1] == '1') SetWindowTextW(login.control(FrmSQLSvrLogin::kPassword), L" S3cret ");
        }
        altKey(login.hwnd(), 'L');
        EXPECT_TRUE(login.loggedIn());
        EXPECT_FALSE(IsWindow(login.hwnd()));
        EXPECT_NE(journal().find(c.argument), std::string::npos) << journal();
    }
}

TEST_F(SqlWindows, AuthenticationSwitchEnablesAndGreysTheBoxes) {
    FrmSQLSvrLogin login;
    ASSERT_TRUE(login.createModeless(nullptr));
    HWND user = login.control(FrmSQLSvrLogin::kUser), password = login.control(FrmSQLSvrLogin::kPassword);
    HWND optWin = login.control(FrmSQLSvrLogin::kOptWin), optSql = login.control(FrmSQLSvrLogin::kOptSql);
    EXPECT_EQ(SendMessageW(optWin, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(user));
    EXPECT_EQ(boxColour(login.hwnd(), user), sql::kDisabledBoxColor);

    SendMessageW(optSql, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(optWin, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(IsWindowEnabled(user) && IsWindowEnabled(password));
    EXPECT_EQ(boxColour(login.hwnd(), password), RGB(255, 255, 255));
    SetWindowTextW(user, L"sa");
    SendMessageW(optSql, BM_CLICK, 0, 0);  // clicking the set option again keeps the text
    EXPECT_EQ(textOf(user), L"sa");

    SendMessageW(optWin, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(optSql, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(user) || IsWindowEnabled(password));
    EXPECT_EQ(textOf(user), L"");
    EXPECT_EQ(boxColour(login.hwnd(), user), sql::kDisabledBoxColor);
}

TEST_F(SqlWindows, RefreshListsTheRegisteredInstances) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, sql::kSqlServerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    const std::wstring multi(L"SALES\0MSSQLSERVER\0\0", 20);
    RegSetValueExW(key, sql::kInstalledInstances, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                   static_cast<DWORD>(multi.size() * sizeof(wchar_t)));
    FrmSQLSvrLogin login;
    ASSERT_TRUE(login.createModeless(nullptr));
    HWND combo = login.control(FrmSQLSvrLogin::kServer);
    const std::wstring computer = login.computerName();
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(textOf(combo), computer + L"\\SALES");  // the first entry, in the registry's order

    RegDeleteValueW(key, sql::kInstalledInstances);
    RegCloseKey(key);
    altKey(login.hwnd(), 'R');
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(textOf(combo), computer);  // nothing installed: the default instance of this computer
}

struct Row {
    std::wstring name, size;
    bool checked;
};

std::vector<Row> rowsOf(const FrmSQLDataList& window) {
    HWND list = window.control(FrmSQLDataList::kList);
    std::vector<Row> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t name[256] = {}, size[64] = {};
        ListView_GetItemText(list, i, 0, name, 256);
        ListView_GetItemText(list, i, 1, size, 64);
        rows.push_back({name, size, ListView_GetCheckState(list, i) != 0});
    }
    return rows;
}

TEST_F(SqlWindows, DatabaseListLoadsTrickyListFiles) {
    struct Case {
        const char* what;
        const char* list;
        std::vector<Row> rows;
        std::wstring total;
        std::vector<int> codes;
    } cases[] = {
        {"blank size, tempdb", "master\r\n100\r\ntempdb\r\n8\r\nSales\r\n \r\n",
         {{L"master", L"100.00 KB", true}, {L"Sales", L"1,024.00 B", true}}, L"0.10 MB", {}},
        {"empty size line", "master\r\n100\r\nSales\r\n\r\n", {{L"master", L"100.00 KB", true}, {L"Sales", L"", false}},
         L"0.10 MB", {}},
        {"only TempDB", "TempDB \r\n8\r\n", {}, L"", {179}},
        {"KB and GB", "small\r\n512\r\nbig\r\n1572864\r\n", {{L"small", L"512.00 KB", true}, {L"big", L"1.50 GB", true}},
         L"1536.50 MB", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.clear();
        WriteBytes(common(L"SQLSrvdbList.txt"), c.list);
        FrmSQLDataList window;
        ASSERT_TRUE(window.createModeless(nullptr));
        const auto rows = rowsOf(window);
        ASSERT_EQ(rows.size(), c.rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].name, c.rows[i].name);
            EXPECT_EQ(rows[i].size, c.rows[i].size);
            EXPECT_EQ(rows[i].checked, c.rows[i].checked);
        }
        EXPECT_EQ(textOf(window.control(FrmSQLDataList::kTotal)), c.total);
        EXPECT_EQ(codes(), c.codes);
    }
}

TEST_F(SqlWindows, UncheckingEveryRowGives179AndAnEmptyTotal) {
    WriteBytes(common(L"SQLSrvdbList.txt"), "a\r\n1024\r\nb\r\n2048\r\n");
    FrmSQLDataList window;
    ASSERT_TRUE(window.createModeless(nullptr));
    HWND list = window.control(FrmSQLDataList::kList);
    ListView_SetCheckState(list, 0, FALSE);
    EXPECT_EQ(textOf(window.control(FrmSQLDataList::kTotal)), L"2.00 MB");
    EXPECT_TRUE(codes().empty());
    ListView_SetCheckState(list, 1, FALSE);
    EXPECT_EQ(textOf(window.control(FrmSQLDataList::kTotal)), L"");
    EXPECT_EQ(codes(), std::vector<int>{179});
    click(window, FrmSQLDataList::kRecalculate);
    EXPECT_EQ(codes(), (std::vector<int>{179, 179}));
}

TEST_F(SqlWindows, TransferChecksItsInputs) {
    WriteBytes(common(L"SQLSrvdbList.txt"), "a\r\n1\r\n");
    FrmSQLDataList window;
    ASSERT_TRUE(window.createModeless(nullptr));
    TempDir temp(L"wtemp"), destination(L"wdest");
    struct Case {
        std::wstring temporary, destination;
        bool uncheck;
        int code;
    } cases[] = {{L"", destination.path(), false, 184},
                 {temp.path(), L"", false, 184},
                 {temp.path(), temp.path() + L"\\", false, 572},
                 {temp.path(), destination.path(), true, 568}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        SetWindowTextW(window.control(FrmSQLDataList::kTemp), c.temporary.c_str());
        SetWindowTextW(window.control(FrmSQLDataList::kDestination), c.destination.c_str());
        if (c.uncheck) ListView_SetCheckState(window.control(FrmSQLDataList::kList), 0, FALSE);
        messages_.clear();
        altKey(window.hwnd(), 'T');
        EXPECT_EQ(codes().back(), c.code);
        EXPECT_TRUE(IsWindowEnabled(window.control(FrmSQLDataList::kTransfer)));
        EXPECT_FALSE(IsWindowVisible(window.control(FrmSQLDataList::kProgress)));
    }
    EXPECT_TRUE(journal().empty());
}

TEST_F(SqlWindows, BrowseButtonsFillTheirFolderForTheirPurpose) {
    WriteBytes(common(L"SQLSrvdbList.txt"), "a\r\n1\r\n");
    TempDir temp(L"wtemp"), destination(L"wdest");
    std::vector<BrowsePurpose> seen;
    std::wstring answer;
    SetBrowseScriptForTesting([&](const BrowsePurpose& purpose) -> std::optional<std::wstring> {
        seen.push_back(purpose);
        return answer + L"\\";  // the tree's node paths end with a separator
    });
    FrmSQLDataList window;
    ASSERT_TRUE(window.createModeless(nullptr));
    answer = destination.path();
    click(window, FrmSQLDataList::kDestinationBrowse);
    answer = temp.path();
    click(window, FrmSQLDataList::kTempBrowse);
    SetBrowseScriptForTesting(nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].transferDestination);
    EXPECT_TRUE(seen[1].sqlTemp && !seen[1].transferDestination);
    EXPECT_EQ(textOf(window.control(FrmSQLDataList::kDestination)), destination.path());
    EXPECT_EQ(textOf(window.control(FrmSQLDataList::kTemp)), temp.path());
}

TEST_F(SqlWindows, TransferFromTheWindowShipsTheCheckedDatabases) {
    WriteBytes(common(L"SQLSrvdbList.txt"), "master\r\n100\r\nSales\r\n200\r\nskipped\r\n300\r\n");
    TempDir temp(L"wtemp"), destination(L"wdest");
    Trf_WriteUserProfile(L"SQLTEMP(LOCAL)", temp.path());
    Trf_WriteUserProfile(L"SQLDEST(LOCAL)", destination.path());
    FrmSQLDataList window;
    ASSERT_TRUE(window.createModeless(nullptr));
    EXPECT_EQ(textOf(window.control(FrmSQLDataList::kTemp)), temp.path());
    EXPECT_EQ(textOf(window.control(FrmSQLDataList::kDestination)), destination.path());
    ListView_SetCheckState(window.control(FrmSQLDataList::kList), 2, FALSE);
    click(window, FrmSQLDataList::kTransfer);
    EXPECT_EQ(window.lastRun().shipped, 2);
    EXPECT_TRUE(FileExists(destination.file(L"[master].dmp")));
    EXPECT_TRUE(FileExists(destination.file(L"[Sales].dmp")));
    EXPECT_FALSE(FileExists(destination.file(L"[skipped].dmp")));
    EXPECT_EQ(codes(), std::vector<int>{570});
    EXPECT_TRUE(IsWindowEnabled(window.control(FrmSQLDataList::kTransfer)));  // reset after the run
    EXPECT_FALSE(IsWindowVisible(window.control(FrmSQLDataList::kProgress)));
}

}  // namespace
}  // namespace tess::test
