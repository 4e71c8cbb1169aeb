// Fuzz target for the workbook and CSV readers. Bytes that start like a zip archive are read as a
// workbook; anything else becomes the XML of a sheet (and, after a NUL byte, of the shared
// strings) inside a workbook zipped here, since a mutated archive rarely survives its checksums.
// Every input is also read as a CSV file. Whatever is read must hold only places of the sheet
// and the row limit; whatever is refused must say why.
#include "export/WorkbookReader.h"
#include "resources/Strings.h"

#include <zip.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace {

using namespace tqv;

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

void checkRead(const Result<ReadBook> &read, bool csv)
{
    if (!read) {
        check(read.error().code == ErrorCode::FileFormat, "bytes refused with another code than FileFormat");
        check(!read.message().empty(), "a refusal without a message");
        return;
    }
    const ReadBook &book = read.value();
    check(book.fromCsv == csv, "fromCsv does not say where the book came from");
    check(!csv || book.sheets.size() == 1, "a CSV file read into more than one sheet");
    for (const ReadSheet &sheet : book.sheets) {
        int last = 0;
        for (const auto &[place, value] : sheet.cells) {
            check(place.first >= 1 && place.first <= kMaxWorkbookRows, "a cell's row lies outside the limit");
            check(place.second >= 1 && place.second <= 16384, "a cell's column lies outside the sheet");
            check(!value.empty(), "a blank cell was listed");
            check(!sheet.refused.count(place), "a cell both read and refused");
            last = std::max(last, place.first);
        }
        for (const auto &[place, reason] : sheet.refused) {
            check(place.first >= 1 && place.first <= kMaxWorkbookRows, "a refused cell's row lies outside the limit");
            check(!reason.empty(), "a cell refused without a reason");
            last = std::max(last, place.first);
        }
        check(sheet.lastRow == last, "lastRow is not the highest row holding a cell");
    }
}

// A workbook of one sheet around the given XML parts, stored uncompressed.
std::string zippedBook(std::string_view sheetXml, std::string_view sharedXml)
{
    static const std::string types =
        "<Types><Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";
    static const std::string workbook =
        "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>";
    static const std::string rels =
        "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
    const std::pair<const char *, std::string_view> parts[] = {
        {"[Content_Types].xml", types},  {"xl/workbook.xml", workbook},     {"xl/_rels/workbook.xml.rels", rels},
        {"xl/worksheets/sheet1.xml", sheetXml}, {"xl/sharedStrings.xml", sharedXml}};

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    check(buffer != nullptr, "no zip buffer");
    zip_source_keep(buffer);
    zip_t *zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    check(zip != nullptr, "no zip archive in memory");
    for (const auto &[name, data] : parts) {
        zip_source_t *source = zip_source_buffer(zip, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(zip, name, source, ZIP_FL_OVERWRITE);
        check(index >= 0, "a part could not be added");
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    check(zip_close(zip) == 0, "the archive could not be written");
    std::string bytes;
    check(zip_source_open(buffer) == 0, "the written archive cannot be read back");
    char chunk[65536];
    for (zip_int64_t n; (n = zip_source_read(buffer, chunk, sizeof chunk)) > 0;)
        bytes.append(chunk, static_cast<std::size_t>(n));
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // The CSV reader falls back to the language's code page; both are tried over the inputs.
    setLanguage(size % 2 ? Language::Chinese : Language::English);
    checkRead(readCommandCsvBytes(bytes), true);
    if (bytes.substr(0, 2) == "PK") {
        checkRead(readWorkbookBytes(bytes), false);
    } else {
        const std::size_t nul = bytes.find('\0');
        const std::string_view sheet = bytes.substr(0, nul);
        const std::string_view shared =
            nul == std::string_view::npos ? std::string_view("<sst><si><t>a</t></si></sst>") : bytes.substr(nul + 1);
        checkRead(readWorkbookBytes(zippedBook(sheet, shared)), false);
    }
    return 0;
}
