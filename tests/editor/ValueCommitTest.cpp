#include "editor/ValueCommit.h"
#include "model/DerivedValues.h"
#include "resources/Strings.h"

#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>

#include <memory>

namespace tqv {
namespace {

class ValueCommitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s = std::make_unique<ConfigStore>();
        s->newConfiguration();
        prompter = RecordingPrompter{};
    }
    // The type and exactly `flags`; with `reset` the model's defaults too.
    void setType(unsigned type, const std::vector<int> &flags, bool reset = true)
    {
        s->gatewayType = type;
        s->clearModelFlags();
        for (int f : flags)
            s->setModelFlag(f, true);
        if (reset)
            s->resetToDefaults();
    }
    CommitResult edit(ItemRef item, int row, const std::string &text, bool selected = true, bool pulse = false)
    {
        return commitEditText(*s, CommitTarget{item, row}, text, selected, pulse, prompter);
    }
    CommitResult pick(ItemRef item, int row, const std::string &text, bool selected = true)
    {
        return commitListPick(*s, CommitTarget{item, row}, text, selected);
    }
    int addNode(const std::string &address)
    {
        CONFIG &c = s->subnet(0);
        const int n = ++c.nodeCount;
        c.nodes[static_cast<std::size_t>(n - 1)] = NODE{address, address == "-1" ? "New Node" : "Node-" + address};
        return n;
    }
    int addCommand(int node, const char *code, const char *address = "")
    {
        CONFIG &c = s->subnet(0);
        const int p = ++c.commandCount;
        c.commands[static_cast<std::size_t>(p - 1)] =
            COMMAND{c.nodes[static_cast<std::size_t>(node - 1)].address, code, "", "", address, "", "", "Fullword", "", "Quick-scan", node};
        return p;
    }

    const ItemRef fieldbus{ItemKind::Fieldbus, -1, 0};
    const ItemRef subnet1{ItemKind::Subnet, 0, 0};
    std::unique_ptr<ConfigStore> s;
    RecordingPrompter prompter;
};

TEST(ValueChecks, ParsingConventions)
{
    EXPECT_EQ(decimalValue("300abc"), 300);
    EXPECT_EQ(decimalValue(""), 0);
    EXPECT_EQ(decimalValue("abc"), 0);
    EXPECT_EQ(decimalValue("-1"), -1);
    EXPECT_EQ(decimalValue("99999999999999999999"), 2147483647);
    for (const char *t : {"0", "7", "247", "-1", "65535"})
        EXPECT_TRUE(isCanonical(t)) << t;
    for (const char *t : {"", "007", "12a", "+5", " 5", "1.0"})
        EXPECT_FALSE(isCanonical(t)) << t;
}

TEST(ValueChecks, IpAddresses)
{
    for (const char *t : {"192.168.0.10", "010.000.0.1", "0.0.0.0", "255.255.255.255"})
        EXPECT_TRUE(isIpAddress(t)) << t;
    for (const char *t : {"1.2.3", "1.2.3.4.5", "256.0.0.1", "1..2.3", "192.168.0.300", "192.168.1", "",
                          "1.2.3.", "1.2.3.4a", "1234.1.1.1", "a.b.c.d", "1.2.3.99999999999999999999"})
        EXPECT_FALSE(isIpAddress(t)) << t;
}

TEST(ValueChecks, ProfibusConfigurationData)
{
    const std::string stored = "01";
    EXPECT_EQ(checkProfibusConfigData("D1 E1", stored), "D1 E1");
    EXPECT_EQ(checkProfibusConfigData("d1 e1 ", stored), "d1 e1 ");
    EXPECT_EQ(checkProfibusConfigData("11 22 33 44 55 66 77 88", stored), "11 22 33 44 55 66 77 88");
    EXPECT_EQ(checkProfibusConfigData("", stored), "");
    for (const char *t : {"D1E1", "D1 G1", "11 22 33 44 55 66 77 88 9", "D1,E1"})
        EXPECT_EQ(checkProfibusConfigData(t, stored), stored) << t;
}

