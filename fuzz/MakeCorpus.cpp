// Writes the starting inputs of the project-reader fuzz target into a directory: real documents
// of this program, files in the older record versions it still reads, and files broken in each
// way the reader names. Every file is read back before it is kept, so a file that does not say
// what its name says stops the program instead of quietly weakening the corpus.
//
// Usage: tqv-make-corpus OUTPUT_DIR
#include "model/ConfigStore.h"
#include "model/ProjectArchive.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tqv;

namespace {

[[noreturn]] void die(const std::string &message)
{
    std::fprintf(stderr, "tqv-make-corpus: %s\n", message.c_str());
    std::exit(1);
}

// Where the fields a broken file alters sit in a written file.
struct Layout {
    std::size_t fieldbusSchemaAt = 0;
    std::size_t fieldbusNameAt = 0;
    std::size_t configNameAt = 0;
    std::array<std::size_t, kSubnetCount> subnetTagAt{};
    std::array<std::size_t, kSubnetCount> countsAt{};
    std::array<std::size_t, kSubnetCount> nodesEndAt{};
    std::array<std::size_t, kSubnetCount> commandsEndAt{};
};

// Writes any record version the reader accepts (the program itself writes only the current
// one), in the archive's byte layout, so the corpus holds files of older tools.
class LegacyWriter {
public:
    LegacyWriter(CodePage page, std::uint32_t version) : m_page(page), m_version(version) {}

