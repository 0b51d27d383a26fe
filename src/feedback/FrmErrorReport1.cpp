#include "feedback/FrmErrorReport1.h"

#include <wininet.h>

#include "common/Log.h"
#include "common/MessageCatalog.h"
#include "common/Text.h"
#include "feedback/LogBundle.h"
#include "feedback/NotificationClient.h"
#include "feedback/ReportText.h"
#include "ui/ImageButton.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"

namespace tess::feedback {
namespace {

using K = ControlKind;
using W = FrmErrorReport1;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kMemo = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                        ES_AUTOVSCROLL;

const ControlSpec kLayout[] = {
    {L"lblCapbar", W::kCapbar, K::CaptionBar, {0, 0, 428, 34}},
    {L"lblTitle", W::kTitle, K::Label, {38, 8, 300, 20}, L"Report Feedback"},
    {L"lblClose", W::kClose, K::CloseBox, {432, 8, 18, 18}, L"vx_small_close"},
    {L"picTitleinfo", W::kPicture, K::Picture, {20, 46, 32, 32}, L"vx_help"},
    {L"typelbl", W::kTypeLabel, K::Label, {64, 46, 376, 36},
     L"Send your feedback to Ostrova(Tessaron) technical support team"},
    {L"lblFrom", W::kFromLabel, K::Label, {20, 96, 136, 20}, L"Email address"},
    {L"txtFrom", W::kFrom, K::Native, {160, 92, 280, 24}, L"", WC_EDITW, kEdit},
    {L"Label1", W::kContactLabel, K::Label, {20, 128, 136, 20}, L"Contact No"},
    {L"txtContactNumber", W::kContact, K::Native, {160, 124, 280, 24}, L"", WC_EDITW, kEdit},
    {L"Label3", W::kTicketLabel, K::Label, {20, 156, 136, 36}, L""},
    {L"txtTroubleTicket", W::kTicket, K::Native, {160, 158, 280, 24}, L"", WC_EDITW, kEdit},
    {L"lblSubject", W::kSubjectLabel, K::Label, {20, 200, 136, 20}, L"Subject"},
    {L"txtSubject", W::kSubject, K::Native, {160, 196, 280, 24}, L"", WC_EDITW, kEdit},
    {L"lblMsg", W::kMessageLabel, K::Label, {20, 232, 136, 20}, L"Message"},
    {L"txtMsg", W::kMessage, K::Native, {160, 228, 280, 150}, L"", WC_EDITW, kMemo},
    {L"lblProgress", W::kProgress, K::Label, {20, 388, 420, 20}},
    {L"cmdSend", W::kSend, K::ImageButton, {196, 416, 114, 30}, L"Send"},
    {L"cmdExit", W::kExit, K::ImageButton, {326, 416, 114, 30}, L"Close"},
};

bool systemConnectedState() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}
ConnectedStateQuery gConnectedState = &systemConnectedState;

}  // namespace

void SetConnectedStateForTesting(ConnectedStateQuery query) { gConnectedState = query ? query : &systemConnectedState; }

Validation ValidateFields(std::wstring_view from, std::wstring_view message) {
    if (IsBlank(from)) return {12, kIconInformation, false};
    if (message.empty()) return {14, kIconInformation, true};
    if (!IsValidEmail(std::wstring(from))) return {500, kIconError, false};
    return {};
}

FrmErrorReport1::FrmErrorReport1(const ErrorReportArgs& args)
    : Window(L"frmErrorReport1", {0, 0, 460, 462}), args_(args) {}

bool FrmErrorReport1::onCreate() {
    addControls(kLayout);
    setUpCaption(kTitle);
    setAltKeys({{'S', kSend}, {'C', kExit}});
    if (auto* progress = label(kProgress)) progress->setColor(skin::kAccent);
    if (auto* type = label(kTypeLabel)) type->setFont(FontRole::Bold);
    showControl(kProgress, false);
    SetWindowTextW(control(kFrom), args_.email.c_str());
    SetWindowTextW(control(kSubject), SubjectForTicket(L"").c_str());
    resetButtonFaces();
    RoundedBorder(hwnd(), name());
    return true;
}

int FrmErrorReport1::captionBandHeight() const { return SmallBandHeight(); }

