#include "model/JsonForm.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <climits>
#include <functional>
#include <memory>

namespace tqv {

// The refusal message of a JSON read, or "" when the read succeeded.
std::string jsonError(std::string_view json, ConfigStore &store)
{
    const Status read = storeFromJson(json, store);
    return read ? std::string() : read.message();
}

// Every text distinct and non-empty, every list full, both ends of every number, texts that need
// escaping, Chinese, and lengths past both short length prefixes of the project file. All texts
// fit GBK, so the command-line test can carry this store through a Chinese .tqv as well.
std::unique_ptr<ConfigStore> makeFullStore()
{
    auto s = std::make_unique<ConfigStore>();
    s->gatewayType = 6;
    s->fileVersion = 246;
    for (int n = 1; n <= 7; ++n)
        s->setModelFlag(n, true);
    for (const auto &f : kFieldbusFields)
        s->fieldbus.*f.member = std::string(f.name) + "-现场总线";
    for (int i = 0; i < kSubnetCount; ++i) {
        CONFIG &c = s->subnet(i);
        const std::string tag = "/" + std::to_string(i) + "子网";
        for (const auto &f : kConfigFields)
            c.*f.member = f.name + tag;
        c.startChar = "\"quoted\" \\ \n\t\x01 end" + tag;
        c.stopChar = std::string(300, 'x') + tag;
        c.nodeCount = kMaxNodes;
        c.commandCount = kMaxCommands;
        for (int k = 0; k < kMaxNodes; ++k)
            c.nodes[k] = NODE{std::to_string(k + 1), "节点-" + std::to_string(k) + tag};
        for (int k = 0; k < kMaxCommands; ++k) {
            COMMAND &cmd = c.commands[k];
            for (const auto &f : kCommandFields)
                cmd.*f.member = f.name + std::to_string(k) + tag;
            cmd.nodeNumber = k == 0 ? INT32_MIN : k == 1 ? INT32_MAX : k;
        }
    }
    s->subnet(3).protocol = std::string(70000, 'p') + "命令";
    return s;
}

namespace {

using Json = nlohmann::ordered_json;

class JsonFormTest : public ::testing::Test {
protected:
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(JsonFormTest, FullStoreSurvivesRoundTrip)
{
    auto original = makeFullStore();
    auto copy = std::make_unique<ConfigStore>();
    copy->configModified = true;
    copy->keepConfigOnNew = true;
    copy->uploadPending = true;
    ASSERT_EQ(jsonError(storeToJson(*original), *copy), "");
    // The document state beside the records is not part of the form and must not move.
    EXPECT_TRUE(copy->configModified);
    EXPECT_TRUE(copy->keepConfigOnNew);
    EXPECT_TRUE(copy->uploadPending);
    copy->configModified = original->configModified;
    copy->keepConfigOnNew = original->keepConfigOnNew;
    copy->uploadPending = original->uploadPending;
    EXPECT_TRUE(*copy == *original);
}

TEST_F(JsonFormTest, WritesRecordsInFieldOrderWithTypes)
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    store->subnet(1).nodeCount = 2;
    store->subnet(1).nodes[1].name = "节点";
    store->subnet(2).commandCount = 1;
    store->subnet(2).commands[0].nodeNumber = -7;
    const std::string text = storeToJson(*store);
    EXPECT_EQ(text.rfind("{\n  \"gatewayType\": 3,\n  \"modelFlag1\": false,", 0), 0u) << text;
    EXPECT_NE(text.find("\"name\": \"节点\""), std::string::npos) << "texts are written as UTF-8";

    const Json root = Json::parse(text);
    std::vector<std::string> keys;
    for (const auto &item : root.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"gatewayType", "modelFlag1", "modelFlag2",
                                              "modelFlag3", "modelFlag4", "modelFlag5",
                                              "modelFlag6", "modelFlag7", "fileVersion",
                                              "fieldbus", "subnets"}));
    EXPECT_TRUE(root["modelFlag7"].is_boolean() && root["modelFlag7"].get<bool>());
    EXPECT_TRUE(root["fileVersion"].is_number_unsigned());

