#include "export/Workbook.h"
#include "export/WorkbookReader.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace tqv {
namespace {

using Cells = std::map<CellPlace, std::string>;

// Workbooks as other writers make them: one by openpyxl, the rest zipped by hand to hold what
// openpyxl never writes (inline strings, cached formula values, cells without references).
const char *kMakeBooks = R"PY(
import sys, zipfile, openpyxl
d = sys.argv[1]
wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Data'
ws.append([3, 0.5, True, '=1+2', 'text', 1e20, 0.1 + 0.2, 100000, 0.00001])
ws['A3'] = 'merged'; ws.merge_cells('A3:B4')
wb.save(d + '/openpyxl.xlsx')
types = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override PartName="/xl/workbook.xml" '
         'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>')
book = ('<x:workbook xmlns:x="s" xmlns:r="r"><x:sheets><x:sheet name="Hand" sheetId="1" r:id="rId1"/></x:sheets></x:workbook>')
rels = ('<Relationships><Relationship Id="rId1" Type="http://x/worksheet" Target="/xl/sheets/one.xml"/></Relationships>')
def book_with(sheet, name):
    with zipfile.ZipFile(d + '/' + name, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('[Content_Types].xml', types); z.writestr('xl/workbook.xml', book)
        z.writestr('xl/_rels/workbook.xml.rels', rels); z.writestr('xl/sheets/one.xml', sheet)
book_with('<x:worksheet><x:sheetData><x:row><x:c t="inlineStr"><x:is><x:r><x:t>in</x:t></x:r><x:r><x:t xml:space="preserve">'
          'line _x000D_</x:t></x:r></x:is></x:c><x:c><x:f>1+2</x:f><x:v>3</x:v></x:c><x:c t="str"><x:f>A1</x:f><x:v>cached</x:v>'
          '</x:c><x:c t="e"><x:v>#DIV/0!</x:v></x:c><x:c t="b"><x:v>0</x:v></x:c></x:row><x:row r="5"><x:c r="C5">'
          '<x:v>1.0000000000000002</x:v></x:c><x:c><x:v>-0</x:v></x:c></x:row></x:sheetData></x:worksheet>', 'hand.xlsx')
book_with('<worksheet><sheetData><row r="1"><c r="A1"><v>1</v></row></sheetData></worksheet>', 'badxml.xlsx')
book_with('<worksheet><sheetData>' + ''.join('<row r="%d"><c r="A%d"><v>%d</v></c></row>' % (i, i, i)
          for i in range(1, 100001)) + '</sheetData></worksheet>', 'rows.xlsx')
book_with('<worksheet><sheetData><row><c r="A0"><v>1</v></c></row></sheetData></worksheet>', 'badref.xlsx')
with zipfile.ZipFile(d + '/nobook.xlsx', 'w') as z: z.writestr('readme.txt', 'hello')
open(d + '/notzip.xlsx', 'w').write('hello, world')
open(d + '/empty.xlsx', 'w').close()
with open(d + '/huge.xlsx', 'w') as f: f.truncate(1 << 30)
)PY";

class WorkbookReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::filesystem::create_directories(dir());
        std::ofstream(dir() + "make.py") << kMakeBooks;
        ASSERT_EQ(std::system(("/usr/bin/python3 " + dir() + "make.py " + dir()).c_str()), 0);
    }
    // One folder per process: ctest runs the cases of this suite side by side.
    static std::string dir() { return ::testing::TempDir() + "tqv-workbook-reader-" + std::to_string(::getpid()) + "/"; }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir()); }
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(WorkbookReaderTest, OurOwnWorkbookReadsBackInBothLanguages)
{
    for (Language language : {Language::English, Language::Chinese}) {
        setLanguage(language);
        const std::vector<Cell> written = {{Sheet::Fieldbus, 1, 1, "Fieldbus Type"}, {Sheet::Subnet, 2, 3, "9600"},
                                           {Sheet::CommandList, 1, 2, "从站地址"}, {Sheet::CommandList, 513, 28, "0x4000"}};
        const std::string path = dir() + "ours.xlsx";
        ASSERT_TRUE(writeWorkbook(written, path));
        const Result<ReadBook> read = readImportFile(path);
        ASSERT_TRUE(read) << read.message();
        ASSERT_EQ(read.value().sheets.size(), static_cast<std::size_t>(kSheetCount));
        for (int s = 0; s < kSheetCount; ++s) {
            const ReadSheet &sheet = read.value().sheets[static_cast<std::size_t>(s)];
            EXPECT_EQ(sheet.name, sheetName(static_cast<Sheet>(s)));
            Cells expected;
            for (const Cell &c : written)
                if (c.sheet == static_cast<Sheet>(s))
                    expected[{c.row, c.column}] = c.text;
            EXPECT_EQ(sheet.cells, expected);
            EXPECT_EQ(sheet.lastRow, expected.empty() ? 0 : expected.rbegin()->first.first);
        }
        EXPECT_NE(read.value().sheet(sheetName(Sheet::CommandList)), nullptr);
    }
}

