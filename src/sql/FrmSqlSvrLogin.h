#pragma once
// frmSQLSvrLogin: the first step of the SQL Server transfer. Offers the local instances, the two
// authentication modes, checks that the server is on this computer and retrieves its database
// list. Succeeds (and closes) when the list arrived.
#include <windows.h>

#include <string>

#include "sql/DatabaseListRetrieval.h"
#include "ui/Window.h"

namespace tess::sql {

class FrmSQLSvrLogin : public Window {
public:
    enum Id {
        kCapbar = 100, kTitle, kClose, kLabel1, kLabelServer, kLabelUser, kLabelPassword, kServer, kOptWin, kOptSql,
        kUser, kPassword, kStatus, kRefresh, kLogin, kCancel,
    };

    FrmSQLSvrLogin();
    ~FrmSQLSvrLogin() override;

    // True once the database list has been retrieved (the window has then closed itself).
    bool loggedIn() const { return loggedIn_; }

    void RefreshInstanceList();
    void CmdSQLLogin_Click();
    // Both option buttons run the same rule from their own side.
    void authenticationSwitch(int clicked);
    const std::wstring& computerName() const { return computerName_; }

protected:
    bool onCreate() override;
    void onCommand(int id, int code, HWND control) override;
    std::optional<ControlColors> controlColors(UINT msg, HWND child) const override;
    void paintBackground(HDC dc, const RECT& client) override;

private:
    void fillInstances();
    void setBoxesEnabled(bool enabled, bool clearText);
    void setWaiting(bool waiting);
    void reportFailure(const ListResult& result);
    std::wstring text(int id) const;

    std::wstring computerName_;
    bool wow64_ = false;
    bool loggedIn_ = false;
    bool waiting_ = false;
    HWND tips_ = nullptr;
};

// Shows the login modally; true when the database list is ready for the database window.
bool RunSqlServerLogin(HWND owner);

// Colour of the user name and password boxes while they are disabled (red 242, green 241, blue 236).
constexpr COLORREF kDisabledBoxColor = RGB(242, 241, 236);

}  // namespace tess::sql