    std::size_t k = 0;
    for (const auto &item : root["fieldbus"].items())
        EXPECT_EQ(item.key(), kFieldbusFields.at(k++).name);
    EXPECT_EQ(k, kFieldbusFields.size());

    ASSERT_EQ(root["subnets"].size(), 4u);
    for (std::size_t s = 0; s < 4; ++s) {
        const Json &subnet = root["subnets"][s];
        k = 0;
        for (const auto &item : subnet.items()) {
            const std::string expected = k < kConfigFields.size() ? kConfigFields[k].name
                                         : k == kConfigFields.size() ? "nodes" : "commands";
            EXPECT_EQ(item.key(), expected) << "subnet " << s;
            ++k;
        }
        EXPECT_EQ(k, kConfigFields.size() + 2);
        EXPECT_EQ(subnet["nodes"].size(), s == 1 ? 2u : 0u);
        EXPECT_EQ(subnet["commands"].size(), s == 2 ? 1u : 0u);
    }
    const Json &command = root["subnets"][2]["commands"][0];
    EXPECT_EQ(command.size(), kCommandFields.size() + 1);
    EXPECT_EQ(command["nodeNumber"], -7);
    EXPECT_TRUE(command["scanType"].is_string());
}

TEST_F(JsonFormTest, EntriesBeyondTheCountsComeBackEmpty)
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration(); // fills all 128 entries with the defaults of a new node/command
    store->subnet(0).nodeCount = 1;
    store->subnet(0).nodes[0] = NODE{"5", "Pump"};
    auto read = std::make_unique<ConfigStore>(*store);
    ASSERT_EQ(jsonError(storeToJson(*store), *read), "");
    EXPECT_EQ(read->subnet(0).nodes[0], (NODE{"5", "Pump"}));
    EXPECT_EQ(read->subnet(0).nodes[1], NODE{});
    EXPECT_EQ(read->subnet(3).commands[127], COMMAND{});
    EXPECT_EQ(read->subnet(2).nodeCount, 0);
    EXPECT_EQ(read->fieldbus, store->fieldbus);
}

// A small valid document; each error case changes one thing in it.
Json baseDocument()
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    store->subnet(0).nodeCount = 2;
    store->subnet(3).commandCount = 1;
    store->subnet(2).commandCount = 1;
    return Json::parse(storeToJson(*store));
}

