#include "WorkbookImport.h"

#include "CellPlan.h"
#include "editor/EditorSession.h"
#include "editor/PropertyGrid.h"
#include "editor/TreeEditor.h"
#include "model/DerivedValues.h"
#include "model/ModelProfile.h"
#include "model/ProjectLanguage.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace tqv {

namespace {

constexpr Language kLanguages[] = {Language::English, Language::Chinese};
constexpr int kMaxPasses = 8; // partial imports: rows that fail only because a skipped row is missing

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

bool sameText(const std::string &fileText, StrId id)
{
    const std::string mine = trimmed(fileText);
    return std::any_of(std::begin(kLanguages), std::end(kLanguages),
                       [&](Language l) { return trimmed(text(id, l)) == mine; });
}

Language otherLanguage() { return currentLanguage() == Language::English ? Language::Chinese : Language::English; }

// A text of the active language as the other language says it (the same string id), if any.
std::vector<std::string> translations(const std::vector<StringEntry> &strings, const std::string &active)
{
    std::vector<std::string> out;
    for (const StringEntry &entry : strings)
        if (entry.text == active)
            out.push_back(text(entry.id, otherLanguage()));
    return out;
}

std::optional<int> wholeNumber(const std::string &value, int low, int high)
{
    const std::string t = trimmed(value);
    if (t.empty() || t.size() > 6 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int n = std::stoi(t);
    if (n < low || n > high)
        return std::nullopt;
    return n;
}

// Answers the rules' questions as --yes does and keeps their messages as the reason a value was
// not taken. The one exception: whether a start address is a PLC's address. A sheet holds the
// addresses the program stored (an export writes protocol addresses), so turning them into
// protocol addresses again would shift every coil command on each round trip; the value stays as
// the sheet has it.
class ImportPrompter : public Prompter {
public:
    void info(const std::string &message) override { messages.push_back(message); }
    bool askYesNo(const std::string &) override { return true; }
    bool askOkCancel(const std::string &question) override { return question != text(StrId::MsgPlcAddress); }
    Answer askYesNoCancel(const std::string &) override { return Answer::Yes; }

    std::vector<std::string> messages;
};

// One column of a sheet, known by its heading.
struct Column {
    int index = 0;
    std::string heading; // as the file has it
    const ColumnMeaning *meaning = nullptr;
};

// The columns of one sheet by what they hold. Where two columns name the same (the check type
// column some layouts head "Subnet", beside the subnet column), the rightmost one counts.
class SheetColumns {
public:
    SheetColumns() = default;
    SheetColumns(const ReadSheet &sheet, Sheet kind)
    {
        for (auto it = sheet.cells.lower_bound({1, 0}); it != sheet.cells.end() && it->first.first == 1; ++it) {
            Column column{it->first.second, it->second, nullptr};
            for (const ColumnMeaning &m : columnMeanings())
                if (m.sheet == kind && sameText(it->second, m.heading)) {
                    column.meaning = &m;
                    break;
                }
            m_headings.push_back(it->second);
            if (column.meaning)
                m_columns.push_back(std::move(column));
        }
        std::reverse(m_columns.begin(), m_columns.end()); // rightmost first
    }

    const Column *forRole(ColumnRole role) const
    {
        for (const Column &c : m_columns)
            if (c.meaning->role == role)
                return &c;
        return nullptr;
    }
    // Columns that may hold `field`, rightmost first: a value the layout's column leaves blank for
    // a row may stand in a column of the same heading further right.
    std::vector<const Column *> forField(const FieldRef &field) const
    {
        std::vector<const Column *> found;
        for (const Column &c : m_columns)
            if (c.meaning->role == ColumnRole::Field &&
                std::find(c.meaning->fields.begin(), c.meaning->fields.end(), field) != c.meaning->fields.end())
                found.push_back(&c);
        return found;
    }
    // Whether a heading of the active language (or its translation) is there.
    bool has(const std::vector<StringEntry> &strings, const std::string &heading) const
    {
        std::vector<std::string> wanted = translations(strings, heading);
        wanted.push_back(heading);
        for (const std::string &mine : m_headings)
            for (const std::string &w : wanted)
                if (trimmed(mine) == trimmed(w))
                    return true;
        return false;
    }
    bool empty() const { return m_headings.empty(); }

private:
    std::vector<Column> m_columns;
    std::vector<std::string> m_headings;
};

// A sheet of the book with its columns.
struct BookSheet {
    const ReadSheet *sheet = nullptr;
    Sheet kind = Sheet::Fieldbus;
    SheetColumns columns;

    // The data rows: every row below the headings that holds a cell.
    std::vector<int> rows() const
    {
        std::set<int> found;
        for (const auto &[place, value] : sheet->cells)
            if (place.first > 1)
                found.insert(place.first);
        for (const auto &[place, reason] : sheet->refused)
            if (place.first > 1)
                found.insert(place.first);
        return {found.begin(), found.end()};
    }
};

using RowKey = std::pair<const ReadSheet *, int>;

// One pass over the book into a session; refused cells are collected, rows in `skip` left out.
class Importer {
public:
    Importer(const ReadBook &book, const std::set<RowKey> &skip) : m_book(book), m_skip(skip) {}

    Status run(const ConfigStore *base);
    ConfigStore &store() { return m_session.store(); }
    std::vector<std::pair<RowKey, RefusedCell>> refused;
    int rowsApplied = 0;

private:
    Status findSheets();
    Status startStore(const ConfigStore *base);
    Status checkHeadings();
    void importSubnets(bool protocolsOnly);
    void importFieldbus();
    void importNodes();
    void importCommands();

    // The cell's text; nothing for a blank cell or one the reader refused (then listed).
    std::optional<std::string> value(const BookSheet &sheet, int row, const Column *column);
    void refuse(const BookSheet &sheet, int row, const Column &column, const std::string &value, std::string reason);
    // Commits `value` into `row` of `item` as the grid does; the reason when it was not taken.
    std::optional<std::string> commit(const ItemRef &item, int row, const std::string &value);
    void keepHexSpelling(const ItemRef &item, const CellInfo &cell, const std::string &typed);
    // Commits every value of `sheet`'s `row` that `item`'s grid takes, rows `from` to the end.
    void commitItem(const BookSheet &sheet, int row, const ItemRef &item, int from);
    bool skipped(const BookSheet &sheet, int row) const { return m_skip.count({sheet.sheet, row}) > 0; }
    bool rowRefused(const BookSheet &sheet, int row) const
    {
        return std::any_of(refused.begin(), refused.end(),
                           [&](const auto &r) { return r.first == RowKey{sheet.sheet, row}; });
    }
    std::optional<int> subnetOf(const BookSheet &sheet, int row);

    const ReadBook &m_book;
    const std::set<RowKey> &m_skip;
    const std::vector<StringEntry> m_strings = allStrings(currentLanguage());
    ConfigStore m_scratch = [] {
        ConfigStore scratch;
        scratch.subnet(0).commandCount = 1; // the language conversion looks at commands in use
        return scratch;
    }();
    EditorSession m_session;
    std::optional<BookSheet> m_fieldbus, m_subnets, m_commands, m_nodes;
    ImportPrompter m_prompter;
};

Status Importer::findSheets()
{
    auto find = [&](Sheet kind) -> std::optional<BookSheet> {
        for (const ReadSheet &s : m_book.sheets)
            for (Language l : kLanguages)
                if (trimmed(s.name) == trimmed(sheetName(kind, l)))
                    return BookSheet{&s, kind, SheetColumns(s, kind)};
        return std::nullopt;
    };
    if (m_book.fromCsv) {
        if (m_book.sheets.empty())
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportEmptySheet, {sheetName(Sheet::CommandList)})};
        const ReadSheet &only = m_book.sheets.front();
        m_commands = BookSheet{&only, Sheet::CommandList, SheetColumns(only, Sheet::CommandList)};
        return {};
    }
    for (Sheet kind : {Sheet::Fieldbus, Sheet::Subnet, Sheet::CommandList, Sheet::Nodes}) {
        std::optional<BookSheet> found = find(kind);
        if (!found)
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportMissingSheet, {sheetName(kind)})};
        (kind == Sheet::Fieldbus ? m_fieldbus : kind == Sheet::Subnet ? m_subnets
                                            : kind == Sheet::CommandList ? m_commands
                                                                         : m_nodes) = std::move(found);
    }
    return {};
}

