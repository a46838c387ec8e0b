#pragma once

#include <array>
#include <string>
#include <vector>

namespace korvan {

// Column numbers of a host row, as the list shows them.
enum Column : int {
    kColumnNote = 0,
    kColumnAddress = 1,
    kColumnUser = 2,
    kColumnStatus = 3,
    kColumnPassword = 4,
};
inline constexpr int kColumnCount = 5;

// One host: five GBK text cells addressed by column number.
struct HostEntry {
    std::array<std::string, kColumnCount> cells;
};

// What a view of the list is told. All calls come on the GUI thread, after
// the change has been made.
class HostListObserver {
public:
    virtual ~HostListObserver() = default;
    virtual void rowsInserted(int /*first*/, int /*count*/) {}
    virtual void rowsRemoved(int /*first*/, int /*count*/) {}
    virtual void rowsChanged(int /*first*/, int /*last*/) {}
    virtual void cellChanged(int /*row*/, int /*column*/) {}
    virtual void selectionChanged() {}
    virtual void ensureVisibleRequested(int /*row*/) {}
    virtual void redrawRequested() {}
    virtual void sortModeChanged(bool /*on*/) {}
};

// The ordered hosts and their selection: the one in-memory store of hosts.
// Rows count from 0; the row index is a host's only identity. A view
// observes it; commands and the store work on it without a window.
// GUI thread only.
class HostList {
public:
    int rowCount() const { return static_cast<int>(rows.size()); }

    // The cell's text; an empty text outside the rows or columns.
    const std::string& cellText(int row, int column) const;
    // Out-of-range cells are ignored.
    void setCellText(int row, int column, std::string text);

    // Adds a row of five empty cells after the last one; returns its index.
    int appendRow();
    // Removes the row; later rows move up by one. Out of range: nothing.
    void deleteRow(int row);
    void deleteAll();
    // Exchanges two rows, texts and selection alike (sort-mode moves).
    void swapRows(int a, int b);

    std::vector<int> selectedRows() const;  // ascending
    int selectedCount() const { return selected; }
    // The lowest selected row, -1 when none is selected.
    int selectedIndex() const;
    bool isSelected(int row) const;
    // Adds the row to the selection; others stay selected. Negative or
    // out-of-range rows: nothing.
    void selectRow(int row);
    void deselectRow(int row);
    void clearSelection();

    void ensureVisible(int row);
    void redraw();

    // While on, double-click connect, the list's pop-up menu and both
    // window timers are idle, and Up/Down move the selected rows.
    bool sortMode() const { return sorting; }
    void setSortMode(bool on);

    const HostEntry& entry(int row) const { return rows.at(static_cast<size_t>(row)).host; }

    // Observers are not owned and must outlive their registration.
    void addObserver(HostListObserver* observer);
    void removeObserver(HostListObserver* observer);

private:
    struct Row {
        HostEntry host;
        bool isSelected = false;
    };
    bool validRow(int row) const { return row >= 0 && row < rowCount(); }
    template <typename F>
    void notify(F&& f) {
        for (auto* o : observers) f(*o);
    }

    std::vector<Row> rows;
    std::vector<HostListObserver*> observers;
    int selected = 0;
    bool sorting = false;
};

}  // namespace korvan
