#pragma once
// The base of every Tessaron window: borderless, skinned, laid out in 96-dpi design pixels and
// scaled to the monitor's density.
//
// How to build a window
// ---------------------
//   class FrmExample : public Window {
//   public:
//       enum Id { kCapbar = 100, kTitle, kClose, kName, kOk, kCancel };
//       FrmExample(const ExampleArgs& args) : Window(L"frmExample", {0, 0, 420, 260}), args_(args) {}
//       std::optional<ExampleResult> result;
//   protected:
//       bool onCreate() override {
//           addControls(kLayout);                 // static table of ControlSpec: name, id, kind, rect, text
//           setUpCaption(kTitle);                 // band text colour and caption font
//           setAltKeys({{'O', kOk}, {'C', kCancel}});  // Alt+O clicks kOk: no key handler needed
//           SetWindowTextW(control(kName), args_.name.c_str());   // input into the controls
//           RoundedBorder(hwnd(), name());        // once: size and density changes keep it
//           return true;                          // the base places and centres the window
//       }
//       void onCommand(int id, int, HWND) override {
//           if (id == kOk) { result = ExampleResult{WindowText(control(kName))}; endModal(); }
//           if (id == kCancel || id == kClose) endModal();
//       }
//       std::optional<ControlColors> controlColors(UINT msg, HWND) const override {
//           if (msg == WM_CTLCOLOREDIT) return ControlColors{RGB(255, 255, 255)};   // brush owned by the base
//           return std::nullopt;
//       }
//       void paintBackground(HDC dc, const RECT& client) override {
//           FillRect(dc, &client, brush(skin::kBody));
//           SetImagetoScreenSmall(dc, client, dpi());
//       }
//       int captionBandHeight() const override { return SmallBandHeight(); }
//   };
//   // A modal window is a function: arguments in, result out, no globals.
//   std::optional<ExampleResult> RunExample(HWND owner, const ExampleArgs& args) {
//       FrmExample w(args);
//       if (!w.runModal(owner)) return std::nullopt;
//       return w.result;
//   }
// Pure decisions (what a click means, which message to show) are free functions taking values
// and returning values, tested without a window. Tests create the same class with
// create(nullptr) (hidden is enough, and fast under Wine) or createModeless(nullptr), and drive
// it with messages.
//
// Skin: paint the frame in paintBackground with SetImagetoScreen / SetImagetoScreenSmall (Skin.h)
// and return its band height from captionBandHeight() so the bare band drags the window. Caption
// text on the band: a ControlKind::CaptionBar or Label set up with setUpCaption; a close box:
// ControlKind::CloseBox with "vx_small_close", which sends WM_COMMAND with its id. Native
// controls (ControlKind::Native: edit boxes, combo boxes, list and tree views) get the body font
// and scale with the window; their colours come from controlColors(); Tab moves between those
// with WS_TABSTOP. onLayout() is only for what the layout table cannot say (a control placed by
// hand); the base re-rounds the region itself. Messages: ShowMessage (MessageBox.h). Tips:
// right-click on an image button shows TipText("<window name>.<button name>") by itself.
//
// Every window and control carries its design name as the "AutomationId" window property (a
// global atom), which UI tests and the end-to-end test find it by, also from another process.
// Image buttons send WM_COMMAND (BN_CLICKED) to their window on the release of any mouse button
// but the right one; a right-button release shows the button's tip instead ("<window
// name>.<button name>").
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handle.h"