TEST_F(JsonFormTest, RejectsEachFaultNamingTheField)
{
    const std::string str = text(StrId::CliJsonTypeString);
    const std::string boolean = text(StrId::CliJsonTypeBoolean);
    const std::string array = text(StrId::CliJsonTypeArray);
    const std::string object = text(StrId::CliJsonTypeObject);
    const std::string u32 = formatText(StrId::CliJsonTypeIntegerRange, {"0", "4294967295"});
    const std::string i32 = formatText(StrId::CliJsonTypeIntegerRange, {"-2147483648", "2147483647"});
    auto unknown = [](std::string p) { return formatText(StrId::CliJsonUnknownField, {p}); };
    auto missing = [](std::string p) { return formatText(StrId::CliJsonMissingField, {p}); };
    auto wrong = [](std::string p, std::string w) { return formatText(StrId::CliJsonWrongType, {p, w}); };
    auto tooMany = [](std::string p) { return formatText(StrId::CliJsonTooMany, {p, "129"}); };
    const std::string length = formatText(StrId::CliJsonWrongLength, {"subnets", "4"});

    struct Case {
        const char *name;
        std::function<void(Json &)> change;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"unknown top", [](Json &j) { j["colour"] = 1; }, unknown("colour")},
        {"unknown fieldbus", [](Json &j) { j["fieldbus"]["colour"] = ""; }, unknown("fieldbus.colour")},
        {"unknown subnet", [](Json &j) { j["subnets"][1]["nodeCount"] = 0; }, unknown("subnets[1].nodeCount")},
        {"unknown node", [](Json &j) { j["subnets"][0]["nodes"][1]["x"] = ""; }, unknown("subnets[0].nodes[1].x")},
        {"unknown command", [](Json &j) { j["subnets"][3]["commands"][0]["x"] = 1; }, unknown("subnets[3].commands[0].x")},
        {"missing top", [](Json &j) { j.erase("fileVersion"); }, missing("fileVersion")},
        {"missing flag", [](Json &j) { j.erase("modelFlag6"); }, missing("modelFlag6")},
        {"missing fieldbus", [](Json &j) { j["fieldbus"].erase("dns2"); }, missing("fieldbus.dns2")},
        {"missing subnet text", [](Json &j) { j["subnets"][2].erase("stopChar"); }, missing("subnets[2].stopChar")},
        {"missing nodes", [](Json &j) { j["subnets"][1].erase("nodes"); }, missing("subnets[1].nodes")},
        {"missing node name", [](Json &j) { j["subnets"][0]["nodes"][0].erase("name"); }, missing("subnets[0].nodes[0].name")},
        {"missing nodeNumber", [](Json &j) { j["subnets"][3]["commands"][0].erase("nodeNumber"); }, missing("subnets[3].commands[0].nodeNumber")},
        {"type as text", [](Json &j) { j["gatewayType"] = "3"; }, wrong("gatewayType", u32)},
        {"type negative", [](Json &j) { j["gatewayType"] = -1; }, wrong("gatewayType", u32)},
        {"type 2^32", [](Json &j) { j["gatewayType"] = 4294967296ull; }, wrong("gatewayType", u32)},
        {"type fraction", [](Json &j) { j["gatewayType"] = 3.0; }, wrong("gatewayType", u32)},
        {"type 7", [](Json &j) { j["gatewayType"] = 7; }, formatText(StrId::CliJsonBadGatewayType, {"gatewayType", "7"})},
        {"type 99", [](Json &j) { j["gatewayType"] = 99; }, "Field \"gatewayType\" must be a gateway type from 0 to 6, not 99."},
        {"version negative", [](Json &j) { j["fileVersion"] = -500; }, wrong("fileVersion", u32)},
        {"flag as number", [](Json &j) { j["modelFlag4"] = 1; }, wrong("modelFlag4", boolean)},
        {"flag as text", [](Json &j) { j["modelFlag7"] = "true"; }, wrong("modelFlag7", boolean)},
        {"text as number", [](Json &j) { j["fieldbus"]["ipAddress"] = 10; }, wrong("fieldbus.ipAddress", str)},
        {"text null", [](Json &j) { j["subnets"][2]["protocol"] = nullptr; }, wrong("subnets[2].protocol", str)},
        {"node text", [](Json &j) { j["subnets"][0]["nodes"][1]["address"] = 5; }, wrong("subnets[0].nodes[1].address", str)},
        {"nodeNumber 2^31", [](Json &j) { j["subnets"][2]["commands"][0]["nodeNumber"] = 2147483648ll; }, wrong("subnets[2].commands[0].nodeNumber", i32)},
        {"nodeNumber below", [](Json &j) { j["subnets"][2]["commands"][0]["nodeNumber"] = -2147483649ll; }, wrong("subnets[2].commands[0].nodeNumber", i32)},
        {"nodes object", [](Json &j) { j["subnets"][0]["nodes"] = Json::object(); }, wrong("subnets[0].nodes", array)},
        {"subnets object", [](Json &j) { j["subnets"] = Json::object(); }, wrong("subnets", array)},
        {"fieldbus array", [](Json &j) { j["fieldbus"] = Json::array(); }, wrong("fieldbus", object)},
        {"subnet number", [](Json &j) { j["subnets"][1] = 7; }, wrong("subnets[1]", object)},
        {"node text only", [](Json &j) { j["subnets"][0]["nodes"][0] = "x"; }, wrong("subnets[0].nodes[0]", object)},
        {"command array", [](Json &j) { j["subnets"][3]["commands"][0] = Json::array(); }, wrong("subnets[3].commands[0]", object)},
        {"root array", [](Json &j) { j = Json::array(); }, wrong("$", object)},
        {"129 nodes", [](Json &j) { Json &n = j["subnets"][0]["nodes"]; while (n.size() < 129) n.push_back(n[0]); }, tooMany("subnets[0].nodes")},
        {"129 commands", [](Json &j) { Json &c = j["subnets"][2]["commands"]; while (c.size() < 129) c.push_back(c[0]); }, tooMany("subnets[2].commands")},
        {"3 subnets", [](Json &j) { j["subnets"].erase(3); }, length},
        {"5 subnets", [](Json &j) { j["subnets"].push_back(j["subnets"][0]); }, length},
    };

    const Json base = baseDocument();
    auto sentinel = makeFullStore();
    auto target = std::make_unique<ConfigStore>(*sentinel);
    ASSERT_EQ(jsonError(base.dump(), *target), "") << "the unchanged document must pass";

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Json document = base;
        c.change(document);
        *target = *sentinel;
        EXPECT_EQ(jsonError(document.dump(), *target), c.expected);
        EXPECT_TRUE(*target == *sentinel) << "a failed read must leave the store alone";
    }
}