Status Importer::startStore(const ConfigStore *base)
{
    ConfigStore &store = m_session.store();
    if (m_fieldbus) {
        const BookSheet &fb = *m_fieldbus;
        if (fb.columns.empty())
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportEmptySheet, {shownFileText(fb.sheet->name)})};
        for (auto [role, heading] : {std::pair{ColumnRole::GatewayType, StrId::ExportHeadGatewayType},
                                     std::pair{ColumnRole::ModelFlags, StrId::ExportHeadModelFlags}})
            if (!fb.columns.forRole(role))
                return Error{ErrorCode::FileFormat, formatText(StrId::ImportMissingColumn,
                                                               {shownFileText(fb.sheet->name), text(heading)})};
        auto cell = [&](ColumnRole role) {
            const auto it = fb.sheet->cells.find({2, fb.columns.forRole(role)->index});
            return it == fb.sheet->cells.end() ? std::string() : trimmed(it->second);
        };
        const std::string typeText = cell(ColumnRole::GatewayType);
        const std::string flagsText = cell(ColumnRole::ModelFlags);
        const std::optional<int> type = wholeNumber(typeText, 0, 999);
        ModelFlags flags{};
        bool flagsRead = !flagsText.empty();
        if (flagsText != "0") {
            std::string word;
            for (std::size_t i = 0; i <= flagsText.size() && flagsRead; ++i) {
                const char c = i < flagsText.size() ? flagsText[i] : ' ';
                if (c != ' ' && c != ',') {
                    word += c;
                    continue;
                }
                if (word.empty())
                    continue;
                const std::optional<int> n = wholeNumber(word, 1, 7);
                flagsRead = n.has_value();
                if (n)
                    flags[static_cast<std::size_t>(*n - 1)] = true;
                word.clear();
            }
        }
        if (!type || !flagsRead || !isKnownGatewayType(static_cast<std::uint32_t>(*type)))
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportUnknownModel, {shownFileText(fb.sheet->name),
                                                                                       shownFileText(typeText),
                                                                                       shownFileText(flagsText)})};
        if (base) {
            if (base->gatewayType != static_cast<std::uint32_t>(*type) || modelFlagsOf(*base) != flags) {
                ConfigStore wanted;
                wanted.setTypeAndFlags(static_cast<std::uint32_t>(*type), flags);
                return Error{ErrorCode::FileFormat,
                             formatText(StrId::ImportTypeDiffers, {std::to_string(*type), modelFlagsText(wanted),
                                                                   std::to_string(base->gatewayType),
                                                                   modelFlagsText(*base)})};
            }
            store = *base;
        } else {
            store.newConfiguration();
            store.setTypeAndFlags(static_cast<std::uint32_t>(*type), flags);
        }
    } else if (base) {
        store = *base;
    }
    store.configModified = false;
    m_session.startFresh();
    return {};
}

