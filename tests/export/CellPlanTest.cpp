#include "export/CellPlan.h"
#include "export/Workbook.h"
#include "mapping/MappingFixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <optional>

namespace tqv {
namespace {

const std::string kByHardware = "Setting through Hardware Configuration of PROFIBUS DP";

// The final text at a place of the workbook; nothing for a blank cell.
std::optional<std::string> at(const std::vector<Cell> &cells, Sheet sheet, int row, int column)
{
    for (const Cell &c : cells)
        if (c.sheet == sheet && c.row == row && c.column == column)
            return c.text;
    return std::nullopt;
}

// Row `row` of `sheet` from column 1 on, blank cells as "".
std::vector<std::string> rowOf(const std::vector<Cell> &cells, Sheet sheet, int row)
{
    std::vector<std::string> values;
    for (const Cell &c : cells) {
        if (c.sheet != sheet || c.row != row)
            continue;
        if (values.size() < static_cast<std::size_t>(c.column))
            values.resize(static_cast<std::size_t>(c.column));
        values[static_cast<std::size_t>(c.column - 1)] = c.text;
    }
    return values;
}

int rowsOf(const std::vector<Cell> &cells, Sheet sheet)
{
    int rows = 0;
    for (const Cell &c : cells)
        if (c.sheet == sheet)
            rows = std::max(rows, c.row);
    return rows;
}

class ExportTest : public MappingFixture {
protected:
    // The three sheets' layout columns; what a round trip adds beside them is tested with the import.
    std::vector<Cell> cells() const
    {
        std::vector<Cell> all = workbookCells(*s);
        std::erase_if(all, [&](const Cell &c) {
            return c.sheet == Sheet::Nodes || c.column >= firstLosslessColumn(exportLayoutOf(*s), c.sheet);
        });
        return all;
    }
};

TEST_F(ExportTest, NewDocumentFillsTheMasterLayout)
{
    const auto c = cells();
    EXPECT_EQ(exportLayoutOf(*s), ExportLayout::MasterFormat);
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "The button set", "Self-adapting", kByHardware, kByHardware,
                                        s->subnet(0).timeoutAction, s->subnet(0).timeoutCount}));
    const auto subnet = rowOf(c, Sheet::Subnet, 2);
    ASSERT_EQ(subnet.size(), 14u);
    EXPECT_EQ(subnet[0], "Modbus master");
    EXPECT_EQ(subnet[6], "300");
    EXPECT_EQ(subnet[7], "0");
    EXPECT_EQ(subnet[9], "10");
    EXPECT_EQ(subnet[11], "RS485");
    EXPECT_EQ(rowsOf(c, Sheet::CommandList), 1);
    EXPECT_EQ(at(c, Sheet::CommandList, 1, 1), "No.");
}

TEST_F(ExportTest, CommandRowsShowHexAddressesAndLeaveUnsetCellsBlank)
{
    COMMAND &first = command(0, "3", "4", "4000", "0");
    first.startAddress = "-1";
    first.byteCount = "8";
    COMMAND &second = command(0, "1", "-1", "-1", "3");
    second.slaveAddress = "-1";
    const auto c = cells();
    EXPECT_EQ(rowOf(c, Sheet::CommandList, 2),
              (std::vector<std::string>{"1", "5", "3", "", "4", "8", "4000H", "0", first.dataFormat, "Quick-scan"}));
    EXPECT_EQ(rowOf(c, Sheet::CommandList, 3),
              (std::vector<std::string>{"2", "", "1", "0", "", "", "", "3", second.dataFormat, "Quick-scan"}));
    EXPECT_EQ(rowsOf(c, Sheet::CommandList), 3);
}

TEST_F(ExportTest, LayoutFollowsTypeAndFirstProtocol)
{
    struct Row {
        unsigned type;
        StrId protocol;
        ExportLayout layout;
    };
    for (const Row &r : {Row{3, StrId::ProtocolModbusMaster, ExportLayout::MasterFormat},
                         Row{3, StrId::ProtocolModbusSlave, ExportLayout::SlaveFormat},
                         Row{3, StrId::ProtocolUserConfig, ExportLayout::UniversalFormat},
                         Row{3, StrId::ProtocolSelfDefining, ExportLayout::None},
                         Row{1, StrId::ProtocolSelfDefining, ExportLayout::Standard},
                         Row{2, StrId::ProtocolModbusMaster, ExportLayout::Standard},
                         Row{4, StrId::ProtocolModbusSlave, ExportLayout::Standard}}) {
        setType(r.type, {});
        s->subnet(0).protocol = text(r.protocol);
        EXPECT_EQ(exportLayoutOf(*s), r.layout) << r.type << ' ' << text(r.protocol);
    }
}

