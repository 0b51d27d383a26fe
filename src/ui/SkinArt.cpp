#include "ui/SkinArt.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "common/Text.h"
#include "platform/Handle.h"
#include "ui/Skin.h"

namespace tess {
namespace {

// Draws in "units": the picture's own design grid, mapped onto the device context.
struct Pen {
    double x, y;
};

class Painter {
public:
    Painter(HDC dc, int width, int height, double unitsWide, double unitsHigh)
        : dc_(dc), sx_(width / unitsWide), sy_(height / unitsHigh) {}

    int X(double u) const { return static_cast<int>(std::lround(u * sx_)); }
    int Y(double u) const { return static_cast<int>(std::lround(u * sy_)); }
    int L(double u) const { return std::max(1, static_cast<int>(std::lround(u * std::min(sx_, sy_)))); }

    void rect(double x, double y, double w, double h, COLORREF c) const {
        RECT r{X(x), Y(y), X(x + w), Y(y + h)};
        UniqueGdi brush(CreateSolidBrush(c));
        FillRect(dc_, &r, static_cast<HBRUSH>(brush.get()));
    }

    void gradient(double x, double y, double w, double h, COLORREF top, COLORREF bottom, bool vertical = true) const {
        TRIVERTEX v[2] = {{X(x), Y(y), static_cast<COLOR16>(GetRValue(top) << 8), static_cast<COLOR16>(GetGValue(top) << 8),
                           static_cast<COLOR16>(GetBValue(top) << 8), 0},
                          {X(x + w), Y(y + h), static_cast<COLOR16>(GetRValue(bottom) << 8),
                           static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8), 0}};
        GRADIENT_RECT g{0, 1};
        GradientFill(dc_, v, 2, &g, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    }

    // A rounded rectangle filled with a vertical gradient and outlined.
    void roundGradient(double x, double y, double w, double h, double r, COLORREF top, COLORREF bottom, COLORREF line,
                       double lineWidth) const {
        UniqueGdi rgn(CreateRoundRectRgn(X(x), Y(y), X(x + w) + 1, Y(y + h) + 1, X(2 * r), Y(2 * r)));
        SelectClipRgn(dc_, static_cast<HRGN>(rgn.get()));
        gradient(x, y, w, h, top, bottom);
        SelectClipRgn(dc_, nullptr);
        if (lineWidth > 0) round(x, y, w, h, r, CLR_INVALID, line, lineWidth);
    }

    void round(double x, double y, double w, double h, double r, COLORREF fill, COLORREF line = CLR_INVALID,
               double lineWidth = 0) const {
        Select s(*this, fill, line, lineWidth);
        double inset = lineWidth > 0 ? lineWidth / 2 : 0;
        RoundRect(dc_, X(x + inset), Y(y + inset), X(x + w - inset) + 1, Y(y + h - inset) + 1, X(2 * r), Y(2 * r));
    }

    void ellipse(double x, double y, double w, double h, COLORREF fill, COLORREF line = CLR_INVALID,
                 double lineWidth = 0) const {
        Select s(*this, fill, line, lineWidth);
        Ellipse(dc_, X(x), Y(y), X(x + w) + 1, Y(y + h) + 1);
    }

    void polygon(std::initializer_list<Pen> pts, COLORREF fill, COLORREF line = CLR_INVALID, double lineWidth = 0) const {
        Select s(*this, fill, line, lineWidth);
        std::vector<POINT> p;
        for (auto& q : pts) p.push_back({X(q.x), Y(q.y)});
        Polygon(dc_, p.data(), static_cast<int>(p.size()));
    }

    void polyline(std::initializer_list<Pen> pts, double lineWidth, COLORREF c) const {
        Select s(*this, CLR_INVALID, c, lineWidth);
        std::vector<POINT> p;
        for (auto& q : pts) p.push_back({X(q.x), Y(q.y)});
        Polyline(dc_, p.data(), static_cast<int>(p.size()));
    }