namespace tess {

class ImageButton;
class SkinLabel;

// A rectangle in design pixels (96 dpi).
struct DesignRect {
    int x, y, width, height;
};

enum class ControlKind {
    ImageButton,  // skinned face + caption (ImageButton)
    Label,        // text on the window's background (SkinLabel)
    Picture,      // a skin image on the window's background (SkinLabel with an image key)
    CaptionBar,   // a label that drags the window
    CloseBox,     // a picture that sends WM_COMMAND with its id when clicked
    Native,       // any system control class (edit, combo box, list view, tree view, progress bar)
};

// One row of a window's layout table.
struct ControlSpec {
    const wchar_t* name;  // design name, becomes the AutomationId
    int id;               // control id, WM_COMMAND's id
    ControlKind kind;
    DesignRect rect;
    const wchar_t* text = L"";       // caption, label text or skin image key
    const wchar_t* nativeClass = nullptr;  // ControlKind::Native only
    // Native only: added to WS_CHILD (give WS_VISIBLE, WS_TABSTOP, ES_PASSWORD... as needed);
    // the skinned kinds are always visible and ignore it.
    DWORD style = 0;
    DWORD exStyle = 0;  // Native only
};

// Font roles; every window keeps one set per density.
enum class FontRole { Body, Bold, Caption, Title, Small };

// One Alt+letter key of a window: the letter (upper case) and the command it clicks.
struct AltKey {
    wchar_t letter;
    int command;
};

// A window's answer to WM_CTLCOLOR* for one native control: the background (its brush is the
// window's) and, when set, the text colour.
struct ControlColors {
    COLORREF back;
    COLORREF text = CLR_INVALID;
};

// What a top-level window is: a window of the program (activated, centred on its owner, with a
// task-bar button when it has no owner), or a control tip (on top of everything, never
// activated, shadowed, placed by itself beside the pointer).
enum class WindowFrame { kWindow, kTip };

// The DrawText format of a caption that is one line centred in the band's height.
constexpr UINT kCaptionLineFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

class Window {
public:
    Window(std::wstring designName, DesignRect design, WindowFrame frame = WindowFrame::kWindow);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    const std::wstring& name() const { return name_; }
    // The Window object of one of our top-level windows, or null.
    static Window* fromHandle(HWND hwnd);

    // Creates the window hidden and builds its controls (onCreate). False when it failed.
    bool create(HWND owner);
    // Creates and shows without a nested loop: the main window, and tests.
    bool createModeless(HWND owner, int showCommand = SW_SHOWNORMAL);
    // Shows modally, owned by `owner` (which is disabled meanwhile and gets the focus back).
    // Returns when endModal() was called or the window was destroyed; false when it could not be
    // created or a WM_QUIT arrived (which is posted again for the outer loop).
    bool runModal(HWND owner);
    // Ends the modal loop (or, for a modeless window, destroys it).
    void endModal();
    bool isModalDone() const { return modalDone_; }

    // Density of the window's monitor and design-pixel scaling.
    int dpi() const { return dpi_; }
    int scale(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }
    RECT scale(const DesignRect& r) const;
    HFONT font(FontRole role) const;

    // Controls created from the layout table.
    HWND control(int id) const;
    ImageButton* button(int id) const;
    SkinLabel* label(int id) const;
    // Moves a control to a new design rectangle (kept for later density changes).
    void placeControl(int id, const DesignRect& rect);
    DesignRect controlRect(int id) const;
    void showControl(int id, bool show);
    // Whether the control is shown (its own flag, also while the window is still hidden).
    bool isControlShown(int id) const;
    // Changes the window's design size (message box sizing itself to its text).
    void setDesignSize(int width, int height);
    DesignRect designRect() const { return design_; }

    // Puts every image button of this window back into the normal state (mouse over background).
    void resetButtonFaces();
    // Enables or disables controls; an image button also takes the matching face.
    void enableControls(std::initializer_list<int> ids, bool enabled);
    // Moves a progress bar to a percentage of its range (only when the position changes).
    void setProgressPercent(int id, double percent);