// Every heading the export writes for the configuration as it now stands must be there, in
// either language; the optional value columns of the Fieldbus and Subnet sheets aside.
Status Importer::checkHeadings()
{
    const ExportLayout layout = exportLayoutOf(store());
    for (const Cell &cell : workbookCells(store())) {
        if (cell.row != 1)
            continue;
        if (cell.sheet != Sheet::CommandList && m_book.fromCsv)
            continue;
        const BookSheet *sheet = cell.sheet == Sheet::Fieldbus      ? &*m_fieldbus
                                 : cell.sheet == Sheet::Subnet      ? &*m_subnets
                                 : cell.sheet == Sheet::CommandList ? &*m_commands
                                                                    : &*m_nodes;
        const int optional = firstLosslessColumn(layout, cell.sheet) + (cell.sheet == Sheet::Fieldbus ? 2 : 0);
        if ((cell.sheet == Sheet::Fieldbus || cell.sheet == Sheet::Subnet) && cell.column >= optional)
            continue;
        if (sheet->columns.empty())
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportEmptySheet, {shownFileText(sheet->sheet->name)})};
        if (!sheet->columns.has(m_strings, cell.text))
            return Error{ErrorCode::FileFormat,
                         formatText(StrId::ImportMissingColumn, {shownFileText(sheet->sheet->name), cell.text})};
    }
    // What names a row's node or command, whatever the layout (a CSV brings the command list alone).
    struct Needed {
        const std::optional<BookSheet> &sheet;
        ColumnRole role;
        StrId heading;
    };
    for (const Needed &n : {Needed{m_commands, ColumnRole::SubnetNumber, StrId::ExportHeadSubnet},
                            Needed{m_commands, ColumnRole::NodeNumber, StrId::ExportHeadNode},
                            Needed{m_commands, ColumnRole::FunctionCode, StrId::GridFunctionalCodes},
                            Needed{m_nodes, ColumnRole::SubnetNumber, StrId::ExportHeadSubnet},
                            Needed{m_nodes, ColumnRole::NodeNumber, StrId::ExportHeadNode}}) {
        const bool commandsRead = layout == ExportLayout::Standard || layout == ExportLayout::MasterFormat || m_book.fromCsv;
        if (n.sheet && (&n.sheet != &m_commands || commandsRead) && !n.sheet->columns.forRole(n.role))
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportMissingColumn,
                                                           {shownFileText(n.sheet->sheet->name), text(n.heading)})};
    }
    return {};
}

