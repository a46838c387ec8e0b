#include "core/monitor/cell_colour_table.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace korvan {
namespace {

const CellColours kBlueOnWhite{kColourBlue, kColourWhite};
const CellColours kDefaults{kColourBlack, kColourWhite};

TEST(CellColourTable, CellsWithoutEntryUseTheDefaults) {
    CellColourTable table;
    EXPECT_EQ(table.lookup(0, 0), kDefaults);
    EXPECT_FALSE(table.find(0, 0));
    CellColourTable own({0x123456, 0x654321});
    EXPECT_EQ(own.lookup(7, 3), (CellColours{0x123456, 0x654321}));
}

TEST(CellColourTable, SetUpdatesAndRemovesOneEntryPerCell) {
    CellColourTable table;
    table.setCellColour(2, 3, kColourBlue, kColourWhite);
    table.setCellColour(2, 3, kColourBlue, kColourWhite);
    EXPECT_EQ(table.size(), 1u);
    table.setCellColour(2, 3, 0x00FF00, kColourWhite);
    EXPECT_EQ(table.lookup(2, 3), (CellColours{0x00FF00, kColourWhite}));
    EXPECT_EQ(table.lookup(3, 2), kDefaults);  // row and column are not interchangeable
    EXPECT_EQ(table.size(), 1u);

    // Black on white is the list's own look: the entry goes.
    table.setCellColour(2, 3, kColourBlack, kColourWhite);
    EXPECT_FALSE(table.find(2, 3));
    EXPECT_EQ(table.size(), 0u);
    // ...and is never stored for a cell that had none.
    table.setCellColour(5, 0, kColourBlack, kColourWhite);
    EXPECT_EQ(table.size(), 0u);
}

TEST(CellColourTable, RemovalKeepsTheOrderAndLookupsOfTheRest) {
    CellColourTable table;
    for (int row = 0; row < 4; ++row) table.setCellColour(row, 0, kColourBlue, kColourWhite);
    table.setCellColour(1, 0, kColourBlack, kColourWhite);
    std::vector<int> rows;
    for (const auto& e : table.entries()) rows.push_back(e.row);
    EXPECT_EQ(rows, (std::vector<int>{0, 2, 3}));
    for (int row : {0, 2, 3}) EXPECT_EQ(table.lookup(row, 0), kBlueOnWhite) << row;
    table.setCellColour(3, 0, 0x0000FF, kColourWhite);  // index of a shifted entry still right
    EXPECT_EQ(table.entries().back().colours.text, 0x0000FFu);
}

TEST(CellColourTable, RowsBeyondTheListAndNegativeCellsAreKeptApart) {
    CellColourTable table;
    table.setCellColour(100000, 3, kColourBlue, kColourWhite);
    table.setCellColour(-1, 3, 0x00FF00, kColourWhite);
    EXPECT_EQ(table.lookup(100000, 3), kBlueOnWhite);
    EXPECT_EQ(table.lookup(-1, 3).text, 0x00FF00u);
    EXPECT_EQ(table.lookup(3, -1), kDefaults);
}

TEST(CellColourTable, ObserverHearsOnlyOfCellsWhosePaintChanged) {
    CellColourTable table;
    std::vector<std::pair<int, int>> changed;
    table.setObserver([&](int row, int column) { changed.emplace_back(row, column); });
    table.setCellColour(4, 0, kColourBlue, kColourWhite);   // new colour
    table.setCellColour(4, 0, kColourBlue, kColourWhite);   // same again
    table.setCellColour(4, 3, kColourBlack, kColourWhite);  // default, no entry before
    table.setCellColour(4, 0, kColourBlack, kColourWhite);  // back to the defaults
    EXPECT_EQ(changed, (std::vector<std::pair<int, int>>{{4, 0}, {4, 0}}));
}

}  // namespace
}  // namespace korvan
