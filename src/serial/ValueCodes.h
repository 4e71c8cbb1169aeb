#pragma once

// Codes of the configuration's value texts on the serial link, both ways, and the number
// conversions the frames use. Texts are those of the active language (the grid's texts).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tqv {

// The value tables of the frames.
enum class ValueTable {
    SubnetBaud,         // "300" 0 ... "115200" 8; no code for "4800"
    DataBits,           // "8" 0, "7" 1
    Parity,             // "None" 0 ... "Space" 4
    StopBits,           // "1" 0, "2" 1
    CommMode,           // "RTU" 0, "ASCII" 1
    Protocol,           // "Modbus master" 0, "Modbus slave" 1, "Self-defining protocol" 2, "User Config" 3
    OutputMode,         // "Cycle" 1 ... "Pluse output" 4
    ScanType,           // "Quick-scan" 0, any other 1
    ByteExchange,       // a command's data format in the byte-exchange vocabulary
    DataFilter,         // a command's data format in the data-filter vocabulary
    DeviceNetBaud,      // "125K" 0 ... "Intercept automatically" 3
    DeviceNetInputSize, // "8" 0 ... "160" 6
    DeviceNetOutputSize, // "8" 0 ... "112" 5
    ProfibusSize,       // "8" 0, "16" 1, "48" 2, "112" 3
    Switch,             // "Enable" 1, otherwise 0
    CommInterface,      // "RS232" 1, otherwise 0
};

// Every table, for walking them all (tests, listings).
inline constexpr ValueTable kValueTables[] = {
    ValueTable::SubnetBaud,    ValueTable::DataBits,           ValueTable::Parity,
    ValueTable::StopBits,      ValueTable::CommMode,           ValueTable::Protocol,
    ValueTable::OutputMode,    ValueTable::ScanType,           ValueTable::ByteExchange,
    ValueTable::DataFilter,    ValueTable::DeviceNetBaud,      ValueTable::DeviceNetInputSize,
    ValueTable::DeviceNetOutputSize, ValueTable::ProfibusSize, ValueTable::Switch,
    ValueTable::CommInterface,
};

// The text/code pairs of a table in the active language, in code order.
std::vector<std::pair<std::string, std::uint8_t>> valueTable(ValueTable table);

// The code a text travels as. A text the table does not hold gives the table's fallback: 1 for
// ScanType, 2 for the data formats (both vocabularies encode alike), 0 for every other table.
std::uint8_t encodeValue(ValueTable table, std::string_view text);

// The text a received code stands for, or nothing when the table has no text for it (the
// field is then left as it is). Switch, CommInterface, DataBits, StopBits and CommMode take
// any code other than 0 as their second value; ProfibusSize takes 3 and above as "112".
std::optional<std::string> decodeValue(ValueTable table, std::uint8_t code);

// Numeric texts: the leading decimal (or hexadecimal) digits, 0 when there are none; values
// beyond 32 bits stay at 0xFFFFFFFF. A frame field takes the low 8 or 16 bits.
std::uint32_t decimalValue(std::string_view text);
std::uint32_t hexValue(std::string_view text);

// Milliseconds that travel in one byte: divided by 10 on the way out (low 8 bits), times 10 in.
std::uint8_t tensOfMillis(std::string_view millisText);
std::string millisFromTens(std::uint8_t tens);

// A mapping address as an upload writes it: lower-case hexadecimal without leading zeros.
std::string hexText(std::uint32_t value);

// PROFIBUS configuration data: the bytes of the text (two hex digits every three characters,
// at most 8) and the text of received bytes (each as two lower-case digits and one blank).
std::vector<std::uint8_t> profibusConfigBytes(std::string_view text);
std::string profibusConfigText(const std::vector<std::uint8_t> &bytes);

} // namespace tqv