std::optional<std::string> Importer::value(const BookSheet &sheet, int row, const Column *column)
{
    if (!column)
        return std::nullopt;
    if (const auto it = sheet.sheet->refused.find({row, column->index}); it != sheet.sheet->refused.end()) {
        refuse(sheet, row, *column, {}, it->second);
        return std::nullopt;
    }
    const auto it = sheet.sheet->cells.find({row, column->index});
    if (it == sheet.sheet->cells.end() || trimmed(it->second).empty())
        return std::nullopt;
    return it->second;
}

void Importer::refuse(const BookSheet &sheet, int row, const Column &column, const std::string &value, std::string reason)
{
    refused.push_back({{sheet.sheet, row}, RefusedCell{sheet.sheet->name, row, column.heading, value, std::move(reason)}});
}

std::optional<std::string> Importer::commit(const ItemRef &item, int row, const std::string &value)
{
    const bool pulse = pulseEditableFor(store(), item);
    const CellInfo cell = describeCell(store(), item, row, pulse);
    if (value == cell.value)
        return std::nullopt; // what the grid shows already
    if (cell.editor == EditorKind::List) {
        std::string picked = trimmed(value);
        if (std::find(cell.choices.begin(), cell.choices.end(), picked) == cell.choices.end()) {
            // A workbook written in the other language names the same choice in its words.
            // A workbook written in the other language names the same choice in its words: they
            // are turned into the active language's as opening a project of that language does.
            if (std::string *slot = fieldOf(m_scratch, ItemRef{item.kind, 0, 1}, cell.pick.field)) {
                *slot = picked;
                (void)convertValuesLanguage(m_scratch, otherLanguage(), currentLanguage());
                picked = *slot;
            }
            if (std::find(cell.choices.begin(), cell.choices.end(), picked) == cell.choices.end()) {
                std::string choices;
                for (const std::string &c : cell.choices)
                    choices += (choices.empty() ? "\"" : ", \"") + c + "\"";
                return formatText(StrId::ReasonNotAChoice, {choices});
            }
        }
        if (cell.value != picked)
            (void)m_session.commitPick(CommitTarget{item, row}, picked, true);
        return std::nullopt;
    }
    if (cell.editor == EditorKind::List || std::holds_alternative<std::monostate>(sheetField(cell)))
        return std::nullopt;
    m_prompter.messages.clear();
    const std::string typed = trimmed(value);
    const CommitResult result = m_session.commitText(CommitTarget{item, row}, typed, true, pulse, m_prompter);
    std::string reason;
    for (const std::string &m : m_prompter.messages)
        reason += (reason.empty() ? "" : " ") + m;
    if (reason.empty() && !result.refusal) {
        keepHexSpelling(item, cell, typed);
        return std::nullopt;
    }
    if (reason.empty())
        reason = *result.refusal;
    // The rules quote the value as typed; from a file it is shown the way messages show file text.
    for (std::size_t at = typed.empty() ? std::string::npos : reason.find(typed); at != std::string::npos;) {
        const std::string shown = shownFileText(typed);
        reason.replace(at, typed.size(), shown);
        at = reason.find(typed, at + shown.size());
    }
    return reason;
}