TEST(ValueChecks, DecimalFieldCheckMessages)
{
    RecordingPrompter p;
    EXPECT_FALSE(decimalFieldCheck("", 0, 247, "Slave address", p));
    EXPECT_TRUE(p.messages.empty());
    EXPECT_FALSE(decimalFieldCheck("12a", 0, 247, "Slave address", p));
    EXPECT_FALSE(decimalFieldCheck("300", 0, 247, "Slave address", p));
    EXPECT_TRUE(decimalFieldCheck("247", 0, 247, "Slave address", p));
    ASSERT_EQ(p.messages.size(), 2u);
    EXPECT_EQ(p.messages[0], "\\\"Slave address\\\"contains illegal characters");
    EXPECT_EQ(p.messages[1], "\\\"Slave address\\\"date should be from 0 to 247 .");
}

TEST_F(ValueCommitTest, TextChecksStoreOrRefuse)
{
    // Each row starts from a fresh store of the model with `before` in the field.
    struct Row {
        unsigned type;
        std::vector<int> flags;
        ItemRef item;
        int row;
        FieldRef field;
        const char *before, *typed, *cell, *stored;
        bool pulse = true;
    };
    const ItemRef fb = fieldbus, sn = subnet1;
    const Row rows[] = {
        // A refused DeviceNet address, IP address or PROFIBUS text puts the stored value back.
        {0, {}, fb, 1, &FIELDBUS::deviceNetAddress, "5", "64", "5", "5"},
        {0, {}, fb, 1, &FIELDBUS::deviceNetAddress, "5", "7a", "5", "5"},
        {0, {}, fb, 1, &FIELDBUS::deviceNetAddress, "5", "", "5", "5"},
        {0, {}, fb, 1, &FIELDBUS::deviceNetAddress, "5", "63", "63", "63"},
        {4, {}, fb, 2, &FIELDBUS::ipAddress, "1.1.1.1", "192.168.0.300", "1.1.1.1", "1.1.1.1"},
        {4, {}, fb, 6, &FIELDBUS::dns2, "1.1.1.1", "192.168.1", "1.1.1.1", "1.1.1.1"},
        {4, {}, fb, 4, &FIELDBUS::gatewayAddress, "1.1.1.1", "010.000.0.1", "010.000.0.1", "010.000.0.1"},
        {1, {6}, fb, 4, &FIELDBUS::profibusConfigData, "01", "D1 E1", "D1 E1", "D1 E1"},
        {1, {6}, fb, 4, &FIELDBUS::profibusConfigData, "D1 E1", "D1E1", "D1 E1", "D1 E1"},
        {1, {6}, fb, 4, &FIELDBUS::profibusConfigData, "D1 E1", "D1 G1", "D1 E1", "D1 E1"},
        {1, {6}, fb, 4, &FIELDBUS::profibusConfigData, "D1 E1", "1234567890123456789012345", "D1 E1", "D1 E1"},
        {3, {7}, fb, 4, &CONFIG::timeoutCount, "3", "1", "3", "3"},
        {3, {7}, fb, 4, &CONFIG::timeoutCount, "3", "255", "3", "3"},
        {3, {7}, fb, 4, &CONFIG::timeoutCount, "3", "254", "254", "254"},
        // Subnet ranges: a refused number empties the cell, the field keeps its value.
        {3, {7}, sn, 7, &CONFIG::responseTimeout, "300", "299", "", "300"},
        {3, {7}, sn, 7, &CONFIG::responseTimeout, "300", "60000", "60000", "60000"},
        {3, {7}, sn, 7, &CONFIG::responseTimeout, "300", "300abc", "300abc", "300abc"},
        {3, {7}, sn, 7, &CONFIG::responseTimeout, "300", "60001", "", "300"},
        {3, {7}, sn, 8, &CONFIG::pollDelay, "0", "2500", "2500", "2500"},
        {3, {7}, sn, 8, &CONFIG::pollDelay, "0", "2501", "", "0"},
        {3, {7}, sn, 8, &CONFIG::pollDelay, "0", "-1", "", "0"},
        {3, {7}, sn, 11, &CONFIG::scanRatio, "10", "0", "", "10"},
        {3, {7}, sn, 11, &CONFIG::scanRatio, "10", "255", "255", "255"},
        {3, {7}, sn, 11, &CONFIG::scanRatio, "10", "256", "", "10"},
        {3, {7}, sn, 13, &CONFIG::charTimeout, "10", "9", "", "10"},
        {3, {7}, sn, 13, &CONFIG::charTimeout, "10", "11", "11", "11"},
        {3, {7}, sn, 14, &CONFIG::frameLength, "111", "224", "", "111"},
        {3, {7}, sn, 14, &CONFIG::frameLength, "111", "223", "223", "223"},
        {3, {7}, sn, 16, &CONFIG::autoSendPeriod, "1000", "60000", "60000", "60000"},
        {3, {7}, sn, 16, &CONFIG::autoSendPeriod, "1000", "9", "", "1000"},
        // The pulse time only while the pulse row is editable.
        {0, {}, sn, 10, &CONFIG::pulseTime, "-1", "300", "300", "-1", false},
        {0, {}, sn, 10, &CONFIG::pulseTime, "-1", "199", "", "-1"},
        {0, {}, sn, 10, &CONFIG::pulseTime, "-1", "300", "300", "300"},
        // With modelFlag4 the character rows take any text; without it no start character.
        {0, {4}, sn, 13, &CONFIG::charTimeout, "10", "x13", "x13", "x13"},
        {0, {4}, sn, 14, &CONFIG::frameLength, "111", "x14", "x14", "x14"},
        {0, {4}, sn, 15, &CONFIG::startChar, "", "x15", "x15", "x15"},
        {0, {4}, sn, 16, &CONFIG::stopChar, "", "x16", "x16", "x16"},
        {0, {4}, sn, 18, &CONFIG::autoSendPeriod, "1000", "x18", "x18", "x18"},
        {0, {}, sn, 15, &CONFIG::startChar, "", "02", "02", ""},
        // The own address without modelFlag7: kept when a plain number, no messages.
        {5, {}, sn, 5, &CONFIG::ownAddress, "1", "17", "17", "17"},
        {5, {}, sn, 5, &CONFIG::ownAddress, "17", "018", "17", "17"},
        {5, {}, sn, 5, &CONFIG::ownAddress, "17", "248", "", "17"},
    };
    for (const Row &r : rows) {
        SetUp();
        setType(r.type, r.flags);
        *fieldOf(*s, r.item, r.field) = r.before;
        s->configModified = false;
        const CommitResult result = edit(r.item, r.row, r.typed, true, r.pulse);
        const std::string where = "type " + std::to_string(r.type) + " row " + std::to_string(r.row) + " '" + r.typed + "'";
        EXPECT_EQ(result.cellText, std::optional<std::string>(r.cell)) << where;
        EXPECT_EQ(*fieldOf(*s, r.item, r.field), r.stored) << where;
        EXPECT_TRUE(s->configModified) << where;
        EXPECT_TRUE(prompter.messages.empty()) << where;
    }
}