TEST_F(WorkbookReaderTest, OtherWritersValuesFormulasAndMergedCells)
{
    const Result<ReadBook> openpyxl = readWorkbookFile(dir() + "openpyxl.xlsx");
    ASSERT_TRUE(openpyxl) << openpyxl.message();
    const ReadSheet &data = openpyxl.value().sheets.at(0);
    EXPECT_EQ(data.name, "Data");
    EXPECT_EQ(data.cells, (Cells{{{1, 1}, "3"}, {{1, 2}, "0.5"}, {{1, 3}, "TRUE"}, {{1, 5}, "text"}, {{1, 6}, "1e+20"},
                                 {{1, 7}, "0.3"}, {{1, 8}, "100000"}, {{1, 9}, "0.00001"}}));
    const std::string merged = text(StrId::CellMerged, Language::English);
    EXPECT_EQ(data.refused, (std::map<CellPlace, std::string>{{{1, 4}, text(StrId::CellFormulaNoValue)},
                                                              {{3, 1}, formatText(merged, {"A3:B4"})},
                                                              {{3, 2}, formatText(merged, {"A3:B4"})},
                                                              {{4, 1}, formatText(merged, {"A3:B4"})},
                                                              {{4, 2}, formatText(merged, {"A3:B4"})}}));
    EXPECT_EQ(data.lastRow, 4);

    const Result<ReadBook> hand = readWorkbookFile(dir() + "hand.xlsx");
    ASSERT_TRUE(hand) << hand.message();
    const ReadSheet &sheet = hand.value().sheets.at(0);
    EXPECT_EQ(sheet.name, "Hand");
    EXPECT_EQ(sheet.cells, (Cells{{{1, 1}, "inline \r"}, {{1, 2}, "3"}, {{1, 3}, "cached"}, {{1, 5}, "FALSE"},
                                  {{5, 3}, "1"}, {{5, 4}, "0"}}));
    EXPECT_EQ(sheet.refused, (std::map<CellPlace, std::string>{{{1, 4}, formatText(StrId::CellErrorValue, {"#DIV/0!"})}}));
}

TEST_F(WorkbookReaderTest, BadWorkbooksAreRefusedWithOneClearMessage)
{
    const std::string missing = dir() + "missing.xlsx";
    const struct {
        std::string file;
        ErrorCode code;
        std::string says;
    } cases[] = {
        {"notzip.xlsx", ErrorCode::FileFormat, text(StrId::ReasonNotZip)},
        {"empty.xlsx", ErrorCode::FileFormat, text(StrId::ReasonImportEmpty)},
        {"nobook.xlsx", ErrorCode::FileFormat, text(StrId::ReasonNoWorkbookPart)},
        {"badxml.xlsx", ErrorCode::FileFormat, formatText(StrId::ReasonPartNotXml, {"xl/sheets/one.xml", "53"})},
        {"rows.xlsx", ErrorCode::FileFormat, formatText(StrId::ReasonTooManyRows, {"Hand", "10001", "10000"})},
        {"badref.xlsx", ErrorCode::FileFormat, formatText(StrId::ReasonBadCellRef, {"Hand", "A0"})},
        {"huge.xlsx", ErrorCode::FileOpen, formatText(StrId::ImportFileTooLarge, {dir() + "huge.xlsx", "1073741824", "67108864"})},
        {"missing.xlsx", ErrorCode::FileOpen, missing},
        {"book.ods", ErrorCode::FileFormat, formatText(StrId::ImportUnknownKind, {dir() + "book.ods"})},
    };
    for (const auto &c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const Result<ReadBook> read = readImportFile(dir() + c.file);
        ASSERT_FALSE(read) << c.file;
        EXPECT_EQ(read.error().code, c.code) << c.file;
        EXPECT_NE(read.message().find(c.says), std::string::npos) << c.file << ": " << read.message();
        EXPECT_NE(read.message().find(dir() + c.file), std::string::npos) << read.message();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.file;
    }
}

TEST_F(WorkbookReaderTest, CsvSeparatorsQuotingAndLineEnds)
{
    const struct {
        std::string bytes;
        Cells cells;
        int lastRow;
    } cases[] = {
        {"a,\"b,\"\"c\"\"\",x\r\n,\"two\r\nlines\"\r\n", {{{1, 1}, "a"}, {{1, 2}, "b,\"c\""}, {{1, 3}, "x"}, {{2, 2}, "two\nlines"}}, 2},
        {"\xEF\xBB\xBFh;\"1,5\"\n\n;;z", {{{1, 1}, "h"}, {{1, 2}, "1,5"}, {{3, 3}, "z"}}, 3},
        {"only", {{{1, 1}, "only"}}, 1},
        {"\xD6\xD0,\xCE\xC4\n", {{{1, 1}, "中"}, {{1, 2}, "文"}}, 1}, // GBK, as a Chinese system saves CSV
    };
    setLanguage(Language::Chinese);
    for (const auto &c : cases) {
        const Result<ReadBook> read = readCommandCsvBytes(c.bytes);
        ASSERT_TRUE(read) << read.message();
        EXPECT_TRUE(read.value().fromCsv);
        EXPECT_EQ(read.value().sheets.at(0).name, "命令列表");
        EXPECT_EQ(read.value().sheets.at(0).cells, c.cells) << c.bytes;
        EXPECT_EQ(read.value().sheets.at(0).lastRow, c.lastRow) << c.bytes;
    }
    setLanguage(Language::English);
    const Result<ReadBook> open = readCommandCsvBytes("a,b\nc,\"d\n\ne");
    ASSERT_FALSE(open);
    EXPECT_EQ(open.message(), formatText(StrId::ImportDataNotCsv, {formatText(StrId::ReasonCsvOpenQuote, {"2"})}));
    std::string many;
    for (int i = 0; i <= kMaxWorkbookRows; ++i)
        many += "1\n";
    EXPECT_FALSE(readCommandCsvBytes(many));
    EXPECT_TRUE(readCommandCsvBytes(many.substr(2)));
}

} // namespace
} // namespace tqv