TEST_F(ExportTest, SelfDefiningProtocolOnTheProfibusModbusGatewayExportsNothing)
{
    s->subnet(0).protocol = text(StrId::ProtocolSelfDefining);
    EXPECT_TRUE(planCells(*s).empty());
    EXPECT_TRUE(cells().empty());
    const std::string path = ::testing::TempDir() + "tqv-export-none.xlsx";
    std::filesystem::remove(path);
    const Status written = exportWorkbook(*s, path);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().code, ErrorCode::NoExportLayout);
    EXPECT_NE(written.message().find("Self-defining protocol"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ExportTest, ProfibusModbusFieldbusRowBySubnetAndFlags)
{
    s->fieldbus.inputSize = "20";
    s->fieldbus.outputSize = "30";
    s->setModelFlag(7, false);
    EXPECT_EQ(rowOf(cells(), Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "Set according to the rotary code switch", "Self-adapting", "20",
                                        "30"}));

    CONFIG &sub = s->subnet(0);
    sub.protocol = "User Config";
    sub.inputLengthPrefix = "Enable";
    sub.userBaud = "9600";
    sub.frameType = "Fixed";
    auto c = cells();
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "Set according to the rotary code switch", "Self-adapting", "20",
                                        "30", "Enable"}));
    EXPECT_EQ(rowOf(c, Sheet::Subnet, 2)[1], "9600");
    EXPECT_EQ(rowOf(c, Sheet::Subnet, 2)[5], "Fixed");
    EXPECT_EQ(at(c, Sheet::Fieldbus, 1, 6), "Profibus input-data effective length ");

    // modelFlag7 with User Config: still the rotary switch, the sizes set by the hardware configuration,
    // and no timeout columns.
    s->setModelFlag(7, true);
    c = cells();
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "Set according to the rotary code switch", "Self-adapting",
                                        kByHardware, kByHardware, "Enable"}));

    sub.protocol = "Modbus slave";
    sub.ownAddress = "17";
    sub.slaveMode = "ASCII";
    c = cells();
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "The button set", "Self-adapting", kByHardware, kByHardware}));
    const auto subnet = rowOf(c, Sheet::Subnet, 2);
    ASSERT_EQ(subnet.size(), 10u);
    EXPECT_EQ(subnet[5], "17");
    EXPECT_EQ(subnet[6], "ASCII");
    // The slave and universal layouts use no command list, whatever the subnet still holds.
    command(0, "3", "1", "0", "0");
    EXPECT_EQ(rowsOf(cells(), Sheet::CommandList), 0);
}

TEST_F(ExportTest, EthernetGatewayFillsIpSettingsWithHeadingsAndTwoSubnets)
{
    setType(4, {2});
    FIELDBUS &fb = s->fieldbus;
    fb.ipAssignMode = "Static";
    fb.ipAddress = "192.168.0.10";
    fb.subnetMask = "255.255.255.0";
    fb.gatewayAddress = "192.168.0.1";
    fb.dns1 = "8.8.8.8";
    fb.dns2 = "8.8.4.4";
    command(1, "3", "2", "10", "0");
    const auto c = cells();
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 1),
              (std::vector<std::string>{"Fieldbus type", "Assign IP Mode", "IP address", "Subnet mask",
                                        "Gateway address", "DNS1", "DNS2"}));
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 2),
              (std::vector<std::string>{"EtherNet/IP", "Static", "192.168.0.10", "255.255.255.0", "192.168.0.1",
                                        "8.8.8.8", "8.8.4.4"}));
    EXPECT_EQ(at(c, Sheet::Subnet, 1, 1), "Subnet");
    EXPECT_EQ(at(c, Sheet::Subnet, 3, 1), "2");
    EXPECT_EQ(rowsOf(c, Sheet::Subnet), 3);
    // No interface columns for the Ethernet gateway even with modelFlag2.
    EXPECT_FALSE(at(c, Sheet::Subnet, 1, 14));
    EXPECT_EQ(at(c, Sheet::CommandList, 1, 10), "Subnet");
    EXPECT_EQ(at(c, Sheet::CommandList, 2, 7), "10H");
}

