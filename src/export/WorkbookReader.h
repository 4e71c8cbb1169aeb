#pragma once

// Reading a spreadsheet back: an .xlsx workbook (through libzip and pugixml) or a CSV file, into
// the texts of its cells. The reader knows nothing of configurations; what a cell means is the
// import's business.

#include "model/Result.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tqv {

// A cell place, 1-based: {row, column}, column 1 = A.
using CellPlace = std::pair<int, int>;

struct ReadSheet {
    std::string name; // as the file names it
    // Every non-blank cell as a spreadsheet shows it: shared and inline strings, numbers in their
    // shortest decimal form ("1", "0.5", never "1.0000000001" for 1), booleans "TRUE"/"FALSE",
    // a formula's cached value.
    std::map<CellPlace, std::string> cells;
    // Cells that have no value to take, with the reason in the active language: a formula without
    // a cached value, a cell covered by a merged range (all cells of the range), an error value.
    std::map<CellPlace, std::string> refused;
    int lastRow = 0; // the highest row holding a cell (0: none)
};

struct ReadBook {
    std::vector<ReadSheet> sheets; // in the workbook's order
    bool fromCsv = false;          // one sheet, read from a CSV file of the command list

    const ReadSheet *sheet(std::string_view name) const;
};

// Limits that keep a hostile or mistaken file from taking the machine: a larger file, a larger
// unpacked part, or more rows in a sheet is refused with a message before it is read whole.
inline constexpr std::uint64_t kMaxWorkbookFileBytes = 64ull << 20;
inline constexpr std::uint64_t kMaxWorkbookPartBytes = 256ull << 20;
inline constexpr int kMaxWorkbookRows = 10000;

// Reads an .xlsx file. Fails (ErrorCode::FileOpen / FileFormat, a message naming the file and
// what is wrong) for a missing or unreadable file, a file too large, not a zip, a zip that is
// not a workbook, a sheet past the row limit, or XML that does not parse.
Result<ReadBook> readWorkbookFile(const std::string &path);
// The same from bytes in memory (what the fuzz target feeds).
Result<ReadBook> readWorkbookBytes(std::string_view bytes);

// Reads a CSV file of the command list (comma or semicolon separated, as the first line shows;
// double-quoted fields with "" inside; an optional UTF-8 byte-order mark; CRLF or LF) into one
// sheet named after the command list sheet of the active language.
Result<ReadBook> readCommandCsvFile(const std::string &path);
Result<ReadBook> readCommandCsvBytes(std::string_view bytes);

// By the file's extension (.xlsx or .csv, any case); anything else is refused with a message.
Result<ReadBook> readImportFile(const std::string &path);

} // namespace tqv
