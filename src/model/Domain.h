#pragma once

// The gateway family's named values: gateway types and what they imply, Modbus function codes,
// buffer addresses. Every rule that depends on a type or a function code asks here instead of
// comparing numbers or texts of its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

// `gatewayType` codes as stored in project files and reported (plus one) by a gateway.
enum class GatewayType : std::uint32_t {
    DeviceNet = 0,          // DeviceNet fieldbus, one subnet
    Profibus = 1,           // PROFIBUS fieldbus, one subnet
    FourSubnets = 2,        // four serial subnets, no fieldbus item
    ProfibusModbus = 3,     // PROFIBUS fieldbus, one subnet: the type of every new document
    Ethernet = 4,           // EtherNet/IP fieldbus, two subnets
    ProfibusModbusSlave = 5, // PROFIBUS, the subnet preset as a Modbus slave
    ProfibusUserConfig = 6, // PROFIBUS, the subnet preset as User Config
};

constexpr std::uint32_t kGatewayTypeCount = 7;

constexpr std::uint32_t code(GatewayType type) { return static_cast<std::uint32_t>(type); }
constexpr bool isType(std::uint32_t gatewayType, GatewayType type) { return gatewayType == code(type); }
constexpr bool isKnownGatewayType(std::uint32_t gatewayType) { return gatewayType < kGatewayTypeCount; }

// PROFIBUS on the fieldbus side: types 1, 3, 5 and 6.
constexpr bool isProfibusFamily(std::uint32_t t)
{
    return isType(t, GatewayType::Profibus) || isType(t, GatewayType::ProfibusModbus) ||
           isType(t, GatewayType::ProfibusModbusSlave) || isType(t, GatewayType::ProfibusUserConfig);
}

// The PROFIBUS types whose subnet offers the User Config rows (frame type ... debug interface).
constexpr bool hasUserConfigRows(std::uint32_t t)
{
    return isType(t, GatewayType::ProfibusModbus) || isType(t, GatewayType::ProfibusUserConfig);
}

// Types whose commands always use the data-filter vocabulary (others only with modelFlag1).
constexpr bool isDataFilterType(std::uint32_t t) { return isType(t, GatewayType::ProfibusModbus); }

// The PROFIBUS types whose subnet comes preset (Modbus slave or User Config): their fieldbus item
// offers no byte sizes of its own.
constexpr bool isPresetProfibusType(std::uint32_t t)
{
    return isType(t, GatewayType::ProfibusModbusSlave) || isType(t, GatewayType::ProfibusUserConfig);
}

constexpr bool isEthernetType(std::uint32_t t) { return isType(t, GatewayType::Ethernet); }
constexpr bool isFourSubnetType(std::uint32_t t) { return isType(t, GatewayType::FourSubnets); }
constexpr bool isDeviceNetType(std::uint32_t t) { return isType(t, GatewayType::DeviceNet); }

// Serial subnets a type has: 1, 2 (Ethernet) or 4; 0 for an unknown type.
constexpr int subnetCountOf(std::uint32_t t)
{
    if (!isKnownGatewayType(t))
        return 0;
    if (isFourSubnetType(t))
        return 4;
    return isEthernetType(t) ? 2 : 1;
}

// Whether the tree shows a fieldbus item (every known type but the four-subnet one).
constexpr bool hasFieldbusItem(std::uint32_t t) { return isKnownGatewayType(t) && !isFourSubnetType(t); }

// ---- serial configuration link -----------------------------------------------------------------

// The type code a gateway of this type reports on the serial link (the type plus one).
constexpr std::uint32_t reportedTypeOf(std::uint32_t t) { return t + 1; }

// Which fieldbus parameter frames a type exchanges on the serial link.
enum class FieldbusFrames { None, DeviceNet, Profibus };
constexpr FieldbusFrames fieldbusFramesOf(std::uint32_t t)
{
    if (isDeviceNetType(t))
        return FieldbusFrames::DeviceNet;
    if (isType(t, GatewayType::Profibus) || isType(t, GatewayType::ProfibusModbus) ||
        isType(t, GatewayType::ProfibusUserConfig))
        return FieldbusFrames::Profibus;
    return FieldbusFrames::None;
}

// PROFIBUS parameter frames with the third (input-length prefix) byte: types 3 and 6.
constexpr bool hasProfibusThirdByte(std::uint32_t t)
{
    return isType(t, GatewayType::ProfibusModbus) || isType(t, GatewayType::ProfibusUserConfig);
}

