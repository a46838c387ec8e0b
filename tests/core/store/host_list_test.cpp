#include "core/store/host_list.h"

#include <gtest/gtest.h>

namespace korvan {
namespace {

struct Recorder : HostListObserver {
    std::vector<std::string> events;
    void rowsInserted(int f, int c) override { events.push_back("ins " + std::to_string(f) + "+" + std::to_string(c)); }
    void rowsRemoved(int f, int c) override { events.push_back("del " + std::to_string(f) + "+" + std::to_string(c)); }
    void cellChanged(int r, int c) override { events.push_back("cell " + std::to_string(r) + "," + std::to_string(c)); }
    void selectionChanged() override { events.push_back("sel"); }
};

HostList listOf(int n) {
    HostList list;
    for (int i = 0; i < n; ++i) list.setCellText(list.appendRow(), kColumnNote, "h" + std::to_string(i));
    return list;
}

TEST(HostList, AppendedRowHasFiveEmptyCells) {
    HostList list;
    EXPECT_EQ(list.appendRow(), 0);
    EXPECT_EQ(list.appendRow(), 1);
    for (int c = 0; c < kColumnCount; ++c) EXPECT_EQ(list.cellText(1, c), "");
    EXPECT_EQ(list.cellText(5, 0), "");  // outside: empty, no crash
    EXPECT_EQ(list.cellText(0, 7), "");
}

TEST(HostList, SelectedIndexIsTheLowestSelectedRow) {
    HostList list = listOf(7);
    EXPECT_EQ(list.selectedIndex(), -1);
    list.selectRow(5);
    list.selectRow(2);
    list.selectRow(-1);
    list.selectRow(9);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(list.selectedRows(), (std::vector<int>{2, 5}));
    EXPECT_EQ(list.selectedCount(), 2);
    list.deselectRow(2);
    EXPECT_EQ(list.selectedIndex(), 5);
}

TEST(HostList, DeletingMovesLaterRowsAndTheirSelectionUp) {
    HostList list = listOf(3);
    list.selectRow(0);
    list.selectRow(2);
    list.deleteRow(0);
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.cellText(0, kColumnNote), "h1");
    EXPECT_EQ(list.cellText(1, kColumnNote), "h2");
    EXPECT_EQ(list.selectedRows(), std::vector<int>{1});
    list.deleteAll();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.selectedIndex(), -1);
}

TEST(HostList, SwapCarriesTextsAndSelection) {
    HostList list = listOf(3);
    list.selectRow(2);
    list.swapRows(1, 2);
    EXPECT_EQ(list.cellText(1, kColumnNote), "h2");
    EXPECT_EQ(list.selectedRows(), std::vector<int>{1});
}

TEST(HostList, TellsObserversAfterEachChange) {
    HostList list;
    Recorder rec;
    list.addObserver(&rec);
    list.appendRow();
    list.setCellText(0, kColumnStatus, "x");
    list.selectRow(0);
    list.deleteRow(0);
    list.removeObserver(&rec);
    list.appendRow();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"ins 0+1", "cell 0,3", "sel", "del 0+1", "sel"}));
}

}  // namespace
}  // namespace korvan
