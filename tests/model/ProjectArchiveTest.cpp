#include "model/ProjectArchive.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <memory>

namespace tqv {
namespace {

// An independent writer of the file layout, used to build expected bytes and files of older
// record versions. Strings here are ASCII or already in the file's code page.
struct Bytes {
    std::string b;
    Bytes &u16(unsigned v)
    {
        b += char(v & 0xFF);
        b += char((v >> 8) & 0xFF);
        return *this;
    }
    Bytes &u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        return u16(v >> 16);
    }
    Bytes &raw(std::string_view s)
    {
        b.append(s);
        return *this;
    }
    Bytes &str(std::string_view s)
    {
        if (s.size() < 255) {
            b += char(s.size());
        } else if (s.size() < 0xFFFE) {
            b += '\xFF';
            u16(unsigned(s.size()));
        } else {
            b += '\xFF';
            u16(0xFFFF);
            u32(std::uint32_t(s.size()));
        }
        return raw(s);
    }
    Bytes &strs(std::initializer_list<std::string_view> list)
    {
        for (auto s : list)
            str(s);
        return *this;
    }
};

Bytes newDocumentFieldbus()
{
    Bytes f;
    f.u32(3).u16(0xFFFF).u16(1).u16(8).raw("FIELDBUS");
    f.strs({"Profibus", "0", "125K", "112", "112", "Manual Assign", "192.168.0.10", "255.255.255.0",
            "192.168.0.1", "0.0.0.0", "0.0.0.0"});
    return f;
}

// A subnet body of `version` holding the defaults of a new document and `nodes` nodes with one
// function-3 command each.
void defaultBody(Bytes &f, std::uint32_t version, std::string_view doubleFaultReset, int nodes = 0,
                 std::array<std::uint32_t, 7> flags = {0, 0, 0, 0, 0, 0, 1})
{
    f.u32(version).str("Modbus master");
    f.strs({"19200", "8", "None", "1", "RTU", "300", "0", "Change of Value", "-1", "10"});
    f.strs({"19200", "8", "None", "1", "", "RTU"});
    f.strs({"19200", "8", "None", "1", "Characters timeout", "10", "111", "Disable", "1000", "Disable",
            "RS485", "RS232", "Disable"});
    f.strs({"300", "8", "None", "1"});
    f.u32(std::uint32_t(nodes)).u32(std::uint32_t(nodes));
    if (version >= 500)
        f.strs({"<", ">", "4", "5"});
    for (int n = 1; n <= nodes; ++n)
        f.strs({std::to_string(n), "Node-" + std::to_string(n)});
    for (int n = 1; n <= nodes; ++n)
        f.strs({std::to_string(n), "3", "100", "2", "1a", "", "4", "Fullword", "CRC", "Quick-scan"}).u32(n);
    if (version >= 233)
        f.u32(flags[0]).u32(flags[1]);
    if (version >= 243)
        f.u32(flags[2]);
    if (version >= 244)
        f.u32(flags[3]).str(doubleFaultReset);
    if (version >= 245)
        f.u32(flags[4]);
    if (version >= 246)
        f.u32(flags[5]);
    if (version >= 300)
        f.u32(flags[6]).strs({"Disable", "Clear Data", "3"});
}

std::string fileOfVersion(std::uint32_t version, int nodes = 0, std::array<std::uint32_t, 7> flags = {0, 0, 0, 0, 0, 0, 1})
{
    Bytes f = newDocumentFieldbus();
    f.u16(0xFFFF).u16(1).u16(6).raw("CONFIG");
    defaultBody(f, version, "Enable", nodes, flags);
    for (int i = 0; i < 3; ++i) {
        f.u16(0x8003);
        defaultBody(f, version, "", nodes, flags);
    }
    if (version >= 246)
        f.strs({"Input configuration data", "d1 e1 "});
    return f.b;
}

std::unique_ptr<ConfigStore> newDocument()
{
    auto s = std::make_unique<ConfigStore>();
    s->newConfiguration();
    return s;
}

std::string write(const ConfigStore &s, CodePage page = CodePage::Windows1252)
{
    std::string out;
    ArchiveStatus st = writeProject(s, page, out);
    EXPECT_TRUE(st.ok()) << st.reason();
    return out;
}

TEST(ProjectArchive, NewDocumentIsWrittenByteExact)
{
    Bytes expected = newDocumentFieldbus();
    expected.u16(0xFFFF).u16(1).u16(6).raw("CONFIG");
    auto body = [&](std::string_view dfr) {
        expected.u32(500).str("Modbus master");
        expected.strs({"19200", "8", "None", "1", "RTU", "300", "0", "Change of Value", "-1", "10"});
        expected.strs({"19200", "8", "None", "1", "", "RTU"});
        expected.strs({"19200", "8", "None", "1", "Characters timeout", "10", "111", "Disable",
                       "1000", "Disable", "RS485", "RS232", "Disable"});
        expected.strs({"300", "8", "None", "1"}).u32(0).u32(0).strs({"", "", "0", "0"});
        expected.u32(0).u32(0).u32(0).u32(0).str(dfr).u32(0).u32(0).u32(1);
        expected.strs({"Disable", "Clear Data", "3"});
    };
    body("Enable");
    for (int i = 0; i < 3; ++i) {
        expected.u16(0x8003);
        body("");
    }
    expected.strs({"Use bytes selection", ""});

    const std::string bytes = write(*newDocument());
    EXPECT_EQ(bytes.substr(0, 18), std::string("\x03\x00\x00\x00\xFF\xFF\x01\x00\x08\x00", 10) + "FIELDBUS");
    EXPECT_EQ(bytes, expected.b);
}

TEST(ProjectArchive, StringLengthPrefixes)
{
    struct Row {
        std::size_t length;
        std::string prefix;
    };
    const Row rows[] = {
        {0, std::string("\x00", 1)},
        {254, "\xFE"},
        {255, std::string("\xFF\xFF\x00", 3)},
        {65533, "\xFF\xFD\xFF"},
        {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {65535, std::string("\xFF\xFF\xFF\xFF\xFF\x00\x00", 7)},
        {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Row &r : rows) {
        auto s = newDocument();
        s->fieldbus.profibusConfigData = std::string(r.length, 'x');
        const std::string bytes = write(*s);
        // The PROFIBUS data string closes the file.
        ASSERT_GE(bytes.size(), r.prefix.size() + r.length);
        EXPECT_EQ(bytes.substr(bytes.size() - r.length - r.prefix.size(), r.prefix.size()), r.prefix)
            << r.length;
        auto back = newDocument();
        ASSERT_TRUE(readProject(bytes, CodePage::Windows1252, *back).ok());
        EXPECT_EQ(back->fieldbus.profibusConfigData.size(), r.length);
    }
}

// A configuration that uses every field, every entry and long texts.
std::unique_ptr<ConfigStore> maximalConfiguration()
{
    auto s = newDocument();
    s->gatewayType = 2;
    for (int f = 1; f <= 7; ++f)
        s->setModelFlag(f, f % 2 == 1);
    int k = 0;
    auto next = [&k](std::size_t extra = 0) {
        ++k;
        return "v" + std::to_string(k) + std::string(extra + std::size_t(k % 7), 'y');
    };
    for (const auto &f : kFieldbusFields)
        s->fieldbus.*f.member = next(300);
    for (CONFIG &c : s->subnets) {
        for (const auto &f : kConfigFields)
            c.*f.member = next(k % 3 == 0 ? 260 : 0);
        c.nodeCount = 128;
        c.commandCount = 128;
        for (NODE &n : c.nodes)
            n = NODE{next(), next()};
        int nodeNumber = 0;
        for (COMMAND &cmd : c.commands) {
            for (const auto &f : kCommandFields)
                cmd.*f.member = next();
            cmd.nodeNumber = ++nodeNumber * 3 - 200;
        }
    }
    return s;
}

TEST(ProjectArchive, MaximalConfigurationRoundTrips)
{
    auto s = maximalConfiguration();
    const std::string bytes = write(*s);
    auto back = newDocument();
    back->configModified = true;
    ArchiveStatus st = readProject(bytes, CodePage::Windows1252, *back);
    ASSERT_TRUE(st.ok()) << st.reason();
    EXPECT_TRUE(back->keepConfigOnNew);
    EXPECT_TRUE(back->configModified); // opening leaves it alone
    s->keepConfigOnNew = true;
    s->configModified = true;
    EXPECT_TRUE(*back == *s);
    EXPECT_EQ(write(*back), bytes);
    // Data after the end is ignored.
    auto trailing = newDocument();
    ASSERT_TRUE(readProject(bytes + std::string("\x00\xFF garbage", 10), CodePage::Windows1252, *trailing).ok());
    EXPECT_EQ(write(*trailing), bytes);
}

TEST(ProjectArchive, ChineseTextsTravelAsGbk)
{
    setLanguage(Language::Chinese);
    auto s = newDocument();
    setLanguage(Language::English);
    s->subnet(1).nodeCount = 1;
    s->subnet(1).nodes[0] = NODE{"5", "节点-5"};
    const std::string bytes = write(*s, CodePage::Gbk);
    EXPECT_NE(bytes.find("\xBD\xDA\xB5\xE3-5"), std::string::npos); // "节点-5" in GBK
    auto back = newDocument();
    ASSERT_TRUE(readProject(bytes, CodePage::Gbk, *back).ok());
    EXPECT_EQ(back->subnet(1).nodes[0].name, "节点-5");
    EXPECT_EQ(back->subnet(0).protocol, text(StrId::ProtocolModbusMaster, Language::Chinese));

    // The same store cannot be written as an English (Windows-1252) file: refused, not mangled.
    std::string out;
    ArchiveStatus st = writeProject(*s, CodePage::Windows1252, out);
    EXPECT_EQ(st.error, ArchiveError::Unencodable);
}

struct VersionRow {
    std::uint32_t version;
    std::array<bool, 7> flags;
    bool hasDoubleFault, hasStatusFields, hasTrailer;
};

class ProjectArchiveVersions : public ::testing::TestWithParam<VersionRow> {};

TEST_P(ProjectArchiveVersions, OlderBodiesReadWhatTheyCarry)
{
    const VersionRow r = GetParam();
    const std::string file = fileOfVersion(r.version, 2, {1, 1, 1, 1, 1, 1, 1});
    auto s = newDocument();
    ArchiveStatus st = readProject(file, CodePage::Windows1252, *s);
    ASSERT_TRUE(st.ok()) << st.reason();
    EXPECT_EQ(s->fileVersion, r.version);
    for (int f = 1; f <= 7; ++f)
        EXPECT_EQ(s->modelFlag(f), r.flags[f - 1]) << "modelFlag" << f;
    const CONFIG &c = s->subnet(0);
    const bool v500 = r.version >= 500;
    EXPECT_EQ((std::vector<std::string>{c.charIntervalSend, c.charIntervalReceive, c.startChar, c.doubleFaultReset,
                                        c.commandStatus, c.timeoutAction, c.timeoutCount,
                                        s->fieldbus.profibusConfigMode, s->fieldbus.profibusConfigData}),
              (std::vector<std::string>{v500 ? "4" : "0", v500 ? "5" : "0", v500 ? "<" : "",
                                        r.hasDoubleFault ? "Enable" : "", r.hasStatusFields ? "Disable" : "",
                                        r.hasStatusFields ? "Clear Data" : "", r.hasStatusFields ? "3" : "",
                                        r.hasTrailer ? "Input configuration data" : "", r.hasTrailer ? "d1 e1 " : ""}));
    EXPECT_EQ(c.nodeCount, 2);
    EXPECT_EQ(c.nodes[1], (NODE{"2", "Node-2"}));
    EXPECT_EQ(c.commands[1].mappingAddress, "1a");
    EXPECT_EQ(c.commands[1].nodeNumber, 2);
    // Entries a file does not carry are empty, not defaults.
    EXPECT_EQ(c.nodes[2], NODE{});
    EXPECT_EQ(c.commands[2], COMMAND{});
    EXPECT_EQ(s->subnet(3).masterBaud, "19200");

    // A file that stops right after the fourth body is complete exactly when no trailer is due.
    const std::string withoutTrailer = fileOfVersion(r.version, 2);
    std::size_t trailer = r.hasTrailer ? std::string("\x18Input configuration data\x06" "d1 e1 ").size() : 0;
    auto t = newDocument();
    EXPECT_EQ(readProject(withoutTrailer.substr(0, withoutTrailer.size() - trailer),
                          CodePage::Windows1252, *t).ok(), !r.hasTrailer);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ProjectArchiveVersions,
    ::testing::Values(VersionRow{232, {0, 0, 0, 0, 0, 0, 0}, false, false, false},
                      VersionRow{233, {1, 1, 0, 0, 0, 0, 0}, false, false, false},
                      VersionRow{243, {1, 1, 1, 0, 0, 0, 0}, false, false, false},
                      VersionRow{244, {1, 1, 1, 1, 0, 0, 0}, true, false, false},
                      VersionRow{245, {1, 1, 1, 1, 1, 0, 0}, true, false, false},
                      VersionRow{246, {1, 1, 1, 1, 1, 1, 0}, true, false, true},
                      VersionRow{300, {1, 1, 1, 1, 1, 1, 1}, true, true, true},
                      VersionRow{499, {1, 1, 1, 1, 1, 1, 1}, true, true, true},
                      VersionRow{500, {1, 1, 1, 1, 1, 1, 1}, true, true, true},
                      VersionRow{501, {1, 1, 1, 1, 1, 1, 1}, true, true, true},
                      VersionRow{0xFFFFFFFF, {1, 1, 1, 1, 1, 1, 1}, true, true, true}),
    [](const auto &info) { return "v" + std::to_string(info.param.version); });

TEST(ProjectArchive, LastBodyDecidesFlagsAndVersion)
{
    Bytes f = newDocumentFieldbus();
    f.u16(0xFFFF).u16(1).u16(6).raw("CONFIG");
    defaultBody(f, 500, "Enable", 0, {1, 1, 1, 1, 1, 1, 1});
    f.u16(0x8003);
    defaultBody(f, 500, "", 0, {1, 1, 1, 1, 1, 1, 1});
    f.u16(0x8003);
    defaultBody(f, 500, "", 0, {1, 1, 1, 1, 1, 1, 1});
    f.u16(0x8003);
    defaultBody(f, 245, "", 0, {0, 1, 0, 0, 1, 1, 1});
    auto s = newDocument();
    ArchiveStatus st = readProject(f.b, CodePage::Windows1252, *s);
    ASSERT_TRUE(st.ok()) << st.reason();
    EXPECT_EQ(s->fileVersion, 245u);
    EXPECT_EQ((std::array<bool, 7>{s->modelFlag1, s->modelFlag2, s->modelFlag3, s->modelFlag4, s->modelFlag5,
                                   s->modelFlag6, s->modelFlag7}),
              (std::array<bool, 7>{false, true, false, false, true, false, false}));
    EXPECT_EQ(s->fieldbus.profibusConfigMode, "");
}

TEST(ProjectArchive, TruncatedAtEveryOffsetFailsAndChangesNothing)
{
    auto source = newDocument();
    source->gatewayType = 4;
    source->subnet(0).nodeCount = 2;
    source->subnet(0).commandCount = 3;
    source->subnet(1).commands[0].functionCode = std::string(300, 'q');
    source->subnet(1).commandCount = 1;
    const std::string bytes = write(*source);

    auto before = newDocument();
    before->modelFlag2 = true;
    before->fileVersion = 246;
    before->subnet(2).nodeCount = 1;
    before->configModified = true;
    auto s = std::make_unique<ConfigStore>(*before);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        ArchiveStatus st = readProject(std::string_view(bytes).substr(0, n), CodePage::Windows1252, *s);
        ASSERT_EQ(st.error, ArchiveError::Truncated) << "length " << n;
        ASSERT_TRUE(*s == *before) << "length " << n;
    }
    EXPECT_TRUE(readProject(bytes, CodePage::Windows1252, *s).ok());
    EXPECT_EQ(s->gatewayType, 4u);
}

TEST(ProjectArchive, MalformedFilesAreRefusedAndChangeNothing)
{
    const std::string good = write(*newDocument());
    const std::size_t config1 = good.find("CONFIG") - 6; // tag of the first subnet
    const std::size_t config2 = good.find(std::string("\x03\x80", 2));
    const std::size_t counts = good.find(std::string("\x00\x00\x00\x00\x00\x00\x00\x00", 8), config1);

    auto patched = [&](std::size_t at, std::string_view with) {
        std::string b = good;
        b.replace(at, with.size(), with);
        return b;
    };
    struct Row {
        const char *name;
        std::string bytes;
        ArchiveError error;
        const char *reason = ""; // when given, the whole reason
    };
    const Row rows[] = {
        {"fieldbus class renamed", patched(10, "FIELDBUZ"), ArchiveError::WrongClass,
         "a record of class \"FIELDBUZ\" was found where \"FIELDBUS\" was expected (at byte 4)"},
        {"subnet class renamed", patched(config1 + 6, "CONFIX"), ArchiveError::WrongClass},
        {"fieldbus schema 2", patched(6, std::string("\x02\x00", 2)), ArchiveError::WrongSchema},
        {"subnet schema 0", patched(config1 + 2, std::string("\x00\x00", 2)), ArchiveError::WrongSchema},
        {"null tag for fieldbus", patched(4, std::string("\x00\x00", 2)), ArchiveError::NullTag},
        {"null tag for subnet 2", patched(config2, std::string("\x00\x00", 2)), ArchiveError::NullTag},
        {"subnet 2 tagged as class FIELDBUS", patched(config2, std::string("\x01\x80", 2)), ArchiveError::WrongClass},
        {"subnet 2 tagged with an unknown class", patched(config2, std::string("\x09\x80", 2)), ArchiveError::BadTag},
        {"subnet 2 as a reference to object 4", patched(config2, std::string("\x04\x00", 2)), ArchiveError::BadTag},
        {"nodeCount 129", patched(counts, std::string("\x81\x00\x00\x00", 4)), ArchiveError::CountOutOfRange},
        {"nodeCount -1", patched(counts, std::string("\xFF\xFF\xFF\xFF", 4)), ArchiveError::CountOutOfRange},
        {"commandCount 129", patched(counts + 4, std::string("\x81\x00\x00\x00", 4)), ArchiveError::CountOutOfRange},
        {"huge string length", patched(18, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7)), ArchiveError::Truncated},
    };
    auto before = newDocument();
    before->gatewayType = 6;
    before->modelFlag4 = true;
    before->fileVersion = 300;
    for (const Row &r : rows) {
        auto s = std::make_unique<ConfigStore>(*before);
        ArchiveStatus st = readProject(r.bytes, CodePage::Windows1252, *s);
        EXPECT_EQ(st.error, r.error) << r.name;
        EXPECT_FALSE(st.reason().empty()) << r.name;
        if (*r.reason)
            EXPECT_EQ(st.reason(), r.reason);
        EXPECT_TRUE(*s == *before) << r.name;
    }
}

} // namespace
} // namespace tqv
