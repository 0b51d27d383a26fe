#include "ui/ColumnTree.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "ui/Window.h"

namespace tess {
namespace {

constexpr wchar_t kFrameClass[] = L"TessColumnTree";
constexpr int kCellPadding = 6;

struct FrameState {
    HWND header = nullptr;
    HWND tree = nullptr;
    std::vector<ColumnSpec> columns;
};

FrameState* stateOf(HWND frame) { return reinterpret_cast<FrameState*>(GetWindowLongPtrW(frame, GWLP_USERDATA)); }

int scaled(HWND window, int pixelsAt96) {
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    return MulDiv(pixelsAt96, dpi, 96);
}

// The last column takes whatever width the others leave (less the tree's scroll bar), so a long
// date is not cut off when the window is wider than the columns asked for.
void stretchLastColumn(FrameState& s) {
    int count = Header_GetItemCount(s.header);
    if (count < 2) return;
    RECT window;
    GetWindowRect(s.tree, &window);
    // Whether the scroll bar shows changes as nodes open; leave room for it always.
    int available = (window.right - window.left) - GetSystemMetrics(SM_CXVSCROLL);
    int used = 0;
    for (int i = 0; i + 1 < count; ++i) {
        HDITEMW hd{};
        hd.mask = HDI_WIDTH;
        Header_GetItem(s.header, i, &hd);
        used += hd.cxy;
    }
    int wanted = scaled(s.tree, s.columns.back().width);
    HDITEMW last{};
    last.mask = HDI_WIDTH;
    Header_GetItem(s.header, count - 1, &last);
    int width = std::max(wanted, available - used);
    if (last.cxy == width) return;
    last.cxy = width;
    Header_SetItem(s.header, count - 1, &last);
}

void layout(HWND frame, FrameState& s) {
    RECT rc;
    GetClientRect(frame, &rc);
    WINDOWPOS pos{};
    HDLAYOUT hl{&rc, &pos};
    Header_Layout(s.header, &hl);
    SetWindowPos(s.header, pos.hwndInsertAfter, pos.x, pos.y, pos.cx, pos.cy, pos.flags | SWP_NOACTIVATE);
    SetWindowPos(s.tree, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (!s.columns.empty()) stretchLastColumn(s);
}

// Paints the second and later columns of one row over whatever the label left there, so a long
// name never runs into the size column.
void paintCells(FrameState& s, NMTVCUSTOMDRAW& cd) {
    auto item = reinterpret_cast<HTREEITEM>(cd.nmcd.dwItemSpec);
    auto* data = reinterpret_cast<ColumnTreeItem*>(cd.nmcd.lItemlParam);
    if (!item || !data || data->cells.empty()) return;
    RECT row{};
    if (!TreeView_GetItemRect(s.tree, item, &row, FALSE)) return;
    COLORREF back = TreeView_GetBkColor(s.tree);
    if (back == CLR_NONE || back == static_cast<COLORREF>(-1)) back = GetSysColor(COLOR_WINDOW);
    HBRUSH brush = CreateSolidBrush(back);
    // The label painting may leave another font selected (bold or underlined items).
    HGDIOBJ oldFont = SelectObject(cd.nmcd.hdc, reinterpret_cast<HGDIOBJ>(SendMessageW(s.tree, WM_GETFONT, 0, 0)));
    SetBkMode(cd.nmcd.hdc, TRANSPARENT);
    SetTextColor(cd.nmcd.hdc, GetSysColor(COLOR_WINDOWTEXT));
    for (size_t i = 1; i < s.columns.size(); ++i) {
        RECT cell{};
        if (!Header_GetItemRect(s.header, static_cast<int>(i), &cell)) break;
        RECT r{cell.left, row.top, cell.right, row.bottom};
        FillRect(cd.nmcd.hdc, &r, brush);
        if (i - 1 >= data->cells.size()) continue;
        r.left += kCellPadding;
        r.right -= kCellPadding;
        UINT align = s.columns[i].alignRight ? DT_RIGHT : DT_LEFT;
        DrawTextW(cd.nmcd.hdc, data->cells[i - 1].c_str(), -1, &r,
                  align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    SelectObject(cd.nmcd.hdc, oldFont);
    DeleteObject(brush);
}

LRESULT onTreeNotify(HWND frame, FrameState& s, NMHDR& hdr, WPARAM wp, LPARAM lp) {
    if (hdr.code == NM_CUSTOMDRAW) {
        auto& cd = *reinterpret_cast<NMTVCUSTOMDRAW*>(lp);
        switch (cd.nmcd.dwDrawStage) {
            case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
            case CDDS_ITEMPREPAINT: return CDRF_NOTIFYPOSTPAINT;
            case CDDS_ITEMPOSTPAINT: paintCells(s, cd); return CDRF_DODEFAULT;
            default: return CDRF_DODEFAULT;
        }
    }
    if (hdr.code == TVN_DELETEITEMW) {
        auto& nm = *reinterpret_cast<NMTREEVIEWW*>(lp);
        delete reinterpret_cast<ColumnTreeItem*>(nm.itemOld.lParam);
        return 0;  // also sent while the parent is being destroyed: keep it here
    }
    // Everything else (expanding, clicks, keys, selection) belongs to the window that placed us.
    return SendMessageW(GetParent(frame), WM_NOTIFY, wp, lp);
}

LRESULT CALLBACK frameProc(HWND frame, UINT msg, WPARAM wp, LPARAM lp) {
    FrameState* s = stateOf(frame);
    switch (msg) {
        case WM_NCCREATE: {
            auto owned = std::make_unique<FrameState>();
            SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
            break;
        }
        case WM_SIZE:
            if (s && s->tree) layout(frame, *s);
            return 0;
        case WM_SETFONT:
            if (s && s->tree) {
                SendMessageW(s->header, WM_SETFONT, wp, lp);
                SendMessageW(s->tree, WM_SETFONT, wp, lp);
                layout(frame, *s);
            }
            return 0;
        case WM_NOTIFY: {
            if (!s) break;
            auto& hdr = *reinterpret_cast<NMHDR*>(lp);
            if (hdr.hwndFrom == s->tree) return onTreeNotify(frame, *s, hdr, wp, lp);
            if (hdr.hwndFrom == s->header && (hdr.code == HDN_ITEMCHANGEDW || hdr.code == HDN_ITEMCHANGEDA)) {
                stretchLastColumn(*s);
                InvalidateRect(s->tree, nullptr, TRUE);
            }
            return 0;
        }
        case WM_DESTROY:
            // The tree never frees its image list; we hand it one per tree, so it goes here.
            if (s && s->tree) {
                HIMAGELIST images = TreeView_SetImageList(s->tree, nullptr, TVSIL_NORMAL);
                if (images) ImageList_Destroy(images);
            }
            break;
        case WM_NCDESTROY:
            // The tree (a child) is gone by now and has freed every item through TVN_DELETEITEM.
            delete s;
            SetWindowLongPtrW(frame, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(frame, msg, wp, lp);
}

void registerFrameClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = frameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kFrameClass;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

FrameState* frameStateOfTree(HWND tree) {
    HWND frame = GetParent(tree);
    wchar_t cls[32] = {};
    if (!frame || !GetClassNameW(frame, cls, 32) || lstrcmpW(cls, kFrameClass) != 0) return nullptr;
    return stateOf(frame);
}

}  // namespace

HWND CreateColumnTree(HWND parent, int controlId, const RECT& bounds, DWORD treeStyle, const wchar_t* automationId) {
    registerFrameClass();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND frame = CreateWindowExW(WS_EX_CLIENTEDGE, kFrameClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                 parent, nullptr, instance, nullptr);
    if (!frame) return nullptr;
    FrameState* s = stateOf(frame);
    s->header = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | WS_VISIBLE | HDS_HORZ, 0, 0, 0, 0, frame, nullptr,
                                instance, nullptr);
    // Check boxes must be in the style before the first item goes in: comctl32 builds the state
    // image list when it sees the style, and items inserted earlier would show no box.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                  TVS_SHOWSELALWAYS | TVS_NOHSCROLL | treeStyle;
    s->tree = CreateWindowExW(0, WC_TREEVIEWW, L"", style, 0, 0, 0, 0, frame,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
    if (!s->header || !s->tree) {
        DestroyWindow(frame);
        return nullptr;
    }
    if (automationId && *automationId) SetAutomationId(s->tree, automationId);
    auto font = static_cast<WPARAM>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (!font) font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(frame, WM_SETFONT, font, FALSE);
    layout(frame, *s);
    return s->tree;
}

HWND ColumnTreeFrame(HWND tree) { return frameStateOfTree(tree) ? GetParent(tree) : tree; }

void SetTreeColumns(HWND tree, const std::vector<ColumnSpec>& columns) {
    FrameState* s = frameStateOfTree(tree);
    if (!s) return;
    while (Header_GetItemCount(s->header) > 0) Header_DeleteItem(s->header, 0);
    s->columns = columns;
    for (size_t i = 0; i < columns.size(); ++i) {
        HDITEMW hd{};
        hd.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        hd.cxy = scaled(tree, columns[i].width);
        hd.fmt = columns[i].alignRight ? HDF_RIGHT : HDF_LEFT;
        hd.pszText = const_cast<wchar_t*>(columns[i].text.c_str());
        SendMessageW(s->header, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&hd));
    }
    layout(GetParent(tree), *s);
    InvalidateRect(tree, nullptr, TRUE);
}

int TreeColumnCount(HWND tree) {
    FrameState* s = frameStateOfTree(tree);
    return s ? Header_GetItemCount(s->header) : 0;
}

std::wstring TreeColumnText(HWND tree, int column) {
    FrameState* s = frameStateOfTree(tree);
    if (!s) return {};
    wchar_t text[128] = {};
    HDITEMW hd{};
    hd.mask = HDI_TEXT;
    hd.pszText = text;
    hd.cchTextMax = 128;
    if (!SendMessageW(s->header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&hd))) return {};
    return text;
}

int TreeColumnWidth(HWND tree, int column) {
    FrameState* s = frameStateOfTree(tree);
    if (!s) return 0;
    HDITEMW hd{};
    hd.mask = HDI_WIDTH;
    if (!SendMessageW(s->header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&hd))) return 0;
    return hd.cxy;
}

HTREEITEM AddTreeItem(HWND tree, HTREEITEM parent, ColumnTreeItem item, const std::wstring& text, int image,
                      bool mayHaveChildren) {
    auto data = std::make_unique<ColumnTreeItem>(std::move(item));
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    ins.item.pszText = const_cast<wchar_t*>(text.c_str());
    ins.item.iImage = image;
    ins.item.iSelectedImage = image;
    ins.item.cChildren = mayHaveChildren ? 1 : 0;
    ins.item.lParam = reinterpret_cast<LPARAM>(data.get());
    auto node = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    if (node) data.release();  // the frame frees it on TVN_DELETEITEM
    return node;
}

ColumnTreeItem* TreeItemData(HWND tree, HTREEITEM item) {
    if (!item || !frameStateOfTree(tree)) return nullptr;
    TVITEMW tv{};
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return nullptr;
    return reinterpret_cast<ColumnTreeItem*>(tv.lParam);
}

}  // namespace tess
