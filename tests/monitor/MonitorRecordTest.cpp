// Monitor records, frames, write checks and saved texts, against bytes written out by hand.
#include "monitor/MonitorRecord.h"
#include "resources/Strings.h"
#include "support/FakeSerialLink.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

class MonitorRecordTest : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(Language::English); }
};

TEST_F(MonitorRecordTest, FramedFramesCarryTheirSums)
{
    EXPECT_EQ(framedAskSubnetType(), bytes({0xD0, 0x00, 0xD0}));
    EXPECT_EQ(framedStart(), bytes({0xD2, 0x01, 0xEA, 0xBD}));
    EXPECT_EQ(framedNext(), bytes({0xD4, 0x01, 0x00, 0xD5}));
    EXPECT_EQ(framedStop(), bytes({0xD2, 0x01, 0xF0, 0xC3}));
    // D4 05 01 40 F3 0A 1B, sum 0xD4+5+1+0x40+0xF3+0x0A+0x1B = 0x232 -> 32.
    EXPECT_EQ(framedWriteFrame(0x40F3, bytes({0x0A, 0x1B})), bytes({0xD4, 0x05, 0x01, 0x40, 0xF3, 0x0A, 0x1B, 0x32}));
}

TEST_F(MonitorRecordTest, HandshakeJudge)
{
    std::string master(14, '\0');
    master = bytes({0xD0}) + std::string(13, '\0') + bytes({0x00, 0xD0});
    std::string slave = bytes({0xD0}) + std::string(13, '\0') + bytes({0x01, 0xD1});
    std::string user = bytes({0xD0}) + std::string(13, '\0') + bytes({0x03, 0xD3});
    std::string illegal = bytes({0xD0}) + std::string(13, '\0') + bytes({0x02, 0xD2});
    std::string badSum = bytes({0xD0}) + std::string(13, '\0') + bytes({0x00, 0xD1});
    std::string badStart = bytes({0xD1}) + std::string(13, '\0') + bytes({0x00, 0xD1});
    struct Case {
        std::string reply;
        FramedMode mode;
        std::optional<StrId> expected;
    };
    const Case cases[] = {
        {master, FramedMode::Master, std::nullopt},
        {master, FramedMode::Slave, StrId::MsgMonitorMismatchMaster},
        {slave, FramedMode::Slave, std::nullopt},
        {slave, FramedMode::Master, StrId::MsgMonitorMismatchSlave},
        {user, FramedMode::Other, std::nullopt},
        {user, FramedMode::Slave, StrId::MsgMonitorMismatchUserConfig},
        {illegal, FramedMode::Master, StrId::MsgMonitorIllegalSubnet},
        {badSum, FramedMode::Master, StrId::MsgMonitorHardwareMismatch},
        {badStart, FramedMode::Master, StrId::MsgMonitorHardwareMismatch},
        {master.substr(0, 15), FramedMode::Master, StrId::MsgMonitorHardwareMismatch},
        {std::string(), FramedMode::Master, StrId::MsgMonitorHardwareMismatch},
    };
    for (const Case &c : cases)
        EXPECT_EQ(judgeHandshake(c.reply, c.mode), c.expected) << static_cast<int>(c.mode) << " " << c.reply.size();
    EXPECT_EQ(text(StrId::MsgMonitorMismatchMaster),
              "Currently the gateway sub network type is Modbus master, and mismatch the software "
              "configuration.Please select the corresponding configuration\n");
}

