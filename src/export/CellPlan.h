#pragma once

// What the spreadsheet export writes: for a configuration, the cells of the three worksheets. The
// workbook writer only lays them out; every rule about which value goes where lives here.

#include "model/ConfigStore.h"

#include <string>
#include <vector>

namespace tqv {

enum class Sheet { Fieldbus, Subnet, CommandList };
constexpr int kSheetCount = 3;

// The workbook layouts: three for the PROFIBUS/Modbus gateway (by subnet 1's protocol) and one
// for every other type. `None`: the configuration has no layout and nothing is exported.
enum class ExportLayout { None, MasterFormat, SlaveFormat, UniversalFormat, Standard };

struct Cell {
    Sheet sheet;
    int row;    // 1-based
    int column; // 1-based, 1 = A
    std::string text; // empty: the cell stays blank

    bool operator==(const Cell &) const = default;
};

ExportLayout exportLayoutOf(const ConfigStore &store);

// The layout's own row-1 headings, in the active language.
std::vector<Cell> layoutHeadings(ExportLayout layout);

// The cells the configuration fills, in writing order; a later cell at the same place replaces an
// earlier one. Empty for ExportLayout::None.
std::vector<Cell> planCells(const ConfigStore &store);

// The workbook's final content: the layout's headings overwritten by the planned cells, one entry
// per place, blank ones dropped, ordered by sheet, row and column.
std::vector<Cell> workbookCells(const ConfigStore &store);

// The worksheet's name in the active language.
std::string sheetName(Sheet sheet);

} // namespace tqv
