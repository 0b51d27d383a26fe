// The two SQL Server windows, created for real and driven with messages, with the stand-in tools
// in a program folder of their own. The decisions behind them have their tables in the logic
// tests; here each window's wiring is checked once.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "common/BackupSets.h"
#include "common/Files.h"
#include "common/Process.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "sql/FrmSqlDataList.h"
#include "sql/FrmSqlSvrLogin.h"
#include "sql/InstanceDiscovery.h"
#include "sql/SqlLogic.h"
#include "sql/SqlToolFixture.h"
#include "support/WindowDriving.h"
#include "transfer/EncryptedShipping.h"
#include "transfer/SystemCalls.h"
#include "ui/ImageButton.h"

namespace tess::test {
namespace {

using sql::DatabaseRow;
using sql::FrmSQLDataList;
using sql::FrmSQLSvrLogin;

HWND clickTarget(const Window& window, int id) {
    return window.button(id) ? window.button(id)->hwnd() : window.control(id);
}

class SqlWindows : public SqlToolFixture {
protected:
    void TearDown() override {
        SetBrowseScriptForTesting(nullptr);
        SqlToolFixture::TearDown();
    }
    static std::vector<DatabaseRow> rows(std::initializer_list<std::pair<const wchar_t*, uint64_t>> list) {
        std::vector<DatabaseRow> out;
        for (const auto& [name, size] : list) out.push_back({name, size, true});
        return out;
    }
};

// The instances come from the registry (Refresh reads it again); the SQL Server option enables
// the two boxes, the Windows option empties and disables them.
TEST_F(SqlWindows, LoginListsTheInstancesAndWithTheAuthenticationChosenReturnsTheServerAndItsDatabases) {
    demo("[Database:master]\r\nSize=100 KB\r\n[Database:Sales]\r\nSize=2 KB\r\n");
    auto instances = std::make_unique<ScopedRegValue>(HKEY_LOCAL_MACHINE, sql::kSqlServerKey, sql::kInstalledInstances,
                                                      REG_MULTI_SZ, RegBytes(std::wstring(L"SALES\0MSSQLSERVER\0\0", 20)));
    FrmSQLSvrLogin login;
    ASSERT_TRUE(login.createModeless(nullptr));
    HWND combo = login.control(FrmSQLSvrLogin::kServer);
    const std::wstring computer = login.computerName();
    wchar_t second[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(second));
    EXPECT_EQ(WindowText(combo) + L"|" + second, computer + L"\\SALES|" + computer);  // in the registry's order
    instances.reset();
    SendAltKey(login.hwnd(), 'R');
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(WindowText(combo), computer);  // nothing installed: the default instance of this computer

    HWND user = login.control(FrmSQLSvrLogin::kUser), password = login.control(FrmSQLSvrLogin::kPassword);
    HWND optSql = login.control(FrmSQLSvrLogin::kOptSql);
    EXPECT_FALSE(IsWindowEnabled(user));
    SendMessageW(optSql, BM_CLICK, 0, 0);
    SetWindowTextW(user, L"guest");
    SendMessageW(login.control(FrmSQLSvrLogin::kOptWin), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(user) || IsWindowEnabled(password));
    EXPECT_EQ(WindowText(user), L"");

    SetWindowTextW(combo, L"(LOCAL)");
    SendMessageW(optSql, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(user) && IsWindowEnabled(password));
    SetWindowTextW(user, L"sa");
    SetWindowTextW(password, L" S3cret ");
    SendAltKey(login.hwnd(), 'L');
    EXPECT_FALSE(IsWindow(login.hwnd()));
    EXPECT_NE(journal().find(" 1(LOCAL)<<sa<<S3cret"), std::string::npos) << journal();
    ASSERT_TRUE(login.result().has_value());
    EXPECT_EQ(login.result()->server, L"(LOCAL)");
    ASSERT_EQ(login.result()->databases.size(), 2u);
    EXPECT_EQ(login.result()->databases[1].name, L"Sales");
    EXPECT_EQ(login.result()->databases[1].sizeBytes, 2048u);
}

// The rows and their total; the two browse buttons fill their folder, each for its purpose.
TEST_F(SqlWindows, DatabaseWindowListsTheLoginsRowsTheirTotalAndBrowsesForItsFolders) {
    TempDir temp(L"wtemp"), destination(L"wdest");
    std::vector<BrowsePurpose> seen;
    std::wstring answer;
    SetBrowseScriptForTesting([&](const BrowsePurpose& purpose) -> std::optional<std::wstring> {
        seen.push_back(purpose);
        return answer + L"\\";  // the tree's node paths end with a separator
    });
    std::vector<DatabaseRow> list = rows({{L"master", 100 << 10}, {L"Übersicht", 1536ull << 20}});
    list.push_back({L"Sales", std::nullopt, false});
    FrmSQLDataList window({L"(local)", list});
    ASSERT_TRUE(window.createModeless(nullptr));
    HWND rowsView = window.control(FrmSQLDataList::kList);
    ASSERT_EQ(SendMessageW(rowsView, LVM_GETITEMCOUNT, 0, 0), 3);
    wchar_t name[64] = {}, size[64] = {};
    ListView_GetItemText(rowsView, 1, 0, name, 64);
    ListView_GetItemText(rowsView, 1, 1, size, 64);
    EXPECT_STREQ(name, L"Übersicht");
    EXPECT_STREQ(size, L"1.50 GB");
    EXPECT_FALSE(ListView_GetCheckState(rowsView, 2));
    EXPECT_EQ(WindowText(window.control(FrmSQLDataList::kTotal)), L"1536.10 MB");

    // Unticking every row empties the total and says so; Recalculate says it again.
    ListView_SetCheckState(rowsView, 0, FALSE);
    ListView_SetCheckState(rowsView, 1, FALSE);
    EXPECT_EQ(WindowText(window.control(FrmSQLDataList::kTotal)), L"");
    Click(clickTarget(window, FrmSQLDataList::kRecalculate));
    EXPECT_EQ(messages_.codes(), (std::vector<int>{179, 179}));

    answer = destination.path();
    Click(clickTarget(window, FrmSQLDataList::kDestinationBrowse));
    answer = temp.path();
    SendAltKey(window.hwnd(), 'B');
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].transferDestination);
    EXPECT_TRUE(seen[1].sqlTemp && !seen[1].transferDestination);
    EXPECT_EQ(WindowText(window.control(FrmSQLDataList::kDestination)), destination.path());
    EXPECT_EQ(WindowText(window.control(FrmSQLDataList::kTemp)), temp.path());
}