TEST_F(MonitorRecordTest, FramedRecords)
{
    struct Case {
        std::string bytes;
        FramedMode mode;
        RecordVerdict verdict;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {bytes({0x00, 0x0A, 0x00, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78}), FramedMode::Master,
         RecordVerdict::Show, {"", "Respond correctly", "5", "3", "16", " 12 34 56 78"}},
        {bytes({0x00, 0x08, 0x01, 0xF7, 0x10, 0x40, 0x01, 0x00, 0xAB, 0xCD, 0x99}), FramedMode::Master,
         RecordVerdict::Show, {"", "Respond abnormally ", "247", "16", "16385", " AB CD"}},
        {bytes({0x00, 0x0A, 0xFF, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78}), FramedMode::Master,
         RecordVerdict::NoReply, {}},
        // A status without a text of its own still says which it is.
        {bytes({0x00, 0x08, 0x04, 0x05, 0x03, 0x00, 0x10, 0x00, 0x12, 0x99}), FramedMode::Master,
         RecordVerdict::Show, {"", "Unknown status 4", "5", "3", "16", " 12 99"}},
        // Length says 10 but only two data bytes came: no row, still answered.
        {bytes({0x00, 0x0A, 0x00, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34}), FramedMode::Master, RecordVerdict::NoRow, {}},
        {bytes({0x00, 0x0A, 0x00}), FramedMode::Master, RecordVerdict::NoRow, {}},
        {bytes({0xD5, 0xF5, 0x00, 0x01, 0xA2, 0x77}), FramedMode::Slave, RecordVerdict::Show,
         {"", "Modbus->Profibus", "01 A2 "}},
        {bytes({0xD5, 0xF5, 0x01, 0x0F, 0x77}), FramedMode::Slave, RecordVerdict::Show, {"", "Profibus->Modbus", "0F "}},
        {bytes({0xD5, 0xF4, 0x01, 0x0F, 0x77}), FramedMode::Slave, RecordVerdict::NoReply, {}},
        {bytes({0xD5, 0xF5, 0xFF, 0x0F, 0x77}), FramedMode::Slave, RecordVerdict::NoReply, {}},
        {bytes({0xD5, 0x00, 0x00, 0xEE, 0x77}), FramedMode::Other, RecordVerdict::Show, {"", "Serial port->Profibus", "EE "}},
        {bytes({0xD5, 0x00, 0x01, 0x77}), FramedMode::Other, RecordVerdict::Show, {"", "Profibus->Serial port", ""}},
        {bytes({0xD5, 0x00, 0x07, 0x01, 0x77}), FramedMode::Other, RecordVerdict::Show, {"", "Unknown direction 7", "01 "}},
    };
    for (const Case &c : cases) {
        const ParsedRecord r = parseFramedRecord(c.bytes, c.mode);
        EXPECT_EQ(r.verdict, c.verdict) << c.bytes.size();
        if (c.verdict == RecordVerdict::Show) {
            EXPECT_EQ(r.row.cells, c.cells);
        }
    }
}

TEST_F(MonitorRecordTest, SerialRecords)
{
    struct Case {
        std::string bytes;
        RecordVerdict verdict;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x02}), RecordVerdict::Show,
         {"", "Respond abnormally ", "5", "16", "02 (Incorrect data address)"}},
        {bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x09}), RecordVerdict::Show,
         {"", "Respond abnormally ", "5", "16", "01 (Incorrect function code)"}},
        {bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x08}), RecordVerdict::Show,
         {"", "Respond abnormally ", "5", "16", "08 (The parity check of memory is wrong)"}},
        {bytes({0x00, 0x0B, 0x40, 0x02, 0x03, 0xAB, 0x00, 0x7F}), RecordVerdict::Show,
         {"", "Respond correctly", "11", "16386", "AB 00 7F "}},
        {bytes({0x03, 0x02, 0x00, 0x00, 0x00}), RecordVerdict::Show,
         {"", "Response timeout", "2", "0", "The node has no response"}},
        {bytes({0x02, 0x02, 0x00, 0x01, 0x00}), RecordVerdict::Show, {"", "Respond incorrectly", "2", "1", ""}},
        {bytes({0x04, 0x05, 0x00, 0x10, 0x01, 0x02}), RecordVerdict::NoReply, {}},
        {bytes({0xFE}), RecordVerdict::NoReply, {}},
        {bytes({0xFF, 0x00}), RecordVerdict::NoRow, {}},
        {bytes({0x00, 0x0B, 0x40, 0x02, 0x03, 0xAB}), RecordVerdict::NoRow, {}},
    };
    for (const Case &c : cases) {
        const ParsedRecord r = parseSerialRecord(c.bytes);
        EXPECT_EQ(r.verdict, c.verdict) << c.bytes.size();
        if (c.verdict == RecordVerdict::Show) {
            EXPECT_EQ(r.row.cells, c.cells);
        }
    }
    EXPECT_EQ(recordWriteFrame(0x406F, bytes({0x0A, 0x1B})), bytes({0x01, 0x40, 0x6F, 0x02, 0x0A, 0x1B}));
}

// Header, then index at 8..11, status at 12..15, byte 16, slave 17, address 18..19, data from 20.
std::string udpRecord(int length, int index, int status, int slave, int hi, int lo, std::string data)
{
    return bytes({0, 0, 0, 16, 0, 0, 0, length, 0, 0, 0, index, 0, 0, 0, status, 0, slave, hi, lo}) + data;
}