    void arc(double x, double y, double w, double h, Pen from, Pen to, double lineWidth, COLORREF c) const {
        Select s(*this, CLR_INVALID, c, lineWidth);
        Arc(dc_, X(x), Y(y), X(x + w), Y(y + h), X(from.x), Y(from.y), X(to.x), Y(to.y));
    }

    void text(double x, double y, double w, double h, const wchar_t* t, double size, bool bold, COLORREF c,
              UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE) const {
        UniqueGdi font(CreateFontW(-Y(size), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                   ANTIALIASED_QUALITY, 0, L"Arial"));
        Selection selected(dc_, font.get());
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, c);
        RECT r{X(x), Y(y), X(x + w), Y(y + h)};
        DrawTextW(dc_, t, -1, &r, format | DT_NOPREFIX);
    }

private:
    // Selects a brush and a round-capped pen for one shape; CLR_INVALID means none.
    class Select {
    public:
        Select(const Painter& p, COLORREF fill, COLORREF line, double lineWidth)
            : brush_(fill == CLR_INVALID ? nullptr : CreateSolidBrush(fill)),
              pen_(line != CLR_INVALID && lineWidth > 0 ? roundPen(line, p.L(lineWidth)) : nullptr),
              brushSelected_(p.dc_, brush_ ? brush_.get() : GetStockObject(NULL_BRUSH)),
              penSelected_(p.dc_, pen_ ? pen_.get() : GetStockObject(NULL_PEN)) {}

    private:
        static HPEN roundPen(COLORREF color, int width) {
            LOGBRUSH lb{BS_SOLID, color, 0};
            return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width, &lb, 0, nullptr);
        }

        // The objects outlive their selection: members go in the reverse order.
        UniqueGdi brush_, pen_;
        Selection brushSelected_, penSelected_;
    };

    HDC dc_;
    double sx_, sy_;
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBandTop = RGB(27, 61, 89);
constexpr COLORREF kBandBottom = RGB(17, 42, 62);
constexpr COLORREF kTeal = RGB(35, 164, 154);
constexpr COLORREF kBlue = RGB(47, 127, 224);

// Faces: drawn in shown pixels (units = pixels), so the outline stays one pixel at any size.
void face(HDC dc, int W, int H, int s, COLORREF top, COLORREF bottom, COLORREF line) {
    Painter p(dc, W, H, W / double(s), H / double(s));
    double w = W / double(s), h = H / double(s);
    double r = std::clamp(h * 0.16, 3.0, 8.0);
    p.roundGradient(0, 0, w - 1, h - 1, r, top, bottom, line, 1);
}
void buttonEnb(HDC dc, int W, int H, int s) { face(dc, W, H, s, RGB(255, 255, 255), RGB(226, 233, 239), RGB(160, 175, 188)); }
void buttonOvr(HDC dc, int W, int H, int s) { face(dc, W, H, s, RGB(40, 170, 160), RGB(22, 122, 128), RGB(16, 100, 106)); }
void dataEnb(HDC dc, int W, int H, int s) { face(dc, W, H, s, RGB(252, 253, 254), RGB(218, 229, 238), RGB(146, 166, 184)); }
void dataOvr(HDC dc, int W, int H, int s) { face(dc, W, H, s, RGB(52, 120, 196), RGB(30, 84, 148), RGB(24, 68, 124)); }

// The product mark: a drive with an arrow shipping data into it, on a teal tile.
void mark(const Painter& p, double x, double y, double size) {
    double u = size / 32;
    p.round(x, y, size, size, 7 * u, kTeal);
    p.round(x + 6 * u, y + 17 * u, 20 * u, 9 * u, 2 * u, kWhite);
    p.ellipse(x + 20 * u, y + 20 * u, 3.2 * u, 3.2 * u, RGB(53, 194, 165));
    p.polygon({{x + 10 * u, y + 5 * u}, {x + 22 * u, y + 5 * u}, {x + 16 * u, y + 13 * u}}, kWhite);
}

void band(HDC dc, int W, int H, int s) {
    Painter p(dc, W, H, W / double(s), H / double(s));
    double w = W / double(s), h = H / double(s);
    p.gradient(0, 0, w, h, kBandTop, kBandBottom);
    p.rect(0, h - 2, w, 2, kTeal);
}
// The left piece carries no mark: each window puts its own caption (and the message box the
// mark, "vx_mark") where it wants on the band.
void bandPlain(HDC dc, int W, int H, int s) { band(dc, W, H, s); }

void productMark(HDC dc, int W, int H, int) { mark(Painter(dc, W, H, 32, 32), 0, 0, 32); }

void closeBox(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 20, 20);
    p.polyline({{6, 6}, {14, 14}}, 2, kWhite);
    p.polyline({{14, 6}, {6, 14}}, 2, kWhite);
}