TEST_F(ValueCommitTest, OwnAddressWithModelFlag7)
{
    s->subnet(0).protocol = "Modbus slave";
    s->subnet(0).ownAddress = "5";
    EXPECT_EQ(edit(subnet1, 5, "300").cellText, std::optional<std::string>(""));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(edit(subnet1, 5, "12a").cellText, std::optional<std::string>("5"));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"\\\"Slave address\\\"contains illegal characters"});
    EXPECT_EQ(edit(subnet1, 5, "").cellText, std::optional<std::string>("5"));
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(s->subnet(0).ownAddress, "5");
    EXPECT_EQ(edit(subnet1, 5, "247").cellText, std::optional<std::string>("247"));
    EXPECT_EQ(s->subnet(0).ownAddress, "247");
}

TEST_F(ValueCommitTest, CharacterIntervals)
{
    EXPECT_EQ(edit(subnet1, 20, "6001").cellText, std::optional<std::string>("0"));
    EXPECT_EQ(edit(subnet1, 21, "4x").cellText, std::optional<std::string>("0"));
    EXPECT_EQ(edit(subnet1, 20, "6000").cellText, std::optional<std::string>("6000"));
    EXPECT_EQ(s->subnet(0).charIntervalSend, "6000");
    EXPECT_EQ(prompter.messages,
              (std::vector<std::string>{"\\\"Time Interval between Character(Sending)\\\"date should be from 0 to 6000 .",
                                        "\\\"Time Interval between Character(Receiving)\\\"contains illegal characters"}));
}