TEST_F(ExportTest, FourSubnetsNumberCommandsAcrossSubnetsWithInterfaceColumns)
{
    setType(2, {2});
    s->subnet(0).commInterface = "RS232";
    s->subnet(1).commInterface = "RS485";
    CONFIG &custom = s->subnet(2);
    custom.protocol = "Self-defining protocol";
    custom.customBaud = "4800";
    custom.customDataBits = "7";
    custom.customParity = "Even";
    custom.customStopBits = "2";
    s->subnet(3).protocol = "Modbus slave";
    s->subnet(3).ownAddress = "9";
    command(0, "3", "1", "0", "0");
    command(0, "4", "1", "2", "0");
    command(1, "16", "2", "4000", "0");
    command(3, "1", "8", "10", "0");

    const auto c = cells();
    EXPECT_EQ(at(c, Sheet::Fieldbus, 2, 1), std::nullopt);
    EXPECT_EQ(rowsOf(c, Sheet::Subnet), 5);
    EXPECT_EQ(at(c, Sheet::Subnet, 1, 14), "Communication Interface");
    EXPECT_EQ(at(c, Sheet::Subnet, 1, 15), "Debug Interface");
    EXPECT_EQ(at(c, Sheet::Subnet, 2, 14), "RS232");
    EXPECT_EQ(at(c, Sheet::Subnet, 2, 15), "RS485");
    EXPECT_EQ(at(c, Sheet::Subnet, 3, 15), "RS232");
    const auto customRow = rowOf(c, Sheet::Subnet, 4);
    EXPECT_EQ(std::vector<std::string>(customRow.begin(), customRow.begin() + 8),
              (std::vector<std::string>{"3", "Self-defining protocol", "4800", "7", "Even", "2", "", ""}));
    EXPECT_EQ(rowOf(c, Sheet::Subnet, 5)[6], "9");
    EXPECT_EQ(rowOf(c, Sheet::Subnet, 2)[12], s->subnet(0).scanRatio);

    EXPECT_EQ(rowsOf(c, Sheet::CommandList), 5);
    for (int row = 2; row <= 5; ++row)
        EXPECT_EQ(at(c, Sheet::CommandList, row, 1), std::to_string(row - 1));
    EXPECT_EQ(at(c, Sheet::CommandList, 4, 7), "4000H");
    EXPECT_EQ(at(c, Sheet::CommandList, 5, 3), "1");
    EXPECT_EQ(at(c, Sheet::CommandList, 5, 10), "CRC");
}

TEST_F(ExportTest, FieldbusRowOfTheOtherTypes)
{
    setType(0, {});
    s->fieldbus.deviceNetAddress = "-1";
    s->fieldbus.deviceNetBaud = "500K";
    EXPECT_EQ(rowOf(cells(), Sheet::Fieldbus, 2),
              (std::vector<std::string>{"DeviceNet", "", "500K", s->fieldbus.inputSize, s->fieldbus.outputSize}));

    setType(1, {});
    s->fieldbus.inputSize = "12";
    EXPECT_EQ(rowOf(cells(), Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "", "", "12", s->fieldbus.outputSize}));

    setType(1, {1});
    s->fieldbus.profibusConfigMode = "Mode A";
    s->fieldbus.profibusConfigData = "01 02";
    auto c = cells();
    EXPECT_EQ(at(c, Sheet::Fieldbus, 2, 6), "Mode A");
    EXPECT_EQ(at(c, Sheet::Fieldbus, 2, 7), "01 02");
    EXPECT_EQ(at(c, Sheet::Fieldbus, 1, 6), "Profibus configuration mode");

    setType(1, {4, 6});
    s->subnet(0).doubleFaultReset = "Enable";
    c = cells();
    EXPECT_EQ(rowOf(c, Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "", "", kByHardware, kByHardware, "Enable"}));
    EXPECT_EQ(at(c, Sheet::Fieldbus, 1, 6), "Input data double fault reset");

    setType(5, {});
    EXPECT_EQ(rowOf(cells(), Sheet::Fieldbus, 2),
              (std::vector<std::string>{"Profibus", "Set according to the rotary code switch", "Self-adapting",
                                        kByHardware, kByHardware}));

    setType(6, {});
    s->subnet(0).inputLengthPrefix = "Disable";
    c = cells();
    EXPECT_EQ(at(c, Sheet::Fieldbus, 2, 6), "Disable");
    EXPECT_EQ(at(c, Sheet::Fieldbus, 1, 6), "Profibus input-data effective length ");
    EXPECT_EQ(at(c, Sheet::Fieldbus, 1, 7), std::nullopt);
}

