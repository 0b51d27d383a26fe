#pragma once
// The shared image list of the skin: every picture of the program by key, drawn at run time
// with GDI at exactly the size asked for (so it stays crisp at any density), anti-aliased by
// drawing four times larger and averaging, with a real alpha channel. The same key and size
// always give the same bitmap handle (so "is this already the picture" is a handle compare).
//
// Keys: button faces button_enb button_ovr buttondata_enb buttondata_ovr; borders
// vx_big_{left,cntr,right}_bdr vx_small_{left,cntr,right}_bdr; message icons vx_msg_info
// vx_msg_question vx_msg_cross vx_msg_warn; vx_small_close vx_help vx_mark (the product mark); title images vx_sql
// vx_exchange vx_sharepoint vx_folder vx_sql_login vx_recal; tree images folder openfolder file
// foldergray openfoldergray gray mycomp mydesktop Drive drive; the main window's background
// ADV_IMG; and the pointer "hand" (SkinCursor).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

namespace tess {

bool SkinHasImage(std::wstring_view key);
std::vector<std::wstring> SkinImageKeys();

// A premultiplied 32-bit bitmap of the image at that size, owned by the skin (do not delete);
// null for an unknown key or an empty size.
HBITMAP SkinImage(std::wstring_view key, int width, int height);
// Draws the image into the rectangle with its alpha.
void DrawSkinImage(HDC dc, std::wstring_view key, const RECT& rect);
// A new image list (the caller owns it) of the keys at `size` pixels square, in that order,
// for tree and list views.
HIMAGELIST CreateSkinImageList(const std::vector<std::wstring>& keys, int size);
// "hand": the pointer over image buttons and pictures that act.
HCURSOR SkinCursor(std::wstring_view key);

// Frees every cached bitmap (a density change makes the old sizes useless).
void ClearSkinCache();

// The colours of the skin, for windows that paint their own parts.
namespace skin {
constexpr COLORREF kBody = RGB(246, 248, 250);
constexpr COLORREF kPanel = RGB(255, 255, 255);
constexpr COLORREF kBand = RGB(20, 46, 68);
constexpr COLORREF kBandText = RGB(255, 255, 255);
constexpr COLORREF kAccent = RGB(35, 164, 154);
constexpr COLORREF kText = RGB(33, 37, 41);
constexpr COLORREF kMuted = RGB(96, 108, 118);
constexpr COLORREF kOutline = RGB(150, 164, 176);
}  // namespace skin

// Rounded window region. The right and bottom edges of the region, in pixels, for a window of
// inner size W x H: the additions depend on the window (compared without regard to case),
// rounded to the nearest pixel with halves to even.
struct RegionEdges {
    int right;
    int bottom;
};
RegionEdges RoundedRegionEdges(std::wstring_view windowName, int innerWidth, int innerHeight);
// Gives the window its rounded region (corner ellipses 5 design pixels wide and high).
void RoundedBorder(HWND hwnd, std::wstring_view windowName);

// The frame of the large windows (SQL database window, Exchange wizard) and of the small ones
// (browse dialog, feedback window, message box): a caption band of left, centre (tiled) and
// right images across the top of `client`, and a hairline outline round it. The height of the
// band in design pixels is returned by the *Height functions.
void SetImagetoScreen(HDC dc, const RECT& client, int dpi);
void SetImagetoScreenSmall(HDC dc, const RECT& client, int dpi);
// A one-pixel outline of the rectangle, nothing filled.
void OutlineRect(HDC dc, const RECT& rect, COLORREF color);
int BigBandHeight();
int SmallBandHeight();

}  // namespace tess
