#include "export/WorkbookImport.h"

#include "compare/ConfigDiff.h"
#include "editor/EditorSession.h"
#include "model/ModelProfile.h"
#include "model/ProjectLanguage.h"
#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>

#include <functional>

namespace tqv {
namespace {

// Every difference, one per line, for a failure message.
std::string listed(const std::vector<Difference> &differences)
{
    std::string out;
    for (const Difference &d : differences)
        out += d.path + ": \"" + d.projectText + "\" / \"" + d.otherText + "\"\n";
    return out;
}

// Changes every value of `item`'s grid the grid lets change: the last choice of each list, the
// first of a few texts an edit box takes. Protocols are left to the caller.
void changeEverything(EditorSession &session, const ItemRef &item, Prompter &prompter)
{
    static const char *const kTexts[] = {"1234", "20", "5", "192.168.3.4", "D1 E1"};
    session.select(item);
    for (int pass = 0; pass < 2; ++pass)
        for (int row = item.kind == ItemKind::Subnet ? 1 : 0; row < kGridRowCount; ++row) {
            const bool pulse = pulseEditableFor(session.store(), item);
            const CellInfo cell = describeCell(session.store(), item, row, pulse);
            if (cell.editor == EditorKind::List)
                session.commitPick({item, row}, cell.choices.back(), true);
            for (const char *typed : kTexts)
                if (cell.editor == EditorKind::EditBox && describeCell(session.store(), item, row, pulse).value == cell.value)
                    session.commitText({item, row}, typed, true, pulse, prompter);
        }
}

// A configuration of a model filled through the grid: every value off its default, and in each
// Modbus-master subnet three nodes (the last without commands) with a command of every function.
std::unique_ptr<ConfigStore> busyConfiguration(std::uint32_t type, const ModelFlags &flags, int firstProtocol)
{
    EditorSession session;
    session.store().setTypeAndFlags(type, flags);
    session.startFresh();
    RecordingPrompter prompter;
    prompter.answer = false; // start addresses stay as typed
    const int subnets = subnetCountOf(type);
    for (int k = 0; k < subnets; ++k) {
        const ItemRef subnet{ItemKind::Subnet, k, 0};
        const CellInfo protocol = describeCell(session.store(), subnet, 0, false);
        const int pick = k == 0 ? firstProtocol : k;
        if (protocol.editor == EditorKind::List && pick < static_cast<int>(protocol.choices.size()))
            session.commitPick({subnet, 0}, protocol.choices[static_cast<std::size_t>(pick)], true);
        changeEverything(session, subnet, prompter);
        if (session.store().subnet(k).protocol != text(StrId::ProtocolModbusMaster))
            continue;
        for (int n = 1; n <= 3; ++n) {
            const ItemRef node{ItemKind::Node, k, session.addNode(subnet, prompter, false)};
            session.select(node);
            session.commitText({node, 0}, std::to_string(10 * k + n), true, false, prompter);
            for (int choice = 0; choice < 14 && n < 3; ++choice) {
                const std::optional<std::string> code = functionCodeForChoice(choice);
                if (!code || (n == 2 && choice > 2))
                    continue;
                const ItemRef command{ItemKind::Command, k, session.addCommand(node, choice, prompter)};
                session.select(command);
                const bool write = *code == "5" || *code == "6" || *code == "15" || *code == "16";
                const std::pair<CommandRow, std::string> values[] = {
                    {CommandRow::StartAddress, std::to_string(100 + choice)},
                    {CommandRow::Quantity, std::to_string(2 + choice)},
                    {CommandRow::MappingAddress, write ? "4010" : "10"},
                    {CommandRow::MappingBit, "3"}};
                for (const auto &[row, typed] : values)
                    if (describeCell(session.store(), command, rowIndex(row), false).editor == EditorKind::EditBox)
                        session.commitText({command, rowIndex(row)}, typed, true, false, prompter);
                changeEverything(session, command, prompter);
            }
        }
    }
    if (hasFieldbusItem(type))
        changeEverything(session, ItemRef{ItemKind::Fieldbus, -1, 0}, prompter);
    if (type % 2 == 1) { // addresses as the mapping pass writes them: capitals, a bit offset for every command
        RecordingPrompter yes;
        (void)session.mappingAddress(yes);
    }
    return std::make_unique<ConfigStore>(session.store());
}

// The cell under `heading` in `row` of `sheet`.
std::string &cellOf(ReadBook &book, Sheet sheet, int row, StrId heading)
{
    ReadSheet &s = book.sheets[static_cast<std::size_t>(sheet)];
    for (const auto &[place, value] : s.cells)
        if (place.first == 1 && value == text(heading))
            return s.cells[{row, place.second}];
    ADD_FAILURE() << text(heading);
    return s.cells[{row, 99}];
}

class WorkbookImportTest : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Language::English); }
};