TEST_F(ValueCommitTest, NodeAddresses)
{
    const int a = addNode("5");
    const int b = addNode("6");
    addCommand(b, "3");
    addCommand(a, "3");
    addCommand(b, "16");
    const ItemRef nodeB{ItemKind::Node, 0, b};

    // Another node's address: message, the old address stays.
    CommitResult r = edit(nodeB, 0, "5");
    EXPECT_EQ(prompter.messages, std::vector<std::string>{"Node can not be repetitive!"});
    EXPECT_EQ(s->node(0, b).address, "6");
    EXPECT_EQ(r.cellText, std::optional<std::string>("6"));

    // Out of range or empty: put back.
    EXPECT_EQ(edit(nodeB, 0, "248").cellText, std::optional<std::string>("6"));
    EXPECT_EQ(edit(nodeB, 0, "").cellText, std::optional<std::string>("6"));

    // Accepted: name, tree label and the commands follow.
    r = edit(nodeB, 0, "7");
    EXPECT_EQ(s->node(0, b), (NODE{"7", "Node-7"}));
    EXPECT_EQ(r.renamedNode, std::optional<std::string>("Node-7"));
    const auto slaves = [this] {
        return std::vector<std::string>{s->command(0, 1).slaveAddress, s->command(0, 2).slaveAddress,
                                        s->command(0, 3).slaveAddress};
    };
    EXPECT_EQ(slaves(), (std::vector<std::string>{"7", "5", "7"}));

    // Not canonical: the node loses its address and its commands are marked.
    r = edit(nodeB, 0, "12a");
    EXPECT_EQ(r.cellText, std::optional<std::string>(""));
    EXPECT_EQ(s->node(0, b).address, "-1");
    EXPECT_EQ(slaves(), (std::vector<std::string>{"-1", "5", "-1"}));
}

TEST_F(ValueCommitTest, StartAddressAndThePlcQuestion)
{
    const int n = addNode("1");
    struct Row {
        const char *code, *typed;
        bool answer;
        const char *stored;
        bool asked;
    };
    const Row rows[] = {
        {"3", "40001", true, "0", true},      {"3", "40001", false, "40001", true},
        {"3", "70000", true, "", false},      {"3", "40000", true, "40000", false},
        {"1", "1", true, "0", true},          {"5", "9999", true, "9998", true},
        {"2", "10000", true, "10000", false}, {"2", "10001", true, "0", true},
        {"2", "15000", true, "4999", true},     {"2", "20000", true, "20000", false},
        {"4", "30000", true, "30000", false}, {"4", "39999", true, "9998", true},
        {"16", "49999", true, "9998", true},  {"3", "007", true, "", false},
    };
    for (const Row &r : rows) {
        prompter = RecordingPrompter{};
        prompter.answer = r.answer;
        const int p = addCommand(n, r.code);
        const CommitResult result = edit(ItemRef{ItemKind::Command, 0, p}, 2, r.typed);
        EXPECT_EQ(s->command(0, p).startAddress, r.stored) << r.code << " " << r.typed;
        EXPECT_EQ(result.cellText, std::optional<std::string>(r.stored)) << r.code << " " << r.typed;
        EXPECT_EQ(!prompter.messages.empty(), r.asked) << r.code << " " << r.typed;
    }
    EXPECT_EQ(prompter.messages.size(), 0u);
    prompter.answer = true;
    const int p = addCommand(n, "3");
    edit(ItemRef{ItemKind::Command, 0, p}, 2, "40100");
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"What you have input maybe the address of PLC, it will be changed to the address of protocol!"});

    // A refused value is not the subject of the question: 70000 over a stored 40005 keeps 40005
    // without asking about it (and never turns it into 4).
    prompter = RecordingPrompter{};
    s->command(0, p).startAddress = "40005";
    const CommitResult refused = edit(ItemRef{ItemKind::Command, 0, p}, 2, "70000");
    EXPECT_EQ(s->command(0, p).startAddress, "40005");
    EXPECT_EQ(refused.cellText, std::optional<std::string>("40005"));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(refused.refusal, std::optional<std::string>("\"70000\" was not taken: allowed are 0 to 65535."));
}