// The mapping pass writes hexadecimal addresses in capitals, the grid in small letters. A value
// the rule took keeps the sheet's spelling of it, so that a mapped configuration comes back as it
// was rather than with the same addresses spelt otherwise.
void Importer::keepHexSpelling(const ItemRef &item, const CellInfo &cell, const std::string &typed)
{
    if (cell.edit.check != TextCheck::MappingAddress)
        return;
    std::string bare = typed;
    if (!bare.empty() && (bare.back() == 'H' || bare.back() == 'h'))
        bare.pop_back();
    std::string lower = bare;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string *stored = fieldOf(store(), item, cell.edit.field);
    if (stored && *stored == lower && bare != lower)
        m_session.applyEdit([&](ConfigStore &s) { *fieldOf(s, item, cell.edit.field) = bare; });
}

void Importer::commitItem(const BookSheet &sheet, int row, const ItemRef &item, int from)
{
    m_session.select(item);
    for (int r = from; r < kGridRowCount; ++r) {
        const FieldRef field = sheetField(describeCell(store(), item, r, pulseEditableFor(store(), item)));
        if (std::holds_alternative<std::monostate>(field))
            continue;
        const Column *column = nullptr;
        std::optional<std::string> text;
        for (const Column *c : sheet.columns.forField(field))
            if ((text = value(sheet, row, c))) {
                column = c;
                break;
            }
        if (!text)
            continue;
        if (std::optional<std::string> reason = commit(item, r, *text))
            refuse(sheet, row, *column, *text, std::move(*reason));
    }
}

std::optional<int> Importer::subnetOf(const BookSheet &sheet, int row)
{
    const int count = subnetCountOf(store().gatewayType);
    const Column *column = sheet.columns.forRole(ColumnRole::SubnetNumber);
    if (!column) // the layouts of one subnet have no number column: row 2 is subnet 1
        return row == 2 ? std::optional<int>(0) : std::nullopt;
    const std::optional<std::string> text = value(sheet, row, column);
    const std::optional<int> n = text ? wholeNumber(*text, 1, count) : std::nullopt;
    if (!n) {
        if (!rowRefused(sheet, row))
            refuse(sheet, row, *column, text.value_or(std::string()),
                   formatText(StrId::ReasonExpectNumberRange, {"1", std::to_string(count)}));
        return std::nullopt;
    }
    return *n - 1;
}

void Importer::importSubnets(bool protocolsOnly)
{
    const BookSheet &sheet = *m_subnets;
    std::map<int, int> seen; // subnet -> row
    for (const int row : sheet.rows()) {
        if (skipped(sheet, row))
            continue;
        const std::optional<int> subnet = subnetOf(sheet, row);
        if (!subnet) {
            continue;
        }
        if (const auto [at, added] = seen.try_emplace(*subnet, row); !added) {
            if (protocolsOnly)
                refuse(sheet, row, *sheet.columns.forRole(ColumnRole::SubnetNumber), std::to_string(*subnet + 1),
                       formatText(StrId::ReasonRepeatedRow, {std::to_string(at->second)}));
            continue;
        }
        const ItemRef item{ItemKind::Subnet, *subnet, 0};
        if (protocolsOnly) {
            m_session.select(item);
            const int protocolRow = rowIndex(SubnetRow::Protocol);
            const CellInfo cell = describeCell(store(), item, protocolRow, pulseEditableFor(store(), item));
            const Column *column = sheet.columns.forField(&CONFIG::protocol).front();
            const std::optional<std::string> text = value(sheet, row, column);
            if (text && cell.editor != EditorKind::None)
                if (std::optional<std::string> reason = commit(item, protocolRow, *text))
                    refuse(sheet, row, *column, *text, std::move(*reason));
        } else {
            commitItem(sheet, row, item, rowIndex(SubnetRow::Protocol) + 1);
        }
    }
}

void Importer::importFieldbus()
{
    const BookSheet &sheet = *m_fieldbus;
    if (!hasFieldbusItem(store().gatewayType) || skipped(sheet, 2))
        return;
    commitItem(sheet, 2, ItemRef{ItemKind::Fieldbus, -1, 0}, 0);
}

