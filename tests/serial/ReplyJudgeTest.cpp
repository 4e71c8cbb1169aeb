// The two judges and the decoders over byte vectors: valid replies, too short, too long,
// wrong length, wrong sum, error replies, and replies that would not fit the upload store.
#include "serial/FrameBytes.h"
#include "serial/ReplyJudge.h"
#include "support/FakeSerialLink.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

// A reply with its sum appended, for vectors whose sum is not the point of the case.
std::string summed(std::initializer_list<int> values)
{
    std::string frame = bytes(values);
    frame += static_cast<char>(frameSum(frame));
    return frame;
}

std::string withBadSum(std::string frame)
{
    frame.back() = static_cast<char>(frame.back() + 1);
    return frame;
}

// 01 08, type 4, firmware 4.0, five more bytes: 1 + 8 + 4 + 4 = 0x11.
const std::string kGatewayType4 = bytes({0x01, 0x08, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11});
// Type 5 (Ethernet), firmware 5.2: 1 + 8 + 5 + 5 + 2 = 0x15.
const std::string kGatewayType5 = bytes({0x01, 0x08, 0x05, 0x05, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x15});
// The error reply to a command write with error code 3: 0x90 + 2 + 3 = 0x95.
const std::string kCommandError3 = bytes({0x90, 0x02, 0x03, 0x00, 0x95});
// 0x16, N = 25: subnet 0 and two records. Record 0: index 0, slave 5, function 3, start 0,
// quantity 2, mapping 0, bit 0, quick, format 0. Record 1: index 1, slave 7, function 1,
// start 0x0010, quantity 8, mapping 0x400A, bit 3, slow, format 2. Sum 0x2F + 0x0A + 0x71 = 0xAA.
const std::string kCommandBlock = bytes({0x16, 0x19, 0x00,                                                 //
                                         0x00, 0x05, 0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, //
                                         0x01, 0x07, 0x01, 0x00, 0x10, 0x00, 0x08, 0x40, 0x0A, 0x03, 0x01, 0x02, //
                                         0xAA});
// 0x04 short reply of subnet 0: the fields of a Modbus master at 9600 7E2 ASCII, 1000 ms,
// 25 ms, pulse output 250 ms, scan ratio 10. Sum 0x12F -> 0x2F.
const std::string kSubnetShort = bytes({0x04, 0x0E, 0x00, 0x00, 0x04, 0x01, 0x02, 0x01, 0x00, 0x01, 0x03, 0xE8,
                                        0x02, 0x04, 0x19, 0x0A, 0x2F});
// 0x15: subnet 0 has 13 commands. 0x15 + 3 + 0x0D = 0x25.
const std::string kCount13 = bytes({0x15, 0x03, 0x00, 0x00, 0x0D, 0x25});
// 0x22: address 12, 500K, input code 6, output code 5. 0x22 + 4 + 0x0C + 2 + 6 + 5 = 0x3F.
const std::string kDeviceNet = bytes({0x22, 0x04, 0x0C, 0x02, 0x06, 0x05, 0x3F});
// 0x31 short: input code 2, output code 1. 0x31 + 2 + 2 + 1 = 0x36.
const std::string kProfibusShort = bytes({0x31, 0x02, 0x02, 0x01, 0x36});

const ReplyContext kType1{1, false, false};
const ReplyContext kType3{3, false, false};
const ReplyContext kType2{2, false, false};

struct JudgeCase {
    const char *name;
    std::string reply;
    std::uint8_t expected;
};