TEST_F(MonitorRecordTest, UdpRecordsAndMessages)
{
    struct Case {
        std::string bytes;
        RecordVerdict verdict;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {udpRecord(14, 0, 0, 3, 0x40, 0x00, bytes({0x12, 0xEF})), RecordVerdict::Show,
         {"", "1", "Respond correctly", "3", "16384", "12 EF "}},
        // The serial link's explanations: the exception's meaning, the node that did not answer.
        {udpRecord(16, 3, 1, 9, 0x00, 0x20, bytes({0x00, 0x00, 0x00, 0x04})), RecordVerdict::Show,
         {"", "4", "Respond abnormally ", "9", "32", "04 (Slave equipment error)"}},
        {udpRecord(12, 1, 3, 9, 0x00, 0x20, ""), RecordVerdict::Show,
         {"", "2", "Response timeout", "9", "32", "The node has no response"}},
        {udpRecord(12, 1, 4, 9, 0x00, 0x20, ""), RecordVerdict::NoReply, {}},
        {udpRecord(20, 0, 0, 3, 0x40, 0x00, bytes({0x12})), RecordVerdict::NoRow, {}},
        {bytes({0, 0, 0, 16, 0, 0}), RecordVerdict::NoReply, {}},
    };
    for (const Case &c : cases) {
        const ParsedRecord r = parseUdpRecord(c.bytes);
        EXPECT_EQ(r.verdict, c.verdict) << c.bytes.size();
        if (c.verdict == RecordVerdict::Show) {
            EXPECT_EQ(r.row.cells, c.cells);
        }
    }
    EXPECT_EQ(udpStart(), bytes({0, 0, 0, 14, 0, 0, 0, 8, 0xEA, 0xEA, 0xEA, 0xEA, 0, 0, 0, 0}));
    EXPECT_EQ(udpStop(), bytes({0, 0, 0, 14, 0, 0, 0, 8, 0xF0, 0xF0, 0xF0, 0xF0, 0, 0, 0, 0}));
    EXPECT_EQ(udpNext(), bytes({0, 0, 0, 16, 0, 0, 0, 4, 0, 0, 0, 0}));
    EXPECT_EQ(udpWriteMessage(0x4001, bytes({0xAA})), bytes({0, 0, 0, 16, 0, 0, 0, 7, 0, 0, 0, 1, 0x40, 0x01, 0xAA}));
}

TEST_F(MonitorRecordTest, FramedWriteChecks)
{
    struct Case {
        const char *address;
        std::string data;
        std::optional<StrId> error;
        std::uint16_t value;
        std::string bytes;
    };
    const Case cases[] = {
        {"40f3", "0a 1B", std::nullopt, 0x40F3, bytes({0x0A, 0x1B})},
        {"4000", "00 01 02 03", std::nullopt, 0x4000, bytes({0, 1, 2, 3})},
        {"4000", "00 0", std::nullopt, 0x4000, bytes({0})},
        {"4000", "", std::nullopt, 0x4000, ""},
        {"40F4", "0a 1B", StrId::MsgMonitorAddressRange, 0, ""},
        {"3fff", "0a", StrId::MsgMonitorAddressRange, 0, ""},
        {"04000", "0a", StrId::MsgMonitorAddressTooLong, 0, ""},
        {"40g0", "0a", StrId::MsgMonitorAddressIllegal, 0, ""},
        {"40f3", "0a,1B", StrId::MsgMonitorIllegalCharacter, 0, ""},
        {"40f3", "0x 1B", StrId::MsgMonitorIllegalCharacter, 0, ""},
        // The data is judged before the address.
        {"04000", "0a,1B", StrId::MsgMonitorIllegalCharacter, 0, ""},
    };
    for (const Case &c : cases) {
        const WriteCheck check = checkFramedWrite(c.address, c.data);
        EXPECT_EQ(check.error, c.error) << c.address << " / " << c.data;
        if (!c.error) {
            EXPECT_EQ(check.write, (MonitorWrite{c.value, c.bytes}));
        }
    }
    std::string many;
    for (int i = 0; i < 245; ++i)
        many += "ab ";
    EXPECT_EQ(checkFramedWrite("4000", many).error, StrId::MsgMonitorTooManyBytes);
    EXPECT_TRUE(checkFramedWrite("4000", many.substr(0, 244 * 3)).ok());
}