TEST_F(ValueCommitTest, AValueDroppedWithoutAMessageSaysWhy)
{
    const int n = addNode("1");
    const int read = addCommand(n, "3");
    const int write = addCommand(n, "16");
    struct Row {
        ItemRef item;
        int row;
        const char *typed;
        std::optional<std::string> refusal;
    };
    const Row rows[] = {
        {{ItemKind::Subnet, 0, 0}, 7, "100", "\"100\" was not taken: allowed are 300 to 60000."},
        {{ItemKind::Subnet, 0, 0}, 7, "400", std::nullopt},
        {{ItemKind::Subnet, 0, 0}, 7, "400", std::nullopt}, // the stored value again: nothing to say
        {{ItemKind::Command, 0, read}, 3, "123", "\"123\" was not taken: allowed are 1 to 122."},
        {{ItemKind::Command, 0, read}, 4, "F4", "\"F4\" was not taken: a hexadecimal address from 0000 to 00F3 is expected."},
        {{ItemKind::Command, 0, read}, 4, "f3h", std::nullopt},
        {{ItemKind::Command, 0, read}, 4, "F3H", std::nullopt},
        {{ItemKind::Command, 0, write}, 4, "40E0",
         "\"40E0\" was not taken: a hexadecimal address from 0000 to 00F3 or from 4000 to 40DF is expected."},
        {{ItemKind::Node, 0, n}, 0, "300", "\"300\" was not taken: allowed are 0 to 247."},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.typed);
        prompter = RecordingPrompter{};
        const CommitResult result = edit(r.item, r.row, r.typed);
        EXPECT_EQ(result.refusal, r.refusal);
    }
    // A refusal that shows a message box needs no second word.
    prompter = RecordingPrompter{};
    const CommitResult told = edit(ItemRef{ItemKind::Subnet, 0, 0}, 20, "7000");
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_FALSE(told.refusal);
}

// The grid's commit of a quantity is the oracle of the derived values: a value it stores gives
// the byte count the one derived-value rule gives for that quantity, and whatever it leaves
// behind is already up to date by that rule.
TEST_F(ValueCommitTest, QuantityLimitsAndDerivedValues)
{
    const int n = addNode("1");
    struct Row {
        unsigned type;
        std::vector<int> flags;
        const char *code, *typed, *quantity, *bytes;
    };
    const Row rows[] = {
        {3, {7}, "3", "123", "", ""},     {3, {7}, "3", "122", "122", "244"},
        {3, {7}, "1", "9", "9", "2"},     {3, {7}, "1", "8", "8", "1"},
        {3, {7}, "1", "401", "", ""},     {3, {7}, "15", "400", "400", "50"},
        {2, {}, "2", "2000", "2000", "250"}, {2, {}, "2", "2001", "", ""},
        {4, {}, "1", "5000", "5000", "625"}, {3, {}, "4", "57", "", ""},
        {1, {}, "4", "56", "56", "112"},  {1, {4, 7}, "16", "85", "", ""},
        {4, {4}, "16", "84", "84", "168"}, {0, {4}, "3", "37", "", ""},
        {2, {7}, "3", "127", "127", "254"}, {4, {}, "3", "500", "500", "1000"},
        {3, {7}, "3", "0", "", ""},       {3, {7}, "3", "12a", "", ""},
        {3, {7}, "3", "12", "12", "24"},  {3, {7}, "4", "1", "1", "2"},
        {3, {7}, "2", "17", "17", "3"},   {3, {7}, "16", "10", "10", "20"},
        // Functions 5 and 6 always hold one value, whatever is typed.
        {3, {7}, "5", "3", "1", "1"},     {3, {7}, "6", "3", "1", "2"},
    };
    for (const Row &r : rows) {
        setType(r.type, r.flags, false);
        const int p = addCommand(n, r.code);
        const CommitResult result = edit(ItemRef{ItemKind::Command, 0, p}, 3, r.typed);
        const COMMAND &committed = s->command(0, p);
        const std::string what = std::to_string(r.type) + " fc" + r.code + " " + r.typed;
        EXPECT_EQ(committed.quantity, r.quantity) << what;
        EXPECT_EQ(committed.byteCount, r.bytes) << what;
        // A refused value puts the empty stored quantity back; functions 5 and 6 keep the typed text.
        EXPECT_EQ(result.cellText, std::optional<std::string>(*r.quantity ? r.typed : "")) << what;
        COMMAND stale = committed;
        stale.byteCount = "999";
        updateDerivedValues(stale);
        EXPECT_EQ(stale, committed) << what;
        if (*r.quantity != '\0') {
            COMMAND raw = committed;
            raw.quantity = r.typed;
            raw.byteCount.clear();
            updateDerivedValues(raw);
            EXPECT_EQ(raw, committed) << what;
        }
    }
    // What the grid never stores: no positive quantity empties the byte count, an unknown code
    // derives nothing, a quantity is read up to its first non-digit as the download reads it.
    const struct {
        const char *code, *quantity, *bytes;
    } outside[] = {{"3", "", ""}, {"3", "-1", ""}, {"1", "0", ""}, {"7", "12", "stale"}, {"3", "12a", "24"}};
    for (const auto &o : outside) {
        COMMAND c;
        c.functionCode = o.code;
        c.quantity = o.quantity;
        c.byteCount = "stale";
        updateDerivedValues(c);
        EXPECT_EQ(c.byteCount, o.bytes) << o.code << " " << o.quantity;
        EXPECT_EQ(c.quantity, o.quantity);
    }
    // A put-back quantity still shows the stored byte count.
    const int q = addCommand(n, "3");
    s->command(0, q).quantity = "4";
    s->command(0, q).byteCount = "8";
    const CommitResult zero = edit(ItemRef{ItemKind::Command, 0, q}, 3, "-3");
    EXPECT_EQ(zero.rowUpdates, (std::vector<RowUpdate>{{6, std::nullopt, std::string("8"), std::nullopt}}));
    const CommitResult good = edit(ItemRef{ItemKind::Command, 0, q}, 3, "5");
    EXPECT_EQ(good.rowUpdates, (std::vector<RowUpdate>{{6, std::nullopt, std::string("10"), std::nullopt}}));
}