    std::string write(const ConfigStore &store, Layout &layout)
    {
        m_out.clear();
        u32(store.gatewayType);
        layout.fieldbusSchemaAt = m_out.size() + 2;
        layout.fieldbusNameAt = m_out.size() + 6;
        classHeader("FIELDBUS");
        const FIELDBUS &f = store.fieldbus;
        for (const std::string *s : {&f.fieldbusType, &f.deviceNetAddress, &f.deviceNetBaud,
                                     &f.inputSize, &f.outputSize, &f.ipAssignMode, &f.ipAddress,
                                     &f.subnetMask, &f.gatewayAddress, &f.dns1, &f.dns2})
            string(*s);
        for (int i = 0; i < kSubnetCount; ++i) {
            layout.subnetTagAt[static_cast<std::size_t>(i)] = m_out.size();
            if (i == 0) {
                layout.configNameAt = m_out.size() + 6;
                classHeader("CONFIG");
            } else {
                u16(0x8003); // the CONFIG class, third index of the archive
            }
            const auto at = static_cast<std::size_t>(i);
            body(store, store.subnet(i), layout.countsAt[at], layout.nodesEndAt[at],
                 layout.commandsEndAt[at]);
        }
        if (m_version >= 246) {
            string(f.profibusConfigMode);
            string(f.profibusConfigData);
        }
        return m_out;
    }

private:
    void u16(std::uint16_t v)
    {
        m_out += static_cast<char>(v & 0xFF);
        m_out += static_cast<char>(v >> 8);
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void classHeader(const std::string &name)
    {
        u16(0xFFFF);
        u16(1);
        u16(static_cast<std::uint16_t>(name.size()));
        m_out += name;
    }
    void string(const std::string &utf8)
    {
        std::string encoded;
        if (!encodeText(utf8, m_page, encoded))
            die("text has no form in the code page: " + utf8);
        const std::size_t n = encoded.size();
        if (n < 0xFF) {
            m_out += static_cast<char>(n);
        } else if (n < 0xFFFE) {
            m_out += '\xFF';
            u16(static_cast<std::uint16_t>(n));
        } else {
            m_out += '\xFF';
            u16(0xFFFF);
            u32(static_cast<std::uint32_t>(n));
        }
        m_out += encoded;
    }
    void body(const ConfigStore &store, const CONFIG &c, std::size_t &countsAt,
              std::size_t &nodesEndAt, std::size_t &commandsEndAt)
    {
        const std::uint32_t v = m_version;
        u32(v);
        for (const std::string *s :
             {&c.protocol, &c.masterBaud, &c.masterDataBits, &c.masterParity, &c.masterStopBits,
              &c.masterMode, &c.responseTimeout, &c.pollDelay, &c.outputMode, &c.pulseTime,
              &c.scanRatio, &c.slaveBaud, &c.slaveDataBits, &c.slaveParity, &c.slaveStopBits,
              &c.ownAddress, &c.slaveMode, &c.userBaud, &c.userDataBits, &c.userParity,
              &c.userStopBits, &c.frameType, &c.charTimeout, &c.frameLength, &c.autoSend,
              &c.autoSendPeriod, &c.crcCheck, &c.commInterface, &c.debugInterface,
              &c.inputLengthPrefix, &c.customBaud, &c.customDataBits, &c.customParity,
              &c.customStopBits})
            string(*s);
        countsAt = m_out.size();
        u32(static_cast<std::uint32_t>(c.nodeCount));
        u32(static_cast<std::uint32_t>(c.commandCount));
        if (v >= 500)
            for (const std::string *s :
                 {&c.startChar, &c.stopChar, &c.charIntervalSend, &c.charIntervalReceive})
                string(*s);
        for (int i = 0; i < c.nodeCount; ++i) {
            const NODE &n = c.nodes[static_cast<std::size_t>(i)];
            string(n.address);
            string(n.name);
        }
        nodesEndAt = m_out.size();
        for (int i = 0; i < c.commandCount; ++i) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            for (const std::string *s :
                 {&cmd.slaveAddress, &cmd.functionCode, &cmd.startAddress, &cmd.quantity,
                  &cmd.mappingAddress, &cmd.mappingBit, &cmd.byteCount, &cmd.dataFormat,
                  &cmd.checkType, &cmd.scanType})
                string(*s);
            u32(static_cast<std::uint32_t>(cmd.nodeNumber));
        }
        commandsEndAt = m_out.size();
        auto flag = [&](int number) { u32(store.modelFlag(number) ? 1 : 0); };
        if (v >= 233) {
            flag(1);
            flag(2);
        }
        if (v >= 243)
            flag(3);
        if (v >= 244) {
            flag(4);
            string(c.doubleFaultReset);
        }
        if (v >= 245)
            flag(5);
        if (v >= 246)
            flag(6);
        if (v >= 300) {
            flag(7);
            string(c.commandStatus);
            string(c.timeoutAction);
            string(c.timeoutCount);
        }
    }

