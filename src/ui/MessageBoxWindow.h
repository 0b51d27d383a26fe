#pragma once
// `MesgBox`: the window behind ShowMessage. One object per call: create, prepare, run modally,
// read the result. Tests create it modeless and drive it with messages.
#include <string>

#include "ui/MessageBox.h"
#include "ui/MessageLayout.h"
#include "ui/Window.h"

namespace tess {

class MesgBox : public Window {
public:
    enum Id {
        kIdCaptionImage = 100,  // Picture1
        kIdAppCaption,
        kIdCapbar,
        kIdClose,               // MsgClose
        kIdIcon0,               // picIcon 0..3
        kIdText = kIdIcon0 + 4, // lblText
        kIdSmallText,           // lblSmallText
        kIdButton0,             // cmdButton 0..2
    };

    MesgBox();

    // Fills and sizes the window (after create()): the text, the caption-bar text, the buttons
    // of the set, the window caption, the icon.
    void prepare(const MessageCall& call);
    int result() const { return result_; }
    const MessageTextPlan& plan() const { return plan_; }
    const MessageLayout& layout() const { return layout_; }
    int buttonCount() const { return buttonCount_; }
    // Ends the box as if `code` had been chosen.
    void end(int code) { finish(code); }

protected:
    bool onCreate() override;
    void onCommand(int id, int code, HWND control) override;
    bool onKey(UINT vk, bool alt) override;
    void onClose() override;
    void paintBackground(HDC dc, const RECT& client) override;
    void onLayout() override;
    int captionBandHeight() const override { return mesgbox::kCaptionBarHeight / 15; }

private:
    void setMessage(const std::wstring& text);
    void setButton(int index, const std::wstring& caption, bool visible);
    void resizeMsgbox();
    void finish(int code);
    void copyText();

    int result_ = 0;
    int buttonCount_ = -1;
    int set_ = -1;
    bool noByDefault_ = false;
    std::wstring text_;
    MessageTextPlan plan_;
    MessageLayout layout_{};
};

// Shows the box modally over `owner` and returns the result code.
MessageResult RunMessageBox(HWND owner, const MessageCall& call);

}  // namespace tess