// An address commit names the node after its address; a name of the sheet's own stands where the
// rules give none (no address) or where it is no name the program gives.
bool programGivenName(const std::string &name)
{
    for (Language l : kLanguages) {
        if (name == text(StrId::NodeNewName, l))
            return true;
        const std::string &prefix = text(StrId::NodeNamePrefix, l);
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    return false;
}

void Importer::importNodes()
{
    const BookSheet &sheet = *m_nodes;
    const Column *numberColumn = sheet.columns.forRole(ColumnRole::NodeNumber);
    const Column *nameColumn = sheet.columns.forRole(ColumnRole::NodeName);
    const Column *addressColumn = sheet.columns.forRole(ColumnRole::SlaveAddress);
    struct Entry {
        int row, subnet, number;
    };
    std::vector<Entry> entries;
    for (const int row : sheet.rows()) {
        if (skipped(sheet, row))
            continue;
        const std::optional<int> subnet = subnetOf(sheet, row);
        const std::optional<std::string> numberText = value(sheet, row, numberColumn);
        const std::optional<int> number = numberText ? wholeNumber(*numberText, 1, kMaxNodes) : std::nullopt;
        if (!number && !rowRefused(sheet, row))
            refuse(sheet, row, *numberColumn, numberText.value_or(std::string()),
                   formatText(StrId::ReasonExpectNumberRange, {"1", std::to_string(kMaxNodes)}));
        if (subnet && number)
            entries.push_back({row, *subnet, *number});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return std::pair(a.subnet, a.number) < std::pair(b.subnet, b.number); });
    std::vector<int> listed(kSubnetCount, 0); // nodes the sheet gives per subnet
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry &e = entries[i];
        int &count = listed[static_cast<std::size_t>(e.subnet)];
        if (e.number <= count) {
            refuse(sheet, e.row, *numberColumn, std::to_string(e.number),
                   formatText(StrId::ReasonRepeatedRow, {std::to_string(entries[i - 1].row)}));
            continue;
        }
        if (e.number != count + 1) {
            refuse(sheet, e.row, *numberColumn, std::to_string(e.number),
                   formatText(StrId::ReasonNodeGap, {std::to_string(e.subnet + 1), std::to_string(count + 1)}));
            continue;
        }
        const ItemRef subnetItem{ItemKind::Subnet, e.subnet, 0};
        if (e.number > store().subnet(e.subnet).nodeCount) {
            m_prompter.messages.clear();
            if (m_session.addNode(subnetItem, m_prompter, false) != e.number) {
                refuse(sheet, e.row, *numberColumn, std::to_string(e.number),
                       m_prompter.messages.empty() ? std::string() : m_prompter.messages.front());
                continue;
            }
        }
        count = e.number;
        const ItemRef node{ItemKind::Node, e.subnet, e.number};
        m_session.select(node);
        if (const std::optional<std::string> address = value(sheet, e.row, addressColumn))
            if (std::optional<std::string> reason = commit(node, rowIndex(NodeRow::Address), *address))
                refuse(sheet, e.row, *addressColumn, *address, std::move(*reason));
        const std::optional<std::string> name = value(sheet, e.row, nameColumn);
        const NODE &now = store().node(e.subnet, e.number);
        if (name && *name != now.name && (now.address == "-1" || !programGivenName(*name)))
            m_session.applyEdit([&](ConfigStore &s) { s.node(e.subnet, e.number).name = *name; });
    }
    // The sheet is the whole list: nodes past it go, with their commands.
    for (int k = 0; k < subnetCountOf(store().gatewayType); ++k)
        for (int n = store().subnet(k).nodeCount; n > listed[static_cast<std::size_t>(k)]; --n)
            (void)m_session.deleteNode(ItemRef{ItemKind::Node, k, n});
}

