#pragma once
// A tree view with extra text columns: a header control above a comctl32 tree view, the cells of
// the extra columns painted after each row through custom draw. The frame that holds both owns
// the per-item data (key, typed value, cell texts, whether the children were read), freeing it
// when the tree deletes the item, and the tree's normal image list. Every other notification of
// the tree goes on to the frame's parent, so the window that places the control handles
// expanding and check clicks as for a plain tree view.
#include <windows.h>
#include <commctrl.h>

#include <any>
#include <string>
#include <vector>

namespace tess {

struct ColumnTreeItem {
    std::wstring key;                // the node's key (a folder entry record for the file tree)
    std::vector<std::wstring> cells; // texts of the second and later columns, in order
    bool listed = false;             // the node's children have been read
    std::any value;                  // what the node stands for, as its filler typed it
};

struct ColumnSpec {
    std::wstring key;
    std::wstring text;
    int width = 100;  // pixels at 96 dpi; scaled to the screen
    bool alignRight = false;
};

// Creates the frame and its tree view and returns the tree view, the handle every other call
// takes. `treeStyle` is added to the usual lines-and-buttons style (TVS_CHECKBOXES, say); the
// tree view carries the automation id. Bounds are pixels in the parent's client area.
HWND CreateColumnTree(HWND parent, int controlId, const RECT& bounds, DWORD treeStyle, const wchar_t* automationId);

// The frame that holds the tree (move and show that one).
HWND ColumnTreeFrame(HWND tree);

// Replaces the columns; the first one is the tree's own name column.
void SetTreeColumns(HWND tree, const std::vector<ColumnSpec>& columns);
int TreeColumnCount(HWND tree);
std::wstring TreeColumnText(HWND tree, int column);
int TreeColumnWidth(HWND tree, int column);

// Adds a node under `parent` (TVI_ROOT for a root) at the end. `mayHaveChildren` shows the
// expand button before the children are read.
HTREEITEM AddTreeItem(HWND tree, HTREEITEM parent, ColumnTreeItem item, const std::wstring& text, int image,
                      bool mayHaveChildren);

// The item's data, or null for an item added by other means.
ColumnTreeItem* TreeItemData(HWND tree, HTREEITEM item);

}  // namespace tess
