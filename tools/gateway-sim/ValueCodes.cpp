#include "ValueCodes.h"

#include "resources/Strings.h"

#include <array>
#include <span>

namespace tqvsim {

using tqv::StrId;

namespace {

// One value of a table: a text that is the same in both languages, or a resource id.
struct Entry {
    std::uint8_t code;
    const char *plain; // nullptr: the text of `id` in the active language
    StrId id;
};

constexpr Entry plain(std::uint8_t code, const char *text) { return Entry{code, text, StrId::Enable}; }
constexpr Entry named(std::uint8_t code, StrId id) { return Entry{code, nullptr, id}; }

std::string textOf(const Entry &e) { return e.plain ? std::string(e.plain) : tqv::text(e.id); }

std::uint8_t encode(std::span<const Entry> table, std::string_view text, std::uint8_t fallback)
{
    for (const Entry &e : table)
        if (textOf(e) == text)
            return e.code;
    return fallback;
}

std::optional<std::string> decode(std::span<const Entry> table, std::uint8_t code)
{
    for (const Entry &e : table)
        if (e.code == code)
            return textOf(e);
    return std::nullopt;
}

constexpr std::array kSubnetBaud = {
    plain(0, "300"),   plain(1, "600"),   plain(2, "1200"),  plain(3, "2400"),   plain(4, "9600"),
    plain(5, "19200"), plain(6, "38400"), plain(7, "57600"), plain(8, "115200"),
};
constexpr std::array kDataBits = {plain(0, "8"), plain(1, "7")};
constexpr std::array kParity = {
    named(0, StrId::ParityNone), named(1, StrId::ParityOdd),   named(2, StrId::ParityEven),
    named(3, StrId::ParityMark), named(4, StrId::ParitySpace),
};
constexpr std::array kStopBits = {plain(0, "1"), plain(1, "2")};
constexpr std::array kCommMode = {plain(0, "RTU"), plain(1, "ASCII")};
constexpr std::array kProtocol = {
    named(ValueCodes::kModbusMaster, StrId::ProtocolModbusMaster),
    named(ValueCodes::kModbusSlave, StrId::ProtocolModbusSlave),
    named(ValueCodes::kSelfDefining, StrId::ProtocolSelfDefining),
    named(ValueCodes::kUserConfig, StrId::ProtocolUserConfig),
};
constexpr std::array kOutputMode = {
    named(1, StrId::OutputCycle),
    named(2, StrId::OutputForbidden),
    named(3, StrId::OutputChangeOfValue),
    named(ValueCodes::kPulseOutput, StrId::OutputPulse),
};
constexpr std::array kScanType = {named(0, StrId::ScanQuick), named(1, StrId::ScanSlow)};
constexpr std::array kByteExchange = {
    named(0, StrId::FormatNonExchange), named(1, StrId::FormatDoubleByteExchange),
    named(2, StrId::FormatFourByteExchange),
};
constexpr std::array kDataFilter = {
    named(0, StrId::FormatFullword), named(1, StrId::FormatHighByte), named(2, StrId::FormatLowByte),
};
constexpr std::array kDeviceNetBaud = {
    named(0, StrId::DeviceNetBaud125K), named(1, StrId::DeviceNetBaud250K),
    named(2, StrId::DeviceNetBaud500K), named(3, StrId::DeviceNetBaudAuto),
};
constexpr std::array kDeviceNetInput = {
    plain(0, "8"), plain(1, "16"), plain(2, "32"), plain(3, "64"), plain(4, "96"), plain(5, "128"), plain(6, "160"),
};
constexpr std::array kDeviceNetOutput = {
    plain(0, "8"), plain(1, "16"), plain(2, "32"), plain(3, "64"), plain(4, "96"), plain(5, "112"),
};
constexpr std::array kProfibusSize = {plain(0, "8"), plain(1, "16"), plain(2, "48"), plain(3, "112")};
constexpr std::array kOnOff = {named(0, StrId::Disable), named(1, StrId::Enable)};
constexpr std::array kCommInterface = {plain(0, "RS485"), plain(1, "RS232")};

// The value a nonzero code stands for in the tables that know only zero and not zero.
std::string zeroOrNot(std::span<const Entry> table, std::uint8_t code)
{
    return *decode(table, code == 0 ? 0 : 1);
}

} // namespace

std::uint8_t ValueCodes::subnetBaud(std::string_view text) { return encode(kSubnetBaud, text, 0); }
std::optional<std::string> ValueCodes::subnetBaudText(std::uint8_t code) { return decode(kSubnetBaud, code); }

std::uint8_t ValueCodes::dataBits(std::string_view text) { return encode(kDataBits, text, 0); }
std::string ValueCodes::dataBitsText(std::uint8_t code) { return zeroOrNot(kDataBits, code); }

std::uint8_t ValueCodes::parity(std::string_view text) { return encode(kParity, text, 0); }
std::optional<std::string> ValueCodes::parityText(std::uint8_t code) { return decode(kParity, code); }

std::uint8_t ValueCodes::stopBits(std::string_view text) { return encode(kStopBits, text, 0); }
std::string ValueCodes::stopBitsText(std::uint8_t code) { return zeroOrNot(kStopBits, code); }

std::uint8_t ValueCodes::commMode(std::string_view text) { return encode(kCommMode, text, 0); }
std::string ValueCodes::commModeText(std::uint8_t code) { return zeroOrNot(kCommMode, code); }

std::uint8_t ValueCodes::protocol(std::string_view text) { return encode(kProtocol, text, 0); }
std::optional<std::string> ValueCodes::protocolText(std::uint8_t code) { return decode(kProtocol, code); }

std::uint8_t ValueCodes::outputMode(std::string_view text) { return encode(kOutputMode, text, 0); }
std::optional<std::string> ValueCodes::outputModeText(std::uint8_t code) { return decode(kOutputMode, code); }

std::uint8_t ValueCodes::scanType(std::string_view text) { return encode(kScanType, text, 1); }
std::string ValueCodes::scanTypeText(std::uint8_t code) { return zeroOrNot(kScanType, code); }

std::uint8_t ValueCodes::dataFormat(std::string_view text)
{
    const std::uint8_t exchange = encode(kByteExchange, text, 2);
    return exchange != 2 ? exchange : encode(kDataFilter, text, 2);
}

std::optional<std::string> ValueCodes::dataFormatText(std::uint8_t code, bool dataFilter)
{
    return dataFilter ? decode(kDataFilter, code) : decode(kByteExchange, code);
}

std::uint8_t ValueCodes::deviceNetBaud(std::string_view text) { return encode(kDeviceNetBaud, text, 0); }
std::optional<std::string> ValueCodes::deviceNetBaudText(std::uint8_t code) { return decode(kDeviceNetBaud, code); }

std::uint8_t ValueCodes::deviceNetInputSize(std::string_view text) { return encode(kDeviceNetInput, text, 0); }
std::optional<std::string> ValueCodes::deviceNetInputSizeText(std::uint8_t code)
{
    return decode(kDeviceNetInput, code);
}

std::uint8_t ValueCodes::deviceNetOutputSize(std::string_view text) { return encode(kDeviceNetOutput, text, 0); }
std::optional<std::string> ValueCodes::deviceNetOutputSizeText(std::uint8_t code)
{
    return decode(kDeviceNetOutput, code);
}

std::uint8_t ValueCodes::profibusSize(std::string_view text) { return encode(kProfibusSize, text, 0); }
std::string ValueCodes::profibusSizeText(std::uint8_t code) { return *decode(kProfibusSize, code < 3 ? code : 3); }

std::uint8_t ValueCodes::onOff(std::string_view text) { return encode(kOnOff, text, 0); }
std::string ValueCodes::onOffText(std::uint8_t code) { return zeroOrNot(kOnOff, code); }

std::uint8_t ValueCodes::commInterface(std::string_view text) { return encode(kCommInterface, text, 0); }
std::string ValueCodes::commInterfaceText(std::uint8_t code) { return zeroOrNot(kCommInterface, code); }
std::string ValueCodes::debugInterfaceText(std::uint8_t commInterfaceCode)
{
    return zeroOrNot(kCommInterface, commInterfaceCode == 0 ? 1 : 0);
}

std::uint32_t ValueCodes::decimal(std::string_view text)
{
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::uint32_t ValueCodes::hexadecimal(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    std::uint32_t value = 0;
    for (char c : text) {
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            break;
        value = value * 16u + digit;
    }
    return value;
}

std::string ValueCodes::hexText(std::uint32_t value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return out;
}

} // namespace tqvsim
