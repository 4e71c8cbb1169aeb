#include "model/MappingValues.h"
#include "mapping/ProfibusConfigDecoder.h"
#include "model/ByteBuffer.h"
#include "monitor/MonitorRecord.h"
#include "serial/ValueCodes.h"

#include <gtest/gtest.h>

#include <vector>

namespace tqv {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ProfibusConfigBytes, ThreeCharacterSteps)
{
    const struct {
        const char *text;
        Bytes bytes;
    } rows[] = {
        {"D1 E1", {0xD1, 0xE1}},
        {"d1 e1 ", {0xD1, 0xE1}},             // either case, trailing blank
        {"0a 1b 2c ", {0x0A, 0x1B, 0x2C}},
        {"13 23", {0x13, 0x23}},
        {"", {}},
        {"D", {}},                           // the second digit lies outside the text
        {"D1 E", {0xD1}},
        {"g1 2z", {0x01, 0x20}},             // other characters read as 0
        {"11 22 33 44 55 66 77 88 99", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99}}, // all of them
        {"12345", {0x12, 0x45}},             // steps of three, whatever stands at the third place
    };
    for (const auto &r : rows)
        EXPECT_EQ(ProfibusConfigDecoder::bytesOf(r.text), r.bytes) << '"' << r.text << '"';
}

// One reading of a hex digit: the configuration bytes take a bad digit as 0, the monitor's write
// check refuses it, the address readers stop at it.
TEST(HexDigits, EveryReaderTakesTheSameDigits)
{
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        const int value = digit ? (c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10) : -1;
        ASSERT_EQ(hexDigit(c), value) << i;
        const std::string pair{c, '1'};
        EXPECT_EQ(ProfibusConfigDecoder::bytesOf(pair), Bytes{static_cast<std::uint8_t>((digit ? value : 0) << 4 | 1)})
            << i;
        EXPECT_EQ(checkFramedWrite("4000", pair).ok(), digit) << i;
        EXPECT_EQ(hexValue(pair), digit ? static_cast<std::uint32_t>(value * 16 + 1) : 0u) << i;
        EXPECT_EQ(mappingAddressValue(pair), digit ? std::optional<long>(value * 16 + 1) : std::nullopt) << i;
    }
}

TEST(ProfibusConfigDecoding, SizesOfValidIdentifiers)
{
    const struct {
        Bytes bytes;
        long input, output;
    } rows[] = {
        {{0x13, 0x23}, 4, 4},                  // compact: 4 bytes in, 4 bytes out
        {{0x57}, 16, 0},                       // compact in words: 8 words in
        {{0xC0, 0x47, 0x4F}, 32, 16},          // special: output length byte, then input length byte
        {{0x33}, 4, 4},                        // compact in and out at once
        {{0x70}, 2, 2},                        // one word each way
        {{0x10}, 1, 0},
        {{0x00}, 0, 0},                        // an empty slot
        {{0x80, 0x05}, 0, 6},                  // special with an output length byte only
        {{0x40, 0x45}, 12, 0},                 // special with an input length byte in words
        {{0x40, 0x1F}, 32, 0},                 // length bytes count with bits 5..0
        {{0x80, 0x25}, 0, 38},
        {{0xC0, 0x3F, 0x2F}, 48, 64},
        {{0x42, 0x01, 0xAA, 0xBB}, 2, 0},      // two manufacturer bytes after the length byte
        {{0x5F, 0x5F, 0x5F, 0x1F}, 112, 0},    // exactly the largest input
        {{0x2F, 0x2F, 0x2F, 0x2F, 0x2F, 0x2F, 0x2F}, 0, 112},
        {{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}, 16, 0}, // eight bytes are allowed
    };
    for (const auto &r : rows) {
        const ProfibusDecoding d = ProfibusConfigDecoder::decode(r.bytes);
        EXPECT_TRUE(d.valid()) << ::testing::PrintToString(r.bytes);
        EXPECT_EQ(d.input, r.input) << ::testing::PrintToString(r.bytes);
        EXPECT_EQ(d.output, r.output) << ::testing::PrintToString(r.bytes);
    }
}

TEST(ProfibusConfigDecoding, InvalidData)
{
    const struct {
        Bytes bytes;
        ProfibusDecodeStatus status;
    } rows[] = {
        {{}, ProfibusDecodeStatus::NoBytes},
        {{0x0F}, ProfibusDecodeStatus::ReservedLength},                 // 15 in a special header
        {{0x13, 0xCF, 0x01, 0x01}, ProfibusDecodeStatus::ReservedLength},
        {{0xC0, 0x47}, ProfibusDecodeStatus::Truncated},               // the input length byte is missing
        {{0x80}, ProfibusDecodeStatus::Truncated},
        {{0x43, 0x01, 0xAA}, ProfibusDecodeStatus::Truncated},         // three manufacturer bytes announced, one left
        {{0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11}, ProfibusDecodeStatus::TooManyBytes}, // 9 bytes
        {{0x5F, 0x5F, 0x5F, 0x1F, 0x10}, ProfibusDecodeStatus::TooLarge}, // 113 input bytes
        {{0x2F, 0x2F, 0x2F, 0x2F, 0x2F, 0x2F, 0x2F, 0x20}, ProfibusDecodeStatus::TooLarge},
        {{0x80, 0x7F, 0x80, 0x7F}, ProfibusDecodeStatus::TooLarge},    // 128 + 128 output bytes
    };
    for (const auto &r : rows) {
        const ProfibusDecoding d = ProfibusConfigDecoder::decode(r.bytes);
        EXPECT_FALSE(d.valid()) << ::testing::PrintToString(r.bytes);
        EXPECT_EQ(d.status, r.status) << ::testing::PrintToString(r.bytes);
    }
    EXPECT_EQ(ProfibusConfigDecoder::decode({0x5F, 0x5F, 0x5F, 0x1F, 0x10}).input, 113);
}

TEST(ProfibusConfigDecoding, FromText)
{
    const ProfibusDecoding d = ProfibusConfigDecoder::decodeText("C0 47 4F");
    ASSERT_TRUE(d.valid());
    EXPECT_EQ(d.input, 32);
    EXPECT_EQ(d.output, 16);
    EXPECT_EQ(ProfibusConfigDecoder::decodeText("").status, ProfibusDecodeStatus::NoBytes);
    EXPECT_EQ(ProfibusConfigDecoder::decodeText(" ").status, ProfibusDecodeStatus::NoBytes);
    EXPECT_EQ(ProfibusConfigDecoder::decodeText("11 11 11 11 11 11 11 11 11").status,
              ProfibusDecodeStatus::TooManyBytes);
}

} // namespace
} // namespace tqv