TEST_F(ValueCommitTest, MappingAddresses)
{
    const int n = addNode("1");
    struct Row {
        unsigned type;
        std::vector<int> flags;
        const char *code, *typed, *stored, *cell;
    };
    const Row rows[] = {
        {3, {7}, "3", "F3", "f3", "f3H"},       {3, {7}, "3", "F4", "", ""},
        {3, {7}, "3", "40DF", "", ""},          {3, {7}, "16", "40DF", "40df", "40dfH"},
        {3, {7}, "16", "40E0", "", ""},         {3, {7}, "16", "f3", "f3", "f3H"},
        {3, {7}, "3", "0040", "", ""},          {3, {7}, "3", "4000h", "", ""},
        {3, {7}, "6", "4000h", "4000", "4000H"}, {3, {7}, "6", "0x4000", "", ""},
        {3, {7}, "6", "40 00", "", ""},         {3, {7}, "3", "", "", ""},
        {0, {}, "3", "1", "", ""},              {0, {}, "3", "2", "2", "2H"},
        {0, {}, "5", "0", "0", "0H"},           {0, {}, "5", "406f", "406f", "406fH"},
        {1, {4}, "4", "a7", "a7", "a7H"},       {1, {4}, "4", "a8", "", ""},
        {1, {}, "1", "6f", "6f", "6fH"},        {1, {}, "1", "70", "", ""},
        {2, {}, "2", "bff", "bff", "bffH"},     {2, {}, "15", "4bff", "4bff", "4bffH"},
        {4, {}, "2", "1ff", "1ff", "1ffH"},     {4, {}, "15", "41ff", "41ff", "41ffH"},
        {4, {}, "15", "4200", "", ""},
        // Types 5 and 6 use the PROFIBUS buffers.
        {5, {7}, "3", "f3", "f3", "f3H"},       {6, {}, "3", "70", "", ""},
    };
    for (const Row &r : rows) {
        setType(r.type, r.flags, false);
        const int p = addCommand(n, r.code);
        const CommitResult result = edit(ItemRef{ItemKind::Command, 0, p}, 4, r.typed);
        EXPECT_EQ(s->command(0, p).mappingAddress, r.stored) << r.type << " fc" << r.code << " " << r.typed;
        EXPECT_EQ(result.cellText, std::optional<std::string>(r.cell)) << r.type << " fc" << r.code << " " << r.typed;
    }
}

TEST_F(ValueCommitTest, MappingBit)
{
    const int p = addCommand(addNode("1"), "1");
    for (const char *t : {"8", "-1", "07", "a"})
        edit(ItemRef{ItemKind::Command, 0, p}, 5, t);
    EXPECT_EQ(s->command(0, p).mappingBit, "");
    edit(ItemRef{ItemKind::Command, 0, p}, 5, "7");
    EXPECT_EQ(s->command(0, p).mappingBit, "7");
}

