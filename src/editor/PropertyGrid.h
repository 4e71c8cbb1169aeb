#pragma once

#include "ConfigTree.h"
#include "GridLayout.h"

#include <array>
#include <string>

namespace tqv {

constexpr int kGridRowCount = 40;

// One row of the property grid: the label cell and the value cell.
struct GridRow {
    std::string label;
    std::string value;
    bool grey = false; // value cell background: grey (200,200,200) or white

    bool operator==(const GridRow &) const = default;
};

using GridRows = std::array<GridRow, kGridRowCount>;

// What the grid shows for `item`, row by row from describeCell. For a command item call
// refreshCommandForDisplay first, as showing a command does.
GridRows gridRows(const ConfigStore &store, const ItemRef &item, GridOccasion occasion = GridOccasion::Shown);

// Showing a command stores its node's address as its slave address and the check type that
// follows the subnet's communication mode (CRC for RTU, LRC for ASCII).
void refreshCommandForDisplay(ConfigStore &store, const ItemRef &item);

// Shown instead of "-1" (not set).
std::string shownValue(const std::string &field);

// The other of the two serial interfaces.
std::string otherInterface(const std::string &commInterface);

// Whether commands use the data-filter vocabulary.
bool usesDataFilter(const ConfigStore &store);

} // namespace tqv
