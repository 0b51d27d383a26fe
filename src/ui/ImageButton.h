#pragma once
// The skinned push button: a face image from the shared skin with its caption over it.
// States: 0 normal, 1 hover (the pointer over it), 2 disabled. While a transfer ships (the
// program-wide transfer-in-progress flag) the face stays as it is, so that a long copy does not
// repaint buttons for every mouse twitch.
//
// It acts on the release over it of any mouse button but the right one (WM_COMMAND/BN_CLICKED to
// its window): left, middle or a side button; the release of the right button shows its tip
// ("<window name>.<button name>") and does not act. The message box's buttons act on the left
// button only.
#include <windows.h>

#include <string>

#include "ui/SkinControl.h"
#include "ui/Window.h"

namespace tess {

class Window;

// What a face looks like; the decision below works on values only.
struct ButtonFace {
    std::wstring imageKey;
    COLORREF captionColor = RGB(0, 0, 0);
    bool captionEnabled = true;
    bool operator==(const ButtonFace& o) const {
        return imageKey == o.imageKey && captionColor == o.captionColor && captionEnabled == o.captionEnabled;
    }
};

// A disabled face keeps this caption colour whatever state is asked for.
constexpr COLORREF kDisabledCaptionColor = RGB(100, 111, 113);

// The face wanted for `state` (0, 1, 2); `imageKey` "" means the default for the state
// (`normalKey` for 0 and 2, `hoverKey` for 1). While a transfer is in progress the current face
// is kept.
ButtonFace DecideButtonFace(const ButtonFace& current, int state, const std::wstring& imageKey, bool faceEnabled,
                            bool transferInProgress, COLORREF grayText, const std::wstring& normalKey = L"button_enb",
                            const std::wstring& hoverKey = L"button_ovr");

class ImageButton : public SkinControl {
public:
    enum State { kNormal = 0, kHover = 1, kDisabled = 2 };

    HWND create(Window& owner, const wchar_t* name, int id, const RECT& rect, const wchar_t* caption);

    void setCaption(const std::wstring& caption) { setText(caption); }
    std::wstring caption() const { return text(); }
    // The wizards' data buttons use "buttondata_enb" / "buttondata_ovr".
    void setFaceKeys(const std::wstring& normalKey, const std::wstring& hoverKey);
    // Sets the state; each property is written (and the button repainted) only when it changes.
    void setState(int state, const std::wstring& imageKey = L"");
    // Enables or disables the face (a disabled face keeps its grey caption).
    void setEnabled(bool enabled);
    void setFont(FontRole role);
    // The hourglass until the pointer next moves over the button.
    void showBusyPointer();
    // Only the left button acts (the message box's buttons).
    void setLeftButtonOnly() { leftButtonOnly_ = true; }
    const ButtonFace& face() const { return face_; }
    static ImageButton* fromHandle(HWND hwnd);

protected:
    LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void paintFace(HDC dc, const RECT& client) override;

private:
    void applyFace(const ButtonFace& wanted);
    void onMouseMove();
    bool acts(UINT mouseMessage) const;

    std::wstring normalKey_ = L"button_enb";
    std::wstring hoverKey_ = L"button_ovr";
    ButtonFace face_{L"button_enb", RGB(0, 0, 0), true};
    bool tracking_ = false;
    bool busyPointer_ = false;
    bool leftButtonOnly_ = false;
    FontRole font_ = FontRole::Bold;
};

}  // namespace tess
