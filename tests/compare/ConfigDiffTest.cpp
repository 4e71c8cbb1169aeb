#include "compare/ConfigDiff.h"
#include "resources/Strings.h"
#include "serial/ValueCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tqv {
namespace {

// A gateway of `type` with every Modbus-master subnet holding `nodes` nodes, each with a read
// and a write command.
ConfigStore withCommands(std::uint32_t type, int nodes = 2)
{
    ConfigStore store;
    store.newConfiguration();
    std::array<bool, 7> flags{};
    flags[6] = type == 3; // modelFlag7, as a new document has it
    store.setTypeAndFlags(type, flags);
    int input = 2;
    int output = 0x4000;
    for (int k = 0; k < subnetCountOf(type); ++k) {
        store.subnet(k).protocol = text(StrId::ProtocolModbusMaster);
        for (int n = 0; n < nodes; ++n) {
            const int node = store.addNode(k).value();
            const std::string address = std::to_string(10 * (k + 1) + n);
            store.node(k, node).address = address;
            store.node(k, node).name = "Pump " + address;
            for (const char *function : {"3", "16"}) {
                const int position = store.addCommand(k, node, function).value();
                COMMAND &c = store.command(k, position);
                c.slaveAddress = address;
                c.startAddress = std::to_string(100 + n);
                c.quantity = "2";
                c.byteCount = "4";
                int &cursor = std::string(function) == "3" ? input : output;
                c.mappingAddress = hexText(static_cast<std::uint32_t>(cursor));
                c.mappingBit = "0";
                cursor += 4;
            }
        }
    }
    return store;
}

std::vector<std::string> pathsOf(const std::vector<Difference> &differences)
{
    std::vector<std::string> paths;
    for (const Difference &d : differences)
        paths.push_back(d.path);
    return paths;
}

class ConfigDiffTest : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(Language::English); }
};

// ---- what is reported, with everything compared ------------------------------------------------

struct DiffCase {
    const char *name;
    std::uint32_t type;
    std::function<void(ConfigStore &)> change; // applied to the other configuration
    std::vector<std::string> paths;
};

void PrintTo(const DiffCase &c, std::ostream *os) { *os << c.name; }

class EverythingDiff : public ConfigDiffTest, public ::testing::WithParamInterface<DiffCase> {};

TEST_P(EverythingDiff, NamesEachDifference)
{
    const DiffCase &c = GetParam();
    const ConfigStore project = withCommands(c.type);
    ConfigStore other = project;
    c.change(other);
    EXPECT_EQ(pathsOf(compareConfigurations(project, other, Carried::Everything)), c.paths);
}

const DiffCase kEverythingCases[] = {
    {"Equal", 3, [](ConfigStore &) {}, {}},
    {"FieldbusField", 3, [](ConfigStore &s) { s.fieldbus.inputSize = "32"; }, {"fieldbus.inputSize"}},
    {"ModelFlag", 3, [](ConfigStore &s) { s.modelFlag2 = true; }, {"modelFlag2"}},
    {"SubnetField", 2, [](ConfigStore &s) { s.subnet(3).masterBaud = "4800"; }, {"subnet 4 › masterBaud"}},
    {"CommandField", 2, [](ConfigStore &s) { s.command(1, 4).quantity = "9"; }, {"subnet 2 › command 4 › quantity"}},
    {"NodeName", 3, [](ConfigStore &s) { s.node(0, 2).name = "Valve"; }, {"subnet 1 › node 2 › name"}},
    {"NodeAdded", 3,
     [](ConfigStore &s) {
         const int n = s.addNode(0).value();
         s.node(0, n).address = "7";
     },
     {"subnet 1 › node 3 added"}},
    {"CommandRemoved", 3, [](ConfigStore &s) { s.subnet(0).commandCount = 3; }, {"subnet 1 › command 4 removed"}},
    // Commands are matched by position: a command moved shows as the fields that differ at both
    // places, never as added and removed.
    {"CommandMoved", 3,
     [](ConfigStore &s) { std::swap(s.subnet(0).commands[0], s.subnet(0).commands[2]); },
     {"subnet 1 › command 1 › slaveAddress", "subnet 1 › command 1 › startAddress",
      "subnet 1 › command 1 › mappingAddress", "subnet 1 › command 1 › nodeNumber",
      "subnet 1 › command 3 › slaveAddress", "subnet 1 › command 3 › startAddress",
      "subnet 1 › command 3 › mappingAddress", "subnet 1 › command 3 › nodeNumber"}},
    // Slots beyond the counts are not part of the configuration.
    {"BeyondTheCount", 3, [](ConfigStore &s) { s.subnet(0).commands[100].quantity = "5"; }, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, EverythingDiff, ::testing::ValuesIn(kEverythingCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConfigDiffTest, ChangedAddedAndRemovedCarryBothTexts)
{
    const ConfigStore project = withCommands(3);
    ConfigStore other = project;
    other.fieldbus.inputSize = "32";
    const int n = other.addNode(0).value();
    other.node(0, n) = NODE{"7", "Fan"};
    const auto added = compareConfigurations(project, other, Carried::Everything);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0].kind, DifferenceKind::Changed);
    EXPECT_EQ(added[0].projectText, "112");
    EXPECT_EQ(added[0].otherText, "32");
    EXPECT_EQ(added[1].kind, DifferenceKind::Added);
    EXPECT_EQ(added[1].projectText, "");
    EXPECT_EQ(added[1].otherText, "address=7, name=Fan");

    // The same seen from the other side is a removal, the texts swapped.
    const auto removed = compareConfigurations(other, project, Carried::Everything);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[1].kind, DifferenceKind::Removed);
    EXPECT_EQ(removed[1].path, "subnet 1 › node 3 removed");
    EXPECT_EQ(removed[1].projectText, "address=7, name=Fan");
    EXPECT_EQ(removed[1].otherText, "");
}