    CodePage m_page;
    std::uint32_t m_version;
    std::string m_out;
};

std::string legacyFile(const ConfigStore &store, std::uint32_t version, CodePage page,
                       Layout &layout)
{
    return LegacyWriter(page, version).write(store, layout);
}

std::string legacyFile(const ConfigStore &store, std::uint32_t version, CodePage page)
{
    Layout layout;
    return legacyFile(store, version, page, layout);
}

std::string currentFile(const ConfigStore &store, CodePage page)
{
    std::string bytes;
    const ArchiveStatus status = writeProject(store, page, bytes);
    if (!status.ok())
        die("writeProject failed: " + status.reason());
    return bytes;
}

std::unique_ptr<ConfigStore> newDocument(Language language)
{
    setLanguage(language);
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    return store;
}

// A document as a user builds it: nodes and commands on every subnet, every flag given, texts
// in the language's own script.
std::unique_ptr<ConfigStore> documentWithContent(Language language, bool allFlags)
{
    auto store = newDocument(language);
    const bool zh = language == Language::Chinese;
    store->gatewayType = 1;
    for (int n = 1; n <= 7; ++n)
        store->setModelFlag(n, allFlags || n == 1 || n == 4 || n == 7);
    store->fieldbus.profibusConfigMode = zh ? "按字节选择" : "Use bytes selection";
    store->fieldbus.profibusConfigData = "0x10,0x21,0x92";
    static const char *const functions[] = {"1", "2", "3", "4", "5", "6", "15", "16"};
    for (int s = 0; s < kSubnetCount; ++s) {
        CONFIG &c = store->subnet(s);
        c.doubleFaultReset = zh ? "启用" : "Enable";
        c.startChar = "02";
        c.stopChar = "03";
        c.charIntervalSend = std::to_string(5 + s);
        c.charIntervalReceive = std::to_string(10 + s);
        c.masterBaud = s % 2 ? "9600" : "115200";
        for (int n = 0; n < 3 + s; ++n) {
            const int number = store->addNode(s).value();
            NODE &node = store->node(s, number);
            node.address = std::to_string(number + 10 * s);
            node.name = (zh ? "泵站" : "Pump station ") + std::to_string(number);
        }
        for (int k = 0; k < 2 * (s + 1); ++k) {
            const int position =
                store->addCommand(s, 1 + k % (3 + s), functions[(k + s) % 8]).value();
            COMMAND &cmd = store->command(s, position);
            cmd.startAddress = std::to_string(100 * k);
            cmd.quantity = cmd.quantity.empty() ? std::to_string(1 + k) : cmd.quantity;
            cmd.mappingAddress = "0x" + std::to_string(20 + k);
            cmd.mappingBit = std::to_string(k % 8);
            cmd.byteCount = std::to_string(2 * (1 + k));
            cmd.checkType = "CRC";
        }
    }
    return store;
}

// The first field (by name) in which two stores differ, as far as a file carries them; empty
// when they agree. Entries past the counts are not in a file and are not compared.
std::string firstDifference(const ConfigStore &a, const ConfigStore &b)
{
    if (a.gatewayType != b.gatewayType)
        return "gatewayType";
    if (a.fileVersion != b.fileVersion)
        return "fileVersion";
    for (int n = 1; n <= 7; ++n)
        if (a.modelFlag(n) != b.modelFlag(n))
            return "modelFlag" + std::to_string(n);
    for (const auto &f : kFieldbusFields)
        if (a.fieldbus.*f.member != b.fieldbus.*f.member)
            return std::string("fieldbus.") + f.name;
    for (int s = 0; s < kSubnetCount; ++s) {
        const CONFIG &x = a.subnet(s);
        const CONFIG &y = b.subnet(s);
        const std::string where = "subnet " + std::to_string(s + 1) + ": ";
        for (const auto &f : kConfigFields)
            if (x.*f.member != y.*f.member)
                return where + f.name;
        if (x.nodeCount != y.nodeCount || x.commandCount != y.commandCount)
            return where + "counts";
        for (int i = 0; i < x.nodeCount; ++i)
            if (!(x.nodes[static_cast<std::size_t>(i)] == y.nodes[static_cast<std::size_t>(i)]))
                return where + "node " + std::to_string(i + 1);
        for (int i = 0; i < x.commandCount; ++i)
            if (!(x.commands[static_cast<std::size_t>(i)] ==
                  y.commands[static_cast<std::size_t>(i)]))
                return where + "command " + std::to_string(i + 1);
    }
    return {};
}

// What reading a file of `version` written from `source` must give: fields the version lacks
// come back empty (the character intervals as "0"), flags it lacks come back clear.
std::unique_ptr<ConfigStore> expectedAfterRead(const ConfigStore &source, std::uint32_t version)
{
    auto e = std::make_unique<ConfigStore>(source);
    for (CONFIG &c : e->subnets) {
        if (version < 500) {
            c.startChar.clear();
            c.stopChar.clear();
            c.charIntervalSend = "0";
            c.charIntervalReceive = "0";
        }
        if (version < 244)
            c.doubleFaultReset.clear();
        if (version < 300) {
            c.commandStatus.clear();
            c.timeoutAction.clear();
            c.timeoutCount.clear();
        }
    }
    static const std::uint32_t since[7] = {233, 233, 243, 244, 245, 246, 300};
    for (int n = 1; n <= 7; ++n)
        e->setModelFlag(n, source.modelFlag(n) && version >= since[n - 1]);
    if (version < 246) {
        e->fieldbus.profibusConfigMode.clear();
        e->fieldbus.profibusConfigData.clear();
    }
    e->fileVersion = version;
    return e;
}

class Corpus {
public:
    explicit Corpus(fs::path dir) : m_dir(std::move(dir)) {}