// Export and import give the same configuration back, for every model and layout, in both
// languages; into the configuration itself, or one with more nodes and commands, as well.
TEST_F(WorkbookImportTest, ExportThenImportGivesTheSameConfiguration)
{
    for (Language language : {Language::English, Language::Chinese}) {
        setLanguage(language);
        for (std::uint32_t type = 0; type < kGatewayTypeCount; ++type)
            for (const ModelVariant &variant : modelVariants())
                for (int firstProtocol : {0, 1, 2}) {
                    if (firstProtocol > 0 && !profileOf(type, variant.flags).profibusModbus)
                        continue;
                    SCOPED_TRACE(std::to_string(type) + " " + text(variant.name) + " " + std::to_string(firstProtocol));
                    const auto original = busyConfiguration(type, variant.flags, firstProtocol);
                    ConfigStore fresh;
                    fresh.setTypeAndFlags(type, variant.flags);
                    ASSERT_GT(compareConfigurations(fresh, *original, Carried::Everything).size(), 3u);

                    const ReadBook book = readBookOfCells(workbookCells(*original));
                    ConfigStore bigger = *original;
                    for (int k = 0; k < subnetCountOf(type); ++k) {
                        (void)bigger.addNode(k);
                        (void)bigger.addCommand(k, 1, "3");
                    }
                    for (const ConfigStore *base : std::initializer_list<const ConfigStore *>{nullptr, original.get(), &bigger}) {
                        const Result<ImportOutcome> imported = importBook(book, base, {});
                        ASSERT_TRUE(imported) << imported.message();
                        for (const RefusedCell &refused : imported.value().refused)
                            ADD_FAILURE() << describeRefusal(refused);
                        const auto differences =
                            compareConfigurations(*original, *imported.value().store, Carried::Everything);
                        EXPECT_TRUE(differences.empty()) << listed(differences);
                    }
                }
    }
}

// The rules decide, not the sheet: a new quantity brings its byte count whatever the sheet says,
// and a slave address out of range is refused by sheet, row and column, nothing applied unless
// --partial, which leaves that row out.
TEST_F(WorkbookImportTest, CellsPassTheGridsRules)
{
    const auto original = busyConfiguration(2, {}, 0);
    ReadBook book = readBookOfCells(workbookCells(*original));
    cellOf(book, Sheet::CommandList, 4, StrId::GridNumberOfRegister) = "7";
    cellOf(book, Sheet::CommandList, 4, StrId::GridNumberOfByte) = "99";
    Result<ImportOutcome> imported = importBook(book, original.get(), {});
    ASSERT_TRUE(imported);
    const COMMAND &third = imported.value().store->command(0, 3);
    EXPECT_EQ(third.functionCode, "3");
    EXPECT_EQ(third.quantity, "7");
    EXPECT_EQ(third.byteCount, "14");
    EXPECT_EQ(compareConfigurations(*original, *imported.value().store, Carried::Everything).size(), 2u);

    cellOf(book, Sheet::CommandList, 3, StrId::GridSlaveAddress) = "300";
    for (bool partial : {false, true}) {
        imported = importBook(book, original.get(), {partial});
        ASSERT_TRUE(imported);
        ASSERT_EQ(imported.value().refused.size(), 1u);
        const RefusedCell &refused = imported.value().refused.front();
        EXPECT_EQ(describeRefusal(refused), "Sheet «Command List», row 3, column «Slave address»: \"300\": \"300\" was not "
                                            "taken: allowed are 0 to 247.");
        const ConfigStore &store = *imported.value().store;
        EXPECT_EQ(store.subnet(0).commandCount, original->subnet(0).commandCount - (partial ? 1 : 0));
        EXPECT_EQ(store.command(0, 2).quantity, partial ? "7" : original->command(0, 2).quantity);
    }
}