TEST_F(ConfigDiffTest, PathsInChinese)
{
    setLanguage(Language::Chinese);
    const ConfigStore project = withCommands(2);
    ConfigStore other = project;
    other.command(1, 4).quantity = "9";
    other.fieldbus.inputSize = "16";
    EXPECT_EQ(pathsOf(compareConfigurations(project, other, Carried::Everything)),
              (std::vector<std::string>{"现场总线.inputSize", "子网 2 > 命令 4 > quantity"}));
}

// What the window shows: the same paths ending in the grid's row label, in either language.
TEST_F(ConfigDiffTest, LabelsEndInTheGridsRowLabel)
{
    for (const Language language : {Language::English, Language::Chinese}) {
        setLanguage(language);
        const ConfigStore project = withCommands(3);
        ConfigStore other = project;
        other.modelFlag2 = true;
        other.fieldbus.inputSize = "16";
        other.node(0, 2).name = "Valve";
        other.command(0, 4).quantity = "9";
        std::vector<std::string> labels;
        for (const Difference &d : compareConfigurations(project, other, Carried::Everything))
            labels.push_back(d.label);
        const std::string sep = text(StrId::DiffPathSeparator);
        const std::string subnet = formatText(StrId::DiffSubnet, {"1"}) + sep;
        EXPECT_EQ(labels, (std::vector<std::string>{
                              formatText(StrId::DiffLabelModelFlag, {"2"}),
                              text(StrId::DiffFieldbus) + sep + text(StrId::GridNumberOfBytes),
                              subnet + formatText(StrId::DiffNode, {"2"}) + sep + text(StrId::DiffLabelNodeName),
                              subnet + formatText(StrId::DiffCommand, {"4"}) + sep + text(StrId::GridNumberOfRegister)}));
    }
    EXPECT_EQ(text(StrId::GridNumberOfRegister, Language::English), "Number of Register");
}

// ---- only what a transfer carries ------------------------------------------------------------

struct CarriedCase {
    const char *name;
    std::uint32_t type;
    Carried carried;
    int firmware;
    std::function<void(ConfigStore &)> change;
    std::vector<std::string> paths; // what the carried comparison reports
};

void PrintTo(const CarriedCase &c, std::ostream *os) { *os << c.name; }

class CarriedDiff : public ConfigDiffTest, public ::testing::WithParamInterface<CarriedCase> {};

TEST_P(CarriedDiff, ReportsOnlyWhatTheTransferCarries)
{
    const CarriedCase &c = GetParam();
    const ConfigStore project = withCommands(c.type);
    ConfigStore other = project;
    c.change(other);
    // Each case changes something: compared in full, it always shows.
    ASSERT_FALSE(compareConfigurations(project, other, Carried::Everything).empty());
    EXPECT_EQ(pathsOf(compareConfigurations(project, other, c.carried, c.firmware)), c.paths);
}

