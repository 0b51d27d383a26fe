#include "ui/PassphraseDialog.h"

#include <vector>

#include "ui/MessageBox.h"
#include "ui/Skin.h"

namespace tess {
namespace {

using K = ControlKind;
using F = FrmPassphrase;
constexpr DWORD kSecret = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_PASSWORD;

const ControlSpec kLayout[] = {
    {L"lblCapbar", F::kCapbar, K::CaptionBar, {0, 0, 386, 34}},
    {L"lblTitle", F::kTitle, K::Label, {20, 8, 340, 20}, L"Encrypt the data on the drive"},
    {L"lblClose", F::kClose, K::CloseBox, {390, 8, 18, 18}, L"vx_small_close"},
    {L"lblPrompt", F::kPrompt, K::Label, {20, 46, 380, 36},
     L"No certificate is configured: the drive's key is wrapped with a passphrase. Type it twice."},
    {L"lblPassphrase", F::kLabelFirst, K::Label, {20, 96, 104, 18}, L"Passphrase"},
    {L"txtPassphrase", F::kFirst, K::Native, {130, 92, 270, 24}, L"", WC_EDITW, kSecret},
    {L"lblPassphraseAgain", F::kLabelAgain, K::Label, {20, 130, 104, 18}, L"Again"},
    {L"txtPassphraseAgain", F::kAgain, K::Native, {130, 126, 270, 24}, L"", WC_EDITW, kSecret},
    {L"CmdOK", F::kOk, K::ImageButton, {180, 166, 100, 30}, L"OK"},
    {L"CmdCancel", F::kCancel, K::ImageButton, {300, 166, 100, 30}, L"Cancel"},
};

// The box's text, read into memory that is wiped when it goes.
std::wstring secretText(HWND box) {
    const int length = GetWindowTextLengthW(box);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(box, text.data(), length + 1)));
    return text;
}

void wipe(std::wstring& text) {
    SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

}  // namespace

FrmPassphrase::FrmPassphrase() : Window(L"frmPassphrase", {0, 0, 420, 212}) {}

FrmPassphrase::~FrmPassphrase() {
    if (passphrase) wipe(*passphrase);
}

bool FrmPassphrase::onCreate() {
    addControls(kLayout);
    setUpCaption(kTitle);
    setAltKeys({{'O', kOk}, {'C', kCancel}});
    resetButtonFaces();
    RoundedBorder(hwnd(), name());
    SetFocus(control(kFirst));
    return true;
}

void FrmPassphrase::onCommand(int id, int, HWND) {
    if (id == kOk) accept();
    if (id == kCancel || id == kClose) {
        clearBoxes();
        endModal();
    }
}

// Enter is OK and Esc is Cancel, as in the system's own dialogs.
bool FrmPassphrase::onKey(UINT vk, bool alt) {
    if (alt || (vk != VK_RETURN && vk != VK_ESCAPE)) return false;
    onCommand(vk == VK_RETURN ? kOk : kCancel, BN_CLICKED, nullptr);
    return true;
}

void FrmPassphrase::accept() {
    std::wstring first = secretText(control(kFirst)), again = secretText(control(kAgain));
    const bool same = first == again;
    const bool empty = first.empty();
    if (!empty && same) passphrase = first;
    wipe(first);
    wipe(again);
    if (passphrase) {
        clearBoxes();
        endModal();
        return;
    }
    ShowMessage({empty ? L"Type a passphrase: the drive's key cannot be wrapped with an empty one."
                       : L"The two passphrases differ. Type the same passphrase in both boxes.",
                 kIconWarning});
    clearBoxes();
    SetFocus(control(kFirst));
}

// What was typed leaves the edit boxes as soon as it was read.
void FrmPassphrase::clearBoxes() {
    SetWindowTextW(control(kFirst), L"");
    SetWindowTextW(control(kAgain), L"");
}

std::optional<ControlColors> FrmPassphrase::controlColors(UINT msg, HWND) const {
    if (msg == WM_CTLCOLOREDIT) return ControlColors{RGB(255, 255, 255)};
    if (msg == WM_CTLCOLORSTATIC) return ControlColors{skin::kBody, skin::kText};
    return std::nullopt;
}

void FrmPassphrase::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kBody));
    SetImagetoScreenSmall(dc, client, dpi());
}

int FrmPassphrase::captionBandHeight() const { return SmallBandHeight(); }

std::optional<std::wstring> AskShipmentPassphrase(HWND owner) {
    FrmPassphrase window;
    if (!window.runModal(owner) || !window.passphrase) return std::nullopt;
    return *window.passphrase;  // the window wipes its own copy
}

}  // namespace tess
