#include "ui/MessageLayout.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "common/Text.h"

namespace tess {

MessageTextPlan PlanMessageText(std::wstring_view text) {
    MessageTextPlan plan;
    const bool hasLineBreak = text.find(L"\r\n") != std::wstring_view::npos;
    if (text.size() < 61 && !hasLineBreak) {
        plan.shortText = true;
        plan.labelText = std::wstring(text);
        return plan;
    }
    int n = 1;
    if (text.size() > 60) {
        // Halves go to the even number: 150 characters make 2 lines, 210 make 4.
        n = static_cast<int>(std::nearbyint(static_cast<double>(Trim(text).size()) / 60.0));
    }
    plan.lineEstimate = n;
    struct Row {
        int breaks;
        int height;
    };
    // The leading line breaks push a short text down towards the middle of the label.
    Row row = n <= 0 ? Row{2, 1000} : n == 1 ? Row{2, 900} : n == 2 ? Row{1, 1150} : n <= 4 ? Row{1, 1230}
              : n == 5 ? Row{0, 1230} : Row{0, 1450};
    plan.labelText.clear();
    for (int i = 0; i < row.breaks; ++i) plan.labelText += L"\r\n";
    plan.labelText += text;
    plan.labelHeightTwips = row.height;
    return plan;
}

std::optional<MessageButtonSet> ButtonSetFor(int set) {
    switch (set) {
        case 0: return MessageButtonSet{{L"OK"}, L"oO", L'o'};
        case 1: return MessageButtonSet{{L"OK", L"Cancel"}, L"ocOC", L'c'};
        case 2: return MessageButtonSet{{L"Yes", L"No"}, L"ynYN", L'y'};
        case 3: return MessageButtonSet{{L"Ok", L"Cancel", L"Retry"}, L"ocrOCR", L'o'};
        case 4: return MessageButtonSet{{L"Ok", L"Cancel", L"Ignore"}, L"ociOCI", L'o'};
        default: return std::nullopt;
    }
}

std::optional<int> ResultForCaption(std::wstring_view caption) {
    std::wstring c = Trim(caption);
    if (c == L"OK" || c == L"Ok") return 0;
    if (c == L"Cancel") return 2;
    if (c == L"Retry") return 4;
    if (c == L"Ignore") return 5;
    if (c == L"Yes") return 6;
    if (c == L"No") return 7;
    return std::nullopt;
}

std::optional<int> ResultForLetter(wchar_t letter) {
    switch (std::towlower(letter)) {
        case L'o': return 0;
        case L'c': return 2;
        case L'r': return 4;
        case L'i': return 5;
        case L'y': return 6;
        case L'n': return 7;
        default: return std::nullopt;
    }
}

std::optional<int> ResultForKey(int set, unsigned virtualKey, bool alt, bool noByDefault) {
    auto buttons = ButtonSetFor(set);
    if (!buttons) return std::nullopt;
    constexpr unsigned kEnter = 0x0D;
    if (virtualKey == kEnter && !alt) {
        const bool hasNo = buttons->accelerators.find(L'n') != std::wstring::npos;
        return ResultForLetter(noByDefault && hasNo ? L'n' : buttons->defaultLetter);
    }
    if (!alt || virtualKey < L'A' || virtualKey > L'Z') return std::nullopt;
    // Letter keys arrive as the upper-case letter whatever Shift and Caps Lock say.
    wchar_t letter = static_cast<wchar_t>(virtualKey);
    if (buttons->accelerators.find(letter) == std::wstring::npos &&
        buttons->accelerators.find(static_cast<wchar_t>(std::towlower(letter))) == std::wstring::npos)
        return std::nullopt;
    return ResultForLetter(letter);
}

int ResultForCloseBox(const std::vector<std::wstring>& captions) {
    for (const auto& caption : captions) {
        std::wstring c = Trim(caption);
        if (c == L"No") return 7;
        if (c == L"Cancel") return 2;
    }
    return 3;
}

MessageLayout LayoutMessageBox(const MessageLayoutInput& in) {
    using namespace mesgbox;
    MessageLayout out{};
    const int count = in.buttonCount > 0 ? std::min(in.buttonCount, 3) : 0;
    const int row = count > 0 ? count * kFaceWidth + (count - 1) * kButtonGap : 0;
    out.textLeft = kTextLeft;
    out.textTop = kTextTop;
    out.textHeight = in.textHeight;
    // At least one face wide; and wide enough that the strip holds the whole row with a gap
    // at each end (a short text with three buttons would otherwise push them off the window).
    out.textWidth = std::max(in.textWidth, kFaceWidth);
    const int margins = kTextLeft + 500 - 100;  // window width - strip width = 100
    out.textWidth = std::max(out.textWidth, row + 2 * kButtonGap - margins);
    out.windowWidth = out.textLeft + out.textWidth + 500;
    out.windowHeight = out.textTop + kCaptionBarHeight + out.textHeight + kStripHeight + 100;
    out.stripTop = out.textTop + out.textHeight;
    out.stripWidth = out.windowWidth - 100;
    // The row is centred on its real width.
    int left = (out.stripWidth - row) / 2;
    for (int i = 0; i < 3; ++i) {
        out.buttonLeft[i] = i < count ? left : 0;
        left += kFaceWidth + kButtonGap;
    }
    return out;
}

}  // namespace tess
