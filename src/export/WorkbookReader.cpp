#include "WorkbookReader.h"

#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <pugixml.hpp>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <variant>

namespace tqv {

const ReadSheet *ReadBook::sheet(std::string_view name) const
{
    for (const ReadSheet &s : sheets)
        if (s.name == name)
            return &s;
    return nullptr;
}

namespace {

// The largest sheet a spreadsheet program can hold; a reference past it names no cell.
constexpr int kSheetRows = 1048576;
constexpr int kSheetColumns = 16384;
// Merged ranges refuse every cell they cover; more than this is no workbook of ours.
constexpr std::size_t kMaxMergedCells = 100000;

// A failure inside the workbook: the reason alone, which the caller puts after the file's name.
struct Failure {
    std::string reason;
};
template <typename T> using Step = std::variant<T, Failure>;

std::string number(std::uint64_t n) { return std::to_string(n); }

bool endsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// ---- XML helpers: element names compared without their namespace prefix ("x:row" is "row"),
// since writers may choose any prefix.

std::string_view localName(const char *name)
{
    std::string_view s(name);
    const std::size_t colon = s.find(':');
    return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

pugi::xml_node child(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && localName(c.name()) == name)
            return c;
    return {};
}

template <typename F> void forChildren(pugi::xml_node node, std::string_view name, F &&f)
{
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && localName(c.name()) == name)
            f(c);
}

// An attribute in a namespace ("r:id"), whatever its prefix.
pugi::xml_attribute prefixedAttribute(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view full(a.name());
        if (full.find(':') != std::string_view::npos && localName(a.name()) == name)
            return a;
    }
    return {};
}

// Excel writes characters XML cannot carry as "_xHHHH_" (and a literal "_x" as "_x005F_x").
std::string decodeEscapes(std::string_view s)
{
    if (s.find("_x") == std::string_view::npos)
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        unsigned code = 0;
        if (s.size() - i >= 7 && s[i] == '_' && s[i + 1] == 'x' && s[i + 6] == '_' &&
            std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16).ptr == s.data() + i + 6 &&
            (code < 0xD800 || code > 0xDFFF)) {
            appendUtf8(static_cast<char32_t>(code), out);
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// All character data of an element (text and CDATA pieces together).
std::string elementText(pugi::xml_node node)
{
    std::string out;
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            out += c.value();
    return out;
}

// A string item (<si> or <is>): its text, or the runs' texts joined; phonetic hints left out.
std::string richText(pugi::xml_node item)
{
    std::string out;
    for (pugi::xml_node c : item.children()) {
        if (c.type() != pugi::node_element)
            continue;
        const std::string_view name = localName(c.name());
        if (name == "t")
            out += elementText(c);
        else if (name == "r")
            out += elementText(child(c, "t"));
    }
    return decodeEscapes(out);
}

// "B12" -> {12, 2}; nullopt for anything that names no cell of a sheet.
std::optional<CellPlace> parseCellRef(std::string_view ref)
{
    std::size_t i = 0;
    int column = 0;
    while (i < ref.size() && i < 3 && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        column = column * 26 + ((ref[i] | 0x20) - 'a' + 1);
        ++i;
    }
    if (i == 0 || column > kSheetColumns || i == ref.size() || ref.size() - i > 7)
        return std::nullopt;
    int row = 0;
    const auto [end, ec] = std::from_chars(ref.data() + i, ref.data() + ref.size(), row);
    if (ec != std::errc() || end != ref.data() + ref.size() || ref[i] == '0' || row < 1 || row > kSheetRows)
        return std::nullopt;
    return CellPlace{row, column};
}

std::string cellName(CellPlace place)
{
    std::string letters;
    for (int c = place.second; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(place.first);
}

// A number as a spreadsheet shows it: at most 15 significant digits, then the shortest decimal
// form ("3", "0.5", "115200"); nullopt for a text that is no number.
std::optional<std::string> numberText(std::string_view raw)
{
    while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t'))
        raw.remove_prefix(1);
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t'))
        raw.remove_suffix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), value);
    if (raw.empty() || ec != std::errc() || end != raw.data() + raw.size() || !std::isfinite(value))
        return std::nullopt;
    char buffer[400];
    const auto rounded = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::from_chars(buffer, rounded.ptr, value);
    if (value == 0)
        value = 0; // no "-0"
    const double magnitude = std::fabs(value);
    const auto format = (value == 0 || (magnitude >= 1e-9 && magnitude < 1e15)) ? std::chars_format::fixed
                                                                                : std::chars_format::general;
    const auto printed = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return std::string(buffer, printed.ptr);
}

