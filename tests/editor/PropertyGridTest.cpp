#include "editor/PropertyGrid.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace tqv {
namespace {

bool opensEditor(const ConfigStore &s, const ItemRef &item, int row, bool pulse)
{
    return describeCell(s, item, row, pulse).editor != EditorKind::None;
}
// The in-place list of a cell; empty for an edit box or no editor.
std::vector<std::string> choicesAt(const ConfigStore &s, const ItemRef &item, int row)
{
    return describeCell(s, item, row, true).choices;
}

struct Expected {
    int row;
    const char *label;
    const char *value;
    bool grey;
};

// Checks the listed rows exactly and that every other row is blank.
void expectRows(const GridRows &rows, const std::vector<Expected> &expected, const std::string &context)
{
    std::set<int> listed;
    for (const Expected &e : expected) {
        listed.insert(e.row);
        const GridRow &r = rows[static_cast<std::size_t>(e.row)];
        EXPECT_EQ(r.label, e.label) << context << " row " << e.row;
        EXPECT_EQ(r.value, e.value) << context << " row " << e.row;
        EXPECT_EQ(r.grey, e.grey) << context << " row " << e.row;
    }
    for (int i = 0; i < kGridRowCount; ++i) {
        if (listed.count(i))
            continue;
        const GridRow &r = rows[static_cast<std::size_t>(i)];
        EXPECT_TRUE(r.label.empty() && r.value.empty()) << context << " row " << i << " holds " << r.label;
    }
}

std::vector<int> editableRows(const ConfigStore &s, const ItemRef &item, bool pulse = false)
{
    std::vector<int> out;
    for (int r = 0; r < kGridRowCount; ++r)
        if (opensEditor(s, item, r, pulse))
            out.push_back(r);
    return out;
}

class PropertyGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s = std::make_unique<ConfigStore>();
        s->newConfiguration();
    }
    void setType(unsigned type, const std::vector<int> &flags)
    {
        s->gatewayType = type;
        s->clearModelFlags();
        for (int f : flags)
            s->setModelFlag(f, true);
        s->resetToDefaults();
        s->applyFieldbusType();
    }
    int addCommand(const char *code)
    {
        s->subnet(0).nodeCount = 1;
        s->subnet(0).nodes[0] = NODE{"12", "Node-12"};
        const int p = ++s->subnet(0).commandCount;
        COMMAND &c = s->command(0, p);
        c = COMMAND{"-1", code, "-1", "-1", "-1", "-1", "-1", s->newCommandDataFormat(), "", "Quick-scan", 1};
        return p;
    }
    const ItemRef fieldbus{ItemKind::Fieldbus, -1, 0};
    const ItemRef subnet1{ItemKind::Subnet, 0, 0};
    std::unique_ptr<ConfigStore> s;
};

TEST_F(PropertyGridTest, NewProjectFieldbusItem)
{
    expectRows(gridRows(*s, fieldbus),
               {{0, "Type of Protocol", "Profibus", true},
                {1, "Number of Bytes", "Setting through Hardware Configuration of PROFIBUS DP", true},
                {2, "Number of Bytes", "Setting through Hardware Configuration of PROFIBUS DP", true},
                {3, "How to Action after N successive Response Timeout", "Clear Data", false},
                {4, "Successive Response Timeout for N times", "3", false}},
               "new");
    EXPECT_EQ(editableRows(*s, fieldbus), (std::vector<int>{3, 4}));
    EXPECT_EQ(choicesAt(*s, fieldbus, 3), (std::vector<std::string>{"Clear Data", "Hold  Data"}));
    EXPECT_TRUE(choicesAt(*s, fieldbus, 4).empty());

    s->subnet(0).timeoutAction = "Hold  Data";
    EXPECT_TRUE(gridRows(*s, fieldbus)[4].grey);
    EXPECT_EQ(editableRows(*s, fieldbus), (std::vector<int>{3}));
}

// The fieldbus item of one gateway: its rows exactly, the rows that open an editor and the list
// each offers (empty: an edit box). The first matching Profibus line wins.
struct FieldbusCase {
    const char *what;
    unsigned type;
    std::vector<int> flags;
    std::function<void(ConfigStore &)> tweak;
    std::vector<Expected> rows;
    std::vector<int> editable;
    std::map<int, std::vector<std::string>> lists;
};

