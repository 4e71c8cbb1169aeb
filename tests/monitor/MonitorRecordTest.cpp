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
    const std::string master = bytes({0xD0}) + std::string(13, '\0') + bytes({0x00, 0xD0});
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

// Header, then index at 8..11, status at 12..15, byte 16, slave 17, address 18..19, data from 20.
std::string udpRecord(int length, int index, int status, int slave, int hi, int lo, std::string data)
{
    return bytes({0, 0, 0, 16, 0, 0, 0, length, 0, 0, 0, index, 0, 0, 0, status, 0, slave, hi, lo}) + data;
}

TEST_F(MonitorRecordTest, RecordsOfEveryLink)
{
    using K = MonitorLinkKind;
    using V = RecordVerdict;
    struct Case {
        K link;
        FramedMode mode; // framed records only
        std::string bytes;
        V verdict;
        std::vector<std::string> cells;
    };
    const FramedMode M = FramedMode::Master, S = FramedMode::Slave, O = FramedMode::Other;
    const Case cases[] = {
        {K::Framed, M, bytes({0x00, 0x0A, 0x00, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78}), V::Show,
         {"", "Respond correctly", "5", "3", "16", " 12 34 56 78"}},
        {K::Framed, M, bytes({0x00, 0x08, 0x01, 0xF7, 0x10, 0x40, 0x01, 0x00, 0xAB, 0xCD, 0x99}), V::Show,
         {"", "Respond abnormally ", "247", "16", "16385", " AB CD"}},
        {K::Framed, M, bytes({0x00, 0x0A, 0xFF, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34, 0x56, 0x78}), V::NoReply, {}},
        // A status without a text of its own still says which it is.
        {K::Framed, M, bytes({0x00, 0x08, 0x04, 0x05, 0x03, 0x00, 0x10, 0x00, 0x12, 0x99}), V::Show,
         {"", "Unknown status 4", "5", "3", "16", " 12 99"}},
        // Length says 10 but only two data bytes came: no row, still answered.
        {K::Framed, M, bytes({0x00, 0x0A, 0x00, 0x05, 0x03, 0x00, 0x10, 0x04, 0x12, 0x34}), V::NoRow, {}},
        {K::Framed, M, bytes({0x00, 0x0A, 0x00}), V::NoRow, {}},
        {K::Framed, S, bytes({0xD5, 0xF5, 0x00, 0x01, 0xA2, 0x77}), V::Show, {"", "Modbus->Profibus", "01 A2 "}},
        {K::Framed, S, bytes({0xD5, 0xF5, 0x01, 0x0F, 0x77}), V::Show, {"", "Profibus->Modbus", "0F "}},
        {K::Framed, S, bytes({0xD5, 0xF4, 0x01, 0x0F, 0x77}), V::NoReply, {}},
        {K::Framed, S, bytes({0xD5, 0xF5, 0xFF, 0x0F, 0x77}), V::NoReply, {}},
        {K::Framed, O, bytes({0xD5, 0x00, 0x00, 0xEE, 0x77}), V::Show, {"", "Serial port->Profibus", "EE "}},
        {K::Framed, O, bytes({0xD5, 0x00, 0x01, 0x77}), V::Show, {"", "Profibus->Serial port", ""}},
        {K::Framed, O, bytes({0xD5, 0x00, 0x07, 0x01, 0x77}), V::Show, {"", "Unknown direction 7", "01 "}},
        {K::RecordSerial, O, bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x02}), V::Show,
         {"", "Respond abnormally ", "5", "16", "02 (Incorrect data address)"}},
        {K::RecordSerial, O, bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x09}), V::Show,
         {"", "Respond abnormally ", "5", "16", "01 (Incorrect function code)"}},
        {K::RecordSerial, O, bytes({0x01, 0x05, 0x00, 0x10, 0x01, 0x08}), V::Show,
         {"", "Respond abnormally ", "5", "16", "08 (The parity check of memory is wrong)"}},
        {K::RecordSerial, O, bytes({0x00, 0x0B, 0x40, 0x02, 0x03, 0xAB, 0x00, 0x7F}), V::Show,
         {"", "Respond correctly", "11", "16386", "AB 00 7F "}},
        {K::RecordSerial, O, bytes({0x03, 0x02, 0x00, 0x00, 0x00}), V::Show,
         {"", "Response timeout", "2", "0", "The node has no response"}},
        {K::RecordSerial, O, bytes({0x02, 0x02, 0x00, 0x01, 0x00}), V::Show, {"", "Respond incorrectly", "2", "1", ""}},
        {K::RecordSerial, O, bytes({0x04, 0x05, 0x00, 0x10, 0x01, 0x02}), V::NoReply, {}},
        {K::RecordSerial, O, bytes({0xFE}), V::NoReply, {}},
        {K::RecordSerial, O, bytes({0xFF, 0x00}), V::NoRow, {}},
        {K::RecordSerial, O, bytes({0x00, 0x0B, 0x40, 0x02, 0x03, 0xAB}), V::NoRow, {}},
        {K::Udp, O, udpRecord(14, 0, 0, 3, 0x40, 0x00, bytes({0x12, 0xEF})), V::Show,
         {"", "1", "Respond correctly", "3", "16384", "12 EF "}},
        // The serial link's explanations: the exception's meaning, the node that did not answer.
        {K::Udp, O, udpRecord(16, 3, 1, 9, 0x00, 0x20, bytes({0x00, 0x00, 0x00, 0x04})), V::Show,
         {"", "4", "Respond abnormally ", "9", "32", "04 (Slave equipment error)"}},
        {K::Udp, O, udpRecord(12, 1, 3, 9, 0x00, 0x20, ""), V::Show,
         {"", "2", "Response timeout", "9", "32", "The node has no response"}},
        {K::Udp, O, udpRecord(12, 1, 4, 9, 0x00, 0x20, ""), V::NoReply, {}},
        {K::Udp, O, udpRecord(20, 0, 0, 3, 0x40, 0x00, bytes({0x12})), V::NoRow, {}},
        {K::Udp, O, bytes({0, 0, 0, 16, 0, 0}), V::NoReply, {}},
    };
    for (const Case &c : cases) {
        const ParsedRecord r = c.link == K::Framed         ? parseFramedRecord(c.bytes, c.mode)
                               : c.link == K::RecordSerial ? parseSerialRecord(c.bytes)
                                                           : parseUdpRecord(c.bytes);
        EXPECT_EQ(r.verdict, c.verdict) << static_cast<int>(c.link) << " " << c.bytes.size();
        if (c.verdict == V::Show) {
            EXPECT_EQ(r.row.cells, c.cells);
        }
    }
    EXPECT_EQ(recordWriteFrame(0x406F, bytes({0x0A, 0x1B})), bytes({0x01, 0x40, 0x6F, 0x02, 0x0A, 0x1B}));
    EXPECT_EQ(udpStart(), bytes({0, 0, 0, 14, 0, 0, 0, 8, 0xEA, 0xEA, 0xEA, 0xEA, 0, 0, 0, 0}));
    EXPECT_EQ(udpStop(), bytes({0, 0, 0, 14, 0, 0, 0, 8, 0xF0, 0xF0, 0xF0, 0xF0, 0, 0, 0, 0}));
    EXPECT_EQ(udpNext(), bytes({0, 0, 0, 16, 0, 0, 0, 4, 0, 0, 0, 0}));
    EXPECT_EQ(udpWriteMessage(0x4001, bytes({0xAA})), bytes({0, 0, 0, 16, 0, 0, 0, 7, 0, 0, 0, 1, 0x40, 0x01, 0xAA}));
}