// ---- The archive.

class ZipArchive {
public:
    ZipArchive() = default;
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;
    ~ZipArchive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }

    // The bytes stay owned by the caller and must outlive the archive.
    bool open(std::string_view bytes)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (source && !m_zip)
            zip_source_free(source);
        zip_error_fini(&error);
        return m_zip != nullptr;
    }

    bool has(const std::string &name) const { return zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE) >= 0; }

    // The unpacked part, refused past kMaxWorkbookPartBytes whatever its header claims.
    Step<std::string> read(const std::string &name) const
    {
        const zip_int64_t index = zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE);
        if (index < 0)
            return Failure{formatText(StrId::ReasonPartMissing, {shownFileText(name)})};
        const Failure tooLarge{formatText(StrId::ReasonPartTooLarge, {shownFileText(name), number(kMaxWorkbookPartBytes)})};
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
            st.size > kMaxWorkbookPartBytes)
            return tooLarge;
        zip_file_t *file = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
        if (!file)
            return Failure{formatText(StrId::ReasonPartUnreadable, {shownFileText(name)})};
        std::string out;
        if (st.valid & ZIP_STAT_SIZE)
            out.reserve(static_cast<std::size_t>(st.size));
        char buffer[65536];
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
            if (n < 0) {
                zip_fclose(file);
                return Failure{formatText(StrId::ReasonPartUnreadable, {shownFileText(name)})};
            }
            if (n == 0)
                break;
            if (out.size() + static_cast<std::size_t>(n) > kMaxWorkbookPartBytes) {
                zip_fclose(file);
                return tooLarge;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
        if (zip_fclose(file) != 0)
            return Failure{formatText(StrId::ReasonPartUnreadable, {shownFileText(name)})};
        return out;
    }

private:
    zip_t *m_zip = nullptr;
};

// A parsed XML part. The document is built in place over the unpacked bytes, which it keeps, so
// a large part is not held twice.
struct XmlDocument {
    std::string bytes;
    pugi::xml_document doc;
    operator pugi::xml_node() const { return doc; }
};
using XmlPart = std::unique_ptr<XmlDocument>;

Step<XmlPart> readXml(const ZipArchive &zip, const std::string &name)
{
    Step<std::string> bytes = zip.read(name);
    if (auto *failure = std::get_if<Failure>(&bytes))
        return std::move(*failure);
    auto part = std::make_unique<XmlDocument>();
    part->bytes = std::move(std::get<std::string>(bytes));
    // Whitespace-only text kept where it is an element's only content: a cell of one space.
    const pugi::xml_parse_result parsed = part->doc.load_buffer_inplace(
        part->bytes.data(), part->bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!parsed)
        return Failure{formatText(StrId::ReasonPartNotXml, {shownFileText(name), number(static_cast<std::uint64_t>(parsed.offset))})};
    return part;
}

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string relationshipsPart(const std::string &part)
{
    const std::size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

// A relationship's target, relative to the folder of the part that names it, as a zip entry name.
std::string resolveTarget(const std::string &fromPart, std::string_view target)
{
    std::string joined;
    if (!target.empty() && target.front() == '/') {
        joined = std::string(target.substr(1));
    } else {
        const std::size_t slash = fromPart.rfind('/');
        joined = (slash == std::string::npos ? std::string() : fromPart.substr(0, slash + 1)) + std::string(target);
    }
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string segment = joined.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string &s : segments)
        out += (out.empty() ? "" : "/") + s;
    return out;
}

