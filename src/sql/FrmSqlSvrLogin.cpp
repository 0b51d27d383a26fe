#include "sql/FrmSqlSvrLogin.h"

#include <commctrl.h>

#include "common/Files.h"
#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/ProgramPaths.h"
#include "common/Text.h"
#include "sql/InstanceDiscovery.h"
#include "sql/SqlLogic.h"
#include "sql/SqlMessages.h"
#include "sql/SqlSettings.h"
#include "ui/ImageButton.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"

namespace tess::sql {
namespace {

using K = ControlKind;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kRadio = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON;

const ControlSpec kLayout[] = {
    {L"lblCapbar", FrmSQLSvrLogin::kCapbar, K::CaptionBar, {0, 0, 386, 34}},
    {L"lblTitle", FrmSQLSvrLogin::kTitle, K::Label, {38, 8, 300, 20}, L"SQL Server Login"},
    {L"lblClose", FrmSQLSvrLogin::kClose, K::CloseBox, {390, 8, 18, 18}, L"vx_small_close"},
    {L"Label1", FrmSQLSvrLogin::kLabel1, K::Label, {20, 48, 380, 18}, L"Connect to the SQL Server using"},
    {L"lblLabels0", FrmSQLSvrLogin::kLabelServer, K::Label, {20, 79, 104, 18}, L"SQL Server"},
    {L"TxtSQLSrvrName", FrmSQLSvrLogin::kServer, K::Native, {130, 75, 270, 200}, L"", WC_COMBOBOXW,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL},
    {L"OptWinAuth", FrmSQLSvrLogin::kOptWin, K::Native, {130, 108, 270, 20}, L"&Windows Authentication", WC_BUTTONW,
     kRadio | WS_GROUP},
    {L"OptSQLSvrAuth", FrmSQLSvrLogin::kOptSql, K::Native, {130, 132, 270, 20}, L"&SQLServer Authentication", WC_BUTTONW,
     kRadio},
    {L"lblLabels1", FrmSQLSvrLogin::kLabelUser, K::Label, {20, 166, 104, 18}, L"Username"},
    {L"TxtUserName", FrmSQLSvrLogin::kUser, K::Native, {130, 162, 270, 24}, L"", WC_EDITW, kEdit},
    {L"lblLabels2", FrmSQLSvrLogin::kLabelPassword, K::Label, {20, 198, 104, 18}, L"Password"},
    {L"TxtPassword", FrmSQLSvrLogin::kPassword, K::Native, {130, 194, 270, 24}, L"", WC_EDITW, kEdit | ES_PASSWORD},
    {L"lblStatus", FrmSQLSvrLogin::kStatus, K::Label, {20, 226, 380, 18}},
    {L"cmdRefresh", FrmSQLSvrLogin::kRefresh, K::ImageButton, {40, 252, 100, 30}, L"Refresh"},
    {L"CmdSQLLogin", FrmSQLSvrLogin::kLogin, K::ImageButton, {160, 252, 100, 30}, L"Login"},
    {L"CmdSQLCancel", FrmSQLSvrLogin::kCancel, K::ImageButton, {280, 252, 100, 30}, L"Close"},
};

void addTip(HWND tips, HWND owner, HWND control, const wchar_t* text) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace

LoginCheck CheckLoginClick(const LoginFields& fields, const std::wstring& computerName) {
    LoginCheck check;
    const std::wstring server = Trim(fields.server);
    check.messageCode = LocalServerCheck(server, computerName);
    if (check.messageCode) return check;
    ListRequest request;
    request.server = NormaliseServerName(server);
    request.user = Trim(fields.user);
    request.password = Trim(fields.password);
    check.request = request;
    return check;
}

FrmSQLSvrLogin::FrmSQLSvrLogin() : SqlWindow(L"frmSQLSvrLogin", {0, 0, 420, 300}, false) {}

FrmSQLSvrLogin::~FrmSQLSvrLogin() {
    if (tips_) DestroyWindow(tips_);
}

bool FrmSQLSvrLogin::onCreate() {
    loadFrame(kLayout, kTitle, {{'R', kRefresh}, {'L', kLogin}, {'C', kCancel}});
    if (auto* status = label(kStatus)) status->setColor(skin::kMuted);
    SendMessageW(control(kUser), EM_LIMITTEXT, 128, 0);
    SendMessageW(control(kPassword), EM_LIMITTEXT, 128, 0);

    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0,
                            hwnd(), nullptr, nullptr, nullptr);
    if (tips_) {
        addTip(tips_, hwnd(), control(kUser), L"Enter username");
        addTip(tips_, hwnd(), control(kPassword), L"Enter password");
        addTip(tips_, hwnd(), button(kLogin) ? button(kLogin)->hwnd() : nullptr, L"MS SQL Server Login");
    }