TEST_F(SqlWindows, TransferShipsTheCheckedDatabasesOfTheGivenServer) {
    TempDir temp(L"wtemp"), destination(L"wdest");
    Trf_WriteUserProfile(L"SQLTEMP(LOCAL)", temp.path());
    Trf_WriteUserProfile(L"SQLDEST(LOCAL)", destination.path());
    demo("[Database:master]\r\nSize=1 KB\r\n[Database:Sales]\r\nSize=2 KB\r\n[Database:skipped]\r\nSize=1 KB\r\n");
    FrmSQLDataList window({L"(local)", rows({{L"master", 100}, {L"Sales", 200}, {L"skipped", 300}})});
    ASSERT_TRUE(window.createModeless(nullptr));
    EXPECT_EQ(WindowText(window.control(FrmSQLDataList::kTemp)), temp.path());
    EXPECT_EQ(WindowText(window.control(FrmSQLDataList::kDestination)), destination.path());
    ListView_SetCheckState(window.control(FrmSQLDataList::kList), 2, FALSE);
    Click(clickTarget(window, FrmSQLDataList::kTransfer));
    // The click only starts the run; it goes on while the window's loop runs.
    EXPECT_FALSE(IsWindowEnabled(window.control(FrmSQLDataList::kTransfer)));
    ASSERT_TRUE(WaitFor([&] { return window.lastRun().has_value(); }));
    EXPECT_EQ(window.lastRun()->shipped, 2);
    EXPECT_FALSE(FileExists(destination.file(L"[skipped].dmp")));
    EXPECT_TRUE(IsWindowEnabled(window.control(FrmSQLDataList::kTransfer)));  // reset after the run
    EXPECT_FALSE(IsWindowVisible(window.control(FrmSQLDataList::kProgress)));
}