struct Relationship {
    std::string type;
    std::string part; // resolved
};

Step<std::map<std::string, Relationship>> readRelationships(const ZipArchive &zip, const std::string &part)
{
    Step<XmlPart> xml = readXml(zip, relationshipsPart(part));
    if (auto *failure = std::get_if<Failure>(&xml))
        return std::move(*failure);
    std::map<std::string, Relationship> out;
    forChildren(child(*std::get<XmlPart>(xml), "Relationships"), "Relationship", [&](pugi::xml_node r) {
        if (std::string_view(r.attribute("TargetMode").value()) == "External")
            return;
        out[r.attribute("Id").value()] = {r.attribute("Type").value(), resolveTarget(part, r.attribute("Target").value())};
    });
    return out;
}

// The workbook part named in [Content_Types].xml (an ordinary, template or macro workbook).
std::optional<std::string> workbookPart(const ZipArchive &zip)
{
    if (!zip.has("[Content_Types].xml"))
        return std::nullopt;
    Step<XmlPart> types = readXml(zip, "[Content_Types].xml");
    if (std::holds_alternative<Failure>(types))
        return std::nullopt;
    std::optional<std::string> found;
    forChildren(child(*std::get<XmlPart>(types), "Types"), "Override", [&](pugi::xml_node o) {
        const std::string_view type = o.attribute("ContentType").value();
        if (!found && (endsWith(type, "spreadsheetml.sheet.main+xml") || endsWith(type, "spreadsheetml.template.main+xml") ||
                       endsWith(type, "ms-excel.sheet.macroEnabled.main+xml") ||
                       endsWith(type, "ms-excel.template.macroEnabled.main+xml")))
            found = resolveTarget("", o.attribute("PartName").value());
    });
    return found;
}

Step<std::vector<std::string>> readSharedStrings(const ZipArchive &zip, const std::string &part)
{
    Step<XmlPart> xml = readXml(zip, part);
    if (auto *failure = std::get_if<Failure>(&xml))
        return std::move(*failure);
    std::vector<std::string> out;
    forChildren(child(*std::get<XmlPart>(xml), "sst"), "si", [&](pugi::xml_node si) { out.push_back(richText(si)); });
    return out;
}

// Every cell a merged range covers is refused and its value dropped: which of them the value
// belongs to is the reader's guess, not the file's.
std::optional<Failure> applyMergedRanges(pugi::xml_node worksheet, ReadSheet &sheet)
{
    std::size_t covered = 0;
    std::optional<Failure> failure;
    forChildren(child(worksheet, "mergeCells"), "mergeCell", [&](pugi::xml_node m) {
        if (failure)
            return;
        const std::string_view ref = m.attribute("ref").value();
        const std::size_t colon = ref.find(':');
        const auto first = parseCellRef(ref.substr(0, colon));
        const auto last = colon == std::string_view::npos ? first : parseCellRef(ref.substr(colon + 1));
        if (!first || !last) {
            failure = Failure{formatText(StrId::ReasonBadCellRef, {shownFileText(sheet.name), shownFileText(ref)})};
            return;
        }
        const int top = std::min(first->first, last->first);
        const int left = std::min(first->second, last->second);
        if (top > kMaxWorkbookRows)
            return; // nothing can lie there: a value past the row limit was refused already
        const int bottom = std::min(std::max(first->first, last->first), kMaxWorkbookRows);
        const int right = std::max(first->second, last->second);
        covered += static_cast<std::size_t>(bottom - top + 1) * static_cast<std::size_t>(right - left + 1);
        if (covered > kMaxMergedCells) {
            failure = Failure{formatText(StrId::ReasonMergedTooLarge, {shownFileText(sheet.name), number(kMaxMergedCells)})};
            return;
        }
        const std::string reason = formatText(StrId::CellMerged, {shownFileText(ref)});
        for (int r = top; r <= bottom; ++r)
            for (int c = left; c <= right; ++c) {
                sheet.cells.erase({r, c});
                sheet.refused[{r, c}] = reason;
            }
    });
    return failure;
}