void help(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 20, 20);
    p.ellipse(2, 2, 16, 16, CLR_INVALID, kWhite, 1.6);
    p.text(2, 2, 16, 16.5, L"?", 12, true, kWhite);
}

void msgInfo(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.ellipse(1, 1, 30, 30, kBlue);
    p.ellipse(13.8, 6.8, 4.4, 4.4, kWhite);
    p.round(14, 13, 4, 13, 1.6, kWhite);
}
void msgQuestion(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.ellipse(1, 1, 30, 30, kTeal);
    p.text(1, 1.5, 30, 30, L"?", 22, true, kWhite);
}
void msgCross(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.ellipse(1, 1, 30, 30, RGB(214, 69, 69));
    p.polyline({{10.5, 10.5}, {21.5, 21.5}}, 3.4, kWhite);
    p.polyline({{21.5, 10.5}, {10.5, 21.5}}, 3.4, kWhite);
}
void msgWarn(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    constexpr COLORREF amber = RGB(242, 165, 22);
    p.polygon({{16, 3.5}, {29.5, 27.5}, {2.5, 27.5}}, amber, amber, 3);
    p.round(14.4, 10.5, 3.2, 10.5, 1.4, RGB(58, 42, 0));
    p.ellipse(14.2, 22.5, 3.6, 3.6, RGB(58, 42, 0));
}

void cylinder(const Painter& p, double x, double y, double w, double h, COLORREF body, COLORREF top) {
    double eh = w * 0.36;
    p.ellipse(x, y + h - eh, w, eh, body);
    p.rect(x, y + eh / 2, w, h - eh, body);
    p.ellipse(x, y, w, eh, top);
    p.arc(x, y + (h - eh) * 0.38, w, eh, {x, y + h * 0.4}, {x + w, y + h * 0.4}, 1.1, top);
    p.arc(x, y + (h - eh) * 0.72, w, eh, {x, y + h * 0.75}, {x + w, y + h * 0.75}, 1.1, top);
}

void sql(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    cylinder(p, 6, 3, 20, 26, RGB(38, 112, 170), RGB(120, 186, 226));
}
void sqlLogin(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    cylinder(p, 3, 2, 17, 23, RGB(38, 112, 170), RGB(120, 186, 226));
    constexpr COLORREF gold = RGB(226, 168, 36);
    p.ellipse(15, 17, 9, 9, gold);
    p.ellipse(17.6, 19.6, 3.8, 3.8, kWhite);
    p.polyline({{23, 23}, {29.5, 29.5}}, 2.8, gold);
    p.polyline({{27, 27}, {29, 25}}, 2.4, gold);
}
void exchange(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.round(3, 7, 26, 19, 2.5, kBlue);
    p.polyline({{4.5, 9}, {16, 18}, {27.5, 9}}, 2.2, kWhite);
}
void sharepoint(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.ellipse(10, 3, 19, 19, RGB(30, 111, 140));
    p.ellipse(15, 15, 13, 13, RGB(64, 150, 190));
    p.round(3, 9, 17, 17, 3, kTeal);
    p.text(3, 9, 17, 17.5, L"S", 13, true, kWhite);
}
void recal(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.round(7, 2, 18, 28, 3, RGB(74, 90, 104));
    p.round(9.5, 5, 13, 7, 1.2, RGB(207, 232, 230));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.round(9.5 + col * 4.6, 14.5 + row * 4.8, 3.4, 3.4, 0.8, col == 2 && row == 2 ? kTeal : RGB(226, 232, 238));
}

