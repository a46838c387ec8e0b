#include "core/store/host_list.h"

#include <algorithm>
#include <utility>

namespace korvan {

const std::string& HostList::cellText(int row, int column) const {
    static const std::string empty;
    if (!validRow(row) || column < 0 || column >= kColumnCount) return empty;
    return rows[static_cast<size_t>(row)].host.cells[static_cast<size_t>(column)];
}

void HostList::setCellText(int row, int column, std::string text) {
    if (!validRow(row) || column < 0 || column >= kColumnCount) return;
    rows[static_cast<size_t>(row)].host.cells[static_cast<size_t>(column)] = std::move(text);
    notify([&](HostListObserver& o) { o.cellChanged(row, column); });
}

int HostList::appendRow() {
    rows.emplace_back();
    int row = rowCount() - 1;
    notify([&](HostListObserver& o) { o.rowsInserted(row, 1); });
    return row;
}

void HostList::deleteRow(int row) {
    if (!validRow(row)) return;
    auto it = rows.begin() + row;
    bool wasSelected = it->isSelected;
    if (wasSelected) --selected;
    rows.erase(it);
    notify([&](HostListObserver& o) { o.rowsRemoved(row, 1); });
    if (wasSelected) notify([](HostListObserver& o) { o.selectionChanged(); });
}

void HostList::deleteAll() {
    int count = rowCount();
    bool hadSelection = selected > 0;
    rows.clear();
    selected = 0;
    if (count > 0) notify([&](HostListObserver& o) { o.rowsRemoved(0, count); });
    if (hadSelection) notify([](HostListObserver& o) { o.selectionChanged(); });
}

void HostList::swapRows(int a, int b) {
    if (!validRow(a) || !validRow(b) || a == b) return;
    std::swap(rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)]);
    notify([&](HostListObserver& o) { o.rowsChanged(std::min(a, b), std::max(a, b)); });
    notify([](HostListObserver& o) { o.selectionChanged(); });
}

std::vector<int> HostList::selectedRows() const {
    std::vector<int> out;
    out.reserve(static_cast<size_t>(selected));
    for (int i = 0; i < rowCount() && static_cast<int>(out.size()) < selected; ++i)
        if (rows[static_cast<size_t>(i)].isSelected) out.push_back(i);
    return out;
}

int HostList::selectedIndex() const {
    if (selected == 0) return -1;
    for (int i = 0; i < rowCount(); ++i)
        if (rows[static_cast<size_t>(i)].isSelected) return i;
    return -1;
}

bool HostList::isSelected(int row) const {
    return validRow(row) && rows[static_cast<size_t>(row)].isSelected;
}

void HostList::selectRow(int row) {
    if (!validRow(row) || rows[static_cast<size_t>(row)].isSelected) return;
    rows[static_cast<size_t>(row)].isSelected = true;
    ++selected;
    notify([](HostListObserver& o) { o.selectionChanged(); });
}

void HostList::deselectRow(int row) {
    if (!validRow(row) || !rows[static_cast<size_t>(row)].isSelected) return;
    rows[static_cast<size_t>(row)].isSelected = false;
    --selected;
    notify([](HostListObserver& o) { o.selectionChanged(); });
}

void HostList::clearSelection() {
    if (selected == 0) return;
    for (auto& r : rows) r.isSelected = false;
    selected = 0;
    notify([](HostListObserver& o) { o.selectionChanged(); });
}

void HostList::ensureVisible(int row) {
    if (!validRow(row)) return;
    notify([&](HostListObserver& o) { o.ensureVisibleRequested(row); });
}

void HostList::redraw() {
    notify([](HostListObserver& o) { o.redrawRequested(); });
}

void HostList::setSortMode(bool on) {
    if (sorting == on) return;
    sorting = on;
    notify([&](HostListObserver& o) { o.sortModeChanged(on); });
}

void HostList::addObserver(HostListObserver* observer) {
    if (std::find(observers.begin(), observers.end(), observer) == observers.end())
        observers.push_back(observer);
}

void HostList::removeObserver(HostListObserver* observer) {
    observers.erase(std::remove(observers.begin(), observers.end(), observer), observers.end());
}

}  // namespace korvan