std::optional<Failure> readSheetCells(pugi::xml_node worksheet, const std::vector<std::string> &shared, ReadSheet &sheet)
{
    const auto badRef = [&](std::string_view ref) {
        return Failure{formatText(StrId::ReasonBadCellRef, {shownFileText(sheet.name), shownFileText(ref)})};
    };
    int rowNumber = 0;
    for (pugi::xml_node row : child(worksheet, "sheetData").children()) {
        if (row.type() != pugi::node_element || localName(row.name()) != "row")
            continue;
        // Rows and cells without a reference follow the previous one, as some writers leave it out.
        if (const pugi::xml_attribute r = row.attribute("r")) {
            const std::string_view text = r.value();
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rowNumber);
            if (ec != std::errc() || end != text.data() + text.size() || rowNumber < 1 || rowNumber > kSheetRows)
                return badRef(text);
        } else if (++rowNumber > kSheetRows) {
            return badRef(std::to_string(rowNumber));
        }
        int column = 0;
        for (pugi::xml_node c : row.children()) {
            if (c.type() != pugi::node_element || localName(c.name()) != "c")
                continue;
            CellPlace place{rowNumber, column + 1};
            if (const pugi::xml_attribute r = c.attribute("r")) {
                const auto parsed = parseCellRef(r.value());
                if (!parsed)
                    return badRef(r.value());
                place = *parsed;
            } else if (place.second > kSheetColumns) {
                return badRef(cellName({rowNumber, kSheetColumns}) + "+1");
            }
            column = place.second;

            const std::string_view type = c.attribute("t").value();
            const pugi::xml_node formula = child(c, "f");
            const pugi::xml_node valueNode = child(c, "v");
            const std::string raw = elementText(valueNode);
            std::string value;
            std::string refusal;
            if (type == "inlineStr") {
                value = richText(child(c, "is"));
            } else if (!valueNode || (raw.empty() && type != "str")) {
                if (!formula)
                    continue; // a formatted blank cell
                refusal = text(StrId::CellFormulaNoValue);
            } else if (type == "s") {
                std::size_t index = 0;
                const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), index);
                if (ec != std::errc() || end != raw.data() + raw.size() || index >= shared.size())
                    return Failure{formatText(StrId::ReasonBadSharedText, {shownFileText(sheet.name), cellName(place),
                                                                           shownFileText(raw), number(shared.size())})};
                value = shared[index];
            } else if (type == "b") {
                if (raw == "1" || raw == "0")
                    value = raw == "1" ? "TRUE" : "FALSE";
                else
                    refusal = formatText(StrId::CellNotNumber, {shownFileText(raw)});
            } else if (type == "e") {
                refusal = formatText(StrId::CellErrorValue, {shownFileText(raw)});
            } else if (type == "str" || type == "d") {
                value = decodeEscapes(raw);
            } else if (auto shown = numberText(raw)) {
                value = std::move(*shown);
            } else {
                refusal = formatText(StrId::CellNotNumber, {shownFileText(raw)});
            }
            if (value.empty() && refusal.empty())
                continue;
            if (place.first > kMaxWorkbookRows)
                return Failure{formatText(StrId::ReasonTooManyRows, {shownFileText(sheet.name), number(static_cast<std::uint64_t>(place.first)),
                                                                     number(kMaxWorkbookRows)})};
            if (refusal.empty()) {
                sheet.refused.erase(place);
                sheet.cells[place] = std::move(value);
            } else {
                sheet.cells.erase(place);
                sheet.refused[place] = std::move(refusal);
            }
        }
    }
    return std::nullopt;
}