// What the grid does not show stays as the configuration imported into has it (a new one's
// defaults); a CSV of the command list brings the commands and the nodes they name; a workbook
// of the other language brings the same values in the active language's words.
TEST_F(WorkbookImportTest, HiddenValuesCsvAndTheOtherLanguage)
{
    auto original = busyConfiguration(2, {}, 0);
    EditorSession session;
    session.store() = *original;
    RecordingPrompter prompter;
    const ItemRef second{ItemKind::Subnet, 1, 0};
    session.commitText({second, rowIndex(SubnetRow::OwnAddress)}, "77", true, false, prompter);
    session.commitPick({second, 0}, text(StrId::ProtocolModbusMaster), true);
    const ConfigStore hidden = session.store();
    const ReadBook book = readBookOfCells(workbookCells(hidden));
    EXPECT_EQ(importBook(book, nullptr, {}).value().store->subnet(1).ownAddress, ConfigStore{}.subnet(1).ownAddress);
    EXPECT_EQ(importBook(book, &hidden, {}).value().store->subnet(1).ownAddress, "77");

    ReadBook csv{{book.sheets[static_cast<std::size_t>(Sheet::CommandList)]}, true};
    EXPECT_TRUE(compareConfigurations(hidden, *importBook(csv, &hidden, {}).value().store, Carried::Everything).empty());
    original = busyConfiguration(3, modelVariants().front().flags, 0);
    csv = {{readBookOfCells(workbookCells(*original)).sheets[static_cast<std::size_t>(Sheet::CommandList)]}, true};
    ConfigStore empty = *original;
    empty.subnet(0).nodeCount = empty.subnet(0).commandCount = 0;
    const Result<ImportOutcome> fromCsv = importBook(csv, &empty, {});
    ASSERT_TRUE(fromCsv);
    EXPECT_TRUE(fromCsv.value().refused.empty());
    const auto differences = compareConfigurations(*original, *fromCsv.value().store, Carried::Everything);
    EXPECT_EQ(differences.size(), 1u) << listed(differences); // the node without commands
    EXPECT_EQ(differences.front().kind, DifferenceKind::Removed);

    const ReadBook english = readBookOfCells(workbookCells(*original));
    setLanguage(Language::Chinese);
    ConfigStore chinese = *original;
    ASSERT_GT(convertValuesLanguage(chinese, Language::English, Language::Chinese), 10);
    const Result<ImportOutcome> translated = importBook(english, nullptr, {});
    ASSERT_TRUE(translated) << translated.message();
    EXPECT_TRUE(translated.value().refused.empty()) << describeRefusal(translated.value().refused.front());
    for (const Difference &d : compareConfigurations(chinese, *translated.value().store, Carried::Everything))
        EXPECT_EQ(d.at.field, "name") << d.path; // a node named by its address takes the active language's name
}

// A workbook that is not the program's gets one clear message.
TEST_F(WorkbookImportTest, StructureFaultsAreOneMessageEach)
{
    const auto original = busyConfiguration(4, {}, 0);
    const ReadBook good = readBookOfCells(workbookCells(*original));
    ConfigStore otherType;
    otherType.setTypeAndFlags(0, {});
    struct Case {
        std::function<void(ReadBook &)> spoil;
        const ConfigStore *base;
        std::string message;
    };
    const Case cases[] = {
        {[](ReadBook &b) { b.sheets.erase(b.sheets.begin() + 3); }, nullptr, "The workbook has no sheet «Nodes»."},
        {[](ReadBook &b) { cellOf(b, Sheet::CommandList, 1, StrId::GridFunctionalCodes) = "Code"; }, nullptr,
         "Sheet «Command List» has no column «Functional codes»."},
        {[](ReadBook &b) { b.sheets[2].cells.clear(); }, nullptr, "Sheet «Command List» is empty."},
        {[](ReadBook &b) { cellOf(b, Sheet::Fieldbus, 2, StrId::ExportHeadGatewayType) = "9"; }, nullptr,
         "Sheet «Fieldbus» names no gateway model this program knows: type \"9\", model flags \"0\"."},
        {[](ReadBook &) {}, &otherType,
         "The workbook is for gateway type 4 with model flags 0; the configuration to import into is type 0 with "
         "model flags 0."},
    };
    for (const Case &c : cases) {
        ReadBook book = good;
        c.spoil(book);
        const Result<ImportOutcome> imported = importBook(book, c.base, {});
        ASSERT_FALSE(imported) << c.message;
        EXPECT_EQ(imported.message(), c.message);
    }
}

} // namespace
} // namespace tqv
