#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/monitor/cell_colour_table.h"
#include "core/store/host_list.h"

namespace korvan {

// The report list view "超级列表框1" over the HostList model. The list
// view holds no texts of its own (LVS_OWNERDATA): it asks for the cells it
// paints, so ten thousand rows cost nothing until they are scrolled into
// view. Its selection is kept in step with the model's both ways, and each
// cell is painted in the colours of the CellColourTable. GUI thread only.
class HostListView final : public HostListObserver {
public:
    HostListView(HostList& hosts, CellColourTable& colours);
    ~HostListView() override;

    HostListView(const HostListView&) = delete;
    HostListView& operator=(const HostListView&) = delete;

    // Creates the list view as a child of `parent` (hidden until shown).
    // Row-count changes are applied later, together, through a
    // `syncMessage` posted to `parent`, which hands it to flush().
    HWND create(HWND parent, int id, RECT bounds, UINT syncMessage);
    HWND handle() const { return list; }

    // Adds the five columns with their titles and widths.
    void createColumns();

    // Handles a WM_NOTIFY from the list; true when it was one of ours, with
    // the result to return from the window procedure in `result`.
    bool onNotify(const NMHDR& header, LRESULT& result);

    // HostListObserver
    void rowsInserted(int first, int count) override;
    void rowsRemoved(int first, int count) override;
    void rowsChanged(int first, int last) override;
    void cellChanged(int row, int column) override;
    void selectionChanged() override;
    void ensureVisibleRequested(int row) override;
    void redrawRequested() override;

    // Repaints one cell only (its colours or its text changed), when it is
    // on screen.
    void redrawCell(int row, int column);

    // Gives the list view the model's row count (and, after rows went,
    // the model's selection) now. Called for the posted sync message and
    // before anything that needs the view's rows to match the model's.
    void flush();

private:
    void scheduleFlush();
    bool rowOnScreen(int row) const;
    void copyViewSelectionRange(int from, int to, bool selected);

    HostList& hosts;
    CellColourTable& colours;
    HWND list = nullptr;
    HWND parentWindow = nullptr;
    UINT syncMessageId = 0;
    // Setting the item count makes the list view recompute its layout and
    // scroll bars, which costs far more than a row: appending ten thousand
    // rows one by one must not do it ten thousand times.
    bool countStale = false;
    bool selectionStale = false;
    bool flushPosted = false;
    // True while the view's selection is being set from the model, so that
    // the list view's own change notifications are not fed back.
    bool syncing = false;
    std::wstring cellBuffer;
};

}  // namespace korvan
