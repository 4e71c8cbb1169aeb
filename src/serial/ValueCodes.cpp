#include "ValueCodes.h"

#include "model/ByteBuffer.h"
#include "model/Domain.h"

#include "resources/Strings.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <span>

namespace tqv {

namespace {

// One row of a table: a string-table text, or a plain text that is the same in both languages.
struct Row {
    StrId id;
    const char *plain; // when set, the text itself
    std::uint8_t code;
};

constexpr Row plain(const char *t, std::uint8_t code) { return {StrId::Enable, t, code}; }
constexpr Row res(StrId id, std::uint8_t code) { return {id, nullptr, code}; }

std::string rowText(const Row &r) { return r.plain ? std::string(r.plain) : text(r.id); }

constexpr Row kSubnetBaud[] = {plain("300", 0),   plain("600", 1),   plain("1200", 2),
                               plain("2400", 3),  plain("9600", 4),  plain("19200", 5),
                               plain("38400", 6), plain("57600", 7), plain("115200", 8)};
constexpr Row kDataBits[] = {plain("8", 0), plain("7", 1)};
constexpr Row kParity[] = {res(StrId::ParityNone, 0), res(StrId::ParityOdd, 1), res(StrId::ParityEven, 2),
                           res(StrId::ParityMark, 3), res(StrId::ParitySpace, 4)};
constexpr Row kStopBits[] = {plain("1", 0), plain("2", 1)};
constexpr Row kCommMode[] = {plain("RTU", 0), plain("ASCII", 1)};
constexpr Row kProtocol[] = {res(StrId::ProtocolModbusMaster, 0), res(StrId::ProtocolModbusSlave, 1),
                             res(StrId::ProtocolSelfDefining, 2), res(StrId::ProtocolUserConfig, 3)};
constexpr Row kOutputMode[] = {res(StrId::OutputCycle, 1), res(StrId::OutputForbidden, 2),
                               res(StrId::OutputChangeOfValue, 3), res(StrId::OutputPulse, 4)};
constexpr Row kScanType[] = {res(StrId::ScanQuick, 0), res(StrId::ScanSlow, 1)};
constexpr Row kByteExchange[] = {res(StrId::FormatNonExchange, 0), res(StrId::FormatDoubleByteExchange, 1),
                                 res(StrId::FormatFourByteExchange, 2)};
constexpr Row kDataFilter[] = {res(StrId::FormatFullword, 0), res(StrId::FormatHighByte, 1),
                               res(StrId::FormatLowByte, 2)};
constexpr Row kDeviceNetBaud[] = {res(StrId::DeviceNetBaud125K, 0), res(StrId::DeviceNetBaud250K, 1),
                                  res(StrId::DeviceNetBaud500K, 2), res(StrId::DeviceNetBaudAuto, 3)};
constexpr Row kDeviceNetInput[] = {plain("8", 0),  plain("16", 1),  plain("32", 2), plain("64", 3),
                                   plain("96", 4), plain("128", 5), plain("160", 6)};
constexpr Row kDeviceNetOutput[] = {plain("8", 0),  plain("16", 1), plain("32", 2),
                                    plain("64", 3), plain("96", 4), plain("112", 5)};
constexpr Row kProfibusSize[] = {plain("8", 0), plain("16", 1), plain("48", 2), plain("112", 3)};
constexpr Row kSwitch[] = {res(StrId::Disable, 0), res(StrId::Enable, 1)};
constexpr Row kCommInterface[] = {plain("RS485", 0), plain("RS232", 1)};

std::span<const Row> rowsOf(ValueTable table)
{
    switch (table) {
    case ValueTable::SubnetBaud: return kSubnetBaud;
    case ValueTable::DataBits: return kDataBits;
    case ValueTable::Parity: return kParity;
    case ValueTable::StopBits: return kStopBits;
    case ValueTable::CommMode: return kCommMode;
    case ValueTable::Protocol: return kProtocol;
    case ValueTable::OutputMode: return kOutputMode;
    case ValueTable::ScanType: return kScanType;
    case ValueTable::ByteExchange: return kByteExchange;
    case ValueTable::DataFilter: return kDataFilter;
    case ValueTable::DeviceNetBaud: return kDeviceNetBaud;
    case ValueTable::DeviceNetInputSize: return kDeviceNetInput;
    case ValueTable::DeviceNetOutputSize: return kDeviceNetOutput;
    case ValueTable::ProfibusSize: return kProfibusSize;
    case ValueTable::Switch: return kSwitch;
    case ValueTable::CommInterface: return kCommInterface;
    }
    return {};
}

std::optional<std::uint8_t> find(std::span<const Row> rows, std::string_view t)
{
    for (const Row &r : rows)
        if (rowText(r) == t)
            return r.code;
    return std::nullopt;
}

// Tables whose every code other than 0 means the second value.
bool twoWay(ValueTable table)
{
    return table == ValueTable::DataBits || table == ValueTable::StopBits || table == ValueTable::CommMode ||
           table == ValueTable::Switch || table == ValueTable::CommInterface;
}

std::uint32_t leadingDigits(std::string_view text, unsigned base)
{
    std::uint64_t value = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0 || static_cast<unsigned>(d) >= base)
            break;
        const auto digit = static_cast<unsigned>(d);
        value = std::min<std::uint64_t>(value * base + digit, std::numeric_limits<std::uint32_t>::max());
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::vector<std::pair<std::string, std::uint8_t>> valueTable(ValueTable table)
{
    std::vector<std::pair<std::string, std::uint8_t>> out;
    for (const Row &r : rowsOf(table))
        out.emplace_back(rowText(r), r.code);
    std::sort(out.begin(), out.end(), [](const auto &a, const auto &b) { return a.second < b.second; });
    return out;
}

std::uint8_t encodeValue(ValueTable table, std::string_view t)
{
    switch (table) {
    case ValueTable::ScanType:
        return t == text(StrId::ScanQuick) ? 0 : 1;
    case ValueTable::ByteExchange:
    case ValueTable::DataFilter:
        // Both vocabularies travel alike: first value 0, second 1, anything else 2.
        if (auto code = find(kByteExchange, t))
            return *code < 2 ? *code : 2;
        if (auto code = find(kDataFilter, t))
            return *code < 2 ? *code : 2;
        return 2;
    default:
        return find(rowsOf(table), t).value_or(0);
    }
}

std::optional<std::string> decodeValue(ValueTable table, std::uint8_t code)
{
    if (twoWay(table))
        code = code != 0 ? 1 : 0;
    else if (table == ValueTable::ProfibusSize)
        code = std::min<std::uint8_t>(code, 3);
    for (const Row &r : rowsOf(table))
        if (r.code == code)
            return rowText(r);
    return std::nullopt;
}

std::uint32_t decimalValue(std::string_view text) { return leadingDigits(text, 10); }

std::uint32_t hexValue(std::string_view text) { return leadingDigits(text, 16); }

std::uint8_t tensOfMillis(std::string_view millisText)
{
    return static_cast<std::uint8_t>(decimalValue(millisText) / 10);
}

std::string millisFromTens(std::uint8_t tens) { return std::to_string(tens * 10); }

std::string hexText(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value));
    return buffer;
}

std::vector<std::uint8_t> profibusConfigBytes(std::string_view text)
{
    // The text is read as the mapping reads it; a frame carries at most eight bytes of it.
    std::vector<std::uint8_t> bytes = profibusConfigDataBytes(text);
    if (bytes.size() > 8)
        bytes.resize(8);
    return bytes;
}

std::string profibusConfigText(const std::vector<std::uint8_t> &bytes)
{
    std::string out;
    for (std::uint8_t b : bytes) {
        char buffer[4];
        std::snprintf(buffer, sizeof buffer, "%02x ", b);
        out += buffer;
    }
    return out;
}

} // namespace tqv
