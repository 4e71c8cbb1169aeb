#include "Workbook.h"

#include "model/ProjectDocument.h"
#include "resources/Strings.h"
#include "resources/TextWidth.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <filesystem>
#include <map>

namespace tqv {

namespace {

constexpr double kMinColumnWidth = 8;
constexpr double kMaxColumnWidth = 60;
// Long headings wrap instead of widening their column past what the values need.
constexpr std::size_t kHeadingWidth = 24;

// libxlsxwriter prints "[ERROR]" lines of its own on stderr when it fails; the program reports
// the failure itself, so the library's stderr goes nowhere while it works. (Another thread's
// stderr output in that moment would go with it; the export is short and nothing relies on it.)
class LibraryStderrMuted {
public:
    LibraryStderrMuted()
    {
        std::fflush(stderr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0)
            return;
        m_saved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (m_saved >= 0)
            ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    ~LibraryStderrMuted()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    LibraryStderrMuted(const LibraryStderrMuted &) = delete;
    LibraryStderrMuted &operator=(const LibraryStderrMuted &) = delete;

private:
    int m_saved = -1;
};

// Fills the temporary file `path`; an empty text on success, else the library's reason.
std::string fillWorkbook(const std::vector<Cell> &cells, const std::string &path)
{
    const LibraryStderrMuted muted;
    lxw_workbook *workbook = workbook_new(path.c_str());
    if (!workbook)
        return lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_format *bold = workbook_add_format(workbook);
    format_set_bold(bold);
    format_set_text_wrap(bold);
    format_set_align(bold, LXW_ALIGN_VERTICAL_TOP);

    std::array<lxw_worksheet *, kSheetCount> sheets{};
    for (Sheet sheet : {Sheet::Fieldbus, Sheet::Subnet, Sheet::CommandList, Sheet::Nodes}) {
        lxw_worksheet *ws = workbook_add_worksheet(workbook, sheetName(sheet).c_str());
        if (!ws) {
            workbook_close(workbook);
            return lxw_strerror(LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED);
        }
        worksheet_freeze_panes(ws, 1, 0);
        sheets[static_cast<std::size_t>(sheet)] = ws;
    }

    std::map<std::pair<Sheet, int>, std::size_t> widths; // (sheet, column) -> widest text
    lxw_error failed = LXW_NO_ERROR;
    for (const Cell &cell : cells) {
        lxw_worksheet *ws = sheets[static_cast<std::size_t>(cell.sheet)];
        const lxw_error e = worksheet_write_string(ws, static_cast<lxw_row_t>(cell.row - 1),
                                                   static_cast<lxw_col_t>(cell.column - 1), cell.text.c_str(),
                                                   cell.row == 1 ? bold : nullptr);
        if (e != LXW_NO_ERROR && failed == LXW_NO_ERROR)
            failed = e;
        std::size_t &width = widths[{cell.sheet, cell.column}];
        const std::size_t shown = displayWidth(cell.text);
        width = std::max(width, cell.row == 1 ? std::min(shown, kHeadingWidth) : shown);
    }
    for (const auto &[place, width] : widths) {
        const double shown = std::clamp(static_cast<double>(width) + 2, kMinColumnWidth, kMaxColumnWidth);
        const auto column = static_cast<lxw_col_t>(place.second - 1);
        worksheet_set_column(sheets[static_cast<std::size_t>(place.first)], column, column, shown, nullptr);
    }
    const lxw_error closed = workbook_close(workbook);
    if (failed == LXW_NO_ERROR)
        failed = closed;
    return failed == LXW_NO_ERROR ? std::string() : std::string(lxw_strerror(failed));
}

} // namespace

std::string workbookFileName(const std::string &name)
{
    if (name.empty() || std::filesystem::path(name).has_extension())
        return name;
    return name + ".xlsx";
}

Status writeWorkbook(const std::vector<Cell> &cells, const std::string &path)
{
    const Status replaced = ProjectDocument::replaceFileAtomically(
        path, [&cells](int, const std::string &temp) { return fillWorkbook(cells, temp); });
    if (!replaced)
        return Error{replaced.error().code, formatText(StrId::MsgExportFailed, {path, replaced.message()})};
    return {};
}

Status exportWorkbook(const ConfigStore &store, const std::string &path)
{
    if (exportLayoutOf(store) == ExportLayout::None)
        return Error{ErrorCode::NoExportLayout, formatText(StrId::MsgExportNoLayout, {store.subnet(0).protocol})};
    return writeWorkbook(workbookCells(store), path);
}

} // namespace tqv