TEST_F(PropertyGridTest, FieldbusItemByTypeAndFlags)
{
    const char *hw = "Setting through Hardware Configuration of PROFIBUS DP";
    const Expected profibus{0, "Type of Protocol", "Profibus", true};
    const Expected hw1{1, "Number of Bytes", hw, true}, hw2{2, "Number of Bytes", hw, true};
    const Expected sized1{1, "Number of Bytes", "112", false}, sized2{2, "Number of Bytes", "112", false};
    const Expected effectiveLength{3, "Profibus input-data effective length ", "Disable", false};
    const std::vector<std::string> enableDisable{"Enable", "Disable"};
    const auto protocol = [](const char *p) { return [p](ConfigStore &c) { c.subnet(0).protocol = p; }; };
    const FieldbusCase cases[] = {
        {"type 0", 0, {}, [](ConfigStore &c) { c.fieldbus.deviceNetAddress = "-1"; },
         {{0, "Type of Protocol", "DeviceNet", true}, {1, "DeviceNet address(0-63)", "", false},
          {2, "DeviceNet Baud rate", "125K", false}, {3, "Size of DeviceNet Input Buffe", "64", false},
          {4, "Size of DeviceNet Output Buffe", "64", false}},
         {1, 2, 3, 4},
         {{1, {}}, {2, {"125K", "250K", "500K", "Intercept automatically"}},
          {3, {"8", "16", "32", "64", "96", "128", "160"}}, {4, {"8", "16", "32", "64", "96", "112"}}}},
        {"type 4", 4, {}, [](ConfigStore &c) {
             c.fieldbus.ipAddress = "";
             c.fieldbus.dns2 = "";
         },
         {{0, "Type of Protocol", "EtherNet/IP", true}, {1, "Assign IP Mode", "Manual Assign", false},
          {2, "IP address", "192.168.0.10", false}, {3, "Subnet mask", "255.255.255.0", false},
          {4, "Gateway address", "192.168.0.1", false}, {5, "DNS1", "0.0.0.0", false}, {6, "DNS2", "0.0.0.0", false}},
         {1, 2, 3, 4, 5, 6},
         {{1, {"Manual Assign", "BOOTP", "DHCP"}}}},
        {"type 5", 5, {}, nullptr, {profibus, hw1, hw2}, {}, {}},
        {"type 6", 6, {}, nullptr, {profibus, hw1, hw2, effectiveLength}, {3}, {{3, enableDisable}}},
        {"type 2", 2, {}, nullptr, {{0, "Type of Protocol", "DeviceNet", true}}, {}, {}},
        {"flag4", 1, {4, 7}, nullptr, {profibus, hw1, hw2, {3, "Input data double fault reset", "Enable", false}},
         {3}, {{3, enableDisable}}},
        {"no flags", 1, {}, nullptr, {profibus, sized1, sized2}, {1, 2}, {{1, {"8", "16", "48", "112"}}}},
        {"flag6 bytes", 1, {6}, [](ConfigStore &c) { c.fieldbus.profibusConfigData = "D1 E1"; },
         {profibus, sized1, sized2, {3, "Profibus configuration mode", "Use bytes selection", false},
          {4, "Profibus configuration data (up to 8 bytes)", "D1 E1", true}},
         {1, 2, 3},
         {{3, {"Use bytes selection", "Input configuration data"}}}},
        {"flag7 user", 3, {7}, protocol("User Config"), {profibus, hw1, hw2, effectiveLength}, {3},
         {{3, enableDisable}}},
        {"flag7 slave", 3, {7}, protocol("Modbus slave"), {profibus, hw1, hw2}, {}, {}},
    };
    for (const FieldbusCase &c : cases) {
        SCOPED_TRACE(c.what);
        setType(c.type, c.flags);
        if (c.tweak)
            c.tweak(*s);
        expectRows(gridRows(*s, fieldbus), c.rows, c.what);
        EXPECT_EQ(editableRows(*s, fieldbus), c.editable);
        for (const auto &[row, list] : c.lists)
            EXPECT_EQ(choicesAt(*s, fieldbus, row), list) << "row " << row;
    }
    // The addresses are shown, not stored.
    setType(4, {});
    s->fieldbus.ipAddress = "";
    EXPECT_EQ(gridRows(*s, fieldbus)[2].value, "192.168.0.10");
    EXPECT_EQ(s->fieldbus.ipAddress, "");

    setType(0, {2, 5});
    EXPECT_TRUE(gridRows(*s, fieldbus)[2].grey);
    EXPECT_EQ(gridRows(*s, fieldbus)[2].value, "Intercept automatically");
    EXPECT_EQ(editableRows(*s, fieldbus), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(choicesAt(*s, fieldbus, 3), (std::vector<std::string>{"8", "16", "32", "64", "96"}));
    EXPECT_EQ(choicesAt(*s, fieldbus, 4), (std::vector<std::string>{"8", "16", "32", "64"}));

    setType(1, {6});
    s->fieldbus.profibusConfigMode = "Input configuration data";
    const GridRows data = gridRows(*s, fieldbus);
    EXPECT_TRUE(data[1].grey && data[2].grey && !data[4].grey);
    EXPECT_EQ(editableRows(*s, fieldbus), (std::vector<int>{3, 4}));

    // Type 1 with a User Config subnet shows the effective-length row whatever the flags chose.
    setType(1, {1});
    s->subnet(0).protocol = "User Config";
    EXPECT_EQ(gridRows(*s, fieldbus)[3].label, "Profibus input-data effective length ");
    EXPECT_EQ(gridRows(*s, fieldbus)[4].label, "Profibus configuration data (up to 8 bytes)");
}

TEST_F(PropertyGridTest, NewProjectModbusMasterSubnet)
{
    const GridRows rows = gridRows(*s, subnet1);
    expectRows(rows,
               {{0, "Protocols select", "Modbus master", false}, {1, "Band rate", "19200", false},
                {2, "Data bits", "8", false}, {3, "Parity check mode", "None", false}, {4, "Stop bit", "1", false},
                {5, "Slave address", "", true}, {6, "Communication mode", "RTU", false},
                {7, "Response timeout(300-60000ms)", "300", false}, {8, "Delay between Polls(0-2500ms)", "0", false},
                {9, "Output Mode", "Change of Value", false}, {10, "Output Pulse(200-2500ms)", "", true},
                {11, "Scan ratio(1-255)", "10", false}, {12, "Status of Modbus Command", "Disable", false},
                {13, "Time Interval between Characters", "", true}, {14, "Frame Length", "", true},
                {15, "Enable Auto Sending", "", true}, {16, "Period of Auto Sending", "", true},
                {17, "Enable CRC Check", "", true}, {18, "Communication Interface", "RS485", false},
                {19, "Debug Interface", "RS232", true},
                {20, "Time Interval between Character(Sending)", "0", false},
                {21, "Time Interval between Character(Receiving)", "0", false}},
               "new subnet");
    EXPECT_EQ(editableRows(*s, subnet1), (std::vector<int>{0, 1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 18, 20, 21}));
    EXPECT_EQ(choicesAt(*s, subnet1, 12),
              (std::vector<std::string>{"Disable", "1Bytes", "2Bytes", "3Bytes", "4Bytes", "5Bytes", "6Bytes"}));
    EXPECT_EQ(choicesAt(*s, subnet1, 0), (std::vector<std::string>{"Modbus master", "Modbus slave", "User Config"}));
    EXPECT_EQ(choicesAt(*s, subnet1, 1),
              (std::vector<std::string>{"300", "600", "1200", "2400", "9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(choicesAt(*s, subnet1, 2), (std::vector<std::string>{"8"}));
    EXPECT_EQ(choicesAt(*s, subnet1, 9), (std::vector<std::string>{"Cycle", "Forbidden", "Change of Value"}));
    EXPECT_EQ(choicesAt(*s, subnet1, 18), (std::vector<std::string>{"RS485", "RS232"}));
    EXPECT_TRUE(choicesAt(*s, subnet1, 7).empty());

    // Files older than 500 have no character-interval rows.
    s->fileVersion = 300;
    const GridRows old = gridRows(*s, subnet1);
    EXPECT_TRUE(old[20].label.empty() && old[21].label.empty());
    EXPECT_FALSE(old[19].label.empty());
    s->subnet(0).responseTimeout = "-1";
    EXPECT_EQ(gridRows(*s, subnet1)[7].value, "");
}

TEST_F(PropertyGridTest, SubnetOfOtherProtocols)
{
    CONFIG &c = s->subnet(0);
    c.protocol = "Modbus slave";
    c.ownAddress = "9";
    GridRows rows = gridRows(*s, subnet1);
    EXPECT_EQ(rows[1].value, "19200");
    EXPECT_EQ(rows[5].value, "9");
    EXPECT_FALSE(rows[5].grey);
    EXPECT_EQ(rows[12].label, "Frame Type");
    for (int r = 7; r <= 17; ++r)
        EXPECT_TRUE(rows[static_cast<std::size_t>(r)].grey && rows[static_cast<std::size_t>(r)].value.empty()) << r;
    EXPECT_EQ(rows[18].value, "RS485");
    EXPECT_EQ(editableRows(*s, subnet1), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 18, 20, 21}));
    EXPECT_TRUE(choicesAt(*s, subnet1, 5).empty()); // edit box for the own address

    c.protocol = "User Config";
    c.commInterface = "RS232";
    rows = gridRows(*s, subnet1);
    EXPECT_EQ(rows[12].label, "Frame Type");
    EXPECT_EQ(rows[12].value, "Characters timeout");
    EXPECT_EQ(rows[13].value, "10");
    EXPECT_TRUE(rows[14].grey);
    EXPECT_EQ(rows[15].value, "Disable");
    EXPECT_TRUE(rows[16].grey);
    EXPECT_EQ(rows[18].value, "RS232");
    EXPECT_EQ(rows[19].value, "RS485");
    EXPECT_EQ(editableRows(*s, subnet1), (std::vector<int>{0, 1, 2, 3, 4, 12, 13, 15, 17, 18, 20, 21}));
    c.frameType = "Frame Length";
    c.autoSend = "Enable";
    rows = gridRows(*s, subnet1);
    EXPECT_FALSE(rows[14].grey);
    EXPECT_FALSE(rows[16].grey);
    EXPECT_EQ(editableRows(*s, subnet1), (std::vector<int>{0, 1, 2, 3, 4, 12, 13, 14, 15, 16, 17, 18, 20, 21}));
    // Subnet 1 is no longer a Modbus master: the frame types, not the status sizes.
    EXPECT_EQ(choicesAt(*s, subnet1, 12), (std::vector<std::string>{"Characters timeout", "Frame Length"}));

    setType(2, {});
    s->subnet(3).protocol = "Self-defining protocol";
    const ItemRef subnet4{ItemKind::Subnet, 3, 0};
    rows = gridRows(*s, subnet4);
    EXPECT_EQ(rows[1].label, "Modbus communication baud rate ");
    EXPECT_EQ(rows[1].value, "300");
    EXPECT_TRUE(rows[6].grey);
    EXPECT_TRUE(rows[12].label.empty());
    EXPECT_EQ(editableRows(*s, subnet4), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(choicesAt(*s, subnet4, 0),
              (std::vector<std::string>{"Modbus master", "Modbus slave", "Self-defining protocol"}));
}

TEST_F(PropertyGridTest, SubnetRulesOfOtherGatewayTypes)
{
    struct Row {
        unsigned type;
        std::vector<int> flags;
        std::vector<int> editable;
    };
    const Row rows[] = {
        {0, {}, {0, 1, 2, 3, 4, 6, 7, 8, 9, 11}},
        {0, {2}, {1, 2, 3, 4, 6, 7, 8, 9, 11, 12}},
        {1, {}, {1, 2, 3, 4, 6, 7, 8, 9, 11}},
        {1, {4}, {0, 1, 2, 3, 4, 6, 7, 8, 9, 11}},
        {4, {}, {1, 3, 4, 7, 8, 9, 11}},
        {5, {}, {1, 2, 3, 4, 5, 6}},
        {6, {}, {1, 2, 3, 4, 12, 13, 15, 17}},
    };
    for (const Row &r : rows) {
        setType(r.type, r.flags);
        EXPECT_EQ(editableRows(*s, subnet1), r.editable) << "type " << r.type;
    }
    setType(4, {});
    EXPECT_EQ(choicesAt(*s, subnet1, 1),
              (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    setType(0, {2});
    const GridRows g = gridRows(*s, subnet1);
    EXPECT_EQ(g[12].label, "Communication Interface");
    EXPECT_EQ(g[12].value, "RS485");
    EXPECT_EQ(g[13].value, "RS232");
    EXPECT_TRUE(g[13].grey);
    EXPECT_EQ(choicesAt(*s, subnet1, 12), (std::vector<std::string>{"RS485", "RS232"}));
    setType(6, {});
    EXPECT_TRUE(gridRows(*s, subnet1)[18].grey);
    EXPECT_EQ(gridRows(*s, subnet1)[0].value, "User Config");
}

TEST_F(PropertyGridTest, ModelFlag3MakesAFixedUserConfigSubnet)
{
    setType(3, {3});
    EXPECT_EQ(s->subnet(0).protocol, "User Config");
    const GridRows rows = gridRows(*s, subnet1);
    EXPECT_TRUE(rows[0].grey);
    EXPECT_FALSE(opensEditor(*s, subnet1, 0, false));
    EXPECT_TRUE(opensEditor(*s, subnet1, 12, false));
    // The fieldbus item takes the hardware-configured sizes and offers the effective-length row.
    const GridRows fb = gridRows(*s, fieldbus);
    EXPECT_EQ(fb[1].value, "Setting through Hardware Configuration of PROFIBUS DP");
    EXPECT_EQ(fb[3].label, "Profibus input-data effective length ");
}

TEST_F(PropertyGridTest, PulseRowFollowsTheOutputMode)
{
    setType(0, {});
    s->subnet(0).outputMode = "Pluse output";
    s->subnet(0).pulseTime = "500";
    const GridRows rows = gridRows(*s, subnet1);
    EXPECT_FALSE(rows[10].grey);
    EXPECT_EQ(rows[10].value, "500");
    EXPECT_TRUE(opensEditor(*s, subnet1, 10, true));
    EXPECT_FALSE(opensEditor(*s, subnet1, 10, false));
}

TEST_F(PropertyGridTest, UserConfigWithModelFlag4)
{
    setType(0, {4});
    CONFIG &c = s->subnet(0);
    c.protocol = "User Config";
    c.startChar = "02";
    c.stopChar = "03";
    c.autoSend = "Enable";
    const GridRows rows = gridRows(*s, subnet1);
    expectRows(rows,
               {{0, "Protocols select", "User Config", false}, {1, "Modbus communication baud rate ", "19200", false},
                {2, "Data bits", "8", false}, {3, "Parity check mode", "None", false}, {4, "Stop bit", "1", false},
                {5, "Slave address", "", true}, {6, "Communication mode", "", true},
                {7, "Response timeout(300-60000ms)", "", true}, {8, "Delay between Polls(0-2500ms)", "", true},
                {9, "Output Mode", "", true}, {10, "Output Pulse(200-2500ms)", "", true},
                {11, "Scan ratio(1-255)", "", true}, {12, "Frame Type", "Characters timeout", false},
                {13, "Time Interval between Characters", "10", false}, {14, "Frame Length", "111", true},
                {15, "Start character", "02", false}, {16, "Stop character", "03", false},
                {17, "Enable Auto Sending", "Enable", false}, {18, "Period of Auto Sending", "1000", false},
                {19, "Enable CRC Check", "Disable", false}},
               "flag4 user");
    EXPECT_EQ(editableRows(*s, subnet1), (std::vector<int>{0, 1, 2, 3, 4, 12, 13, 15, 16, 17, 18, 19}));
    EXPECT_EQ(choicesAt(*s, subnet1, 0), (std::vector<std::string>{"Modbus master", "User Config"}));
    EXPECT_TRUE(choicesAt(*s, subnet1, 15).empty());
    EXPECT_TRUE(choicesAt(*s, subnet1, 18).empty());
    EXPECT_EQ(choicesAt(*s, subnet1, 19), (std::vector<std::string>{"Enable", "Disable"}));
}

TEST_F(PropertyGridTest, NodeItem)
{
    s->subnet(0).nodeCount = 1;
    const ItemRef node{ItemKind::Node, 0, 1};
    expectRows(gridRows(*s, node), {{0, "Slave address(0-247)", "", false}}, "node");
    s->node(0, 1).address = "17";
    EXPECT_EQ(gridRows(*s, node)[0].value, "17");
    EXPECT_EQ(editableRows(*s, node), (std::vector<int>{0}));
    EXPECT_TRUE(choicesAt(*s, node, 0).empty());
}

TEST_F(PropertyGridTest, CommandItemRowsByFunctionCode)
{
    struct Row {
        const char *code;
        std::vector<int> greyRows;
        std::vector<int> editable;
    };
    const Row rows[] = {
        {"1", {0, 1, 6, 7, 8}, {2, 3, 4, 5, 9}},       {"2", {0, 1, 6, 7, 8}, {2, 3, 4, 5, 9}},
        {"3", {0, 1, 5, 6, 8}, {2, 3, 4, 7, 9}},       {"4", {0, 1, 5, 6, 8}, {2, 3, 4, 7, 9}},
        {"5", {0, 1, 3, 6, 7, 8}, {2, 4, 5, 9}},       {"6", {0, 1, 3, 5, 6, 7, 8}, {2, 4, 9}},
        {"15", {0, 1, 6, 7, 8}, {2, 3, 4, 5, 9}},      {"16", {0, 1, 5, 6, 7, 8}, {2, 3, 4, 9}},
    };
    for (const Row &r : rows) {
        SetUp();
        const int p = addCommand(r.code);
        const ItemRef item{ItemKind::Command, 0, p};
        refreshCommandForDisplay(*s, item);
        const GridRows g = gridRows(*s, item);
        std::vector<int> greyRows;
        for (int i = 0; i < 10; ++i)
            if (g[static_cast<std::size_t>(i)].grey)
                greyRows.push_back(i);
        EXPECT_EQ(greyRows, r.greyRows) << r.code;
        EXPECT_EQ(editableRows(*s, item), r.editable) << r.code;
    }
}

TEST_F(PropertyGridTest, CommandItemShowsAndRefreshes)
{
    const int p = addCommand("5");
    const ItemRef item{ItemKind::Command, 0, p};
    s->command(0, p).mappingAddress = "a0";
    s->command(0, p).dataFormat = "Low byte";
    refreshCommandForDisplay(*s, item);
    EXPECT_EQ(s->command(0, p).slaveAddress, "12");
    EXPECT_EQ(s->command(0, p).checkType, "CRC");
    EXPECT_EQ(s->command(0, p).dataFormat, "Low byte"); // shown as Fullword, not stored
    expectRows(gridRows(*s, item),
               {{0, "Slave address(0-247)", "12", true}, {1, "Functional codes", "5", true},
                {2, "Starting Address", "", false}, {3, "Number of Register", "", true},
                {4, "Mapping Address(HEX)", "a0H", false}, {5, "Mapping Bit(0--7)", "", false},
                {6, "Number of Byte", "", true}, {7, "Data Filter", "Fullword", true},
                {8, "Type of Check", "CRC", true}, {9, "Type of Scan", "Quick-scan", false}},
               "function 5");
    s->command(0, p).mappingAddress = "";
    EXPECT_EQ(gridRows(*s, item)[4].value, "");
    s->subnet(0).masterMode = "ASCII";
    refreshCommandForDisplay(*s, item);
    EXPECT_EQ(s->command(0, p).checkType, "LRC");
    EXPECT_EQ(choicesAt(*s, item, 9), (std::vector<std::string>{"Quick-scan", "Slow-scan"}));

    setType(4, {});
    const int q = addCommand("6");
    const ItemRef six{ItemKind::Command, 0, q};
    EXPECT_EQ(gridRows(*s, six)[7].label, "Byte-exchange");
    EXPECT_EQ(choicesAt(*s, six, 7), (std::vector<std::string>{"Non-exchange", "Double-byte-exchange"}));
    const int r = addCommand("3");
    EXPECT_EQ(choicesAt(*s, ItemRef{ItemKind::Command, 0, r}, 7),
              (std::vector<std::string>{"Non-exchange", "Double-byte-exchange", "Four-byte-exchange"}));
    setType(3, {7});
    const int t = addCommand("3");
    EXPECT_EQ(choicesAt(*s, ItemRef{ItemKind::Command, 0, t}, 7),
              (std::vector<std::string>{"Fullword", "High byte", "Low byte"}));
}

} // namespace
} // namespace tqv
