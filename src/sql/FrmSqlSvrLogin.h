#pragma once
// frmSQLSvrLogin: the first step of the SQL Server transfer. Offers the local instances, the two
// authentication modes, checks that the server is on this computer and retrieves its database
// list. Succeeds (and closes) when the list arrived; RunSqlServerLogin returns the server and
// its databases.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "sql/DatabaseListRetrieval.h"
#include "sql/SqlLogic.h"
#include "sql/SqlWindow.h"

namespace tess::sql {

// The texts of the login's boxes as the user left them.
struct LoginFields {
    std::wstring server;
    std::wstring user;
    std::wstring password;
};

// What a click on Login asks for: a message (the server is not on this computer) or the request
// for the database list (server normalised, user and password trimmed; the owner is the
// window's to set).
struct LoginCheck {
    int messageCode = 0;
    std::optional<ListRequest> request;
};
LoginCheck CheckLoginClick(const LoginFields& fields, const std::wstring& computerName);

struct LoginResult {
    std::wstring server;                 // normalised: the database window and the run use it
    std::vector<DatabaseRow> databases;  // the list the tool wrote, in its order
};

class FrmSQLSvrLogin : public SqlWindow {
public:
    enum Id {
        kCapbar = 100, kTitle, kClose, kLabel1, kLabelServer, kLabelUser, kLabelPassword, kServer, kOptWin, kOptSql,
        kUser, kPassword, kStatus, kRefresh, kLogin, kCancel,
    };

    FrmSQLSvrLogin();
    ~FrmSQLSvrLogin() override;

    // Set once the database list has been retrieved (the window has then closed itself).
    const std::optional<LoginResult>& result() const { return result_; }

    void RefreshInstanceList();
    void CmdSQLLogin_Click();
    // Both option buttons run the same rule from their own side.
    void authenticationSwitch(int clicked);
    const std::wstring& computerName() const { return computerName_; }

protected:
    bool onCreate() override;
    void onCommand(int id, int code, HWND control) override;
    std::optional<ControlColors> controlColors(UINT msg, HWND child) const override;

private:
    void fillInstances();
    void setBoxesEnabled(bool enabled, bool clearText);
    void setWaiting(bool waiting);
    ListResult retrieve(const ListRequest& request);
    void reportFailure(const ListResult& result, const std::wstring& server);

    std::wstring computerName_;
    bool wow64_ = false;
    bool waiting_ = false;
    std::optional<LoginResult> result_;
    HWND tips_ = nullptr;
};

// Shows the login modally; the server and its databases once the list is ready, nothing when
// the user closed the window.
std::optional<LoginResult> RunSqlServerLogin(HWND owner);

// Colour of the user name and password boxes while they are disabled (red 242, green 241, blue 236).
constexpr COLORREF kDisabledBoxColor = RGB(242, 241, 236);

}  // namespace tess::sql