void setLastRow(ReadSheet &sheet)
{
    sheet.lastRow = 0;
    if (!sheet.cells.empty())
        sheet.lastRow = sheet.cells.rbegin()->first.first;
    if (!sheet.refused.empty())
        sheet.lastRow = std::max(sheet.lastRow, sheet.refused.rbegin()->first.first);
}

Step<ReadBook> readBook(std::string_view bytes)
{
    if (bytes.empty())
        return Failure{text(StrId::ReasonImportEmpty)};
    ZipArchive zip;
    if (!zip.open(bytes))
        return Failure{text(StrId::ReasonNotZip)};
    const std::optional<std::string> bookPart = workbookPart(zip);
    if (!bookPart || !zip.has(*bookPart))
        return Failure{text(StrId::ReasonNoWorkbookPart)};
    Step<XmlPart> bookXml = readXml(zip, *bookPart);
    if (auto *failure = std::get_if<Failure>(&bookXml))
        return std::move(*failure);
    auto relationships = readRelationships(zip, *bookPart);
    if (auto *failure = std::get_if<Failure>(&relationships))
        return std::move(*failure);
    const auto &rels = std::get<std::map<std::string, Relationship>>(relationships);

    std::vector<std::string> shared;
    for (const auto &[id, rel] : rels)
        if (endsWith(rel.type, "/sharedStrings")) {
            auto read = readSharedStrings(zip, rel.part);
            if (auto *failure = std::get_if<Failure>(&read))
                return std::move(*failure);
            shared = std::move(std::get<std::vector<std::string>>(read));
            break;
        }

    ReadBook book;
    const pugi::xml_node sheets = child(child(*std::get<XmlPart>(bookXml), "workbook"), "sheets");
    for (pugi::xml_node s : sheets.children()) {
        if (s.type() != pugi::node_element || localName(s.name()) != "sheet")
            continue;
        ReadSheet sheet;
        sheet.name = s.attribute("name").value();
        const std::string id = prefixedAttribute(s, "id").value();
        const auto rel = rels.find(id);
        if (rel == rels.end())
            return Failure{formatText(StrId::ReasonPartMissing, {shownFileText(id)})};
        // Chart and dialog sheets hold no cells; they keep their place and name.
        if (endsWith(rel->second.type, "/worksheet")) {
            Step<XmlPart> xml = readXml(zip, rel->second.part);
            if (auto *failure = std::get_if<Failure>(&xml))
                return std::move(*failure);
            const pugi::xml_node worksheet = child(*std::get<XmlPart>(xml), "worksheet");
            if (auto failure = readSheetCells(worksheet, shared, sheet))
                return std::move(*failure);
            if (auto failure = applyMergedRanges(worksheet, sheet))
                return std::move(*failure);
            setLastRow(sheet);
        }
        book.sheets.push_back(std::move(sheet));
    }
    if (book.sheets.empty())
        return Failure{text(StrId::ReasonNoSheets)};
    return book;
}

// ---- CSV.