void Importer::importCommands()
{
    const BookSheet &sheet = *m_commands;
    const ExportLayout layout = exportLayoutOf(store());
    if (layout != ExportLayout::Standard && layout != ExportLayout::MasterFormat && !m_book.fromCsv)
        return; // a layout without a command list leaves the commands as they are
    const Column *nodeColumn = sheet.columns.forRole(ColumnRole::NodeNumber);
    const Column *codeColumn = sheet.columns.forRole(ColumnRole::FunctionCode);
    const Column *addressColumn = sheet.columns.forRole(ColumnRole::SlaveAddress);
    std::vector<int> next(kSubnetCount, 1);      // the position the next command of a subnet takes
    std::vector<bool> rebuilt(kSubnetCount, false); // the base's commands from there on are gone
    std::vector<std::string> codes;
    for (int i = 0; i < 14; ++i)
        if (const auto code = functionCodeForChoice(i))
            codes.push_back("\"" + *code + "\"");

    for (const int row : sheet.rows()) {
        if (skipped(sheet, row))
            continue;
        const std::optional<int> subnet = subnetOf(sheet, row);
        const std::optional<std::string> nodeText = value(sheet, row, nodeColumn);
        std::optional<int> node = nodeText ? wholeNumber(*nodeText, 1, kMaxNodes) : std::nullopt;
        if (!node && !rowRefused(sheet, row))
            refuse(sheet, row, *nodeColumn, nodeText.value_or(std::string()),
                   formatText(StrId::ReasonExpectNumberRange, {"1", std::to_string(kMaxNodes)}));
        const std::optional<std::string> codeText = value(sheet, row, codeColumn);
        std::optional<int> choice;
        for (int i = 0; i < 14 && codeText; ++i)
            if (functionCodeForChoice(i) == trimmed(*codeText))
                choice = i;
        if (!choice && !rowRefused(sheet, row)) {
            std::string list;
            for (const std::string &c : codes)
                list += (list.empty() ? "" : ", ") + c;
            refuse(sheet, row, *codeColumn, codeText.value_or(std::string()), formatText(StrId::ReasonNotAChoice, {list}));
        }
        if (!subnet || !node || !choice)
            continue;
        const int k = *subnet;
        const int n = *node;
        CONFIG &config = store().subnet(k);
        if (n > config.nodeCount) {
            // A CSV of the command list brings no nodes of its own: its commands make them.
            while (m_book.fromCsv && config.nodeCount < n && m_session.addNode(ItemRef{ItemKind::Subnet, k, 0}, m_prompter, false) > 0) {
            }
            if (n > config.nodeCount) {
                refuse(sheet, row, *nodeColumn, *nodeText,
                       formatText(StrId::ReasonNoSuchNode, {std::to_string(k + 1), std::to_string(n)}));
                continue;
            }
        }
        // The address a command shows is its node's: a different one is the node's new address.
        if (const std::optional<std::string> address = value(sheet, row, addressColumn)) {
            const ItemRef nodeItem{ItemKind::Node, k, n};
            m_session.select(nodeItem);
            if (std::optional<std::string> reason = commit(nodeItem, rowIndex(NodeRow::Address), *address)) {
                refuse(sheet, row, *addressColumn, *address, std::move(*reason));
                continue;
            }
        }
        // A command of the base at this place with the same node and function is edited in place;
        // from the first that differs on, the base's commands give way to the sheet's.
        const std::string code = *functionCodeForChoice(*choice);
        int &position = next[static_cast<std::size_t>(k)];
        const bool same = !rebuilt[static_cast<std::size_t>(k)] && position <= config.commandCount &&
                          store().command(k, position).nodeNumber == n &&
                          store().command(k, position).functionCode == code;
        if (!same) {
            for (int p = store().subnet(k).commandCount; p >= position; --p)
                (void)m_session.deleteCommand(ItemRef{ItemKind::Command, k, p});
            rebuilt[static_cast<std::size_t>(k)] = true;
            m_prompter.messages.clear();
            if (m_session.addCommand(ItemRef{ItemKind::Node, k, n}, *choice, m_prompter) != position) {
                refuse(sheet, row, *codeColumn, *codeText,
                       m_prompter.messages.empty() ? std::string() : m_prompter.messages.front());
                continue;
            }
        }
        const ItemRef command{ItemKind::Command, k, position++};
        commitItem(sheet, row, command, rowIndex(CommandRow::StartAddress));
        // A byte count the sheet shows is the one the rules derive from the quantity, whatever
        // the sheet says; where it shows none, the command keeps what the rules left (a new single
        // write has none until its quantity is committed).
        if (value(sheet, row, sheet.columns.forRole(ColumnRole::ByteCount)))
            m_session.applyEdit([&](ConfigStore &s) { updateDerivedValues(s.command(k, command.number)); });
        m_session.select(command); // the node's address and the check type, as showing it stores them
    }
    // The sheet is the whole list: commands past it go.
    for (int k = 0; k < subnetCountOf(store().gatewayType); ++k)
        for (int p = store().subnet(k).commandCount; p >= next[static_cast<std::size_t>(k)]; --p)
            (void)m_session.deleteCommand(ItemRef{ItemKind::Command, k, p});
}