void folderShape(const Painter& p, bool open, COLORREF back, COLORREF front, COLORREF line) {
    p.polygon({{2, 7}, {12, 7}, {14.5, 10}, {30, 10}, {30, 27}, {2, 27}}, back, line, 0.8);
    if (open)
        p.polygon({{6, 14}, {31, 14}, {27, 27}, {2, 27}}, front, line, 0.8);
    else
        p.round(2, 12.5, 28, 14.5, 1.5, front, line, 0.8);
}
void folder(HDC dc, int W, int H, int) {
    folderShape(Painter(dc, W, H, 32, 32), false, RGB(232, 170, 58), RGB(246, 196, 86), RGB(200, 140, 40));
}
void openFolder(HDC dc, int W, int H, int) {
    folderShape(Painter(dc, W, H, 32, 32), true, RGB(232, 170, 58), RGB(250, 208, 112), RGB(200, 140, 40));
}
void folderGray(HDC dc, int W, int H, int) {
    folderShape(Painter(dc, W, H, 32, 32), false, RGB(170, 176, 182), RGB(200, 205, 210), RGB(140, 146, 152));
}
void openFolderGray(HDC dc, int W, int H, int) {
    folderShape(Painter(dc, W, H, 32, 32), true, RGB(170, 176, 182), RGB(212, 216, 220), RGB(140, 146, 152));
}
void file(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    constexpr COLORREF line = RGB(120, 132, 144);
    p.polygon({{7, 2.5}, {20, 2.5}, {26, 8.5}, {26, 29.5}, {7, 29.5}}, kWhite, line, 1.2);
    p.polygon({{20, 2.5}, {20, 8.5}, {26, 8.5}}, RGB(220, 226, 232), line, 1.2);
    for (int i = 0; i < 4; ++i) p.rect(10.5, 13 + i * 4, 12, 1.4, RGB(170, 182, 194));
}
void gray(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.round(6, 6, 20, 20, 4, RGB(200, 205, 210), RGB(150, 156, 162), 1.2);
}
void myComputer(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.round(3, 4, 26, 18, 2, RGB(74, 90, 104));
    p.rect(5, 6, 22, 14, RGB(90, 170, 220));
    p.polygon({{13, 22}, {19, 22}, {20.5, 27}, {11.5, 27}}, RGB(120, 132, 144));
    p.round(8, 26.5, 16, 3, 1.2, RGB(74, 90, 104));
}
void myDesktop(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.round(2, 5, 28, 22, 2.5, kBlue);
    p.rect(2, 23, 28, 4, RGB(24, 60, 110));
    p.round(5, 8, 5, 5, 1, kWhite);
    p.round(5, 15, 5, 5, 1, kWhite);
    p.round(12, 8, 5, 5, 1, RGB(246, 196, 86));
}
void drive(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 32, 32);
    p.roundGradient(2, 10, 28, 13, 2.5, RGB(214, 220, 226), RGB(160, 170, 180), RGB(110, 120, 130), 1.1);
    p.rect(6, 17.5, 14, 1.6, RGB(110, 120, 130));
    p.ellipse(23, 15.5, 3.6, 3.6, RGB(60, 200, 110));
}

