#pragma once
// The message box's decisions, as values: which label shows the text, the line estimate, the
// button sets with their letters, what ends the box with which code, and the layout arithmetic
// (in twips, the unit the layout is designed in; 15 twips are one pixel at 96 dpi).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

struct MessageTextPlan {
    bool shortText = false;   // shown on one line in lblSmallText
    int lineEstimate = 0;     // n (multi-line only)
    std::wstring labelText;   // what the label shows (multi-line: with its leading line breaks)
    int labelHeightTwips = 0; // multi-line only
};
MessageTextPlan PlanMessageText(std::wstring_view text);

struct MessageButtonSet {
    std::vector<std::wstring> captions;  // left to right
    std::wstring accelerators;           // both cases
    wchar_t defaultLetter;               // what Enter stands for
};
// The set, or nothing for a set number outside 0..4 (no buttons are placed then).
std::optional<MessageButtonSet> ButtonSetFor(int set);

// Code of a button by its caption (blanks trimmed); nothing for an unknown caption.
std::optional<int> ResultForCaption(std::wstring_view caption);
// Code of an accelerator letter (either case); nothing for another letter.
std::optional<int> ResultForLetter(wchar_t letter);
// What a key does in a box of `set`: Alt + one of the set's letters, or Enter for its default
// letter (for No instead when the set has one and the question asks for it). Nothing for every
// other key.
std::optional<int> ResultForKey(int set, unsigned virtualKey, bool alt, bool noByDefault = false);
// The close box: the first button captioned "No" or "Cancel" counts as clicked, else 3.
int ResultForCloseBox(const std::vector<std::wstring>& captions);

// Design values of the window (twips).
namespace mesgbox {
constexpr int kCaptionBarHeight = 450;  // the caption-bar image
constexpr int kTextLeft = 840;
constexpr int kTextTop = 200;           // within the body, below the caption bar
constexpr int kMultiLineWidth = 5400;   // lblText: about 60 characters a line
constexpr int kFaceWidth = 1095;
constexpr int kFaceHeight = 345;
constexpr int kButtonGap = 150;
constexpr int kStripHeight = 720;
constexpr int kStripLeft = 50;
constexpr int kButtonTop = 150;         // within the strip
constexpr int kIconSize = 360;
constexpr int kIconLeft = 300;
}  // namespace mesgbox

struct MessageLayoutInput {
    int textWidth;   // the label's width (a single line's own width for short text)
    int textHeight;  // the label's height
    int buttonCount; // -1 when no set was applied
};

struct MessageLayout {
    int windowWidth, windowHeight;
    int textLeft, textTop, textWidth, textHeight;  // body coordinates
    int stripTop, stripWidth;                      // body coordinates
    int buttonLeft[3];                             // strip coordinates
};
// Sizes the window to the text: the label is at least one button face wide (and wide enough for
// the row of buttons), the window adds fixed margins around it, the button row is centred in
// the strip.
MessageLayout LayoutMessageBox(const MessageLayoutInput& in);

}  // namespace tess
