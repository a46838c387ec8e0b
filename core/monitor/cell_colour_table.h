#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace korvan {

// A Windows colour value, 0x00BBGGRR.
using Colour = std::uint32_t;

inline constexpr Colour kColourBlue = 0xFF0000;
inline constexpr Colour kColourBlack = 0x000000;
inline constexpr Colour kColourWhite = 0xFFFFFF;

struct CellColours {
    Colour text = kColourBlack;
    Colour background = kColourWhite;
    bool operator==(const CellColours&) const = default;
};

struct CellColourEntry {
    int row = 0;
    int column = 0;
    CellColours colours;
    bool operator==(const CellColourEntry&) const = default;
};

// The cells of the host list that are painted in colours of their own,
// keyed by row position (not by host): deleting or moving rows leaves the
// table as it is, so colours stay with the position until set again.
// Cells without an entry are painted in the list's defaults, and an entry
// equal to the defaults is never kept.
//
// GUI thread only: workers post their colour changes to the GUI thread, so
// painting never reads the table while it changes.
class CellColourTable {
public:
    // Called after a cell's painted colours changed; the view repaints that
    // one cell. Not called when a set leaves the colours as they were.
    using Observer = std::function<void(int row, int column)>;

    explicit CellColourTable(CellColours defaults = {});

    // SetCellColour: gives the cell these colours. Colours equal to the
    // defaults remove the cell's entry; otherwise the entry is updated or
    // appended. Any row or column is accepted, also beyond the last row:
    // the entry is used once the list has such a row.
    void setCellColour(int row, int column, Colour text, Colour background);

    // The colours to paint the cell in: its entry's, or the defaults.
    // Constant time.
    CellColours lookup(int row, int column) const;
    // The cell's entry, if it has one. Constant time.
    std::optional<CellColours> find(int row, int column) const;

    const CellColours& defaults() const { return defaultColours; }
    // Entries in the order they were first set.
    const std::vector<CellColourEntry>& entries() const { return ordered; }
    std::size_t size() const { return ordered.size(); }

    // One observer (the view); an empty function removes it.
    void setObserver(Observer observer) { changed = std::move(observer); }

private:
    static std::uint64_t key(int row, int column);

    CellColours defaultColours;
    std::vector<CellColourEntry> ordered;
    std::unordered_map<std::uint64_t, std::size_t> index;  // key -> position in `ordered`
    Observer changed;
};

}  // namespace korvan
