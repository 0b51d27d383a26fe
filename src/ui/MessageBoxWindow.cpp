#include "ui/MessageBoxWindow.h"

#include <algorithm>

#include "common/Log.h"
#include "ui/ImageButton.h"
#include "ui/Skin.h"
#include "ui/SkinLabel.h"

namespace tess {
namespace {

constexpr int px(int twips) { return (twips + 7) / 15; }  // twips to design pixels, rounded

int ToTwips(int devicePixels, int dpi) { return (devicePixels * 96 + dpi - 1) / dpi * 15; }  // rounded up

// The right edge (exclusive, device pixels) of the pixels one line really sets when drawn at 0.
// It can lie past the line's measured extent: Wine places the glyphs at their unrounded advances
// while the extent adds up rounded ones, a few pixels over a line; and a last glyph may overhang
// its advance.
int InkRight(HDC compatible, HFONT font, const std::wstring& text, SIZE extent) {
    const int w = extent.cx + 2 * extent.cy, h = extent.cy;  // room for what runs past the extent
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueDc dc(CreateCompatibleDC(compatible));
    UniqueGdi bitmap(dc ? CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!bitmap || !bits) return extent.cx;
    Selection selectedBitmap(dc.get(), bitmap.get());
    Selection selectedFont(dc.get(), font);
    PatBlt(dc.get(), 0, 0, w, h, WHITENESS);
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    RECT r{0, 0, w, h};
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    const auto* pixel = static_cast<const DWORD*>(bits);
    for (int x = w - 1; x >= 0; --x)
        for (int y = 0; y < h; ++y)
            if ((pixel[y * w + x] & 0xFFFFFF) != 0xFFFFFF) return x + 1;
    return 0;
}

// What the box's text needs, in twips, drawn with `font` at `dpi`: a one-line text as wide as
// the pixels it really sets, a longer one wrapped to the label's width.
MessageLayoutInput MeasureMessageText(const MessageTextPlan& plan, HFONT font, int dpi, int buttonCount) {
    using namespace mesgbox;
    MessageLayoutInput in{0, 0, buttonCount};
    const WindowDc screen(nullptr);
    UniqueDc dc(CreateCompatibleDC(screen.get()));
    Selection selected(dc.get(), font);
    const std::wstring text = plan.labelText.empty() ? L" " : plan.labelText;
    const int length = static_cast<int>(text.size());
    if (plan.shortText) {
        RECT r{};
        DrawTextW(dc.get(), text.c_str(), length, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const int width = std::max<int>(r.right, InkRight(screen.get(), font, text, SIZE{r.right, r.bottom}));
        in.textWidth = ToTwips(width, dpi);
        in.textHeight = std::max(ToTwips(r.bottom, dpi), kIconSize);  // never lower than the icon
    } else {
        in.textWidth = kMultiLineWidth;
        // The table's height, or more when the text really needs more lines: a long message
        // must never lose its end.
        RECT r{0, 0, MulDiv(px(kMultiLineWidth), dpi, 96), 0};
        DrawTextW(dc.get(), text.c_str(), length, &r, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        in.textHeight = std::max(plan.labelHeightTwips, ToTwips(r.bottom, dpi));
    }
    return in;
}

const wchar_t* const kIconKeys[4] = {L"vx_msg_info", L"vx_msg_question", L"vx_msg_cross", L"vx_msg_warn"};

// Positions here are placeholders; resizeMsgbox() places everything once the text is known.
const ControlSpec kLayout[] = {
    {L"Picture1", MesgBox::kIdCaptionImage, ControlKind::CaptionBar, {0, 0, 40, 30}},
    {L"AppCaption", MesgBox::kIdAppCaption, ControlKind::CaptionBar, {40, 0, 120, 30}, L"Tessaron"},
    {L"lblCapbar", MesgBox::kIdCapbar, ControlKind::CaptionBar, {160, 0, 40, 30}},
    {L"MsgClose", MesgBox::kIdClose, ControlKind::CloseBox, {200, 5, 20, 20}, L"vx_small_close"},
    {L"picIcon0", MesgBox::kIdIcon0 + 0, ControlKind::Picture, {20, 33, 24, 24}, L"vx_msg_info"},
    {L"picIcon1", MesgBox::kIdIcon0 + 1, ControlKind::Picture, {20, 33, 24, 24}, L"vx_msg_question"},
    {L"picIcon2", MesgBox::kIdIcon0 + 2, ControlKind::Picture, {20, 33, 24, 24}, L"vx_msg_cross"},
    {L"picIcon3", MesgBox::kIdIcon0 + 3, ControlKind::Picture, {20, 33, 24, 24}, L"vx_msg_warn"},
    {L"lblText", MesgBox::kIdText, ControlKind::Label, {56, 43, 360, 60}},
    {L"lblSmallText", MesgBox::kIdSmallText, ControlKind::Label, {56, 43, 360, 16}},
    {L"cmdButton0", MesgBox::kIdButton0 + 0, ControlKind::ImageButton, {0, 0, 73, 23}},
    {L"cmdButton1", MesgBox::kIdButton0 + 1, ControlKind::ImageButton, {0, 0, 73, 23}},
    {L"cmdButton2", MesgBox::kIdButton0 + 2, ControlKind::ImageButton, {0, 0, 73, 23}},
};

}  // namespace

MesgBox::MesgBox() : Window(L"MesgBox", {0, 0, 300, 140}) {}

bool MesgBox::onCreate() {
    addControls(kLayout);
    for (int i = 0; i < 4; ++i) showControl(kIdIcon0 + i, false);
    for (int i = 0; i < 3; ++i) {
        showControl(kIdButton0 + i, false);
        button(kIdButton0 + i)->setState(ImageButton::kNormal);
        button(kIdButton0 + i)->setLeftButtonOnly();  // an answer is given with the left button, as in the system's box
    }
    showControl(kIdText, false);
    showControl(kIdSmallText, false);
    label(kIdCaptionImage)->setImage(L"vx_mark");  // still drags the window
    setUpCaption(kIdAppCaption, kCaptionLineFormat);
    label(kIdSmallText)->setFormat(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    RoundedBorder(hwnd(), name());  // resized to its text later; the region follows
    return true;
}

void MesgBox::setMessage(const std::wstring& text) {
    plan_ = PlanMessageText(text);
    if (plan_.shortText) {
        label(kIdSmallText)->setText(plan_.labelText);
        showControl(kIdText, false);
        showControl(kIdSmallText, true);
    } else {
        label(kIdText)->setText(plan_.labelText);
        showControl(kIdText, true);
        showControl(kIdSmallText, false);
    }
    resizeMsgbox();
}

void MesgBox::setButton(int index, const std::wstring& caption, bool visible) {
    ImageButton* b = button(kIdButton0 + index);
    if (!b) return;
    b->setCaption(caption);
    showControl(kIdButton0 + index, visible);
}

void MesgBox::resizeMsgbox() {
    MessageLayoutInput in = MeasureMessageText(plan_, font(FontRole::Body), dpi(), buttonCount_);
    layout_ = LayoutMessageBox(in);
    onLayout();
}

void MesgBox::onLayout() {
    using namespace mesgbox;
    if (!layout_.windowWidth) return;
    const MessageLayout& l = layout_;
    const int body = kCaptionBarHeight;  // body coordinates start below the caption bar
    const int w = px(l.windowWidth);
    const int band = px(kCaptionBarHeight);
    placeControl(kIdCaptionImage, {12, (band - 2 - 18) / 2, 18, 18});
    placeControl(kIdAppCaption, {40, 0, 120, band});
    placeControl(kIdCapbar, {160, 0, std::max(0, w - 160 - 30), band});
    placeControl(kIdClose, {w - 27, (band - 20) / 2, 20, 20});
    DesignRect text{px(l.textLeft), px(body + l.textTop), px(l.textWidth), px(l.textHeight)};
    // The icon stands beside the first line of the message: the line breaks put in front of a
    // short text move it down, and the icon moves with it.
    int iconTop = text.y;
    if (!plan_.shortText) {
        int breaks = 0;
        for (size_t at = 0; plan_.labelText.compare(at, 2, L"\r\n") == 0; at += 2) ++breaks;
        int line = label(kIdText)->measureText().cy;
        iconTop = std::max(text.y, text.y + breaks * line + (line - px(kIconSize)) / 2);
    } else {
        iconTop = text.y + (text.height - px(kIconSize)) / 2;
    }
    for (int i = 0; i < 4; ++i) placeControl(kIdIcon0 + i, {px(kIconLeft), iconTop, px(kIconSize), px(kIconSize)});
    placeControl(kIdText, text);
    placeControl(kIdSmallText, text);  // centred vertically by its format
    for (int i = 0; i < 3; ++i)
        placeControl(kIdButton0 + i, {px(kStripLeft + l.buttonLeft[i]), px(body + l.stripTop + kButtonTop),
                                      px(kFaceWidth), px(kFaceHeight)});
    if (designRect().width != w || designRect().height != px(l.windowHeight)) setDesignSize(w, px(l.windowHeight));
}

void MesgBox::prepare(const MessageCall& call) {
    try {
        buttonCount_ = -1;
        set_ = call.buttons;
        noByDefault_ = call.noByDefault;
        text_ = call.text;
        setMessage(call.text);
        label(kIdAppCaption)->setText(L"Tessaron");
        if (auto set = ButtonSetFor(call.buttons)) {
            for (size_t i = 0; i < set->captions.size(); ++i) setButton(static_cast<int>(i), set->captions[i], true);
            buttonCount_ = static_cast<int>(set->captions.size());
        }
        SetWindowTextW(hwnd(), call.caption.c_str());
        for (int i = 0; i < 4; ++i) showControl(kIdIcon0 + i, i == call.icon);
        resizeMsgbox();
        centre();
    } catch (...) {
        TraceError(L"ShowMessage", L" preparing the message box");
    }
}

void MesgBox::finish(int code) {
    result_ = code;
    endModal();
}

void MesgBox::onCommand(int id, int /*code*/, HWND /*control*/) {
    if (id == kIdClose) {
        onClose();
        return;
    }
    if (id >= kIdButton0 && id < kIdButton0 + 3) {
        if (auto code = ResultForCaption(button(id)->caption())) finish(*code);
    }
}

void MesgBox::copyText() {
    // Ctrl+C puts the message on the clipboard, as the system's message box does: support
    // calls go better with the exact text.
    std::wstring text = L"Tessaron\r\n\r\n" + text_ + L"\r\n";
    if (!OpenClipboard(hwnd())) return;
    EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = GlobalLock(mem)) {
            memcpy(p, text.c_str(), bytes);
            GlobalUnlock(mem);
            if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
        } else {
            GlobalFree(mem);
        }
    }
    CloseClipboard();
}

bool MesgBox::onKey(UINT vk, bool alt) {
    if (vk == 'C' && !alt && GetKeyState(VK_CONTROL) < 0) {
        copyText();
        return true;
    }
    if (vk == VK_ESCAPE && !alt) {
        // Escape means what the close box means.
        onClose();
        return true;
    }
    if (auto code = ResultForKey(set_, vk, alt, noByDefault_)) {
        finish(*code);
        return true;
    }
    return alt;  // other Alt keys are swallowed: no menu, no beep
}

void MesgBox::onClose() {
    std::vector<std::wstring> captions;
    for (int i = 0; i < 3; ++i)
        if (isControlShown(kIdButton0 + i)) captions.push_back(button(kIdButton0 + i)->caption());
    finish(ResultForCloseBox(captions));
}

void MesgBox::paintBackground(HDC dc, const RECT& client) {
    FillRect(dc, &client, brush(skin::kPanel));
    // The button strip is set off from the text by a light band.
    if (layout_.windowWidth) {
        RECT strip = client;
        strip.top = scale(px(mesgbox::kCaptionBarHeight + layout_.stripTop));
        FillRect(dc, &strip, brush(RGB(241, 244, 247)));
    }
    SetImagetoScreenSmall(dc, client, dpi());
}

namespace {

// The box whose endWhen the thread's timer looks at; one such box at a time per thread.
thread_local MesgBox* tEnding = nullptr;
thread_local const MessageCall* tEndingCall = nullptr;

void CALLBACK lookAtEnd(HWND, UINT, UINT_PTR, DWORD) {
    if (tEnding && tEndingCall && tEndingCall->endWhen()) tEnding->end(kResultClosed);
}

}  // namespace

MessageResult RunMessageBox(HWND owner, const MessageCall& call) {
    MesgBox box;
    if (box.create(owner)) {
        box.prepare(call);
        UINT_PTR timer = 0;
        if (call.endWhen && !tEnding) {
            tEnding = &box;
            tEndingCall = &call;
            timer = SetTimer(nullptr, 0, 250, lookAtEnd);
        }
        box.runModal(owner);
        if (timer) KillTimer(nullptr, timer);
        if (tEnding == &box) {
            tEnding = nullptr;
            tEndingCall = nullptr;
        }
    }
    return static_cast<MessageResult>(box.result());
}

}  // namespace tess