bool isUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
            code = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            code = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            code = b & 0x07;
        } else {
            return false;
        }
        if (s.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            if ((cont & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (cont & 0x3F);
        }
        const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// The separator the first line uses more: comma, or semicolon (spreadsheets set to a decimal comma).
char csvSeparator(std::string_view s)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (char c : s) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

Step<ReadBook> readCsv(std::string_view bytes)
{
    if (bytes.empty())
        return Failure{text(StrId::ReasonImportEmpty)};
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    // A spreadsheet program saving "CSV" without UTF-8 writes the system's code page: the one of
    // the active language.
    std::string decoded;
    if (!isUtf8(bytes)) {
        decoded = decodeText(bytes, codePageFor(currentLanguage()));
        bytes = decoded;
    }
    const char separator = csvSeparator(bytes);

    ReadSheet sheet;
    sheet.name = text(StrId::ExportSheetCommandList);
    int row = 1;
    int column = 1;
    int line = 1;
    int quoteLine = 0;
    bool inQuotes = false;
    bool rowHasField = false;
    std::string field;
    std::optional<Failure> failure;
    auto endField = [&] {
        if (!field.empty() && !failure) {
            if (row > kMaxWorkbookRows)
                failure = Failure{formatText(StrId::ReasonCsvTooManyRows, {number(kMaxWorkbookRows)})};
            else if (column > kSheetColumns)
                failure = Failure{formatText(StrId::ReasonBadCellRef, {sheet.name, cellName({row, column})})};
            else
                sheet.cells[{row, column}] = std::move(field);
        }
        field.clear();
        ++column;
    };
    auto endRow = [&] {
        endField();
        ++row;
        column = 1;
        rowHasField = false;
    };
    for (std::size_t i = 0; i < bytes.size() && !failure; ++i) {
        const char c = bytes[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                continue; // a line break inside a field reads as one LF
            } else {
                line += c == '\n';
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            inQuotes = true;
            quoteLine = line;
            rowHasField = true;
        } else if (c == separator) {
            endField();
            rowHasField = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            ++line;
            endRow();
        } else {
            field += c;
            rowHasField = true;
        }
    }
    if (failure)
        return std::move(*failure);
    if (inQuotes)
        return Failure{formatText(StrId::ReasonCsvOpenQuote, {number(static_cast<std::uint64_t>(quoteLine))})};
    if (rowHasField)
        endRow();
    if (failure)
        return std::move(*failure);
    setLastRow(sheet);
    ReadBook book;
    book.fromCsv = true;
    book.sheets.push_back(std::move(sheet));
    return book;
}

// The file's message around a reason: "<file> is not a workbook: <reason>." (or "The data …"
// when there is no file).
Result<ReadBook> finish(Step<ReadBook> step, const std::string &path, StrId namedFile, StrId noFile)
{
    if (auto *failure = std::get_if<Failure>(&step))
        return Error{ErrorCode::FileFormat, path.empty() ? formatText(noFile, {failure->reason})
                                                         : formatText(namedFile, {path, failure->reason})};
    return std::move(std::get<ReadBook>(step));
}

} // namespace

Result<ReadBook> readWorkbookBytes(std::string_view bytes)
{
    return finish(readBook(bytes), {}, StrId::ImportNotWorkbook, StrId::ImportDataNotWorkbook);
}

Result<ReadBook> readWorkbookFile(const std::string &path)
{
    const Result<std::string> bytes = ProjectDocument::readFile(path, kMaxWorkbookFileBytes, StrId::ImportFileTooLarge);
    if (!bytes)
        return bytes.error();
    return finish(readBook(bytes.value()), path, StrId::ImportNotWorkbook, StrId::ImportDataNotWorkbook);
}

Result<ReadBook> readCommandCsvBytes(std::string_view bytes)
{
    return finish(readCsv(bytes), {}, StrId::ImportNotCsv, StrId::ImportDataNotCsv);
}

Result<ReadBook> readCommandCsvFile(const std::string &path)
{
    const Result<std::string> bytes = ProjectDocument::readFile(path, kMaxWorkbookFileBytes, StrId::ImportFileTooLarge);
    if (!bytes)
        return bytes.error();
    return finish(readCsv(bytes.value()), path, StrId::ImportNotCsv, StrId::ImportDataNotCsv);
}

Result<ReadBook> readImportFile(const std::string &path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".xlsx")
        return readWorkbookFile(path);
    if (extension == ".csv")
        return readCommandCsvFile(path);
    return Error{ErrorCode::FileFormat, formatText(StrId::ImportUnknownKind, {path})};
}

} // namespace tqv
