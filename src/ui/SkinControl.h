#pragma once
// The base of the skinned child controls (ImageButton, SkinLabel): one window class per kind,
// one thunk that never lets an exception out, buffered painting over the parent's background,
// a repaint when the text changes, and the "pressed here, released here" click rule.
//
// A kind derives, passes its class name to create(), draws in paintFace() and handles what it
// needs in onMessage(), falling back to SkinControl::onMessage for the rest.
#include <windows.h>

#include <string>

#include "platform/Handle.h"
#include "ui/Window.h"

namespace tess {

class SkinControl {
public:
    SkinControl() = default;
    virtual ~SkinControl();
    SkinControl(const SkinControl&) = delete;
    SkinControl& operator=(const SkinControl&) = delete;

    HWND hwnd() const { return hwnd_; }
    const std::wstring& name() const { return name_; }
    // The whole window text (caption or label text; other processes read it with WM_GETTEXT).
    std::wstring text() const { return WindowText(hwnd_); }
    // Sets the text and repaints, only when it changes.
    void setText(const std::wstring& text);

    // The control object of one of our skinned controls, or null.
    static SkinControl* fromHandle(HWND hwnd);

protected:
    // Registers `className` once and creates the visible child; null when it failed.
    HWND createControl(const wchar_t* className, Window& owner, const wchar_t* name, int id, const RECT& rect,
                       const wchar_t* text);
    virtual LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Draws the face into an off-screen DC that already holds the parent's background.
    virtual void paintFace(HDC dc, const RECT& client) = 0;

    // The click rule: a left press captures the pointer; the release counts only over the
    // control. Returns true for a release that completes a click.
    void beginPress();
    bool endPress(LPARAM releasePoint);
    // WM_COMMAND with `code` to the owning window.
    void notifyParent(WORD code);
    void invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }

    Window* window_ = nullptr;
    HWND hwnd_ = nullptr;
    int id_ = 0;
    std::wstring name_;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void paint();

    bool pressed_ = false;
};

// Paints the part of the parent's background that lies under a child, so that skinned controls
// look transparent (the parent answers WM_PRINTCLIENT with its background only).
void PaintParentBackground(HWND child, HDC dc);

// Draws through an off-screen bitmap of the client size and copies the `update` part to `dc`:
// the skin is several layers and must not flicker.
template <typename Draw>
void PaintBuffered(HDC dc, const RECT& client, const RECT& update, Draw&& draw) {
    UniqueDc mem(CreateCompatibleDC(dc));
    UniqueGdi bmp(CreateCompatibleBitmap(dc, client.right, client.bottom));
    Selection selected(mem.get(), bmp.get());
    draw(mem.get());
    BitBlt(dc, update.left, update.top, update.right - update.left, update.bottom - update.top, mem.get(), update.left,
           update.top, SRCCOPY);
}

}  // namespace tess