// Both kinds of write check; `framed` picks the framed link's, else the record links'.
TEST_F(MonitorRecordTest, WriteChecks)
{
    struct Case {
        bool framed;
        const char *address;
        std::string data;
        std::optional<StrId> error;
        std::uint16_t value;
        std::string bytes;
    };
    const Case cases[] = {
        {true, "40f3", "0a 1B", std::nullopt, 0x40F3, bytes({0x0A, 0x1B})},
        {true, "4000", "00 01 02 03", std::nullopt, 0x4000, bytes({0, 1, 2, 3})},
        {true, "4000", "00 0", std::nullopt, 0x4000, bytes({0})},
        {true, "4000", "", std::nullopt, 0x4000, ""},
        {true, "40F4", "0a 1B", StrId::MsgMonitorAddressRange, 0, ""},
        {true, "3fff", "0a", StrId::MsgMonitorAddressRange, 0, ""},
        {true, "04000", "0a", StrId::MsgMonitorAddressTooLong, 0, ""},
        {true, "40g0", "0a", StrId::MsgMonitorAddressIllegal, 0, ""},
        {true, "40f3", "0a,1B", StrId::MsgMonitorIllegalCharacter, 0, ""},
        {true, "40f3", "0x 1B", StrId::MsgMonitorIllegalCharacter, 0, ""},
        // The data is judged before the address.
        {true, "04000", "0a,1B", StrId::MsgMonitorIllegalCharacter, 0, ""},
        {false, "406f", "0a 1b", std::nullopt, 0x406F, bytes({0x0A, 0x1B})},
        {false, "406F", "0A 1B 2", std::nullopt, 0x406F, bytes({0x0A, 0x1B})},
        {false, "4070", "0a 1b", StrId::MsgMonitorAddressBeyond, 0, ""},
        {false, "400", "0a 1b", StrId::MsgMonitorInputFormat, 0, ""},
        {false, "4000", "0a1b", StrId::MsgMonitorInputFormat, 0, ""},
        {false, "4000", "0g 1b", StrId::MsgMonitorWrongHex, 0, ""},
        {false, "40g0", "0a 1b", StrId::MsgMonitorWrongHex, 0, ""},
        {false, "", "0a", StrId::MsgMonitorFillForm, 0, ""},
        {false, "4000", "", StrId::MsgMonitorFillForm, 0, ""},
        {false, "4000", " a 1b", StrId::MsgMonitorInputFormat, 0, ""},
        {false, "40 0", "0a", StrId::MsgMonitorInputFormat, 0, ""},
    };
    for (const Case &c : cases) {
        const WriteCheck check = c.framed ? checkFramedWrite(c.address, c.data) : checkRecordWrite(c.address, c.data);
        EXPECT_EQ(check.error, c.error) << c.framed << " " << c.address << " / " << c.data;
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