// Ticked with no certificate configured, the run asks for a passphrase twice (an empty one and two
// that differ refused, the dialog staying) and ships `.tenc` files and the keys file that restore
// the dumps byte for byte with it; the passphrase is in no file of the program or the drive.
TEST_F(SqlWindows, EncryptedTransferAsksThePassphraseTwiceAndShipsWhatItRestores) {
    TempDir temp(L"wtemp"), destination(L"wdest");
    Trf_WriteUserProfile(L"SQLTEMP(LOCAL)", temp.path());
    Trf_WriteUserProfile(L"SQLDEST(LOCAL)", destination.path());
    Trf_WriteUserProfile(L"EncryptShipments", L"1");
    Trf_WriteUserProfile(L"KeepTemporaryDumps", L"1");
    demo("[Database:master]\r\nSize=1 KB\r\n[Database:Sales]\r\nSize=300 KB\r\n");
    FrmSQLDataList window({L"(local)", rows({{L"master", 100}, {L"Sales", 200}})});
    ASSERT_TRUE(window.createModeless(nullptr));
    ASSERT_EQ(SendMessageW(window.control(FrmSQLDataList::kEncrypt), BM_GETCHECK, 0, 0), BST_CHECKED);
    const std::string passphrase = "typed twice, kept nowhere";
    // The dialog is modal inside the click: another thread types into it as the user would.
    std::vector<std::wstring> refusals;
    std::thread user([&] {
        HWND dialog = WaitForTopWindow(GetCurrentProcessId(), L"frmPassphrase", 20000);
        if (!dialog) return;
        const std::pair<std::string, std::string> attempts[] = {{"", ""}, {passphrase, passphrase + "!"}, {passphrase, passphrase}};
        for (const auto& [first, again] : attempts) {
            SetRemoteText(FindByAutomationId(dialog, L"txtPassphrase"), FromAnsi(first));
            SetRemoteText(FindByAutomationId(dialog, L"txtPassphraseAgain"), FromAnsi(again));
            Click(FindByAutomationId(dialog, L"CmdOK"));
        }
    });
    Click(clickTarget(window, FrmSQLDataList::kTransfer));
    user.join();
    ASSERT_TRUE(WaitFor([&] { return window.lastRun().has_value(); }, 30000));
    ASSERT_GE(messages_.calls.size(), 2u);
    EXPECT_NE(messages_.calls[0].text.find(L"empty"), std::wstring::npos);
    EXPECT_NE(messages_.calls[1].text.find(L"differ"), std::wstring::npos);
    EXPECT_EQ(window.lastRun()->shipped, 2);

    std::wstring reason;
    const auto key = UnwrapShipmentKey(ReadBytes(destination.file(L"Tessaron-KEYS.json")), {FromAnsi(passphrase), L""}, reason);
    ASSERT_TRUE(key) << ToUTF8(reason);
    for (const wchar_t* dump : {L"[master].dmp", L"[Sales].dmp"}) {
        SCOPED_TRACE(ToUTF8(dump));
        EXPECT_FALSE(PathExists(destination.file(dump)));
        ASSERT_TRUE(DecryptFileTo(destination.file(std::wstring(dump) + L".tenc"), temp.file(L"restored"), *key).done);
        const std::string restored = ReadBytes(temp.file(L"restored"));
        EXPECT_TRUE(!restored.empty() && restored == ReadBytes(JoinPath(sql::DumpFolderFor(temp.path()), dump)));
        DeleteFileW(temp.file(L"restored").c_str());
    }
    const std::string report = ReadBytes(RunReportPath());
    EXPECT_NE(report.find("The shipment is encrypted (AES-256-GCM, key id " + HexOf(key->id.data(), key->id.size()) +
                          "); its key is wrapped for a passphrase"), std::string::npos) << report;
    std::wstring wide(FromAnsi(passphrase));
    for (const std::wstring& folder : {programFolder(), destination.path()}) {
        EXPECT_EQ(FileHolding(folder, passphrase), L"");
        EXPECT_EQ(FileHolding(folder, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)), L"");
    }
}