TEST(DownloadJudge, Table)
{
    const JudgeCase cases[] = {
        {"ack 0x03", bytes({0x03, 0x00, 0x03}), 0x03},
        {"ack 0x10", bytes({0x10, 0x00, 0x10}), 0x10},
        {"ack 0x14", bytes({0x14, 0x00, 0x14}), 0x14},
        {"ack 0x21", bytes({0x21, 0x00, 0x21}), 0x21},
        {"ack 0x30", bytes({0x30, 0x00, 0x30}), 0x30},
        {"ack with a trailing byte", bytes({0x30, 0x00, 0x30, 0x99}), 0x30},
        {"gateway type", kGatewayType4, 0x01},
        {"gateway type 5 (no model check here)", kGatewayType5, 0x01},
        {"gateway type, wrong sum", withBadSum(kGatewayType4), 0},
        {"gateway type, wrong length", summed({0x01, 0x07, 0x04, 0x04, 0, 0, 0, 0, 0, 0}), 0},
        {"gateway type, cut short", kGatewayType4.substr(0, 10), 0},
        {"error 0x81", summed({0x81, 0x02, 0x01, 0x00}), 0x81},
        {"error 0x83", summed({0x83, 0x02, 0x07, 0x00}), 0x83},
        {"error 0x90 code 3", kCommandError3, 0x90},
        {"error 0xA1", summed({0xA1, 0x02, 0x00, 0x00}), 0xA1},
        {"error 0xB0", summed({0xB0, 0x02, 0x00, 0x00}), 0xB0},
        {"error 0x90, wrong sum", withBadSum(kCommandError3), 0},
        {"error 0x90, length 3", summed({0x90, 0x03, 0x03, 0x00, 0x00}), 0},
        {"error 0x95 (an upload error)", summed({0x95, 0x02, 0x01, 0x00}), 0},
        {"ack in its first piece", bytes({0x10, 0x00}), 0},
        {"ack of another code", bytes({0x10, 0x00, 0x14}), 0},
        {"ack with a length", bytes({0x10, 0x01, 0x10}), 0},
        {"upload reply 0x04", kSubnetShort, 0},
        {"zero code", bytes({0x00, 0x00, 0x00}), 0},
        {"nothing", "", 0},
    };
    for (const JudgeCase &c : cases)
        EXPECT_EQ(judgeDownloadReply(c.reply), c.expected) << c.name;
}

