#include "support/CliFixture.h"
#include "model/Domain.h"
#include "model/JsonForm.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <tuple>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tqv {

std::unique_ptr<ConfigStore> makeFullStore(); // JsonFormTest.cpp

namespace {

namespace fs = std::filesystem;

// Each test gets its own directory and a known language environment.
class CliTest : public CliFixture {
protected:
    static std::string bytesOf(const std::string &file)
    {
        const Result<std::string> bytes = ProjectDocument::readFile(file);
        EXPECT_TRUE(bytes.ok()) << file;
        return bytes ? bytes.value() : std::string();
    }
    static void put(const std::string &file, const std::string &bytes)
    {
        const Status written = ProjectDocument::writeFileAtomically(file, bytes);
        ASSERT_TRUE(written.ok()) << written.message();
    }
    static std::unique_ptr<ConfigStore> readTqv(const std::string &file, CodePage page)
    {
        auto store = std::make_unique<ConfigStore>();
        ArchiveStatus status = readProject(bytesOf(file), page, *store);
        EXPECT_TRUE(status.ok()) << status.reason();
        return store;
    }
};

TEST_F(CliTest, NewWritesTheNewDocumentBytes)
{
    const Outcome r = run({"new", "-o", path("new.tqv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");

    auto expected = std::make_unique<ConfigStore>();
    ProjectDocument::newDocument(*expected);
    std::string bytes;
    ASSERT_TRUE(writeProject(*expected, CodePage::Windows1252, bytes).ok());
    const std::string written = bytesOf(path("new.tqv"));
    EXPECT_EQ(written, bytes);
    EXPECT_EQ(written.substr(0, 18), std::string("\x03\0\0\0\xFF\xFF\x01\0\x08\0FIELDBUS", 18));
    EXPECT_EQ(files(), std::vector<std::string>{"new.tqv"}) << "no temporary left behind";

    // The same document as JSON, as show --json prints it.
    ASSERT_EQ(run({"new", "-o", path("new.json")}).code, 0);
    EXPECT_EQ(bytesOf(path("new.json")), storeToJson(*expected));
    EXPECT_EQ(run({"show", "--json", path("new.tqv")}).out, storeToJson(*expected));
}

// What a type and its flags set up is ConfigStoreTest's; here the options reach the store, and a
// defaulted field shows the document was reset for them.
TEST_F(CliTest, NewAppliesTypeAndExactlyTheGivenFlags)
{
    struct Case {
        std::vector<std::string> options;
        std::uint32_t type;
        std::vector<int> flags;
        std::string fieldbusType;
    };
    const std::vector<Case> cases = {
        {{"--type", "0", "--flags", "2,5"}, 0, {2, 5}, "DeviceNet"},
        {{"--type", "4"}, 4, {7}, "EtherNet/IP"},
        {{"--flags", ""}, 3, {}, "Profibus"},
        {{"--type=5", "--flags=7,1"}, 5, {1, 7}, "Profibus"},
        {{"--flags", "3", "--type", "6"}, 6, {3}, "Profibus"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        std::vector<std::string> args = {"new", "-o", path("t.tqv")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome r = run(args);
        ASSERT_EQ(r.code, 0) << r.err;
        auto s = readTqv(path("t.tqv"), CodePage::Windows1252);
        EXPECT_EQ(s->gatewayType, c.type);
        for (int n = 1; n <= 7; ++n)
            EXPECT_EQ(s->modelFlag(n), std::count(c.flags.begin(), c.flags.end(), n) == 1) << n;
        EXPECT_EQ(s->fieldbus.fieldbusType, c.fieldbusType);
    }
}

TEST_F(CliTest, NewRejectsBadTypeAndFlags)
{
    for (const char *type : {"9", "7", "10", "-1", "x", "", "3.0", "+3", " 3", "99999999999"}) {
        SCOPED_TRACE(type);
        const Outcome r = run({"new", "--type", type, "-o", path("t.tqv")});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, formatText(StrId::CliBadType, {type}) + "\n");
    }
    for (const char *flags : {"0", "8", "1,,2", "a", "1,", ",1", "12", "1 2"}) {
        SCOPED_TRACE(flags);
        const Outcome r = run({"new", "--flags", flags, "-o", path("t.tqv")});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, formatText(StrId::CliBadFlags, {flags}) + "\n");
    }
    EXPECT_TRUE(files().empty());
}

// The language chooses the project's texts and their code page (where --lang may stand and how it
// outranks TQV580_LANG: CliAppTest); --yes is accepted anywhere.
TEST_F(CliTest, TheLanguageWritesItsTextsInItsCodePage)
{
    ASSERT_EQ(run({"new", "-o", path("zh.tqv"), "--lang", "zh", "--yes"}).code, 0);
    auto s = readTqv(path("zh.tqv"), CodePage::Gbk);
    EXPECT_EQ(s->subnet(0).protocol, text(StrId::ProtocolModbusMaster, Language::Chinese));
    EXPECT_EQ(s->fieldbus.ipAssignMode, text(StrId::IpManualAssign, Language::Chinese));
}

// "  name:   value" lines of one block, checked for content and a common value column.
void expectFieldBlock(const std::string &block, const std::vector<std::pair<std::string, std::string>> &fields)
{
    static const std::regex line("^  ([A-Za-z0-9]+):( +(.*))?$");
    std::istringstream in(block);
    std::string l;
    std::size_t at = 0;
    std::size_t column = 0;
    while (std::getline(in, l) && at < fields.size()) {
        std::smatch m;
        if (!std::regex_match(l, m, line))
            continue;
        EXPECT_EQ(m[1].str(), fields[at].first);
        EXPECT_EQ(m[3].str(), fields[at].second) << fields[at].first;
        if (m[3].matched) {
            const auto valueColumn = static_cast<std::size_t>(m.position(3));
            column = column ? column : valueColumn;
            EXPECT_EQ(valueColumn, column) << "values not aligned at " << fields[at].first;
        }
        ++at;
    }
    EXPECT_EQ(at, fields.size());
}

TEST_F(CliTest, ShowListsTheWholeConfiguration)
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    for (const auto &f : kConfigFields)
        store->subnet(2).*f.member = std::string("v-") + f.name;
    store->subnet(2).nodeCount = 2;
    store->subnet(2).nodes[0] = NODE{"17", "Pump"};
    store->subnet(2).nodes[1] = NODE{"200", "Valve"};
    store->subnet(2).commandCount = 1;
    store->subnet(2).commands[0] = COMMAND{"17", "3", "100", "4", "0", "0", "8", "Fullword", "CRC", "Quick-scan", 1};
    store->clearModelFlags();
    store->setModelFlag(2, true);
    store->setModelFlag(6, true);
    ASSERT_TRUE(ProjectDocument::save(path("p.tqv"), *store, CodePage::Windows1252).ok());

    const Outcome r = run({"show", path("p.tqv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Gateway type: 3\nModel flags:  2, 6\nFile version: 500\n\nFieldbus\n", 0), 0u) << r.out;

    std::vector<std::pair<std::string, std::string>> fields;
    for (const auto &f : kFieldbusFields)
        fields.emplace_back(f.name, store->fieldbus.*f.member);
    const std::size_t fieldbusAt = r.out.find("\nFieldbus\n");
    const std::size_t subnet3At = r.out.find("\nSubnet3\n");
    const std::size_t subnet4At = r.out.find("\nSubnet4\n");
    ASSERT_NE(subnet3At, std::string::npos);
    ASSERT_NE(subnet4At, std::string::npos);
    expectFieldBlock(r.out.substr(fieldbusAt, subnet3At - fieldbusAt), fields);

    fields.clear();
    for (const auto &f : kConfigFields)
        fields.emplace_back(f.name, std::string("v-") + f.name);
    const std::string subnet3 = r.out.substr(subnet3At, subnet4At - subnet3At);
    expectFieldBlock(subnet3, fields);
    EXPECT_NE(subnet3.find("  Nodes (2)\n"
                           "    #  address  name\n"
                           "    1  17       Pump\n"
                           "    2  200      Valve\n"
                           "  Commands (1)\n"
                           "    #  slaveAddress  functionCode  startAddress  quantity  mappingAddress"
                           "  mappingBit  byteCount  dataFormat  checkType  scanType    nodeNumber\n"
                           "    1  17            3             100           4         0"
                           "               0           8          Fullword    CRC        Quick-scan  1\n"),
              std::string::npos)
        << subnet3;
    EXPECT_NE(r.out.find("\nSubnet4\n"), std::string::npos);
    EXPECT_NE(r.out.find("  Nodes (0)\n  Commands (0)\n"), std::string::npos);
    EXPECT_EQ(r.out.find(" \n"), std::string::npos) << "no trailing blanks";
}

TEST_F(CliTest, ShowCountsWideCharactersAsTwoColumns)
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    store->subnet(0).nodeCount = 2;
    store->subnet(0).nodes[0] = NODE{"一号", "泵"};
    store->subnet(0).nodes[1] = NODE{"200", "Valve\t2"};
    put(path("wide.json"), storeToJson(*store));
    const Outcome r = run({"show", path("wide.json")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("    #  address  name\n"
                         "    1  一号     泵\n"
                         "    2  200      Valve\\t2\n"),
              std::string::npos)
        << r.out;
}

TEST_F(CliTest, UnreadableInputExitsTwoWithTheReason)
{
    auto store = std::make_unique<ConfigStore>();
    ProjectDocument::newDocument(*store);
    std::string good;
    ASSERT_TRUE(writeProject(*store, CodePage::Windows1252, good).ok());
    const std::string cut = good.substr(0, 40);
    put(path("cut.tqv"), cut);
    put(path("empty.tqv"), "");
    put(path("empty.json"), "");
    put(path("bad.json"), "{\n  \"gatewayType\": 3,\n  \"fieldbus\" }");
    put(path("good.tqv"), good);
    fs::create_directory(m_dir / "dir.tqv");
    fs::create_symlink("loop2.tqv", m_dir / "loop1.tqv");
    fs::create_symlink("loop1.tqv", m_dir / "loop2.tqv");
    ASSERT_EQ(::mkfifo(path("pipe.json").c_str(), 0600), 0);
    auto reasonOf = [](const std::string &bytes) {
        auto s = std::make_unique<ConfigStore>();
        return readProject(bytes, CodePage::Windows1252, *s).reason();
    };

    const std::vector<std::pair<std::string, std::string>> cases = {
        {path("cut.tqv"), formatText(StrId::MsgFileReadFailed, {path("cut.tqv"), reasonOf(cut)})},
        {path("missing.tqv"), formatText(StrId::MsgFileOpenFailedWhy, {path("missing.tqv"), "it does not exist"})},
        {path("loop1.tqv"),
         formatText(StrId::MsgFileOpenFailedWhy, {path("loop1.tqv"), "its symbolic links form a loop"})},
        {path("bad.json"), formatText(StrId::CliJsonSyntaxAt, {path("bad.json"), "3", "14", "syntax error while parsing object separator - unexpected '}'; expected ':'"})},
        {path("dir.tqv"), formatText(StrId::MsgNotAFile, {path("dir.tqv")})},
        {path("empty.tqv"), formatText(StrId::MsgFileEmpty, {path("empty.tqv")})},
        {path("empty.json"), formatText(StrId::MsgFileEmpty, {path("empty.json")})},
        {path("notes.txt"), formatText(StrId::CliUnknownExtension, {path("notes.txt")})},
    };
    for (const auto &[file, message] : cases) {
        SCOPED_TRACE(file);
        const Outcome r = run({"show", file});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, message + "\n");
    }
    EXPECT_NE(reasonOf(cut), "");
    // An output that is no regular file is bad usage as well, and stays what it was.
    const Outcome r = run({"convert", path("good.tqv"), path("pipe.json")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.rfind(formatText(StrId::MsgFileSaveFailed, {path("pipe.json"), text(StrId::ReasonNotRegularFile)}), 0), 0u)
        << r.err;
    EXPECT_FALSE(fs::is_regular_file(path("pipe.json")));
}

TEST_F(CliTest, ConvertRoundTripIsByteIdentical)
{
    auto full = makeFullStore();
    ASSERT_TRUE(ProjectDocument::save(path("full.tqv"), *full, CodePage::Gbk).ok());
    for (const auto &[in, out] : std::vector<std::pair<std::string, std::string>>{
             {"full.tqv", "full.json"}, {"full.json", "back.tqv"}, {"full.json", "again.JSON"},
             {"back.tqv", "copy.TQV"}}) {
        const Outcome r = run({"--lang", "zh", "convert", path(in), path(out)});
        ASSERT_EQ(r.code, 0) << in << " -> " << out << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(bytesOf(path("back.tqv")), bytesOf(path("full.tqv")));
    EXPECT_EQ(bytesOf(path("copy.TQV")), bytesOf(path("full.tqv")));
    EXPECT_EQ(bytesOf(path("again.JSON")), bytesOf(path("full.json")));
    auto fromJson = std::make_unique<ConfigStore>();
    ASSERT_TRUE(storeFromJson(bytesOf(path("full.json")), *fromJson).ok());
    EXPECT_TRUE(*fromJson == *full);
}

// translate: projects of every gateway type, with a command of every function code and values
// off their defaults, go to Chinese and back byte for byte; names stay as they are.
TEST_F(CliTest, TranslateToTheOtherLanguageAndBackIsByteIdentical)
{
    for (std::uint32_t type = 0; type <= 6; ++type) {
        SCOPED_TRACE(type);
        setLanguage(Language::English); // the in-process runs below take the language of their files
        auto store = std::make_unique<ConfigStore>();
        ProjectDocument::newDocument(*store);
        store->setTypeAndFlags(type, std::array<bool, 7>{type == 1, type == 0, false, false, false, false, true});
        for (int k = 0; k < subnetCountOf(type); ++k) {
            CONFIG &c = store->subnet(k);
            c.protocol = text(StrId::ProtocolModbusMaster);
            c.masterParity = text(StrId::ParityOdd);
            c.outputMode = text(StrId::OutputPulse);
            c.commandStatus = "4" + text(StrId::Bytes);
            const int node = store->addNode(k).value();
            store->node(k, node) = NODE{"5", "Pump " + std::to_string(k)};
            for (const char *function : {"1", "2", "3", "4", "5", "6", "15", "16"})
                store->command(k, store->addCommand(k, node, function).value()).scanType = text(StrId::ScanSlow);
        }
        const Status saved = ProjectDocument::save(path("en.tqv"), *store, CodePage::Windows1252);
        ASSERT_TRUE(saved.ok()) << saved.message();
        ASSERT_EQ(run({"translate", path("en.tqv"), "--to", "zh", "-o", path("zh.tqv")}).code, 0);
        const Outcome back = run({"translate", path("zh.tqv"), "--to", "en", "-o", path("back.tqv")});
        ASSERT_EQ(back.code, 0) << back.err;
        EXPECT_EQ(back.err, formatText(text(StrId::CliWritten, Language::Chinese), {path("back.tqv")}) + "\n");
        EXPECT_EQ(bytesOf(path("back.tqv")), bytesOf(path("en.tqv")));
        auto chinese = readTqv(path("zh.tqv"), CodePage::Gbk);
        EXPECT_EQ(chinese->subnet(0).protocol, text(StrId::ProtocolModbusMaster, Language::Chinese));
        EXPECT_EQ(chinese->command(0, 8).scanType, text(StrId::ScanSlow, Language::Chinese));
        EXPECT_EQ(chinese->subnet(0).commandStatus, "4" + text(StrId::Bytes, Language::Chinese));
        EXPECT_EQ(chinese->node(0, 1).name, "Pump 0");
    }
    EXPECT_EQ(run({"translate", path("en.tqv"), "--to", "fr", "-o", path("x.tqv")}).code, 2);
}

// Without --lang a project is read in the language of its values and its texts print as UTF-8;
// --lang still forces. A second file of the other language is taken into the first one's.
TEST_F(CliTest, AProjectOfEitherLanguageIsReadWithoutLang)
{
    ASSERT_EQ(run({"--lang", "zh", "new", "-o", path("zh.tqv")}).code, 0);
    ASSERT_EQ(run({"new", "-o", path("en.tqv")}).code, 0);
    const std::string master = text(StrId::ProtocolModbusMaster, Language::Chinese);
    Outcome r = run({"show", path("zh.tqv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("protocol:"), std::string::npos);
    EXPECT_NE(r.out.find(master), std::string::npos) << r.out;
    EXPECT_EQ(run({"--lang", "en", "show", path("zh.tqv")}).out.find(master), std::string::npos);
    r = run({"set", path("zh.tqv"), "subnet:1", "7", "1500"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readTqv(path("zh.tqv"), CodePage::Gbk)->subnet(0).responseTimeout, "1500");
    EXPECT_EQ(readTqv(path("zh.tqv"), CodePage::Gbk)->subnet(0).protocol, master);
    r = run({"diff", path("en.tqv"), path("zh.tqv")});
    EXPECT_EQ(r.out, "subnet 1 \u203a responseTimeout\t300\t1500\n");
}

// A JSON file the reader refuses (each reason: JsonFormTest) exits 2 naming the field and writes
// no output of either kind.
TEST_F(CliTest, ConvertWritesNothingForBadInput)
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    store->subnet(1).nodeCount = 1;
    auto document = nlohmann::ordered_json::parse(storeToJson(*store));
    document["subnets"][1]["nodes"][0]["id"] = 1;
    put(path("in.json"), document.dump(2));
    for (const char *out : {"out.tqv", "out.json"}) {
        const Outcome r = run({"convert", path("in.json"), path(out)});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("\"subnets[1].nodes[0].id\""), std::string::npos) << r.err;
    }
    EXPECT_EQ(files(), std::vector<std::string>{"in.json"});
}

TEST_F(CliTest, ConvertReportsRefusedNamesAndOutputs)
{
    ASSERT_EQ(run({"new", "-o", path("a.tqv")}).code, 0);
    for (const auto &[in, out, bad] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {path("a.txt"), path("b.tqv"), path("a.txt")}, {path("a.tqv"), path("b.xml"), path("b.xml")}}) {
        const Outcome r = run({"convert", in, out});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, formatText(StrId::CliUnknownExtension, {bad}) + "\n");
    }

    // A text the English code page cannot carry: the job ran, the output was refused.
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    store->fieldbus.dns1 = "网关";
    put(path("zh.json"), storeToJson(*store));
    std::string bytes;
    const ArchiveStatus refused = writeProject(*store, CodePage::Windows1252, bytes);
    ASSERT_EQ(refused.error, ArchiveError::Unencodable);
    Outcome r = run({"--lang", "en", "convert", path("zh.json"), path("zh.tqv")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, formatText(StrId::MsgFileSaveFailed, {path("zh.tqv"), refused.reason()}) + "\n");

    const std::string unwritable = path("no-such-dir/b.json");
    r = run({"convert", path("a.tqv"), unwritable});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, formatText(StrId::MsgFileSaveFailed,
                                {unwritable, formatText(StrId::ReasonNoFolder, {path("no-such-dir")})}) +
                         "\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"a.tqv", "zh.json"}));
}

// export: the workbook named on the command line, .xlsx added; a configuration without a layout
// exits 1 and writes nothing; unreadable input exits 2.
TEST_F(CliTest, ExportWritesTheWorkbookOrSaysWhyNot)
{
    ASSERT_EQ(run({"new", "-o", path("plant.json")}).code, 0);
    Outcome r = run({"export", path("plant.json"), path("plant")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, formatText(StrId::CliWritten, {path("plant.xlsx")}) + "\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"plant.json", "plant.xlsx"}));
    EXPECT_EQ(bytesOf(path("plant.xlsx")).substr(0, 2), "PK");

    // A folder that is not there is named; a disk that refuses the data is reported by us alone,
    // without the workbook library's own lines on stderr.
    r = run({"export", path("plant.json"), path("none/plant.xlsx")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, formatText(StrId::MsgExportFailed, {path("none/plant.xlsx"),
                                                         formatText(StrId::ReasonNoFolder, {path("none")})}) + "\n");
    rlimit unlimited{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    const rlimit small{1024, unlimited.rlim_max};
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    const int savedStderr = ::dup(STDERR_FILENO);
    const int captured = ::open(path("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(captured, STDERR_FILENO);
    ::setrlimit(RLIMIT_FSIZE, &small);
    r = run({"export", path("plant.json"), path("full.xlsx")});
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    ::close(captured);
    std::signal(SIGXFSZ, ignored);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind(formatText(StrId::MsgExportFailed, {path("full.xlsx"), ""}), 0), 0u) << r.err;
    EXPECT_EQ(bytesOf(path("stderr.txt")), "");
    fs::remove(path("stderr.txt"));
    EXPECT_FALSE(fs::exists(path("full.xlsx")));

    // The window offers no such protocol for this gateway, but a file can carry it.
    nlohmann::json json = nlohmann::json::parse(bytesOf(path("plant.json")));
    json["subnets"][0]["protocol"] = "Self-defining protocol";
    put(path("plant.json"), json.dump());
    r = run({"export", path("plant.json"), path("other.xlsx")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, formatText(StrId::MsgExportNoLayout, {"Self-defining protocol"}) + "\n");
    EXPECT_FALSE(fs::exists(path("other.xlsx")));

    EXPECT_EQ(run({"export", path("missing.tqv"), path("x.xlsx")}).code, 2);
    EXPECT_EQ(run({"export", path("plant.json")}).code, 2);
}

} // namespace
} // namespace tqv