void FrmErrorReport1::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kBody));
    SetImagetoScreenSmall(dc, client, dpi());
}

std::optional<ControlColors> FrmErrorReport1::controlColors(UINT msg, HWND) const {
    if (msg == WM_CTLCOLOREDIT) return ControlColors{skin::kPanel, skin::kText};
    return std::nullopt;
}

// ResizecontrolDPI's share that the base cannot do: the ticket caption on two lines when the
// label has room for them at this density and font, else on one.
void FrmErrorReport1::onLayout() {
    SkinLabel* caption = label(kTicketLabel);
    if (!caption) return;
    const DesignRect box = controlRect(kTicketLabel);
    SetWindowTextW(caption->hwnd(), TicketCaption(true).c_str());
    const bool room = caption->measureText(box.width).cy <= box.height;
    if (!room) SetWindowTextW(caption->hwnd(), TicketCaption(false).c_str());
}

void FrmErrorReport1::onCommand(int id, int code, HWND) {
    switch (id) {
    case kSend:
        CmdSend_Click();
        break;
    case kExit:
    case kClose:
        onClose();
        break;
    case kTicket:
        if (code == EN_CHANGE) SetWindowTextW(control(kSubject), SubjectForTicket(text(kTicket)).c_str());
        break;
    default:
        break;
    }
}

void FrmErrorReport1::onClose() {
    if (!sending_) endModal();  // a post under way ends first (its time limit, or Esc)
}

void FrmErrorReport1::ClearTextBoxesOnForm() {
    for (int id : {kFrom, kContact, kTicket, kSubject, kMessage}) SetWindowTextW(control(id), L"");
}

bool FrmErrorReport1::ValidateLogMail() {
    const Validation v = ValidateFields(Trim(text(kFrom)), text(kMessage));
    if (!v.message) return true;
    ShowMessage({GetMessageText(v.message), v.icon});
    SetFocus(control(v.focusMessage ? kMessage : kFrom));
    return false;
}

void FrmErrorReport1::setProgress(const std::wstring& text) {
    showControl(kProgress, true);
    SetWindowTextW(control(kProgress), text.c_str());
    UpdateWindow(control(kProgress));
}

void FrmErrorReport1::setSending(bool sending) {
    sending_ = sending;
    for (int id : {kFrom, kContact, kTicket, kSubject, kMessage, kSend, kExit, kClose})
        EnableWindow(control(id), !sending);
    for (int id : {kSend, kExit})
        if (auto* b = button(id)) b->setState(sending ? ImageButton::kDisabled : ImageButton::kNormal);
    // The controls are disabled rather than the window, so that Esc still reaches the window and
    // cancels the post.
    if (sending) SetFocus(hwnd());
    SetCursor(LoadCursor(nullptr, sending ? IDC_WAIT : IDC_ARROW));
    UpdateWindow(hwnd());
}

void FrmErrorReport1::CmdSend_Click() {
    if (sending_) return;
    TraceScope scope(L"CmdSend_Click");
    if (!ValidateLogMail()) return;
    if (!gConnectedState()) {
        ShowMessage({GetMessageText(575), kIconError});
        return;
    }
    setSending(true);
    bool sent = false;
    try {
        const std::wstring from = Trim(text(kFrom));
        std::wstring report = ReportStart(GetSystemSettings(text(kFrom), text(kContact)), text(kMessage));
        setProgress(L"");
        setProgress(L"Sending the feedback report ...");
        report = AppendLogBundle(report) + kReleaseDateLine;
        sent = SendEmail(ReadNotificationSettings().recipient, Trim(text(kSubject)), report, from, false, hwnd());
    } catch (const std::exception& e) {
        TraceError(L"CmdSend_Click", L" Reason: " + FromAnsi(e.what()));
    }
    setProgress(sent ? L"Feedback report has been sent successfully." : L"Failed to send the feedback report.");
    result_.sent = result_.sent || sent;
    setSending(false);
}

ErrorReportResult RunErrorReport(HWND owner, const ErrorReportArgs& args) {
    TraceScope scope(L"frmErrorReport1");
    FrmErrorReport1 window(args);
    if (!window.runModal(owner)) return {};
    return window.result();
}

}  // namespace tess::feedback