TEST(UploadJudge, Table)
{
    const JudgeCase cases[] = {
        {"gateway type", kGatewayType4, 0x01},
        {"gateway type, wrong sum", withBadSum(kGatewayType4), 0},
        {"Ethernet type without modelFlag4", kGatewayType5, 0},
        {"DeviceNet", kDeviceNet, 0x22},
        {"DeviceNet, wrong sum", withBadSum(kDeviceNet), 0},
        {"DeviceNet, length 3", summed({0x22, 0x03, 0x0C, 0x02, 0x06}), 0},
        {"PROFIBUS short", kProfibusShort, 0x31},
        {"PROFIBUS, length 3 where 2 is checked", summed({0x31, 0x03, 0x02, 0x01, 0x00}), 0},
        {"PROFIBUS, wrong sum", withBadSum(kProfibusShort), 0},
        {"subnet short", kSubnetShort, 0x04},
        {"subnet short, wrong sum", withBadSum(kSubnetShort), 0},
        {"subnet short, cut short", kSubnetShort.substr(0, 16), 0},
        {"subnet index 4", summed({0x04, 0x0E, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0},
        {"count 13", kCount13, 0x15},
        {"count 128", summed({0x15, 0x03, 0x01, 0x00, 0x80}), 0x15},
        {"count 129", summed({0x15, 0x03, 0x01, 0x00, 0x81}), 0},
        {"count 0xFFFF", summed({0x15, 0x03, 0x00, 0xFF, 0xFF}), 0},
        {"count of subnet 5", summed({0x15, 0x03, 0x04, 0x00, 0x01}), 0},
        {"count, wrong sum", withBadSum(kCount13), 0},
        {"command block", kCommandBlock, 0x16},
        {"command block, wrong sum", withBadSum(kCommandBlock), 0},
        {"command block, cut short", kCommandBlock.substr(0, 27), 0},
        {"command block, no records", summed({0x16, 0x01, 0x00}), 0x16},
        {"command block, no subnet byte", summed({0x16, 0x00}), 0},
        {"command index 128", summed({0x16, 0x0D, 0x00, 0x80, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0}), 0},
        {"command index 127", summed({0x16, 0x0D, 0x00, 0x7F, 1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0}), 0x16},
        {"error 0x81", summed({0x81, 0x02, 0x01, 0x00}), 0x81},
        {"error 0x95", summed({0x95, 0x02, 0x01, 0x00}), 0x95},
        {"error 0x90 (a download error)", kCommandError3, 0},
        {"acknowledgement", bytes({0x03, 0x00, 0x03}), 0},
        {"nothing", "", 0},
    };
    for (const JudgeCase &c : cases)
        EXPECT_EQ(judgeUploadReply(c.reply, kType1), c.expected) << c.name;
}

TEST(UploadJudge, EthernetTypeOnlyWithModelFlag4)
{
    EXPECT_EQ(judgeUploadReply(kGatewayType5, {3, false, true}), 0x01);
    EXPECT_EQ(judgeUploadReply(kGatewayType5, {3, false, false}), 0);
}

TEST(UploadJudge, CommandBlockLongerThanItsBufferIsRefused)
{
    // N = 253 needs 256 bytes; the block buffer holds 250. Records of index 0, sum correct.
    std::string frame = bytes({0x16, 0xFD, 0x00});
    frame.resize(255, '\0');
    frame += static_cast<char>(frameSum(frame));
    EXPECT_EQ(judgeUploadReply(frame, kType2), 0);
    // The largest block that fits: N = 241, 20 records (244 bytes in all).
    std::string largest = bytes({0x16, 0xF1, 0x00});
    for (int i = 0; i < 20; ++i) {
        largest += static_cast<char>(i);
        largest += std::string(11, '\x01');
    }
    largest += static_cast<char>(frameSum(largest));
    ASSERT_EQ(largest.size(), 244u);
    const auto decoded = decodeCommandBlockReply(largest);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->records.size(), 20u);
    EXPECT_EQ(decoded->records.back().first, 19);
}

TEST(UploadJudge, ProfibusReplyUncheckedForTypes3And6AndModelFlag2)
{
    // 31 03 in out third sum: the length would fail a check; unchecked it is taken.
    const std::string extended = summed({0x31, 0x03, 0x03, 0x02, 0x01});
    for (const ReplyContext &c : {ReplyContext{3, false, false}, ReplyContext{6, false, false},
                                  ReplyContext{0, true, false}}) {
        EXPECT_EQ(judgeUploadReply(extended, c), 0x31);
        EXPECT_EQ(decodeProfibusReply(extended, c), (std::array<std::uint8_t, 3>{3, 2, 1}));
        // Even with a wrong sum and length; but the three bytes must have come.
        EXPECT_EQ(judgeUploadReply(bytes({0x31, 0x77, 0x01, 0x02, 0x03}), c), 0x31);
        EXPECT_EQ(judgeUploadReply(bytes({0x31, 0x02, 0x01, 0x02}), c), 0);
    }
    EXPECT_EQ(judgeUploadReply(extended, kType1), 0);
    EXPECT_EQ(decodeProfibusReply(kProfibusShort, kType1), (std::array<std::uint8_t, 3>{2, 1, 0}));
}

TEST(UploadJudge, SubnetReplyFormFollowsTheType)
{
    // Extended: 26 bytes, the length byte not checked, the sum over bytes 0..24.
    std::string extended = bytes({0x04, 0x00, 0x00, 0x03, 0x08, 0x00, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x01, 0x01, 0x2C, 0x6F, 0x01, 0x03, 0xE8, 0x00, 0x01});
    extended += static_cast<char>(frameSum(extended));
    EXPECT_EQ(judgeUploadReply(extended, kType3), 0x04);
    EXPECT_EQ(judgeUploadReply(withBadSum(extended), kType3), 0);
    EXPECT_EQ(judgeUploadReply(extended, kType1), 0);
    EXPECT_EQ(judgeUploadReply(kSubnetShort, kType3), 0);
    const auto decoded = decodeSubnetReply(extended, kType3);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->subnet, 0);
    EXPECT_EQ(decoded->parameters[SubnetByte::Protocol], 3);
    EXPECT_EQ(decoded->parameters[SubnetByte::CharTimeout + 1], 0x2C);
    EXPECT_EQ(decoded->parameters[SubnetByte::CommInterface], 1);
    // The short form fills 13 bytes; the rest stays 0.
    const auto shortForm = decodeSubnetReply(kSubnetShort, kType1);
    ASSERT_TRUE(shortForm);
    EXPECT_EQ(shortForm->parameters,
              (SubnetParameters{0x00, 0x04, 0x01, 0x02, 0x01, 0x00, 0x01, 0x03, 0xE8, 0x02, 0x04, 0x19, 0x0A}));
}