TEST_F(ExportTest, HeadingsAndSheetNamesFollowTheLanguage)
{
    for (ExportLayout layout : {ExportLayout::MasterFormat, ExportLayout::SlaveFormat, ExportLayout::UniversalFormat,
                                ExportLayout::Standard}) {
        setLanguage(Language::English);
        const auto english = layoutHeadings(layout);
        setLanguage(Language::Chinese);
        const auto chinese = layoutHeadings(layout);
        ASSERT_EQ(english.size(), chinese.size());
        for (std::size_t i = 0; i < english.size(); ++i) {
            EXPECT_EQ(english[i].row, 1);
            EXPECT_NE(english[i].text, chinese[i].text) << english[i].text;
        }
    }
    EXPECT_EQ(sheetName(Sheet::CommandList), "命令列表");
    setLanguage(Language::English);
    EXPECT_EQ(sheetName(Sheet::CommandList), "Command List");
}

// What a spreadsheet reader finds in a written workbook: every cell of the plan and nothing else,
// bold frozen headings.
TEST_F(ExportTest, WrittenWorkbookReadsBackAsPlanned)
{
    setType(2, {2});
    for (int subnet = 0; subnet < 4; ++subnet)
        for (int i = 0; i < 20; ++i)
            command(subnet, i % 2 ? "3" : "16", std::to_string(i + 1), std::to_string(100 * i), "0");
    s->subnet(1).commands[3].startAddress = "-1";
    s->subnet(2).protocol = "User Config";

    const std::string path = ::testing::TempDir() + "tqv-export-readback.xlsx";
    std::filesystem::remove(path);
    ASSERT_TRUE(exportWorkbook(*s, path));

    const std::string command = std::string("/usr/bin/python3 ") + TQV_TESTS_DIR + "/export/read_workbook.py " + path;
    FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << output;

    const nlohmann::json book = nlohmann::json::parse(output);
    ASSERT_EQ(book["sheets"].size(), std::size_t{kSheetCount});
    std::vector<Cell> read;
    for (std::size_t i = 0; i < kSheetCount; ++i) {
        const auto &sheet = book["sheets"][i];
        EXPECT_EQ(sheet["title"], sheetName(static_cast<Sheet>(i)));
        EXPECT_EQ(sheet["freeze"], "A2");
        for (const auto &cell : sheet["cells"]) {
            read.push_back({static_cast<Sheet>(i), cell[0].get<int>(), cell[1].get<int>(), cell[2].get<std::string>()});
            EXPECT_EQ(cell[3].get<bool>(), cell[0].get<int>() == 1) << cell.dump();
        }
    }
    EXPECT_EQ(read, workbookCells(*s));
    EXPECT_EQ(rowsOf(read, Sheet::CommandList), 81);
}

TEST(WorkbookFile, NameGetsTheExtensionAndAFailedWriteNamesTheFile)
{
    EXPECT_EQ(workbookFileName("plant"), "plant.xlsx");
    EXPECT_EQ(workbookFileName("dir.v2/plant"), "dir.v2/plant.xlsx");
    EXPECT_EQ(workbookFileName("plant.xls"), "plant.xls");

    const std::string missingDir = ::testing::TempDir() + "tqv-no-such-dir/book.xlsx";
    const Status failed = writeWorkbook({}, missingDir);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, ErrorCode::FileWrite);
    EXPECT_NE(failed.message().find(missingDir), std::string::npos);
}

} // namespace
} // namespace tqv
