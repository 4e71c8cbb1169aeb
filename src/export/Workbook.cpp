#include "Workbook.h"

#include "model/ProjectDocument.h"
#include "resources/Strings.h"
#include "resources/TextWidth.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <type_traits>

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

// libxlsxwriter, loaded by the first export instead of at every start: with the compression and
// crypto libraries it brings along it is a fair share of the start-up time of the window and the
// command line, and most runs never export. `failure` says why it could not be had.
struct XlsxLibrary {
    decltype(&workbook_new) newWorkbook = nullptr;
    decltype(&workbook_add_format) addFormat = nullptr;
    decltype(&format_set_bold) setBold = nullptr;
    decltype(&format_set_text_wrap) setTextWrap = nullptr;
    decltype(&format_set_align) setAlign = nullptr;
    decltype(&workbook_add_worksheet) addWorksheet = nullptr;
    decltype(&worksheet_freeze_panes) freezePanes = nullptr;
    decltype(&worksheet_write_string) writeString = nullptr;
    decltype(&worksheet_set_column) setColumn = nullptr;
    decltype(&workbook_close) closeWorkbook = nullptr;
    decltype(&lxw_strerror) errorText = nullptr;
    std::string failure;
};

const XlsxLibrary &xlsxLibrary()
{
    static const XlsxLibrary library = [] {
        XlsxLibrary l;
        // By its name on the library path first, then where the build found it. Never unloaded.
        void *handle = ::dlopen(TQV_XLSXWRITER_NAME, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            handle = ::dlopen(TQV_XLSXWRITER_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char *why = ::dlerror();
            l.failure = why ? why : TQV_XLSXWRITER_NAME;
            return l;
        }
        auto bind = [&l, handle](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(handle, name));
            if (!function && l.failure.empty())
                l.failure = std::string(TQV_XLSXWRITER_NAME) + ": " + name;
        };
        bind(l.newWorkbook, "workbook_new");
        bind(l.addFormat, "workbook_add_format");
        bind(l.setBold, "format_set_bold");
        bind(l.setTextWrap, "format_set_text_wrap");
        bind(l.setAlign, "format_set_align");
        bind(l.addWorksheet, "workbook_add_worksheet");
        bind(l.freezePanes, "worksheet_freeze_panes");
        bind(l.writeString, "worksheet_write_string");
        bind(l.setColumn, "worksheet_set_column");
        bind(l.closeWorkbook, "workbook_close");
        bind(l.errorText, "lxw_strerror");
        return l;
    }();
    return library;
}

// Fills the temporary file `path`; an empty text on success, else the library's reason.
std::string fillWorkbook(const std::vector<Cell> &cells, const std::string &path)
{
    const XlsxLibrary &lxw = xlsxLibrary();
    if (!lxw.failure.empty())
        return lxw.failure;
    const LibraryStderrMuted muted;
    lxw_workbook *workbook = lxw.newWorkbook(path.c_str());
    if (!workbook)
        return lxw.errorText(LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_format *bold = lxw.addFormat(workbook);
    lxw.setBold(bold);
    lxw.setTextWrap(bold);
    lxw.setAlign(bold, LXW_ALIGN_VERTICAL_TOP);

    std::array<lxw_worksheet *, kSheetCount> sheets{};
    for (Sheet sheet : {Sheet::Fieldbus, Sheet::Subnet, Sheet::CommandList, Sheet::Nodes}) {
        lxw_worksheet *ws = lxw.addWorksheet(workbook, sheetName(sheet).c_str());
        if (!ws) {
            lxw.closeWorkbook(workbook);
            return lxw.errorText(LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED);
        }
        lxw.freezePanes(ws, 1, 0);
        sheets[static_cast<std::size_t>(sheet)] = ws;
    }

    std::map<std::pair<Sheet, int>, std::size_t> widths; // (sheet, column) -> widest text
    lxw_error failed = LXW_NO_ERROR;
    for (const Cell &cell : cells) {
        lxw_worksheet *ws = sheets[static_cast<std::size_t>(cell.sheet)];
        const lxw_error e = lxw.writeString(ws, static_cast<lxw_row_t>(cell.row - 1), static_cast<lxw_col_t>(cell.column - 1),
                                            cell.text.c_str(), cell.row == 1 ? bold : nullptr);
        if (e != LXW_NO_ERROR && failed == LXW_NO_ERROR)
            failed = e;
        std::size_t &width = widths[{cell.sheet, cell.column}];
        const std::size_t shown = displayWidth(cell.text);
        width = std::max(width, cell.row == 1 ? std::min(shown, kHeadingWidth) : shown);
    }
    for (const auto &[place, width] : widths) {
        const double shown = std::clamp(static_cast<double>(width) + 2, kMinColumnWidth, kMaxColumnWidth);
        const auto column = static_cast<lxw_col_t>(place.second - 1);
        lxw.setColumn(sheets[static_cast<std::size_t>(place.first)], column, column, shown, nullptr);
    }
    const lxw_error closed = lxw.closeWorkbook(workbook);
    if (failed == LXW_NO_ERROR)
        failed = closed;
    return failed == LXW_NO_ERROR ? std::string() : std::string(lxw.errorText(failed));
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