TEST_F(JsonFormTest, AcceptsTheEndsOfEveryIntegerRange)
{
    struct Ends {
        std::uint32_t type, version;
        std::int32_t number;
    };
    const Ends ends[] = {{0u, 0u, INT32_MIN}, {6u, 4294967295u, INT32_MAX}, {3u, 500u, 0}};
    for (const auto &[type, version, number] : ends) {
        Json document = baseDocument();
        document["gatewayType"] = type;
        document["fileVersion"] = version;
        document["subnets"][3]["commands"][0]["nodeNumber"] = number;
        auto store = std::make_unique<ConfigStore>();
        ASSERT_EQ(jsonError(document.dump(), *store), "");
        EXPECT_EQ(store->gatewayType, type);
        EXPECT_EQ(store->fileVersion, version);
        EXPECT_EQ(store->subnet(3).commands[0].nodeNumber, number);
    }
}

TEST_F(JsonFormTest, ReportsSyntaxErrorsWithTheParserReason)
{
    // Every syntax error names the place where the parser stopped.
    const std::string at = formatText(StrId::CliJsonSyntaxAt, {"JSON"});
    const std::string prefix = at.substr(0, at.find("%s"));
    const std::vector<std::string> inputs = {
        "", "{", "{\"gatewayType\": 3,}", "[1 2]", "{\"a\": \"\xff\"}", baseDocument().dump() + " x",
        "{\"a\": 1} // comment"};
    for (const std::string &input : inputs) {
        SCOPED_TRACE(input.substr(0, 40));
        auto store = std::make_unique<ConfigStore>();
        const std::string error = jsonError(input, *store);
        EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
        EXPECT_GT(error.size(), prefix.size() + 10) << "the parser's reason follows";
        EXPECT_EQ(error.find("json.exception"), std::string::npos) << error;
    }
}

TEST_F(JsonFormTest, MessagesFollowTheActiveLanguage)
{
    setLanguage(Language::Chinese);
    Json document = baseDocument();
    document["subnets"][1]["masterBaud"] = 19200;
    auto store = std::make_unique<ConfigStore>();
    EXPECT_EQ(jsonError(document.dump(), *store), "字段“subnets[1].masterBaud”必须是字符串。");
}

} // namespace
} // namespace tqv