TEST(JudgeReply, RepliesJudgedByTheirFirstBytes)
{
    const ReplyContext c = kType3;
    struct Case {
        std::uint8_t request;
        std::string reply;
        std::uint8_t expected;
    } cases[] = {
        {0x32, bytes({0x32, 0x00, 0x32}), 0x32},
        {0x32, bytes({0x32, 0x00}), 0x32},
        {0x32, bytes({0x32, 0x01, 0x32}), 0},
        {0x32, bytes({0x32}), 0},
        {0x33, bytes({0x33, 0x01, 0x05, 0x39}), 0x33},
        {0x33, bytes({0x33, 0x77, 0x00}), 0x33},
        {0x33, bytes({0x33, 0x01}), 0},
        {0x33, bytes({0x32, 0x01, 0x05, 0x38}), 0},
        {0x34, bytes({0x34, 0x00, 0x34}), 0x34},
        {0x34, bytes({0x34, 0x00, 0x35}), 0},
        {0x35, bytes({0x35, 0x09, 0x02, 0xD1, 0xE1, 0, 0, 0, 0, 0, 0, 0x00}), 0x35},
        {0x35, bytes({0x35, 0x09, 0x00}), 0x35},
        {0x35, bytes({0x35, 0x08, 0x00}), 0},
        {0x35, bytes({0x35, 0x09, 0x09, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 0}, // more than 8 bytes
        {0x35, bytes({0x35, 0x09, 0x03, 0x01}), 0},                      // bytes missing
        {0x05, bytes({0x05, 0x00, 0x05}), 0x05},
        {0x05, bytes({0x05, 0x00, 0x05, 0x00}), 0},
        {0x05, bytes({0x05, 0x00, 0x06}), 0},
        {0x06, bytes({0x06, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0E}), 0x06},
        {0x06, bytes({0x06, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0F}), 0},
        {0x06, bytes({0x06, 0x05, 0x03, 0xE8, 0x00, 0x19, 0x0F}), 0},
        // Everything else goes to the transfer's judge.
        {0x10, kCommandError3, 0x90},
        {0x03, bytes({0x03, 0x00, 0x03}), 0x03},
    };
    for (const Case &k : cases)
        EXPECT_EQ(judgeReply(Judge::Download, k.request, k.reply, c), k.expected) << int(k.request);
    EXPECT_EQ(judgeReply(Judge::Upload, 0x04, kSubnetShort, kType1), 0x04);
    EXPECT_EQ(judgeReply(Judge::Download, 0x04, kSubnetShort, kType1), 0);
}

TEST(Decoders, Values)
{
    const auto type = decodeGatewayTypeReply(kGatewayType4);
    ASSERT_TRUE(type);
    EXPECT_EQ(gatewayIdentity(*type).reportedType, 4);
    EXPECT_EQ(gatewayIdentity(*type).firmwareVersion, 40);
    EXPECT_EQ(gatewayIdentity(*decodeGatewayTypeReply(kGatewayType5)).firmwareVersion, 52);

    const auto error = decodeErrorReply(kCommandError3);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, 0x90);
    EXPECT_EQ(error->error, 3);
    EXPECT_FALSE(decodeErrorReply(bytes({0x80, 0x02, 0x03, 0x00, 0x85})));
    EXPECT_FALSE(decodeErrorReply(bytes({0x10, 0x02, 0x03, 0x00, 0x15})));

    EXPECT_EQ(decodeDeviceNetReply(kDeviceNet), (std::array<std::uint8_t, 4>{12, 2, 6, 5}));
    EXPECT_EQ(decodeCommandCountReply(kCount13)->count, 13);
    EXPECT_EQ(decodeTimeoutActionReply(bytes({0x33, 0x01, 0x05, 0x39})), 5);
    EXPECT_EQ(decodeTimeoutActionReply(bytes({0x33, 0x01, 0x00, 0x34})), 0);
    EXPECT_EQ(decodeProfibusConfigDataReply(bytes({0x35, 0x09, 0x02, 0xD1, 0xE1, 0, 0, 0, 0, 0, 0, 0})),
              (std::vector<std::uint8_t>{0xD1, 0xE1}));
    EXPECT_EQ(decodeCharIntervalsReply(bytes({0x06, 0x04, 0x03, 0xE8, 0x00, 0x19, 0x0E})),
              (CharIntervals{1000, 25}));

    const auto block = decodeCommandBlockReply(kCommandBlock);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->records.size(), 2u);
    EXPECT_EQ(commandFields(block->records[0].second), (CommandFields{5, 3, 0, 2, 0, 0, 0, 0}));
    EXPECT_EQ(block->records[1].first, 1);
    EXPECT_EQ(commandFields(block->records[1].second), (CommandFields{7, 1, 0x10, 8, 0x400A, 3, 1, 2}));
}