const CarriedCase kCarriedCases[] = {
    // Serial: what the frames carry shows.
    {"SerialBaud", 3, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.subnet(0).masterBaud = "4800"; },
     {"subnet 1 › masterBaud"}},
    {"SerialQuantity", 2, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.command(2, 1).quantity = "7"; },
     {"subnet 3 › command 1 › quantity"}},
    {"SerialCommandRemoved", 0, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.subnet(0).commandCount = 3; },
     {"subnet 1 › command 4 removed"}},
    {"SerialDeviceNetAddress", 0, Carried::Serial, kAnyFirmware,
     [](ConfigStore &s) { s.fieldbus.deviceNetAddress = "12"; }, {"fieldbus.deviceNetAddress"}},
    {"SerialCharIntervalNewFirmware", 3, Carried::Serial, 50,
     [](ConfigStore &s) { s.subnet(0).charIntervalSend = "40"; }, {"subnet 1 › charIntervalSend"}},
    // Serial: what no frame carries does not.
    {"SerialNodeName", 3, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.node(0, 1).name = "Valve"; }, {}},
    {"SerialOtherProtocolGroup", 3, Carried::Serial, kAnyFirmware,
     [](ConfigStore &s) { s.subnet(0).slaveBaud = "4800"; }, {}},
    {"SerialByteCount", 3, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.command(0, 1).byteCount = "99"; }, {}},
    {"SerialCharIntervalOldFirmware", 3, Carried::Serial, 40,
     [](ConfigStore &s) { s.subnet(0).charIntervalSend = "40"; }, {}},
    {"SerialIpAddress", 3, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.fieldbus.ipAddress = "10.0.0.9"; }, {}},
    {"SerialNodeWithoutCommand", 3, Carried::Serial, kAnyFirmware,
     [](ConfigStore &s) { s.node(0, s.addNode(0).value()).address = "30"; }, {}},
    {"SerialFlagsOnly", 1, Carried::Serial, kAnyFirmware, [](ConfigStore &s) { s.modelFlag5 = true; }, {}},
    // While modelFlag7 is set the PROFIBUS frame carries the lengths in use, not the sizes.
    {"SerialSizeUnderModelFlag7", 3, Carried::Serial, kAnyFirmware,
     [](ConfigStore &s) { s.fieldbus.inputSize = "32"; }, {}},
    {"SerialSizeWithoutModelFlag7", 1, Carried::Serial, kAnyFirmware,
     [](ConfigStore &s) { s.fieldbus.inputSize = "48"; }, {"fieldbus.inputSize"}},
    // Ethernet: what the image carries shows.
    {"EthernetIpAddress", 4, Carried::Ethernet, kAnyFirmware,
     [](ConfigStore &s) { s.fieldbus.ipAddress = "10.0.0.9"; }, {"fieldbus.ipAddress"}},
    {"EthernetSubnet2Command", 4, Carried::Ethernet, kAnyFirmware,
     [](ConfigStore &s) { s.command(1, 2).startAddress = "555"; }, {"subnet 2 › command 2 › startAddress"}},
    // Ethernet: what it does not carry does not.
    {"EthernetNodeName", 4, Carried::Ethernet, kAnyFirmware, [](ConfigStore &s) { s.node(1, 1).name = "Fan"; }, {}},
    {"EthernetSubnet3", 4, Carried::Ethernet, kAnyFirmware, [](ConfigStore &s) { s.subnet(2).masterBaud = "4800"; },
     {}},
    {"EthernetDeviceNetBaud", 4, Carried::Ethernet, kAnyFirmware,
     [](ConfigStore &s) { s.fieldbus.deviceNetBaud = "500K"; }, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, CarriedDiff, ::testing::ValuesIn(kCarriedCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConfigDiffTest, CarriedFormOfACarriedFormIsItself)
{
    // Putting a configuration through the transfer twice changes nothing more: what is left the
    // first time is exactly what the transfer holds.
    for (std::uint32_t type : {0u, 1u, 2u, 3u}) {
        const ConfigStore project = withCommands(type);
        const ConfigStore once = carriedForm(project, project, Carried::Serial);
        EXPECT_EQ(carriedForm(once, project, Carried::Serial), once) << type;
    }
    const ConfigStore ethernet = withCommands(4);
    const ConfigStore once = carriedForm(ethernet, ethernet, Carried::Ethernet);
    EXPECT_EQ(carriedForm(once, ethernet, Carried::Ethernet), once);
}

TEST_F(ConfigDiffTest, EthernetImageTooSmallStillShowsTheDifference)
{
    ConfigStore project = withCommands(4, 1);
    ConfigStore other = project;
    // 49 commands do not fit the image; the comparison falls back to the whole configuration.
    CONFIG &first = other.subnet(0);
    for (int i = first.commandCount; i < 49; ++i)
        first.commands[static_cast<std::size_t>(i)] = first.commands[0];
    first.commandCount = 49;
    const auto paths = pathsOf(compareConfigurations(project, other, Carried::Ethernet));
    EXPECT_NE(std::find(paths.begin(), paths.end(), "subnet 1 › command 49 added"), paths.end());
}

// ---- taking differences over -----------------------------------------------------------------

struct TakeCase {
    const char *name;
    std::uint32_t type;
    std::function<void(ConfigStore &)> change;
};

void PrintTo(const TakeCase &c, std::ostream *os) { *os << c.name; }

class TakeAll : public ConfigDiffTest, public ::testing::WithParamInterface<TakeCase> {};

TEST_P(TakeAll, TakingEveryDifferenceLeavesNone)
{
    const TakeCase &c = GetParam();
    ConfigStore project = withCommands(c.type);
    ConfigStore other = project;
    c.change(other);
    const auto differences = compareConfigurations(project, other, Carried::Everything);
    ASSERT_FALSE(differences.empty());
    for (const Difference &d : differences)
        takeDifference(project, other, d);
    EXPECT_EQ(pathsOf(compareConfigurations(project, other, Carried::Everything)), std::vector<std::string>{});
}

const TakeCase kTakeCases[] = {
    {"Fields", 2,
     [](ConfigStore &s) {
         s.fieldbus.dns1 = "1.2.3.4";
         s.subnet(3).pollDelay = "70";
         s.node(2, 1).name = "Boiler";
         s.command(1, 3).mappingBit = "5";
         s.command(1, 3).nodeNumber = 1;
     }},
    {"TypeAndFlags", 3,
     [](ConfigStore &s) {
         s.gatewayType = 1;
         s.modelFlag7 = false;
         s.modelFlag3 = true;
     }},
    {"ThreeNodesAdded", 3,
     [](ConfigStore &s) {
         for (int i = 0; i < 3; ++i)
             s.node(0, s.addNode(0).value()) = NODE{std::to_string(40 + i), "Extra"};
     }},
    {"NodesAndCommandsRemoved", 2,
     [](ConfigStore &s) {
         s.subnet(1).nodeCount = 0;
         s.subnet(1).commandCount = 1;
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, TakeAll, ::testing::ValuesIn(kTakeCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConfigDiffTest, TakingOneDifferenceLeavesTheOthersAndBringsTheDerivedValues)
{
    ConfigStore project = withCommands(3);
    project.command(0, 1).quantity = "12";
    project.command(0, 1).byteCount = "24";
    ConfigStore other = project;
    other.subnet(0).masterBaud = "4800";
    other.command(0, 1).quantity = "10";
    other.command(0, 1).byteCount = "20";
    const auto differences = compareConfigurations(project, other, Carried::Everything);
    ASSERT_EQ(pathsOf(differences), (std::vector<std::string>{"subnet 1 › masterBaud", "subnet 1 › command 1 › quantity",
                                                              "subnet 1 › command 1 › byteCount"}));
    takeDifference(project, other, differences[1]);
    EXPECT_EQ(project.command(0, 1).quantity, "10");
    EXPECT_EQ(project.command(0, 1).byteCount, "20");
    EXPECT_EQ(pathsOf(compareConfigurations(project, other, Carried::Everything)),
              std::vector<std::string>{"subnet 1 › masterBaud"});
    // A byte count the quantity does not give cannot be taken on its own.
    other.command(0, 1).byteCount = "99";
    takeDifference(project, other, compareConfigurations(project, other, Carried::Everything)[1]);
    EXPECT_EQ(project.command(0, 1).byteCount, "20");
}

TEST_F(ConfigDiffTest, TakingALaterAddedNodeTakesTheOnesBeforeIt)
{
    ConfigStore project = withCommands(3);
    ConfigStore other = project;
    for (int i = 0; i < 3; ++i)
        other.node(0, other.addNode(0).value()) = NODE{std::to_string(40 + i), "Extra " + std::to_string(i)};
    const auto differences = compareConfigurations(project, other, Carried::Everything);
    ASSERT_EQ(differences.size(), 3u);
    takeDifference(project, other, differences[1]); // node 4 of 5
    EXPECT_EQ(project.subnet(0).nodeCount, 4);
    EXPECT_EQ(project.node(0, 3).name, "Extra 0");
    EXPECT_EQ(project.node(0, 4).name, "Extra 1");
    EXPECT_EQ(pathsOf(compareConfigurations(project, other, Carried::Everything)),
              std::vector<std::string>{"subnet 1 › node 5 added"});
}

TEST_F(ConfigDiffTest, TakingARemovalEmptiesTheSlots)
{
    ConfigStore project = withCommands(3);
    ConfigStore other = project;
    other.subnet(0).commandCount = 2;
    const auto differences = compareConfigurations(project, other, Carried::Everything);
    ASSERT_EQ(differences.size(), 2u);
    takeDifference(project, other, differences[0]); // command 3: command 4 goes with it
    EXPECT_EQ(project.subnet(0).commandCount, 2);
    EXPECT_EQ(project.subnet(0).commands[2], COMMAND{});
    EXPECT_EQ(project.subnet(0).commands[3], COMMAND{});
}

} // namespace
} // namespace tqv
