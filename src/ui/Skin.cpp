#include "ui/Skin.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "common/Text.h"
#include "platform/Handle.h"
#include "ui/SkinArt.h"

namespace tess {
namespace {

struct CacheKey {
    std::wstring key;
    int width, height;
    bool operator<(const CacheKey& o) const { return std::tie(key, width, height) < std::tie(o.key, o.width, o.height); }
};

std::map<CacheKey, UniqueGdi>& cache() {
    static std::map<CacheKey, UniqueGdi> c;
    return c;
}

UniqueGdi createDib(int w, int h, uint32_t** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    UniqueGdi bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
    *bits = static_cast<uint32_t*>(p);
    return bmp;
}

// Renders on black and on white: the difference between the two is the coverage (alpha), the
// black rendering is the premultiplied colour. Then averages kOversample x kOversample blocks.
UniqueGdi render(const ArtInfo& art, int w, int h) {
    const int s = std::max(1, art.oversample);  // GDI itself does not anti-alias shapes
    const int W = w * s, H = h * s;
    uint32_t* black = nullptr;
    uint32_t* white = nullptr;
    uint32_t* out = nullptr;
    UniqueGdi bBlack = createDib(W, H, &black);
    UniqueGdi bWhite = art.opaque ? UniqueGdi() : createDib(W, H, &white);
    UniqueGdi result = createDib(w, h, &out);
    if (!bBlack || (!art.opaque && !bWhite) || !result) return {};
    UniqueDc dc(CreateCompatibleDC(nullptr));
    for (int pass = 0; pass < (art.opaque ? 1 : 2); ++pass) {
        Selection selected(dc.get(), pass == 0 ? bBlack.get() : bWhite.get());
        RECT all{0, 0, W, H};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(pass == 0 ? BLACK_BRUSH : WHITE_BRUSH)));
        GdiFlush();
        art.draw(dc.get(), W, H, s);
        GdiFlush();
    }
    const int n = s * s;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned sr = 0, sg = 0, sb = 0, sa = 0;
            for (int dy = 0; dy < s; ++dy) {
                const uint32_t* rowB = black + (y * s + dy) * W + x * s;
                const uint32_t* rowW = white ? white + (y * s + dy) * W + x * s : nullptr;
                for (int dx = 0; dx < s; ++dx) {
                    uint32_t b = rowB[dx];
                    unsigned r = (b >> 16) & 255, g = (b >> 8) & 255, bl = b & 255;
                    unsigned a = 255;
                    if (rowW) {
                        uint32_t wv = rowW[dx];
                        int diff = static_cast<int>((wv >> 8) & 255) - static_cast<int>(g);
                        a = static_cast<unsigned>(255 - std::max(0, std::min(255, diff)));
                        r = std::min(r, a);
                        g = std::min(g, a);
                        bl = std::min(bl, a);
                    }
                    sr += r;
                    sg += g;
                    sb += bl;
                    sa += a;
                }
            }
            out[y * w + x] = ((sa / n) << 24) | ((sr / n) << 16) | ((sg / n) << 8) | (sb / n);
        }
    }
    return result;
}

}  // namespace

bool SkinHasImage(std::wstring_view key) { return FindArt(key) != nullptr; }

std::vector<std::wstring> SkinImageKeys() { return ArtKeys(); }

HBITMAP SkinImage(std::wstring_view key, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    const ArtInfo* art = FindArt(key);
    if (!art) return nullptr;
    CacheKey k{std::wstring(key), width, height};
    auto& c = cache();
    if (auto it = c.find(k); it != c.end()) return static_cast<HBITMAP>(it->second.get());
    UniqueGdi bmp = render(*art, width, height);
    if (!bmp) return nullptr;
    return static_cast<HBITMAP>(c.emplace(std::move(k), std::move(bmp)).first->second.get());
}

void DrawSkinImage(HDC dc, std::wstring_view key, const RECT& rect) {
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    HBITMAP bmp = SkinImage(key, w, h);
    if (!bmp) return;
    UniqueDc mem(CreateCompatibleDC(dc));
    Selection selected(mem.get(), bmp);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, rect.left, rect.top, w, h, mem.get(), 0, 0, w, h, bf);
}

