#pragma once

#include "CellPlan.h"
#include "model/Result.h"

#include <string>
#include <vector>

namespace tqv {

// "OUT" -> "OUT.xlsx"; a name that has an extension stays as it is.
std::string workbookFileName(const std::string &name);

// Writes the three worksheets with `cells` (bold, frozen first row, columns as wide as their
// texts) to `path`, through a temporary file that replaces the target only when complete.
Status writeWorkbook(const std::vector<Cell> &cells, const std::string &path);

// The export of a configuration: its workbook cells written to `path`. A configuration without a
// layout writes nothing and says why.
Status exportWorkbook(const ConfigStore &store, const std::string &path);

} // namespace tqv