// The main window's background, designed at 476 x 404 (the window's design size).
void advImage(HDC dc, int W, int H, int) {
    Painter p(dc, W, H, 476, 404);
    p.gradient(0, 0, 476, 36, kBandTop, kBandBottom);
    p.rect(0, 34, 476, 2, kTeal);
    mark(p, 12, 8, 20);
    p.gradient(0, 36, 476, 368, RGB(248, 250, 252), RGB(233, 239, 244));
    // The illustration at the right of the introduction: a large mark with a soft halo.
    p.ellipse(370, 44, 92, 92, RGB(226, 240, 240));
    p.ellipse(382, 56, 68, 68, RGB(208, 233, 231));
    mark(p, 394, 68, 44);
    p.rect(28, 150, 420, 1, RGB(213, 222, 230));
    // One card per shown button (button tops 173, 233, 293, buttons 47 high at 109).
    const double tops[] = {173, 232.7, 293.3};
    void (*icons[])(HDC, int, int, int) = {sql, exchange, sharepoint};
    for (int i = 0; i < 3; ++i) {
        p.round(28, tops[i] - 4, 420, 55, 6, kWhite, RGB(218, 226, 234), 1);
        // The row icon, drawn into its own spot of the background.
        int x = p.X(50), y = p.Y(tops[i] + 4), size = p.X(40);
        POINT old;
        OffsetViewportOrgEx(dc, x, y, &old);
        icons[i](dc, size, size, 1);
        SetViewportOrgEx(dc, old.x, old.y, nullptr);
    }
    p.rect(28, 362, 420, 1, RGB(213, 222, 230));
}

struct Entry {
    const wchar_t* key;
    ArtInfo art;
};

const Entry kArt[] = {
    {L"button_enb", {buttonEnb, 4, false}},
    {L"button_ovr", {buttonOvr, 4, false}},
    {L"buttondata_enb", {dataEnb, 4, false}},
    {L"buttondata_ovr", {dataOvr, 4, false}},
    {L"vx_big_left_bdr", {bandPlain, 1, true}},
    {L"vx_big_cntr_bdr", {bandPlain, 1, true}},
    {L"vx_big_right_bdr", {bandPlain, 1, true}},
    {L"vx_small_left_bdr", {bandPlain, 1, true}},
    {L"vx_small_cntr_bdr", {bandPlain, 1, true}},
    {L"vx_small_right_bdr", {bandPlain, 1, true}},
    {L"vx_msg_info", {msgInfo, 4, false}},
    {L"vx_msg_question", {msgQuestion, 4, false}},
    {L"vx_msg_cross", {msgCross, 4, false}},
    {L"vx_msg_warn", {msgWarn, 4, false}},
    {L"vx_small_close", {closeBox, 4, false}},
    {L"vx_mark", {productMark, 4, false}},
    {L"vx_help", {help, 4, false}},
    {L"vx_sql", {sql, 4, false}},
    {L"vx_exchange", {exchange, 4, false}},
    {L"vx_sharepoint", {sharepoint, 4, false}},
    {L"vx_folder", {folder, 4, false}},
    {L"vx_sql_login", {sqlLogin, 4, false}},
    {L"vx_recal", {recal, 4, false}},
    {L"folder", {folder, 4, false}},
    {L"openfolder", {openFolder, 4, false}},
    {L"file", {file, 4, false}},
    {L"foldergray", {folderGray, 4, false}},
    {L"openfoldergray", {openFolderGray, 4, false}},
    {L"gray", {gray, 4, false}},
    {L"mycomp", {myComputer, 4, false}},
    {L"mydesktop", {myDesktop, 4, false}},
    {L"Drive", {drive, 4, false}},
    {L"drive", {drive, 4, false}},
    {L"ADV_IMG", {advImage, 2, true}},
};

}  // namespace

const ArtInfo* FindArt(std::wstring_view key) {
    // Exact match first ("Drive" and "drive" are two keys), then without regard to case.
    for (const auto& e : kArt)
        if (key == e.key) return &e.art;
    for (const auto& e : kArt)
        if (EqualsNoCase(key, e.key)) return &e.art;
    return nullptr;
}

std::vector<std::wstring> ArtKeys() {
    std::vector<std::wstring> keys;
    for (const auto& e : kArt) keys.emplace_back(e.key);
    return keys;
}

}  // namespace tess