HIMAGELIST CreateSkinImageList(const std::vector<std::wstring>& keys, int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, static_cast<int>(keys.size()), 4);
    if (!list) return nullptr;
    for (const auto& key : keys) {
        HBITMAP bmp = SkinImage(key, size, size);
        // The list copies the bitmap; an unknown key still takes its slot so indexes stay right.
        if (bmp) {
            ImageList_Add(list, bmp, nullptr);
        } else {
            uint32_t* bits = nullptr;
            UniqueGdi empty = createDib(size, size, &bits);
            ImageList_Add(list, static_cast<HBITMAP>(empty.get()), nullptr);
        }
    }
    return list;
}

HCURSOR SkinCursor(std::wstring_view key) {
    // The system's hand follows the user's pointer size and scheme at every density.
    if (EqualsNoCase(key, L"hand")) return LoadCursor(nullptr, IDC_HAND);
    return LoadCursor(nullptr, IDC_ARROW);
}

void ClearSkinCache() { cache().clear(); }

RegionEdges RoundedRegionEdges(std::wstring_view windowName, int innerWidth, int innerHeight) {
    double right = innerWidth + 0.5, bottom = innerHeight + 1.25;
    if (EqualsNoCase(windowName, L"frmSQLSvrLogin") || EqualsNoCase(windowName, L"frmErrorReport1") ||
        EqualsNoCase(windowName, L"frmLocalFileBrowse")) {
        right = innerWidth + 0.75;
    } else if (EqualsNoCase(windowName, L"MesgBox")) {
        right = innerWidth + 0.75;
        bottom = innerHeight + 1.0;
    }
    // nearbyint rounds in the default mode: to the nearest, halves to even.
    return {static_cast<int>(std::nearbyint(right)), static_cast<int>(std::nearbyint(bottom))};
}

void RoundedBorder(HWND hwnd, std::wstring_view windowName) {
    RECT client{};
    if (!GetClientRect(hwnd, &client)) return;
    RegionEdges e = RoundedRegionEdges(windowName, client.right, client.bottom);
    const WindowDc probe(hwnd);
    int dpi = probe.get() ? GetDeviceCaps(probe.get(), LOGPIXELSX) : 96;
    int corner = std::max(5, MulDiv(5, dpi, 96));
    UniqueGdi rgn(CreateRoundRectRgn(0, 0, e.right, e.bottom, corner, corner));
    // The system owns the region once it took it (and deletes the previous one).
    if (rgn && SetWindowRgn(hwnd, static_cast<HRGN>(rgn.get()), TRUE)) rgn.release();
}

namespace {

void paintFrame(HDC dc, const RECT& client, int dpi, const wchar_t* left, const wchar_t* centre, const wchar_t* right,
                int bandHeight) {
    int h = MulDiv(bandHeight, dpi, 96);
    int capW = std::min<int>(MulDiv(48, dpi, 96), (client.right - client.left) / 2);
    int tileW = MulDiv(32, dpi, 96);
    RECT l{client.left, client.top, client.left + capW, client.top + h};
    RECT r{client.right - capW, client.top, client.right, client.top + h};
    for (int x = l.right; x < r.left; x += tileW) {
        RECT t{x, client.top, x + tileW, client.top + h};
        // The last tile is drawn whole and cut by the right cap drawn after it.
        DrawSkinImage(dc, centre, t);
    }
    DrawSkinImage(dc, left, l);
    DrawSkinImage(dc, right, r);
    OutlineRect(dc, {client.left, client.top + h, client.right, client.bottom}, skin::kOutline);
}

}  // namespace

void OutlineRect(HDC dc, const RECT& rect, COLORREF color) {
    UniqueGdi pen(CreatePen(PS_SOLID, 1, color));
    Selection penSelected(dc, pen.get());
    Selection brushSelected(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

int BigBandHeight() { return 36; }
int SmallBandHeight() { return 30; }

void SetImagetoScreen(HDC dc, const RECT& client, int dpi) {
    paintFrame(dc, client, dpi, L"vx_big_left_bdr", L"vx_big_cntr_bdr", L"vx_big_right_bdr", BigBandHeight());
}

void SetImagetoScreenSmall(HDC dc, const RECT& client, int dpi) {
    paintFrame(dc, client, dpi, L"vx_small_left_bdr", L"vx_small_cntr_bdr", L"vx_small_right_bdr", SmallBandHeight());
}

}  // namespace tess