    // A file that must read under both code pages (the layout does not depend on the page) and,
    // under its own page, give `expected`.
    void good(const std::string &name, const std::string &bytes, CodePage page,
              const ConfigStore &expected)
    {
        for (CodePage p : {CodePage::Windows1252, CodePage::Gbk}) {
            auto store = newDocument(p == CodePage::Gbk ? Language::Chinese : Language::English);
            const ArchiveStatus status = readProject(bytes, p, *store);
            if (!status.ok())
                die(name + ": refused: " + status.reason());
            if (p != page)
                continue;
            const std::string diff = firstDifference(*store, expected);
            if (!diff.empty())
                die(name + ": read back differs in " + diff);
        }
        save(name, bytes);
    }

    // A file that both code pages must refuse with `error`.
    void bad(const std::string &name, const std::string &bytes, ArchiveError error)
    {
        for (CodePage p : {CodePage::Windows1252, CodePage::Gbk}) {
            auto store = newDocument(Language::English);
            const ArchiveStatus status = readProject(bytes, p, *store);
            if (status.error != error)
                die(name + ": not refused as intended (" +
                    (status.ok() ? std::string("accepted") : status.reason()) + ")");
        }
        save(name, bytes);
    }

    std::size_t files() const { return m_files; }
    std::size_t totalBytes() const { return m_bytes; }

private:
    void save(const std::string &name, const std::string &bytes)
    {
        std::ofstream out(m_dir / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            die("cannot write " + (m_dir / name).string());
        ++m_files;
        m_bytes += bytes.size();
    }

    fs::path m_dir;
    std::size_t m_files = 0;
    std::size_t m_bytes = 0;
};

void putU16(std::string &bytes, std::size_t at, std::uint16_t v)
{
    bytes.at(at) = static_cast<char>(v & 0xFF);
    bytes.at(at + 1) = static_cast<char>(v >> 8);
}

void putU32(std::string &bytes, std::size_t at, std::uint32_t v)
{
    putU16(bytes, at, static_cast<std::uint16_t>(v));
    putU16(bytes, at + 2, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const fs::path dir = argv[1];
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        die("cannot create " + dir.string() + ": " + ec.message());
    Corpus corpus(dir);
    constexpr CodePage cp1252 = CodePage::Windows1252;
    constexpr CodePage gbk = CodePage::Gbk;

    // Documents as this program writes them.
    {
        auto en = newDocument(Language::English);
        corpus.good("new-document-1252.tqv", currentFile(*en, cp1252), cp1252,
                    *expectedAfterRead(*en, kCurrentRecordVersion));
        auto zh = newDocument(Language::Chinese);
        corpus.good("new-document-gbk.tqv", currentFile(*zh, gbk), gbk,
                    *expectedAfterRead(*zh, kCurrentRecordVersion));
    }
    {
        auto en = documentWithContent(Language::English, false);
        // The local writer must agree with the program's own for the current version, or the
        // older versions below would test the wrong layout.
        if (legacyFile(*en, kCurrentRecordVersion, cp1252) != currentFile(*en, cp1252))
            die("the local writer disagrees with writeProject at the current version");
        corpus.good("nodes-commands-1252.tqv", currentFile(*en, cp1252), cp1252,
                    *expectedAfterRead(*en, kCurrentRecordVersion));
        auto zh = documentWithContent(Language::Chinese, false);
        corpus.good("nodes-commands-gbk.tqv", currentFile(*zh, gbk), gbk,
                    *expectedAfterRead(*zh, kCurrentRecordVersion));
    }
    {
        // Lengths on both sides of each length-prefix form: 254 | 255 (u16), 300, 70000 (u32).
        auto en = documentWithContent(Language::English, false);
        en->subnet(0).nodes[0].name = std::string(254, 'a');
        en->subnet(0).nodes[1].name = std::string(255, 'b');
        en->subnet(1).commands[0].checkType = std::string(300, 'c');
        en->fieldbus.profibusConfigData = std::string(70000, 'd');
        corpus.good("long-texts-1252.tqv", currentFile(*en, cp1252), cp1252,
                    *expectedAfterRead(*en, kCurrentRecordVersion));
        auto zh = documentWithContent(Language::Chinese, false);
        std::string longName;
        for (int i = 0; i < 75; ++i)
            longName += "网关"; // two bytes a character in GBK: 300 bytes
        zh->subnet(2).nodes[0].name = longName;
        corpus.good("long-texts-gbk.tqv", currentFile(*zh, gbk), gbk,
                    *expectedAfterRead(*zh, kCurrentRecordVersion));
    }
    {
        // Both counts at their limit.
        auto en = documentWithContent(Language::English, false);
        CONFIG &c = en->subnet(3);
        while (c.nodeCount < kMaxNodes)
            (void)en->addNode(3);
        while (c.commandCount < kMaxCommands)
            (void)en->addCommand(3, c.commandCount % kMaxNodes + 1, "3");
        corpus.good("full-subnet-1252.tqv", currentFile(*en, cp1252), cp1252,
                    *expectedAfterRead(*en, kCurrentRecordVersion));

        // One node / command past the limit, with the record really present, so that only the
        // count check can refuse the file.
        Layout layout;
        const std::string full = legacyFile(*en, kCurrentRecordVersion, cp1252, layout);
        std::string bytes = full;
        bytes.insert(layout.nodesEndAt[3], std::string("\x02" "99" "\x05" "Extra", 9));
        putU32(bytes, layout.countsAt[3], kMaxNodes + 1);
        corpus.bad("node-count-129.tqv", bytes, ArchiveError::CountOutOfRange);
        bytes = full;
        std::string command;
        for (int i = 0; i < 10; ++i)
            command += std::string("\x01") + static_cast<char>('0' + i);
        command += std::string("\x01\x00\x00\x00", 4); // node number 1
        bytes.insert(layout.commandsEndAt[3], command);
        putU32(bytes, layout.countsAt[3] + 4, kMaxCommands + 1);
        corpus.bad("command-count-129.tqv", bytes, ArchiveError::CountOutOfRange);
    }
    {
        // Texts whose bytes the code page leaves undefined or breaks off mid-character: read as
        // escapes, they must come back as the same bytes.
        auto en = documentWithContent(Language::English, false);
        en->subnet(0).nodes[0].name = decodeText("\x81\x8D\x8F\x90\x9D ok \xE9", cp1252);
        en->subnet(1).nodes[1].name = decodeText("caf\xE9 \x80", cp1252);
        corpus.good("undefined-bytes-1252.tqv", currentFile(*en, cp1252), cp1252,
                    *expectedAfterRead(*en, kCurrentRecordVersion));
        auto zh = documentWithContent(Language::Chinese, false);
        zh->subnet(0).nodes[0].name = decodeText("\xC4\xE3\x81\xFF\x80 \xFF", gbk);
        zh->subnet(0).nodes[1].name = decodeText("\xBA\xC3\xC4", gbk); // lead byte at the end
        corpus.good("broken-sequences-gbk.tqv", currentFile(*zh, gbk), gbk,
                    *expectedAfterRead(*zh, kCurrentRecordVersion));
    }

    // Older record versions, every flag set so that each version's flags show.
    {
        auto en = documentWithContent(Language::English, true);
        for (std::uint32_t version : {232u, 243u, 244u, 245u, 246u, 300u})
            corpus.good("version-" + std::to_string(version) + "-1252.tqv",
                        legacyFile(*en, version, cp1252), cp1252,
                        *expectedAfterRead(*en, version));
        auto zh = documentWithContent(Language::Chinese, true);
        corpus.good("version-245-gbk.tqv", legacyFile(*zh, 245, gbk), gbk,
                    *expectedAfterRead(*zh, 245));
    }

    // Broken files, one fault each.
    {
        auto en = documentWithContent(Language::English, false);
        Layout layout;
        const std::string whole = legacyFile(*en, kCurrentRecordVersion, cp1252, layout);
        auto variant = [&](auto change) {
            std::string bytes = whole;
            change(bytes);
            return bytes;
        };

        corpus.bad("empty.tqv", std::string(), ArchiveError::Truncated);
        corpus.bad("truncated-gateway-type.tqv", whole.substr(0, 3), ArchiveError::Truncated);
        corpus.bad("truncated-class-name.tqv", whole.substr(0, layout.fieldbusNameAt + 4),
                   ArchiveError::Truncated);
        // Cut inside the last text before subnet 2's counts: its length byte without its text.
        corpus.bad("truncated-in-text.tqv", whole.substr(0, layout.countsAt[1] - 1),
                   ArchiveError::Truncated);
        corpus.bad("truncated-in-counts.tqv", whole.substr(0, layout.countsAt[2] + 6),
                   ArchiveError::Truncated);
        corpus.bad("truncated-at-end.tqv", whole.substr(0, whole.size() - 1),
                   ArchiveError::Truncated);
        corpus.bad("text-length-beyond-end.tqv", variant([&](std::string &b) {
                       // The first fieldbus text claims 4 GiB in the long form.
                       const std::size_t at = layout.fieldbusNameAt + 8;
                       b.insert(at, "\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7);
                   }),
                   ArchiveError::Truncated);

        corpus.bad("wrong-class-fieldbus.tqv",
                   variant([&](std::string &b) { b.at(layout.fieldbusNameAt + 7) = 'X'; }),
                   ArchiveError::WrongClass);
        corpus.bad("wrong-class-config.tqv",
                   variant([&](std::string &b) { b.at(layout.configNameAt + 5) = 'X'; }),
                   ArchiveError::WrongClass);
        corpus.bad("subnet-tag-names-fieldbus.tqv",
                   variant([&](std::string &b) { putU16(b, layout.subnetTagAt[1], 0x8001); }),
                   ArchiveError::WrongClass);
        corpus.bad("schema-2.tqv",
                   variant([&](std::string &b) { putU16(b, layout.fieldbusSchemaAt, 2); }),
                   ArchiveError::WrongSchema);
        corpus.bad("null-tag.tqv",
                   variant([&](std::string &b) { putU16(b, layout.subnetTagAt[2], 0x0000); }),
                   ArchiveError::NullTag);
        corpus.bad("object-reference-tag.tqv",
                   variant([&](std::string &b) { putU16(b, layout.subnetTagAt[3], 0x0002); }),
                   ArchiveError::BadTag);
        corpus.bad("unknown-class-index.tqv",
                   variant([&](std::string &b) { putU16(b, layout.subnetTagAt[1], 0x8007); }),
                   ArchiveError::BadTag);
        corpus.bad("command-count-negative.tqv",
                   variant([&](std::string &b) { putU32(b, layout.countsAt[3] + 4, 0xFFFFFFFFu); }),
                   ArchiveError::CountOutOfRange);
    }

    std::printf("%zu files, %zu bytes in %s\n", corpus.files(), corpus.totalBytes(),
                dir.string().c_str());
    return 0;
}