    // Handles a key before the focused control sees it; true when used. Called by
    // PreTranslateWindowMessage from the message loops, and by the window procedure when the
    // window itself has the focus.
    bool handleKey(UINT vk, bool alt);

protected:
    virtual bool onCreate() { return true; }
    virtual LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp);
    virtual void onCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    // Keys the Alt-key table does not take. Alt+letter keys arrive with alt = true (vk is the
    // upper-case letter whatever the case).
    virtual bool onKey(UINT /*vk*/, bool /*alt*/) { return false; }
    // The colours of a native control (msg is WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC, ...); nothing
    // leaves the system's. A disabled or read-only edit box asks with WM_CTLCOLORSTATIC.
    virtual std::optional<ControlColors> controlColors(UINT /*msg*/, HWND /*child*/) const { return std::nullopt; }
    // The close box or Alt+F4: by default ends the window.
    virtual void onClose() { endModal(); }
    // Paints the window background (also used by the skinned controls to paint behind them).
    virtual void paintBackground(HDC dc, const RECT& client);
    // After the controls were placed at the current density.
    virtual void onLayout() {}
    virtual void onDestroy() {}
    // Height of the caption band in design pixels: pressing the mouse on the bare band drags
    // the window like a title bar (0: no band).
    virtual int captionBandHeight() const { return 0; }

    void addControls(const ControlSpec* specs, size_t count);
    template <size_t N>
    void addControls(const ControlSpec (&specs)[N]) { addControls(specs, N); }
    HWND addControl(const ControlSpec& spec);

    // The window's Alt+letter keys, listed once (in onCreate): the letter held with Alt, with or
    // without Shift, and without Ctrl (AltGr) or a Windows key, acts as onCommand(command,
    // BN_CLICKED, control), so the command's own guards apply to the key too.
    void setAltKeys(std::vector<AltKey> keys) { altKeys_ = std::move(keys); }
    // A solid brush of that colour, made on first use and owned by the window.
    HBRUSH brush(COLORREF color);
    // The label `id` as caption text on the band: the band's text colour and the caption font,
    // and the DrawText format when one is given (kCaptionLineFormat).
    SkinLabel* setUpCaption(int id, UINT drawTextFormat = 0);

    // Places the window: centred on the owner, or on its monitor's work area.
    void centre();
    HWND owner() const { return owner_; }

private:
    static void registerClass();
    static LRESULT CALLBACK thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void applyDensity(int dpi);
    void reround();
    void buildFonts();
    void paint();
    void printClient(HDC dc);
    bool inCaptionBand(LPARAM screenPoint) const;
    void moveTo(const RECT& suggested);
    bool altKey(UINT vk);
    LRESULT answerControlColor(UINT msg, WPARAM wp, LPARAM lp);

    struct Control {
        int id;
        HWND hwnd;
        ControlKind kind;
        DesignRect rect;
        std::unique_ptr<ImageButton> button;
        std::unique_ptr<SkinLabel> label;
    };

    std::wstring name_;
    DesignRect design_;
    WindowFrame frame_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    int dpi_ = 96;
    bool modalDone_ = false;
    bool inModalLoop_ = false;
    std::vector<Control> controls_;
    UniqueGdi fonts_[5];
    std::vector<AltKey> altKeys_;
    std::vector<std::pair<COLORREF, UniqueGdi>> brushes_;
};

// Sets the "AutomationId" property (a global atom of the name) on a window or control.
void SetAutomationId(HWND hwnd, const wchar_t* name);
// The AutomationId of a window, or empty.
std::wstring GetAutomationId(HWND hwnd);
// The first descendant of `parent` (or, with null, of any top-level window of this process)
// whose AutomationId is `name`.
HWND FindByAutomationId(HWND parent, const wchar_t* name);

// The pre-translate step of every message loop: gives the top-level Tessaron window of the
// message the key before the focused control (a focused tree view swallows WM_SYSKEYDOWN).
bool PreTranslateWindowMessage(MSG& msg);
// The application's loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Density helpers that also work on systems without per-monitor density (Windows 7).
int DpiForWindow(HWND hwnd);
int DpiForSystem();

// Window drag by its caption: release the capture and let the system move it.
void StartCaptionDrag(HWND topLevel);

// The whole text of a window or control.
std::wstring WindowText(HWND hwnd);

}  // namespace tess
