#pragma once
// frmPassphrase: the passphrase an encrypted shipment's key is wrapped with when no certificate
// is configured, typed twice in masked boxes. What is typed goes to the caller alone: never to a
// log, a trace or a setting.
#include <windows.h>

#include <optional>
#include <string>

#include "ui/Window.h"

namespace tess {

class FrmPassphrase : public Window {
public:
    enum Id { kCapbar = 300, kTitle, kClose, kPrompt, kLabelFirst, kFirst, kLabelAgain, kAgain, kOk, kCancel };

    FrmPassphrase();
    ~FrmPassphrase() override;
    // Set by OK once both boxes hold the same passphrase; the caller wipes it.
    std::optional<std::wstring> passphrase;

protected:
    bool onCreate() override;
    void onCommand(int id, int code, HWND control) override;
    bool onKey(UINT vk, bool alt) override;
    std::optional<ControlColors> controlColors(UINT msg, HWND child) const override;
    void paintBackground(HDC dc, const RECT& client) override;
    int captionBandHeight() const override;

private:
    void accept();
    void clearBoxes();
};

// Asks modally over `owner`; none when the user cancelled.
std::optional<std::wstring> AskShipmentPassphrase(HWND owner);

}  // namespace tess