TEST_F(ValueCommitTest, FieldbusListPicks)
{
    CommitResult r = pick(fieldbus, 3, "Hold  Data");
    EXPECT_EQ(s->subnet(0).timeoutAction, "Hold  Data");
    EXPECT_EQ(r.cellText, std::optional<std::string>("Hold  Data"));
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{4, std::nullopt, std::nullopt, true}}));
    r = pick(fieldbus, 3, "Clear Data");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{4, std::nullopt, std::nullopt, false}}));

    setType(1, {1});
    r = pick(fieldbus, 3, "Input configuration data");
    EXPECT_EQ(s->fieldbus.profibusConfigMode, "Input configuration data");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{1, std::nullopt, std::nullopt, true},
                                                   {2, std::nullopt, std::nullopt, true},
                                                   {4, std::nullopt, std::nullopt, false}}));

    setType(1, {4});
    pick(fieldbus, 3, "Disable");
    EXPECT_EQ(s->subnet(0).doubleFaultReset, "Disable");
    s->subnet(0).protocol = "User Config";
    pick(fieldbus, 3, "Enable");
    EXPECT_EQ(s->subnet(0).inputLengthPrefix, "Enable");
    EXPECT_EQ(s->subnet(0).doubleFaultReset, "Disable");

    // Type 6 keeps the input length only for a User Config subnet 1.
    setType(6, {});
    s->subnet(0).protocol = "Modbus master";
    pick(fieldbus, 3, "Enable");
    EXPECT_EQ(s->subnet(0).inputLengthPrefix, "Disable");
}

TEST_F(ValueCommitTest, SubnetListPicksGoToTheProtocolsFields)
{
    pick(subnet1, 1, "9600");
    EXPECT_EQ(s->subnet(0).masterBaud, "9600");
    pick(subnet1, 6, "ASCII");
    EXPECT_EQ(s->subnet(0).masterMode, "ASCII");
    s->subnet(0).protocol = "Modbus slave";
    pick(subnet1, 3, "Odd parity");
    pick(subnet1, 6, "ASCII");
    EXPECT_EQ(s->subnet(0).slaveParity, "Odd parity");
    EXPECT_EQ(s->subnet(0).slaveMode, "ASCII");
    EXPECT_EQ(s->subnet(0).masterParity, "None");
    s->subnet(0).protocol = "Self-defining protocol";
    pick(subnet1, 4, "2");
    EXPECT_EQ(s->subnet(0).customStopBits, "2");
    s->subnet(0).protocol = "User Config";
    pick(subnet1, 2, "8");
    pick(subnet1, 1, "115200");
    EXPECT_EQ(s->subnet(0).userBaud, "115200");

    CommitResult r = pick(subnet1, 12, "Frame Length");
    EXPECT_EQ(s->subnet(0).frameType, "Frame Length");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{14, std::nullopt, std::nullopt, false}}));
    r = pick(subnet1, 15, "Disable");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{16, std::nullopt, std::nullopt, true}}));
    pick(subnet1, 17, "Enable");
    EXPECT_EQ(s->subnet(0).crcCheck, "Enable");
    r = pick(subnet1, 18, "RS232");
    EXPECT_EQ(s->subnet(0).commInterface, "RS232");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{19, std::nullopt, std::string("RS485"), std::nullopt}}));

    // Modbus master with modelFlag7: row 12 is the command status.
    s->subnet(0).protocol = "Modbus master";
    pick(subnet1, 12, "3Bytes");
    EXPECT_EQ(s->subnet(0).commandStatus, "3Bytes");
    EXPECT_EQ(s->subnet(0).frameType, "Frame Length");

    r = pick(subnet1, 9, "Cycle");
    EXPECT_EQ(r.pulseEditable, std::optional<bool>(false));
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{10, std::nullopt, std::nullopt, true}}));
    r = pick(subnet1, 9, "Pluse output");
    EXPECT_EQ(r.pulseEditable, std::optional<bool>(true));

    // Row 18 is stored for the other gateway types too.
    setType(0, {});
    r = pick(subnet1, 18, "RS232");
    EXPECT_EQ(s->subnet(0).commInterface, "RS232");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{19, std::nullopt, std::string("RS485"), std::nullopt}}));
    setType(0, {2});
    r = pick(subnet1, 12, "RS232");
    EXPECT_EQ(s->subnet(0).commInterface, "RS232");
    EXPECT_EQ(r.rowUpdates, (std::vector<RowUpdate>{{13, std::nullopt, std::string("RS485"), std::nullopt}}));
}

