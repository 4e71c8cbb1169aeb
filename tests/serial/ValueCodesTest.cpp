// The value tables of the frames, both ways, in both languages; the fallbacks for texts and
// codes a table does not hold; the number conversions.
#include "serial/ValueCodes.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <map>

namespace tqv {
namespace {

using Table = std::vector<std::pair<std::string, std::uint8_t>>;

// The tables as the protocol lists them (English texts).
const std::map<ValueTable, Table> &expectedTables()
{
    static const std::map<ValueTable, Table> tables = {
        {ValueTable::SubnetBaud,
         {{"300", 0}, {"600", 1}, {"1200", 2}, {"2400", 3}, {"9600", 4}, {"19200", 5}, {"38400", 6}, {"57600", 7}, {"115200", 8}}},
        {ValueTable::DataBits, {{"8", 0}, {"7", 1}}},
        {ValueTable::Parity, {{"None", 0}, {"Odd parity", 1}, {"Even parity", 2}, {"Mark", 3}, {"Space", 4}}},
        {ValueTable::StopBits, {{"1", 0}, {"2", 1}}},
        {ValueTable::CommMode, {{"RTU", 0}, {"ASCII", 1}}},
        {ValueTable::Protocol,
         {{"Modbus master", 0}, {"Modbus slave", 1}, {"Self-defining protocol", 2}, {"User Config", 3}}},
        {ValueTable::OutputMode, {{"Cycle", 1}, {"Forbidden", 2}, {"Change of Value", 3}, {"Pluse output", 4}}},
        {ValueTable::ScanType, {{"Quick-scan", 0}, {"Slow-scan", 1}}},
        {ValueTable::ByteExchange, {{"Non-exchange", 0}, {"Double-byte-exchange", 1}, {"Four-byte-exchange", 2}}},
        {ValueTable::DataFilter, {{"Fullword", 0}, {"High byte", 1}, {"Low byte", 2}}},
        {ValueTable::DeviceNetBaud, {{"125K", 0}, {"250K", 1}, {"500K", 2}, {"Intercept automatically", 3}}},
        {ValueTable::DeviceNetInputSize,
         {{"8", 0}, {"16", 1}, {"32", 2}, {"64", 3}, {"96", 4}, {"128", 5}, {"160", 6}}},
        {ValueTable::DeviceNetOutputSize, {{"8", 0}, {"16", 1}, {"32", 2}, {"64", 3}, {"96", 4}, {"112", 5}}},
        {ValueTable::ProfibusSize, {{"8", 0}, {"16", 1}, {"48", 2}, {"112", 3}}},
        {ValueTable::Switch, {{"Disable", 0}, {"Enable", 1}}},
        {ValueTable::CommInterface, {{"RS485", 0}, {"RS232", 1}}},
    };
    return tables;
}

class ValueCodesTest : public ::testing::Test {
protected:
    void SetUp() override { setLanguage(Language::English); }
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(ValueCodesTest, TablesAreThoseOfTheProtocol)
{
    ASSERT_EQ(expectedTables().size(), std::size(kValueTables));
    for (ValueTable t : kValueTables)
        EXPECT_EQ(valueTable(t), expectedTables().at(t)) << static_cast<int>(t);
}

TEST_F(ValueCodesTest, EveryTableRoundTripsInBothLanguages)
{
    for (Language language : {Language::English, Language::Chinese}) {
        setLanguage(language);
        for (ValueTable t : kValueTables) {
            const Table table = valueTable(t);
            ASSERT_FALSE(table.empty());
            for (const auto &[text, code] : table) {
                EXPECT_EQ(encodeValue(t, text), code) << text;
                EXPECT_EQ(decodeValue(t, code), text) << static_cast<int>(code);
            }
        }
    }
    // The Chinese tables hold the Chinese set; an English text is none of its values.
    EXPECT_EQ(encodeValue(ValueTable::Protocol, text(StrId::ProtocolUserConfig)), 3);
    EXPECT_EQ(decodeValue(ValueTable::Parity, 2), text(StrId::ParityEven));
    EXPECT_EQ(encodeValue(ValueTable::Protocol, "User Config"), 0);
    EXPECT_EQ(encodeValue(ValueTable::Switch, "Enable"), 0);
}

struct EncodeCase {
    ValueTable table;
    const char *text;
    std::uint8_t code;
};

TEST_F(ValueCodesTest, TextsOutsideATableTakeItsFallback)
{
    const EncodeCase cases[] = {
        {ValueTable::SubnetBaud, "4800", 0},     {ValueTable::SubnetBaud, "", 0},
        {ValueTable::DataBits, "6", 0},          {ValueTable::Parity, "Odd", 0},
        {ValueTable::StopBits, "1.5", 0},        {ValueTable::CommMode, "rtu", 0},
        {ValueTable::Protocol, "", 0},           {ValueTable::OutputMode, "", 0},
        {ValueTable::ScanType, "", 1},           {ValueTable::ScanType, "quick-scan", 1},
        {ValueTable::ByteExchange, "", 2},       {ValueTable::DataFilter, "junk", 2},
        {ValueTable::DeviceNetBaud, "1M", 0},    {ValueTable::DeviceNetInputSize, "112", 0},
        {ValueTable::DeviceNetOutputSize, "128", 0}, {ValueTable::ProfibusSize, "32", 0},
        {ValueTable::Switch, "enable", 0},       {ValueTable::CommInterface, "RS422", 0},
        // Both data-format vocabularies travel alike, whichever the command uses.
        {ValueTable::ByteExchange, "Fullword", 0}, {ValueTable::ByteExchange, "High byte", 1},
        {ValueTable::ByteExchange, "Low byte", 2}, {ValueTable::DataFilter, "Non-exchange", 0},
        {ValueTable::DataFilter, "Double-byte-exchange", 1}, {ValueTable::DataFilter, "Four-byte-exchange", 2},
    };
    for (const EncodeCase &c : cases)
        EXPECT_EQ(encodeValue(c.table, c.text), c.code) << static_cast<int>(c.table) << " '" << c.text << "'";
}

struct DecodeCase {
    ValueTable table;
    std::uint8_t code;
    std::optional<std::string> text;
};

TEST_F(ValueCodesTest, CodesOutsideATable)
{
    const DecodeCase cases[] = {
        {ValueTable::SubnetBaud, 9, std::nullopt},     {ValueTable::Parity, 5, std::nullopt},
        {ValueTable::Protocol, 4, std::nullopt},       {ValueTable::OutputMode, 0, std::nullopt},
        {ValueTable::OutputMode, 5, std::nullopt},     {ValueTable::ScanType, 2, std::nullopt},
        {ValueTable::ByteExchange, 3, std::nullopt},   {ValueTable::DataFilter, 0xFF, std::nullopt},
        {ValueTable::DeviceNetBaud, 4, std::nullopt},  {ValueTable::DeviceNetInputSize, 7, std::nullopt},
        {ValueTable::DeviceNetOutputSize, 6, std::nullopt},
        // Any code but 0 is the second value of the two-valued tables.
        {ValueTable::DataBits, 9, "7"},                {ValueTable::StopBits, 0xFF, "2"},
        {ValueTable::CommMode, 2, "ASCII"},            {ValueTable::Switch, 7, "Enable"},
        {ValueTable::CommInterface, 0x80, "RS232"},
        // PROFIBUS sizes: 3 and above are 112.
        {ValueTable::ProfibusSize, 4, "112"},          {ValueTable::ProfibusSize, 0xFF, "112"},
    };
    for (const DecodeCase &c : cases)
        EXPECT_EQ(decodeValue(c.table, c.code), c.text) << static_cast<int>(c.table) << " " << int(c.code);
}

TEST_F(ValueCodesTest, Numbers)
{
    const std::pair<const char *, std::uint32_t> decimal[] = {
        {"1000", 1000}, {"25ms", 25}, {"", 0}, {"-1", 0}, {" 12", 0}, {"007", 7}, {"3Bytes", 3},
        {"4294967295", 0xFFFFFFFF}, {"99999999999", 0xFFFFFFFF},
    };
    for (const auto &[t, v] : decimal)
        EXPECT_EQ(decimalValue(t), v) << t;
    const std::pair<const char *, std::uint32_t> hex[] = {
        {"4010", 0x4010}, {"400a", 0x400A}, {"400A", 0x400A}, {"FFg", 0xFF}, {"", 0}, {"-1", 0}, {"0x10", 0},
    };
    for (const auto &[t, v] : hex)
        EXPECT_EQ(hexValue(t), v) << t;
    EXPECT_EQ(tensOfMillis("25"), 2);
    EXPECT_EQ(tensOfMillis("2500"), 250);
    EXPECT_EQ(tensOfMillis("-1"), 0);
    EXPECT_EQ(millisFromTens(25), "250");
    EXPECT_EQ(millisFromTens(0), "0");
    EXPECT_EQ(hexText(0x400A), "400a");
    EXPECT_EQ(hexText(0x0010), "10");
    EXPECT_EQ(hexText(0), "0");
}

TEST_F(ValueCodesTest, ProfibusConfigurationDataBothWays)
{
    EXPECT_EQ(profibusConfigBytes("0a 1b 2c "), (std::vector<std::uint8_t>{0x0A, 0x1B, 0x2C}));
    EXPECT_EQ(profibusConfigBytes("D1 E1"), (std::vector<std::uint8_t>{0xD1, 0xE1}));
    EXPECT_EQ(profibusConfigBytes("1"), (std::vector<std::uint8_t>{}));
    EXPECT_EQ(profibusConfigText({0x0A, 0x1B, 0x2C}), "0a 1b 2c ");
    EXPECT_EQ(profibusConfigText({}), "");
    const std::vector<std::uint8_t> all = {0x00, 0x7F, 0x80, 0xFF, 0x12, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(profibusConfigBytes(profibusConfigText(all)), all);
}

} // namespace
} // namespace tqv