TEST_F(MonitorRecordTest, RecordWriteChecks)
{
    struct Case {
        const char *address;
        std::string data;
        std::optional<StrId> error;
        std::uint16_t value;
        std::string bytes;
    };
    const Case cases[] = {
        {"406f", "0a 1b", std::nullopt, 0x406F, bytes({0x0A, 0x1B})},
        {"406F", "0A 1B 2", std::nullopt, 0x406F, bytes({0x0A, 0x1B})},
        {"4070", "0a 1b", StrId::MsgMonitorAddressBeyond, 0, ""},
        {"400", "0a 1b", StrId::MsgMonitorInputFormat, 0, ""},
        {"4000", "0a1b", StrId::MsgMonitorInputFormat, 0, ""},
        {"4000", "0g 1b", StrId::MsgMonitorWrongHex, 0, ""},
        {"40g0", "0a 1b", StrId::MsgMonitorWrongHex, 0, ""},
        {"", "0a", StrId::MsgMonitorFillForm, 0, ""},
        {"4000", "", StrId::MsgMonitorFillForm, 0, ""},
        {"4000", " a 1b", StrId::MsgMonitorInputFormat, 0, ""},
        {"40 0", "0a", StrId::MsgMonitorInputFormat, 0, ""},
    };
    for (const Case &c : cases) {
        const WriteCheck check = checkRecordWrite(c.address, c.data);
        EXPECT_EQ(check.error, c.error) << c.address << " / " << c.data;
        if (!c.error) {
            EXPECT_EQ(check.write, (MonitorWrite{c.value, c.bytes}));
        }
    }
}

TEST_F(MonitorRecordTest, RecordSaveBlocks)
{
    const MonitorRow serial{1, {"7", "Respond abnormally ", "5", "16", "02 (Incorrect data address)"}};
    EXPECT_EQ(recordSaveBlock(MonitorLinkKind::RecordSerial, serial),
              "Status\t\tRespond abnormally \nSlave address\t5\nStarting address\t16\n"
              "Data/Malfunction code\t02 (Incorrect data address)\n\n");
    const MonitorRow serialTimeout{3, {"8", "Response timeout", "2", "0", "The node has no response"}};
    EXPECT_EQ(recordSaveBlock(MonitorLinkKind::RecordSerial, serialTimeout),
              "Status\t\tResponse timeout\nSlave address\t2\nStarting address\t0\nData/Malfunction code\t\n\n");
    const MonitorRow udp{0, {"9", "1", "Respond correctly", "3", "16384", "12 ef "}};
    EXPECT_EQ(recordSaveBlock(MonitorLinkKind::Udp, udp),
              "Serial port index\t1\nStatus\t\tRespond correctly\nSlave address\t3\nStarting address\t16384\n"
              "Data/Malfunction code\t12 ef \n\n");
    const MonitorRow udpTimeout{3, {"10", "2", "Response timeout", "9", "32", "The node has no response"}};
    EXPECT_EQ(recordSaveBlock(MonitorLinkKind::Udp, udpTimeout),
              "Serial port index\t\nStatus\t\tResponse timeout\nSlave address\t\nStarting address\t\n"
              "Data/Malfunction code\t\n\n");
}

TEST_F(MonitorRecordTest, ModeFromProtocolAndHeaders)
{
    EXPECT_EQ(framedModeFromProtocol("Modbus master"), FramedMode::Master);
    EXPECT_EQ(framedModeFromProtocol("Modbus slave"), FramedMode::Slave);
    EXPECT_EQ(framedModeFromProtocol("User Config"), FramedMode::Other);
    EXPECT_EQ(framedModeFromProtocol("Self-defining protocol"), FramedMode::Other);
    EXPECT_EQ(columnHeaders(MonitorLinkKind::Udp),
              (std::vector<std::string>{"Index", "Serial port index", "Status", "Slave address", "Starting address",
                                        "Data/Malfunction code"}));
    EXPECT_EQ(columnHeaders(MonitorLinkKind::Framed, FramedMode::Slave), (std::vector<std::string>{"Index", "Status", "Date"}));
    EXPECT_EQ(columnHeaders(MonitorLinkKind::RecordSerial)[0], "Index");
    EXPECT_EQ(sentText(0x40F3, bytes({0x0A, 0x1B})), "Sent to 40F3: 0A 1B");
    EXPECT_EQ(notSentText(text(StrId::MsgMonitorInputFormat)), "Not sent: The input-data format is wrong!");
    setLanguage(Language::Chinese);
    EXPECT_EQ(framedModeFromProtocol("Modbus master"), FramedMode::Other);
    EXPECT_EQ(framedModeFromProtocol(text(StrId::ProtocolModbusSlave)), FramedMode::Slave);
    setLanguage(Language::English);
}

} // namespace
} // namespace tqv