TEST_F(ValueCommitTest, ProtocolChangeKeepsNodesAndCommands)
{
    addNode("1");
    addCommand(1, "3");
    CommitResult r = pick(subnet1, 0, "Modbus slave");
    EXPECT_TRUE(r.protocolChanged);
    EXPECT_FALSE(r.listNodesAgain);
    EXPECT_TRUE(r.disableAddNode);
    EXPECT_EQ(r.mappingCommandsEnabled, std::optional<bool>(false));
    EXPECT_EQ(s->subnet(0).nodeCount, 1);
    EXPECT_EQ(s->subnet(0).commandCount, 1);
    r = pick(subnet1, 0, "Modbus master");
    EXPECT_TRUE(r.listNodesAgain);
    EXPECT_EQ(r.mappingCommandsEnabled, std::optional<bool>(true));
    r = pick(subnet1, 0, "User Config");
    EXPECT_TRUE(r.disableTreeCommands);
    EXPECT_EQ(r.mappingCommandsEnabled, std::optional<bool>(false));
    r = pick(subnet1, 0, "Self-defining protocol");
    EXPECT_TRUE(r.disableTreeCommands);
    EXPECT_FALSE(r.mappingCommandsEnabled);

    setType(1, {4});
    r = pick(subnet1, 0, "Modbus master");
    ASSERT_TRUE(r.rows);
    EXPECT_EQ((*r.rows)[1].label, "Band rate");
}

TEST_F(ValueCommitTest, ProtocolChangeHandsTheViewTheWholeGrid)
{
    setType(0, {4});
    s->subnet(0).outputMode = "Pluse output";
    CommitResult r = pick(subnet1, 0, "Modbus master");
    ASSERT_TRUE(r.rows);
    EXPECT_EQ(r.pulseEditable, std::optional<bool>(true));
    // Only right after the change: showing the subnet again labels row 1 as usual.
    GridRows shown = gridRows(*s, subnet1);
    EXPECT_EQ(shown[1].label, "Modbus communication baud rate ");
    shown[1].label = "Band rate";
    EXPECT_EQ(*r.rows, shown);

    r = pick(subnet1, 0, "User Config");
    ASSERT_TRUE(r.rows);
    EXPECT_EQ(*r.rows, gridRows(*s, subnet1));
    EXPECT_EQ((*r.rows)[15].label, "Start character");
    // Another item selected meanwhile: its grid stays, the store changes.
    r = pick(subnet1, 0, "Modbus master", false);
    EXPECT_FALSE(r.rows);
    EXPECT_FALSE(r.pulseEditable);
    EXPECT_EQ(s->subnet(0).protocol, "Modbus master");
}

TEST_F(ValueCommitTest, CommandListPicksAndStaleSelection)
{
    const int p = addCommand(addNode("1"), "3");
    s->configModified = false;
    pick(ItemRef{ItemKind::Command, 0, p}, 7, "Low byte");
    EXPECT_TRUE(s->configModified);
    pick(ItemRef{ItemKind::Command, 0, p}, 9, "Slow-scan");
    EXPECT_EQ(s->command(0, p).dataFormat, "Low byte");
    EXPECT_EQ(s->command(0, p).scanType, "Slow-scan");
    // The item is no longer selected: the record still changes, the grid does not.
    const CommitResult r = pick(subnet1, 15, "Enable", false);
    EXPECT_FALSE(r.cellText);
    EXPECT_TRUE(r.rowUpdates.empty());
    const CommitResult e = edit(subnet1, 7, "1000", false);
    EXPECT_EQ(s->subnet(0).responseTimeout, "1000");
    EXPECT_FALSE(e.cellText);
    // Except a node address: it is taken only while its node is shown, yet the edit counts.
    const int a = addNode("5");
    s->configModified = false;
    EXPECT_FALSE(edit(ItemRef{ItemKind::Node, 0, a}, 0, "9", false).cellText);
    EXPECT_EQ(s->node(0, a).address, "5");
    EXPECT_TRUE(s->configModified);
}

} // namespace
} // namespace tqv
