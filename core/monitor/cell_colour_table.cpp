#include "core/monitor/cell_colour_table.h"

namespace korvan {

CellColourTable::CellColourTable(CellColours defaults) : defaultColours(defaults) {}

std::uint64_t CellColourTable::key(int row, int column) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) |
           static_cast<std::uint32_t>(column);
}

void CellColourTable::setCellColour(int row, int column, Colour text, Colour background) {
    CellColours wanted{text, background};
    CellColours before = lookup(row, column);
    auto it = index.find(key(row, column));
    if (wanted == defaultColours) {
        if (it != index.end()) {
            // Removal keeps the order of the rest; it is rare (a status cell
            // going back to black), so shifting the positions is cheap enough.
            size_t position = it->second;
            index.erase(it);
            ordered.erase(ordered.begin() + static_cast<std::ptrdiff_t>(position));
            for (size_t i = position; i < ordered.size(); ++i)
                index[key(ordered[i].row, ordered[i].column)] = i;
        }
    } else if (it != index.end()) {
        ordered[it->second].colours = wanted;
    } else {
        index.emplace(key(row, column), ordered.size());
        ordered.push_back({row, column, wanted});
    }
    if (before != wanted && changed) changed(row, column);
}

CellColours CellColourTable::lookup(int row, int column) const {
    auto it = index.find(key(row, column));
    return it == index.end() ? defaultColours : ordered[it->second].colours;
}

std::optional<CellColours> CellColourTable::find(int row, int column) const {
    auto it = index.find(key(row, column));
    if (it == index.end()) return std::nullopt;
    return ordered[it->second].colours;
}

}  // namespace korvan
