#pragma once

// Bringing a workbook the program exported (or a CSV of its command list) back into a
// configuration. Every cell is committed the way typing it into the grid commits it, so the
// grid's ranges, choices and side effects (derived byte counts, node renames) apply alike.

#include "CellPlan.h"
#include "WorkbookReader.h"
#include "model/ConfigStore.h"
#include "model/Result.h"

#include <memory>
#include <string>
#include <vector>

namespace tqv {

// One cell the grid's rules refused.
struct RefusedCell {
    std::string sheet;   // the sheet's name as the file has it
    int row = 0;         // 1-based, as the spreadsheet numbers it
    std::string column;  // the column's heading as the file has it
    std::string value;   // the cell's text
    std::string reason;  // the rule's reason, in the active language

    bool operator==(const RefusedCell &) const = default;
};

struct ImportOptions {
    // Apply the rows whose cells were all accepted and list the rest; without it nothing is
    // applied unless every cell is accepted.
    bool partial = false;
};

struct ImportOutcome {
    // The configuration after the import: the base with the accepted cells applied (with
    // `refused` non-empty and !partial, the base unchanged).
    std::unique_ptr<ConfigStore> store;
    std::vector<RefusedCell> refused;
    int rowsApplied = 0; // data rows taken over, all sheets together
    bool applied() const { return refused.empty(); }
};

// Imports `book` into a copy of `base`, or into a new configuration of the workbook's gateway
// type when `base` is null. Fails (ErrorCode::FileFormat, one clear message) for a book whose
// structure is not the program's: a missing sheet, a missing or renamed column, an empty sheet,
// a gateway type that differs from the base's. Refused cells are no failure: they are listed in
// the outcome.
Result<ImportOutcome> importBook(const ReadBook &book, const ConfigStore *base, const ImportOptions &options);

// The cells of an export as a spreadsheet reader gives them back: the four sheets named in the
// active language, blank cells absent. What the round-trip checks and the import benchmark read.
ReadBook readBookOfCells(const std::vector<Cell> &cells);

// "Sheet «Command List», row 5, column «Slave Address»: "300": <reason>" in the active language.
std::string describeRefusal(const RefusedCell &cell);

} // namespace tqv