// Types whose subnet parameter frame has the extended (26-byte) form: 3, 5 and 6.
constexpr bool hasExtendedSubnetFrame(std::uint32_t t)
{
    return isType(t, GatewayType::ProfibusModbus) || isType(t, GatewayType::ProfibusModbusSlave) ||
           isType(t, GatewayType::ProfibusUserConfig);
}

// Subnets moved over the serial link: 4 for the four-subnet type, none for the Ethernet type
// (it transfers over the network), 1 for the others; 0 for an unknown type.
constexpr int serialSubnetCountOf(std::uint32_t t)
{
    if (!isKnownGatewayType(t) || isEthernetType(t))
        return 0;
    return isFourSubnetType(t) ? 4 : 1;
}

// Modbus commands per command-block read: 20 for the four-subnet type, 6 for the one-subnet types.
constexpr int commandBlockSizeOf(std::uint32_t t) { return isFourSubnetType(t) ? 20 : 6; }

// ---- Modbus function codes ---------------------------------------------------------------------

// The function codes a command can carry; stored in COMMAND::functionCode as decimal text.
enum class FunctionCode : int {
    ReadCoils = 1,
    ReadDiscreteInputs = 2,
    ReadHoldingRegisters = 3,
    ReadInputRegisters = 4,
    WriteSingleCoil = 5,
    WriteSingleRegister = 6,
    WriteMultipleCoils = 15,
    WriteMultipleRegisters = 16,
};

// The code of a stored text ("1".."16", exactly as stored); nothing for any other text.
std::optional<FunctionCode> functionCodeOf(std::string_view text);
// The stored text of a code ("3").
std::string functionCodeText(FunctionCode fc);

// Bit functions address coils or inputs (1, 2, 5, 15); register functions words (3, 4, 6, 16).
constexpr bool isBitFunction(FunctionCode fc)
{
    return fc == FunctionCode::ReadCoils || fc == FunctionCode::ReadDiscreteInputs ||
           fc == FunctionCode::WriteSingleCoil || fc == FunctionCode::WriteMultipleCoils;
}
constexpr bool isRegisterFunction(FunctionCode fc) { return !isBitFunction(fc); }
// Reads (1-4) fill the input buffer; writes (5, 6, 15, 16) take their data from a buffer.
constexpr bool isReadFunction(FunctionCode fc) { return static_cast<int>(fc) <= 4; }
constexpr bool isWriteFunction(FunctionCode fc) { return !isReadFunction(fc); }
// Single writes (5, 6) always move exactly one item.
constexpr bool isSingleWrite(FunctionCode fc)
{
    return fc == FunctionCode::WriteSingleCoil || fc == FunctionCode::WriteSingleRegister;
}

// Text-level forms of the predicates above for a stored functionCode; false for unknown codes.
bool isBitFunction(std::string_view functionCode);
bool isRegisterFunction(std::string_view functionCode);
bool isReadFunction(std::string_view functionCode);
bool isWriteFunction(std::string_view functionCode);
bool isSingleWrite(std::string_view functionCode);
bool isFunction(std::string_view functionCode, FunctionCode fc);

// Buffer bytes a command of `quantity` items occupies: bits rounded up to whole bytes for 1, 2
// and 15, two bytes per register for 3, 4 and 16, one byte for 5 and two for 6. A quantity below
// 0 counts as 0.
long commandByteLength(FunctionCode fc, long quantity);
// Buffer bits a command covers in the download's mapping test: one per coil or input (1, 2, 5,
// 15), sixteen per register (3, 4, 6, 16). A quantity below 0 counts as 0.
long commandBitLength(FunctionCode fc, long quantity);

// ---- PROFIBUS configuration data --------------------------------------------------------------

// The bytes of a `profibusConfigData` text as the gateway receives them: one byte from the two
// characters at the start of every three-character step, while the second of them lies inside the
// text ("D1 E1" gives D1 E1). Digits in either case; any other character reads as 0, as the
// download frame takes it. Every byte is returned; a caller that sends them takes at most eight.
std::vector<std::uint8_t> profibusConfigDataBytes(std::string_view text);

// ---- buffers -----------------------------------------------------------------------------------

constexpr std::uint16_t kInputBufferBase = 0x0000;
constexpr std::uint16_t kOutputBufferBase = 0x4000;
constexpr int kMaxBitOffset = 7;
constexpr int kBitsPerByte = 8;
// Where the inputs of a DeviceNet gateway start: its first two input bytes are its own.
constexpr std::uint16_t kDeviceNetInputBase = 0x0002;

} // namespace tqv