Status Importer::run(const ConfigStore *base)
{
    if (Status found = findSheets(); !found)
        return found;
    if (Status started = startStore(base); !started)
        return started;
    const EditorSession::Batch batch(m_session);
    if (m_subnets) {
        if (m_subnets->columns.forField(&CONFIG::protocol).empty())
            return Error{ErrorCode::FileFormat, formatText(StrId::ImportMissingColumn,
                                                           {shownFileText(m_subnets->sheet->name),
                                                            text(StrId::GridTypeOfProtocol)})};
        importSubnets(true);
    }
    if (Status headings = checkHeadings(); !headings)
        return headings;
    if (m_subnets) {
        importSubnets(false);
        importFieldbus();
        importNodes();
    }
    importCommands();

    std::set<RowKey> refusedRows;
    for (const auto &[key, cell] : refused)
        refusedRows.insert(key);
    for (const std::optional<BookSheet> *sheet : {&m_fieldbus, &m_subnets, &m_nodes, &m_commands})
        if (*sheet)
            for (const int row : (*sheet)->rows())
                if (!skipped(**sheet, row) && !refusedRows.count({(*sheet)->sheet, row}))
                    ++rowsApplied;
    return {};
}

} // namespace

Result<ImportOutcome> importBook(const ReadBook &book, const ConfigStore *base, const ImportOptions &options)
{
    std::set<RowKey> skip;
    ImportOutcome outcome;
    ConfigStore model; // the book's gateway type and flags
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        Importer importer(book, skip);
        if (Status ran = importer.run(base); !ran)
            return ran.error();
        model.setTypeAndFlags(importer.store().gatewayType, modelFlagsOf(importer.store()));
        if (importer.refused.empty()) {
            outcome.store = std::make_unique<ConfigStore>(importer.store());
            outcome.store->configModified = false;
            outcome.rowsApplied = importer.rowsApplied;
            return outcome;
        }
        // With --partial the rows with a refused cell are left out and the rest is tried again:
        // a row may fail only because of one that was left out (a command of a refused node).
        for (auto &[key, cell] : importer.refused) {
            if (std::find(outcome.refused.begin(), outcome.refused.end(), cell) == outcome.refused.end())
                outcome.refused.push_back(std::move(cell));
            skip.insert(key);
        }
        if (!options.partial)
            break;
    }
    // Nothing applied: the base as it was, or a new configuration of the workbook's model.
    outcome.store = std::make_unique<ConfigStore>();
    if (base) {
        *outcome.store = *base;
    } else {
        outcome.store->newConfiguration();
        outcome.store->setTypeAndFlags(model.gatewayType, modelFlagsOf(model));
    }
    outcome.store->configModified = false;
    return outcome;
}

ReadBook readBookOfCells(const std::vector<Cell> &cells)
{
    ReadBook book;
    for (Sheet sheet : {Sheet::Fieldbus, Sheet::Subnet, Sheet::CommandList, Sheet::Nodes})
        book.sheets.push_back(ReadSheet{sheetName(sheet), {}, {}, 0});
    for (const Cell &cell : cells) {
        if (cell.text.empty())
            continue;
        ReadSheet &sheet = book.sheets[static_cast<std::size_t>(cell.sheet)];
        sheet.cells[{cell.row, cell.column}] = cell.text;
        sheet.lastRow = std::max(sheet.lastRow, cell.row);
    }
    return book;
}

std::string describeRefusal(const RefusedCell &cell)
{
    return formatText(StrId::ImportRefusal, {shownFileText(cell.sheet), std::to_string(cell.row),
                                             shownFileText(cell.column), shownFileText(cell.value), cell.reason});
}

} // namespace tqv