    // Window load: Windows authentication, the instances, the boxes greyed.
    CheckDlgButton(hwnd(), kOptSql, BST_UNCHECKED);
    CheckDlgButton(hwnd(), kOptWin, BST_CHECKED);
    computerName_ = LocalComputerName();
    wow64_ = IsWow64Process();
    fillInstances();
    setBoxesEnabled(false, true);
    return true;
}

void FrmSQLSvrLogin::fillInstances() {
    HWND combo = control(kServer);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const auto entries = InstanceEntries(computerName_, DiscoverInstanceNames(wow64_, nullptr));
    for (const auto& entry : entries) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    if (entries.empty()) {
        SetWindowTextW(combo, computerName_.c_str());
    } else {
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
    }
}

void FrmSQLSvrLogin::RefreshInstanceList() {
    TraceScope scope(L"RefreshInstanceList");
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    wow64_ = IsWow64Process();
    fillInstances();
    SetCursor(previous);
}

void FrmSQLSvrLogin::setBoxesEnabled(bool enabled, bool clearText) {
    for (int id : {kUser, kPassword}) {
        HWND box = control(id);
        if (clearText) SetWindowTextW(box, L"");
        EnableWindow(box, enabled);
        InvalidateRect(box, nullptr, TRUE);
    }
}

void FrmSQLSvrLogin::authenticationSwitch(int clicked) {
    const int other = clicked == kOptWin ? kOptSql : kOptWin;
    CheckDlgButton(hwnd(), clicked, BST_CHECKED);
    CheckDlgButton(hwnd(), other, BST_UNCHECKED);
    if (clicked == kOptSql)
        setBoxesEnabled(true, false);  // the text typed before stays
    else
        setBoxesEnabled(false, true);
}

void FrmSQLSvrLogin::setWaiting(bool waiting) {
    waiting_ = waiting;
    for (int id : {kServer, kOptWin, kOptSql, kRefresh, kLogin, kCancel, kClose}) EnableWindow(control(id), !waiting);
    for (int id : {kRefresh, kLogin, kCancel})
        if (auto* b = button(id)) b->setState(waiting ? ImageButton::kDisabled : ImageButton::kNormal);
    if (!waiting) {
        const bool sqlAuth = IsDlgButtonChecked(hwnd(), kOptSql) == BST_CHECKED;
        EnableWindow(control(kUser), sqlAuth);
        EnableWindow(control(kPassword), sqlAuth);
    } else {
        EnableWindow(control(kUser), FALSE);
        EnableWindow(control(kPassword), FALSE);
        SetFocus(hwnd());  // Esc must reach this window while every control is disabled
    }
    if (auto* status = label(kStatus))
        status->setText(waiting ? L"Retrieving the list of databases... Press Esc to cancel." : L"");
    UpdateWindow(hwnd());
}

void FrmSQLSvrLogin::CmdSQLLogin_Click() {
    if (waiting_) return;
    WriteTrace(L"Enter CmdSQLLogin_Click");
    LoginCheck check = CheckLoginClick({text(kServer), text(kUser), text(kPassword)}, computerName_);
    if (check.messageCode) {
        ShowMessage({GetMessageText(check.messageCode)});
        return;
    }
    check.request->owner = hwnd();
    const ListResult result = retrieve(*check.request);
    if (result.outcome == ListOutcome::kSuccess) {
        result_ = LoginResult{check.request->server,
                              ParseDatabaseList(ReadAnsiText(CommonDataFile(L"SQLSrvdbList.txt")))};
        endModal();
        return;
    }
    reportFailure(result, check.request->server);
    WriteTrace(L"Exit CmdSQLLogin_Click");
}

ListResult FrmSQLSvrLogin::retrieve(const ListRequest& request) {
    setWaiting(true);
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    ListResult result;
    try {
        result = RetrieveDatabaseList(request);
    } catch (const std::exception& e) {
        WriteTrace(L"Error in CmdSQLLogin . Reason:" + FromAnsi(e.what()));
        result.outcome = ListOutcome::kToolFailed;
    }
    SetCursor(previous);
    setWaiting(false);
    return result;
}

void FrmSQLSvrLogin::reportFailure(const ListResult& result, const std::wstring& server) {
    switch (result.outcome) {
        case ListOutcome::kFailed:
            if (ShowsFailureReason(result.mode, result.reason)) ShowMessage({result.reason});
            WriteTrace(L"Error in SQL login, Reason : " + result.reason);
            break;
        case ListOutcome::kToolFailed:
            WriteTrace(L"Error in SQL login, Reason : the database-list tool did not report a result");
            ShowMessage({ListToolFailedText(), kIconError});
            break;
        case ListOutcome::kTimedOut:
            WriteTrace(L"Error in SQL login, Reason : no database list within the time limit");
            WriteLog(L"The database list of '" + server + L"' did not arrive within the time limit.", kLogError);
            ShowMessage({ListTimeoutText(ListWaitLimitMs()), kIconWarning});
            break;
        case ListOutcome::kCancelled:
            WriteTrace(L"Error in SQL login, Reason : cancelled by the user");
            WriteLog(L"The retrieval of the database list of '" + server + L"' was cancelled.", kLogError);
            ShowMessage({ListCancelledText()});
            break;
        case ListOutcome::kSuccess:
            break;
    }
}

void FrmSQLSvrLogin::onCommand(int id, int code, HWND) {
    if (waiting_) return;
    switch (id) {
        case kRefresh:
            RefreshInstanceList();
            break;
        case kLogin:
            CmdSQLLogin_Click();
            break;
        case kCancel:
        case kClose:
            endModal();
            break;
        case kOptWin:
        case kOptSql:
            if (code == BN_CLICKED) authenticationSwitch(id);
            break;
        default:
            break;
    }
}

std::optional<ControlColors> FrmSQLSvrLogin::controlColors(UINT msg, HWND child) const {
    // The user name and password boxes ask with WM_CTLCOLORSTATIC while they are disabled.
    if (msg == WM_CTLCOLORSTATIC && (child == control(kUser) || child == control(kPassword)))
        return ControlColors{kDisabledBoxColor};
    return SqlWindow::controlColors(msg, child);
}

std::optional<LoginResult> RunSqlServerLogin(HWND owner) {
    FrmSQLSvrLogin window;
    if (!window.runModal(owner)) return std::nullopt;
    return window.result();
}

}  // namespace tess::sql