// The marks a run leaves on the system, recorded instead of made, in order: the sleep request's
// (the engine's thread) apart from the button's (the window's).
class SystemCalls {
public:
    SystemCalls() {
        SetSystemCallRecorderForTesting([this](const std::wstring& call) {
            std::lock_guard<std::mutex> guard(lock_);
            if (call.back() == L'%') return;  // the progress values are many
            (call.find(L"sleep") != std::wstring::npos || call == L"stay awake" ? awake_ : button_) += call + L"; ";
        });
    }
    ~SystemCalls() { SetSystemCallRecorderForTesting(nullptr); }
    std::wstring awake() {
        std::lock_guard<std::mutex> guard(lock_);
        return awake_;
    }
    std::wstring button() {
        std::lock_guard<std::mutex> guard(lock_);
        return button_;
    }

private:
    std::mutex lock_;
    std::wstring awake_, button_;
};

// While the run goes on the window's own loop runs. The machine stays awake and the taskbar button
// shows the run from the engine's start until the run ends, however it ends; Esc asks first (the
// button paused meanwhile): No goes on, Yes ends the tool the engine started and leaves nothing
// of its dump.
TEST_F(SqlWindows, ARunKeepsTheMachineAwakeShowsOnTheTaskbarAndAsksBeforeEscStopsIt) {
    struct Case {
        const char* what;
        const char* database;
        std::optional<MessageResult> escAnswer;  // Esc once the tool runs
        bool closeWindow;                        // the window goes while the tool runs
        int shipped;
        const wchar_t* calls;
    } cases[] = {
        {"done", "Size=1 KB", std::nullopt, false, 1, L"taskbar normal; flash; taskbar cleared; "},
        {"failed", "Fault=fail:offline", std::nullopt, false, 0, L"taskbar normal; taskbar error; flash; taskbar cleared; "},
        {"Esc, No", "Size=2 MB\r\nFault=pace:2", kResultNo, false, 1,
         L"taskbar normal; taskbar paused; taskbar normal; flash; taskbar cleared; "},
        {"Esc, Yes", "Fault=hang", kResultYes, false, 0,
         L"taskbar normal; taskbar paused; taskbar normal; flash; taskbar cleared; "},
        {"window closed", "Fault=hang", std::nullopt, true, 0, L"taskbar normal; taskbar cleared; "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir temp(L"wtemp"), destination(L"wdest");
        Trf_WriteUserProfile(L"SQLTEMP(LOCAL)", temp.path());
        Trf_WriteUserProfile(L"SQLDEST(LOCAL)", destination.path());
        demo(std::string("[Database:db]\r\n") + c.database + "\r\n");
        messages_.calls.clear();
        messages_.answer = c.escAnswer.value_or(kResultNo);
        SystemCalls system;
        auto window = std::make_unique<FrmSQLDataList>(sql::DataListArgs{L"(local)", rows({{L"db", 2u << 20}})});
        ASSERT_TRUE(window->createModeless(nullptr));
        // Another window has the foreground: the end flashes the button.
        HWND other = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        Click(clickTarget(*window, FrmSQLDataList::kTransfer));
        SetForegroundWindow(other);
        if (c.escAnswer || c.closeWindow) {
            ASSERT_TRUE(WaitFor([] { return FindProcess(sql::kBackupToolName, false, 6); }));
        }
        if (c.escAnswer) PostMessageW(window->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
        if (c.closeWindow) {
            window.reset();
        } else {
            ASSERT_TRUE(WaitFor([&] { return window->lastRun().has_value(); }));
            EXPECT_EQ(window->lastRun()->shipped, c.shipped);
            EXPECT_EQ(window->lastRun()->cancelled, c.escAnswer == kResultYes);
        }
        if (c.escAnswer) {
            EXPECT_EQ(messages_.codes().front(), 579);
        }
        EXPECT_EQ(system.awake(), L"stay awake; may sleep; ");
        EXPECT_EQ(system.button(), c.calls);
        EXPECT_FALSE(FindProcess(sql::kBackupToolName, false, 6));
        EXPECT_FALSE(FileExists(temp.file(L"OSTROVASQLTEMP\\[db].dmp")));
        DestroyWindow(other);
    }
}

}  // namespace
}  // namespace tess::test
