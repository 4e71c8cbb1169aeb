#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tqvsim {

// How the texts of a configuration travel as codes on the configuration line, both ways. Texts
// are those of the active language. Encoding a text outside a table gives the table's fallback
// code; decoding a code outside a table gives nothing, so the caller keeps the field as it was.
class ValueCodes {
public:
    // Subnet baud rates "300".."115200"; "4800" has no code and travels as 0.
    static std::uint8_t subnetBaud(std::string_view text);
    static std::optional<std::string> subnetBaudText(std::uint8_t code);

    // "8" 0, "7" 1; any code but 0 reads back as "7".
    static std::uint8_t dataBits(std::string_view text);
    static std::string dataBitsText(std::uint8_t code);

    static std::uint8_t parity(std::string_view text);
    static std::optional<std::string> parityText(std::uint8_t code);

    // "1" 0, "2" 1; any code but 0 reads back as "2".
    static std::uint8_t stopBits(std::string_view text);
    static std::string stopBitsText(std::uint8_t code);

    // "RTU" 0, "ASCII" 1; any code but 0 reads back as "ASCII".
    static std::uint8_t commMode(std::string_view text);
    static std::string commModeText(std::uint8_t code);

    static std::uint8_t protocol(std::string_view text);
    static std::optional<std::string> protocolText(std::uint8_t code);
    static constexpr std::uint8_t kModbusMaster = 0;
    static constexpr std::uint8_t kModbusSlave = 1;
    static constexpr std::uint8_t kSelfDefining = 2;
    static constexpr std::uint8_t kUserConfig = 3;

    // "Cycle" 1 .. "Pluse output" 4; anything else 0.
    static std::uint8_t outputMode(std::string_view text);
    static std::optional<std::string> outputModeText(std::uint8_t code);
    static constexpr std::uint8_t kPulseOutput = 4;

    // "Quick-scan" 0, anything else 1; any code but 0 reads back as "Slow-scan".
    static std::uint8_t scanType(std::string_view text);
    static std::string scanTypeText(std::uint8_t code);

    // Either vocabulary: first value 0, second 1, anything else 2. Decoding picks the data-filter
    // vocabulary when `dataFilter` is set.
    static std::uint8_t dataFormat(std::string_view text);
    static std::optional<std::string> dataFormatText(std::uint8_t code, bool dataFilter);

    static std::uint8_t deviceNetBaud(std::string_view text);
    static std::optional<std::string> deviceNetBaudText(std::uint8_t code);
    static std::uint8_t deviceNetInputSize(std::string_view text);
    static std::optional<std::string> deviceNetInputSizeText(std::uint8_t code);
    static std::uint8_t deviceNetOutputSize(std::string_view text);
    static std::optional<std::string> deviceNetOutputSizeText(std::uint8_t code);

    // "8" 0, "16" 1, "48" 2, "112" 3; codes from 3 up read back as "112".
    static std::uint8_t profibusSize(std::string_view text);
    static std::string profibusSizeText(std::uint8_t code);

    // "Enable" 1, anything else 0; any code but 0 reads back as "Enable".
    static std::uint8_t onOff(std::string_view text);
    static std::string onOffText(std::uint8_t code);

    // "RS232" 1, anything else 0.
    static std::uint8_t commInterface(std::string_view text);
    static std::string commInterfaceText(std::uint8_t code);
    // The debug interface is always the other one.
    static std::string debugInterfaceText(std::uint8_t commInterfaceCode);

    // Leading decimal digits (0 when there are none; "-1" is 0), wrapping modulo 2^32.
    static std::uint32_t decimal(std::string_view text);
    // Leading hexadecimal digits, upper or lower case, after an optional "0x"; 0 when none.
    static std::uint32_t hexadecimal(std::string_view text);
    // Lower-case hexadecimal without leading zeros ("0" for zero).
    static std::string hexText(std::uint32_t value);
};

} // namespace tqvsim