TEST(Decoders, FrameLengthFromTheLengthByte)
{
    EXPECT_EQ(frameLength(""), 0u);
    EXPECT_EQ(frameLength(bytes({0x10})), 0u);
    EXPECT_EQ(frameLength(bytes({0x10, 0x00})), 3u);
    EXPECT_EQ(frameLength(kGatewayType4.substr(0, 2)), 11u);
    EXPECT_EQ(frameLength(kCommandError3), 5u);
    EXPECT_EQ(frameLength(bytes({0x16, 0xFF})), 258u);
}

TEST(UploadStoreTest, ValidRepliesAreStoredByIndex)
{
    UploadStore store;
    EXPECT_TRUE(storeUploadReply(kGatewayType4, kType3, store));
    EXPECT_EQ(store.reportedType(), 4);
    EXPECT_EQ(store.firmwareVersion(), 40);
    EXPECT_TRUE(storeUploadReply(kDeviceNet, kType3, store));
    EXPECT_EQ(store.deviceNetParameters, (std::array<std::uint8_t, 4>{12, 2, 6, 5}));
    EXPECT_TRUE(storeUploadReply(summed({0x31, 0x03, 0x03, 0x02, 0x01}), kType3, store));
    EXPECT_EQ(store.profibusParameters, (std::array<std::uint8_t, 3>{3, 2, 1}));
    EXPECT_TRUE(storeUploadReply(summed({0x15, 0x03, 0x02, 0x00, 0x07}), kType2, store));
    EXPECT_EQ(store.commandCounts, (std::array<std::int32_t, 4>{0, 0, 7, 0}));
    EXPECT_TRUE(storeUploadReply(kSubnetShort, kType1, store));
    EXPECT_EQ(store.subnetParameters[0][SubnetByte::ResponseTimeout], 0x03);
    EXPECT_TRUE(storeUploadReply(kCommandBlock, kType1, store));
    EXPECT_EQ(commandFields(store.commandRecords[0][1]).mappingAddress, 0x400A);
    EXPECT_EQ(commandFields(store.commandRecords[0][0]).slaveAddress, 5);

    // Records of a later block land by their own index.
    EXPECT_TRUE(storeUploadReply(summed({0x16, 0x0D, 0x03, 0x7F, 9, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0}), kType2, store));
    EXPECT_EQ(commandFields(store.commandRecords[3][127]).slaveAddress, 9);
}

TEST(UploadStoreTest, RefusedRepliesLeaveTheStoreAsItWas)
{
    UploadStore store;
    ASSERT_TRUE(storeUploadReply(kCommandBlock, kType1, store));
    const UploadStore before = store;
    const std::string refused[] = {
        withBadSum(kCommandBlock),
        summed({0x16, 0x19, 0x00, 0x00, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0x80, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}),
        summed({0x15, 0x03, 0x00, 0x00, 0x81}),
        summed({0x04, 0x0E, 0x09, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}),
        summed({0x95, 0x02, 0x01, 0x00}),
        kCommandError3,
        kGatewayType5,
        bytes({0x03, 0x00, 0x03}),
        "",
    };
    for (const std::string &reply : refused) {
        EXPECT_FALSE(storeUploadReply(reply, kType1, store));
        EXPECT_TRUE(store == before);
    }
    store.clear();
    EXPECT_TRUE(store == UploadStore{});
}

} // namespace
} // namespace tqv
