#include "windows/app/host_list_view.h"

#include <array>

#include "core/app/texts.h"
#include "windows/app/wide_text.h"

namespace korvan {
namespace {

struct ColumnLayout {
    TextId title;
    int width;
};

// The password column exists so that the row carries it, but has no width:
// passwords are never shown.
constexpr std::array<ColumnLayout, kColumnCount> kColumns = {{
    {TextId::ColumnNote, 80},
    {TextId::ColumnAddress, 210},
    {TextId::ColumnUser, 130},
    {TextId::ColumnStatus, 70},
    {TextId::ColumnPassword, 0},
}};

}  // namespace

HostListView::HostListView(HostList& hostList, CellColourTable& table)
    : hosts(hostList), colours(table) {
    hosts.addObserver(this);
}

HostListView::~HostListView() { hosts.removeObserver(this); }

HWND HostListView::create(HWND parent, int id, RECT bounds, UINT syncMessage) {
    parentWindow = parent;
    syncMessageId = syncMessage;
    list = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!list) return nullptr;
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    // The defaults every cell colour is compared with: black on white.
    ListView_SetTextColor(list, colours.defaults().text);
    ListView_SetTextBkColor(list, colours.defaults().background);
    ListView_SetBkColor(list, colours.defaults().background);
    countStale = true;
    flush();
    return list;
}

void HostListView::createColumns() {
    for (int i = 0; i < kColumnCount; ++i) {
        std::wstring title = wideFromGbk(text(kColumns[static_cast<size_t>(i)].title));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = kColumns[static_cast<size_t>(i)].width;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

void HostListView::scheduleFlush() {
    if (!list || flushPosted) return;
    flushPosted = PostMessageW(parentWindow, syncMessageId, 0, 0) != FALSE;
    if (!flushPosted) flush();
}

void HostListView::flush() {
    flushPosted = false;
    if (!list) return;
    if (countStale) {
        countStale = false;
        ListView_SetItemCountEx(list, hosts.rowCount(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
        InvalidateRect(list, nullptr, FALSE);
    }
    if (selectionStale) {
        selectionStale = false;
        selectionChanged();
    }
}

bool HostListView::rowOnScreen(int row) const {
    int top = ListView_GetTopIndex(list);
    return row >= top && row <= top + ListView_GetCountPerPage(list);
}

void HostListView::copyViewSelectionRange(int from, int to, bool selected) {
    // Applying the view's change to the model makes the model report a
    // selection change; that one must not be mirrored back.
    syncing = true;
    if (from < 0) {
        from = 0;
        to = hosts.rowCount() - 1;
        if (!selected) {
            hosts.clearSelection();
            to = -1;
        }
    }
    for (int row = from; row <= to; ++row) {
        if (selected)
            hosts.selectRow(row);
        else
            hosts.deselectRow(row);
    }
    syncing = false;
}

bool HostListView::onNotify(const NMHDR& header, LRESULT& result) {
    if (!list || header.hwndFrom != list) return false;
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header));
            LVITEMW& item = info.item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                cellBuffer = wideFromGbk(hosts.cellText(item.iItem, item.iSubItem));
                lstrcpynW(item.pszText, cellBuffer.c_str(), item.cchTextMax);
            }
            result = 0;
            return true;
        }
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (!syncing && (change.uChanged & LVIF_STATE) &&
                ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
                bool selected = (change.uNewState & LVIS_SELECTED) != 0;
                copyViewSelectionRange(change.iItem, change.iItem, selected);
            }
            result = 0;
            return true;
        }
        case LVN_ODSTATECHANGED: {
            const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
            if (!syncing && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
                bool selected = (change.uNewState & LVIS_SELECTED) != 0;
                copyViewSelectionRange(change.iFrom, change.iTo, selected);
            }
            result = 0;
            return true;
        }
        case NM_CUSTOMDRAW: {
            auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(const_cast<NMHDR&>(header));
            switch (draw.nmcd.dwDrawStage) {
                case CDDS_PREPAINT:
                    result = CDRF_NOTIFYITEMDRAW;
                    break;
                case CDDS_ITEMPREPAINT:
                    result = CDRF_NOTIFYSUBITEMDRAW;
                    break;
                case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
                    CellColours c =
                        colours.lookup(static_cast<int>(draw.nmcd.dwItemSpec), draw.iSubItem);
                    draw.clrText = c.text;
                    draw.clrTextBk = c.background;
                    result = CDRF_NEWFONT;
                    break;
                }
                default:
                    result = CDRF_DODEFAULT;
                    break;
            }
            return true;
        }
        default:
            return false;
    }
}

void HostListView::rowsInserted(int, int) {
    countStale = true;
    scheduleFlush();
}

void HostListView::rowsRemoved(int, int) {
    // The view keeps its selection by position; rows moving up would leave
    // it marking the wrong ones.
    countStale = true;
    selectionStale = true;
    scheduleFlush();
}

void HostListView::rowsChanged(int first, int last) {
    if (list && !countStale) ListView_RedrawItems(list, first, last);
}

void HostListView::cellChanged(int row, int column) { redrawCell(row, column); }

void HostListView::redrawCell(int row, int column) {
    // A pending count change repaints everything anyway; a hidden list is
    // painted whole when shown; a row off screen is painted when scrolled in.
    if (!list || countStale || !IsWindowVisible(list)) return;
    if (row < 0 || row >= hosts.rowCount() || !rowOnScreen(row)) return;
    RECT cell{};
    // For column 0, LVIR_BOUNDS would be the whole row.
    if (!ListView_GetSubItemRect(list, row, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS, &cell))
        return;
    InvalidateRect(list, &cell, FALSE);
}

void HostListView::selectionChanged() {
    if (!list || syncing) return;
    if (countStale) {
        // Rows the view does not have yet cannot be marked: mark them with
        // the count, in flush().
        selectionStale = true;
        scheduleFlush();
        return;
    }
    syncing = true;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int row : hosts.selectedRows())
        ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    syncing = false;
}

void HostListView::ensureVisibleRequested(int row) {
    if (!list) return;
    flush();
    ListView_EnsureVisible(list, row, FALSE);
}

void HostListView::redrawRequested() {
    if (list) InvalidateRect(list, nullptr, FALSE);
}

}  // namespace korvan
