#pragma once

// What the spreadsheet export writes: for a configuration, the cells of the three worksheets. The
// workbook writer only lays them out; every rule about which value goes where lives here.

#include "editor/PropertyGrid.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <string>
#include <vector>

namespace tqv {

// The three sheets of the layouts, then the nodes that a round trip needs besides them.
enum class Sheet { Fieldbus, Subnet, CommandList, Nodes };
constexpr int kSheetCount = 4;

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

// What a workbook needs besides the layout to be read back into the same configuration: to the
// right of each sheet's layout columns, the gateway type and model flags (Fieldbus), every value
// the item's grid lets the user set that the layout leaves out (Fieldbus, Subnet), each command's
// subnet and node (Command List); and the Nodes sheet with every node of every subnet the type has.
std::vector<Cell> losslessCells(const ConfigStore &store);

// The first column of `sheet` after the columns `layout` may use.
int firstLosslessColumn(ExportLayout layout, Sheet sheet);

// The workbook's final content: the layout's headings overwritten by the planned cells, then the
// lossless cells, one entry per place, blank ones dropped, ordered by sheet, row and column.
std::vector<Cell> workbookCells(const ConfigStore &store);

// The worksheet's name in the active language, or in the given one.
std::string sheetName(Sheet sheet);
std::string sheetName(Sheet sheet, Language language);

// What the cells of a column hold, known by the column's heading: a record member (one of
// `fields`, whichever the item's grid stores into), a text for the eye only, or what names the
// row's item or the workbook's model.
enum class ColumnRole {
    Field,
    Display,
    SubnetNumber,
    NodeNumber,
    NodeName,
    SlaveAddress, // the node's address (a command's follows its node's)
    FunctionCode,
    ByteCount, // derived from the quantity by the rules, never taken from the sheet
    GatewayType,
    ModelFlags,
};

struct ColumnMeaning {
    Sheet sheet;
    StrId heading;
    ColumnRole role = ColumnRole::Field;
    std::vector<FieldRef> fields;
};

// The member a sheet's value of a grid cell goes into: what a pick or an edit box stores, or for a
// grey row that shows a stored value with a rule of its own (a register command's mapping bit,
// which the mapping pass and an upload set) that value, through that rule. Nothing otherwise.
FieldRef sheetField(const CellInfo &cell);

// Every heading the export writes, per sheet.
const std::vector<ColumnMeaning> &columnMeanings();

// Model flags as the workbook shows them: the numbers of the flags set ("4 6"), "0" for none.
std::string modelFlagsText(const ConfigStore &store);

} // namespace tqv
