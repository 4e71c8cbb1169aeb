#include "ConfigImage.h"

#include "MessageHeader.h"
#include "model/ByteBuffer.h"
#include "model/MappingValues.h"
#include "model/DerivedValues.h"
#include "resources/Strings.h"
#include "serial/ValueCodes.h"

#include <cstdio>
#include <span>

namespace tqv {

namespace {

// A value text and its code in the image. Encoding: the text's code, or `otherCode` for a text the
// table does not hold. Decoding: the code's text, or `otherText` for any code the table lacks.
struct CodedText {
    std::span<const StrId> texts; // texts[i] has code firstCode + i
    std::uint8_t firstCode;
    std::uint8_t otherCode;
    StrId otherText;

    std::uint8_t encode(const std::string &value) const
    {
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (value == text(texts[i]))
                return static_cast<std::uint8_t>(firstCode + i);
        return otherCode;
    }
    std::string decode(std::uint32_t code) const
    {
        if (code >= firstCode && code - firstCode < texts.size())
            return text(texts[code - firstCode]);
        return text(otherText);
    }
};

constexpr StrId kIpModes[] = {StrId::IpManualAssign, StrId::IpDhcp};
constexpr StrId kParities[] = {StrId::ParityNone, StrId::ParityOdd, StrId::ParityEven, StrId::ParityMark};
constexpr StrId kOutputModes[] = {StrId::OutputCycle, StrId::OutputForbidden};
constexpr StrId kScanTypes[] = {StrId::ScanQuick};
constexpr StrId kDataFormats[] = {StrId::FormatNonExchange, StrId::FormatDoubleByteExchange};

constexpr CodedText kIpMode{kIpModes, 0, 2, StrId::IpBootp};
constexpr CodedText kParity{kParities, 0, 4, StrId::ParitySpace};
constexpr CodedText kOutputMode{kOutputModes, 1, 3, StrId::OutputChangeOfValue};
constexpr CodedText kScanType{kScanTypes, 0, 1, StrId::ScanSlow};
constexpr CodedText kDataFormat{kDataFormats, 0, 2, StrId::FormatFourByteExchange};

// A text that is no IPv4 address travels as 255.255.255.255, the "no address" value, which a
// read turns back into the field's default.
std::uint32_t addressBytes(std::string_view t) { return ipv4Value(t).value_or(0xFFFFFFFF); }

std::string ipv4Text(std::uint32_t value, const char *fallback)
{
    if (value == 0xFFFFFFFF)
        return fallback;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", value >> 24, (value >> 16) & 0xFF, (value >> 8) & 0xFF,
                  value & 0xFF);
    return buffer;
}

// The unsigned 32-bit fields a subnet reads, each with the largest value its grid row takes: a
// larger one would neither show as what the gateway holds nor go back unchanged, so the read is
// refused instead of storing something else.
struct WideField {
    std::size_t offset; // from the subnet's serial parameters or its block
    bool inBlock;
    std::string CONFIG::*field;
    StrId label;
    std::uint32_t largest;
};
constexpr WideField kWideFields[] = {
    {0, false, &CONFIG::masterBaud, StrId::GridModbusBaudRate, 115200},
    {ImageAt::ResponseTimeout, true, &CONFIG::responseTimeout, StrId::GridResponseTimeout, 60000},
    {ImageAt::PollDelay, true, &CONFIG::pollDelay, StrId::GridPollDelay, 2500},
    {ImageAt::ScanRatio, true, &CONFIG::scanRatio, StrId::GridScanRatio, 255},
};

std::uint32_t wideValue(OffsetReader &r, int k, const WideField &f)
{
    return r.u32((f.inBlock ? ImageAt::subnetBlock(k) : ImageAt::serialParameters(k)) + f.offset);
}

// The message naming the first field of subnets 1 and 2 above what its row takes; empty when all fit.
std::string tooLargeValue(OffsetReader &r)
{
    for (int k = 0; k < kImageSubnets; ++k)
        for (const WideField &f : kWideFields)
            if (const std::uint32_t value = wideValue(r, k, f); value > f.largest) {
                std::string label = text(f.label);
                label.erase(label.find_last_not_of(' ') + 1);
                return formatText(StrId::MsgImageValueTooLarge,
                                  {std::to_string(value), label, std::to_string(k + 1), std::to_string(f.largest)});
            }
    return {};
}

std::uint8_t low8(const std::string &t) { return static_cast<std::uint8_t>(decimalValue(t)); }
std::uint16_t low16(const std::string &t) { return static_cast<std::uint16_t>(decimalValue(t)); }

void writeSubnet(OffsetWriter &w, const CONFIG &c, int k)
{
    const std::size_t serial = ImageAt::serialParameters(k);
    w.u32(serial, decimalValue(c.masterBaud));
    w.u8(serial + 4, low8(c.masterDataBits));
    w.u8(serial + 5, kParity.encode(c.masterParity));
    w.u8(serial + 6, low8(c.masterStopBits));

    const std::size_t block = ImageAt::subnetBlock(k);
    const int count = usedCommands(c);
    w.u32(block + ImageAt::ResponseTimeout, decimalValue(c.responseTimeout));
    w.u32(block + ImageAt::PollDelay, decimalValue(c.pollDelay));
    w.u32(block + ImageAt::OutputMode, kOutputMode.encode(c.outputMode));
    w.u32(block + ImageAt::ScanRatio, decimalValue(c.scanRatio));
    w.u32(block + ImageAt::CommandCount, static_cast<std::uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
        const std::size_t slot = ImageAt::commandSlot(k, i);
        w.u8(slot, low8(cmd.slaveAddress));
        w.u8(slot + 1, low8(cmd.functionCode));
        w.u16(slot + 2, low16(cmd.startAddress));
        w.u16(slot + 4, low16(cmd.quantity));
        w.u16(slot + 6, static_cast<std::uint16_t>(hexValue(cmd.mappingAddress)));
        w.u8(slot + 8, low8(cmd.mappingBit));
        w.u8(slot + 9, kScanType.encode(cmd.scanType));
        w.u8(slot + 10, kDataFormat.encode(cmd.dataFormat));
    }
}

void applySubnet(OffsetReader &r, int k, CONFIG &c)
{
    const std::size_t serial = ImageAt::serialParameters(k);
    for (const WideField &f : kWideFields)
        c.*f.field = std::to_string(wideValue(r, k, f));
    c.masterDataBits = std::to_string(r.u8(serial + 4));
    c.masterParity = kParity.decode(r.u8(serial + 5));
    c.masterStopBits = std::to_string(r.u8(serial + 6));

    const std::size_t block = ImageAt::subnetBlock(k);
    c.outputMode = kOutputMode.decode(r.u32(block + ImageAt::OutputMode));
    c.protocol = text(StrId::ProtocolModbusMaster);
    c.masterMode = "RTU";

    // The node table follows the slave addresses in order of first appearance.
    const int count = static_cast<int>(r.u32(block + ImageAt::CommandCount));
    c.commandCount = count;
    c.nodeCount = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t slot = ImageAt::commandSlot(k, i);
        const std::string address = std::to_string(r.u8(slot));
        int nodeNumber = 0;
        for (int n = 0; n < c.nodeCount && nodeNumber == 0; ++n)
            if (c.nodes[static_cast<std::size_t>(n)].address == address)
                nodeNumber = n + 1;
        if (nodeNumber == 0) {
            c.nodes[static_cast<std::size_t>(c.nodeCount)] = NODE{address, text(StrId::NodeNamePrefix) + address};
            nodeNumber = ++c.nodeCount;
        }
        COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
        cmd.slaveAddress = address;
        cmd.functionCode = std::to_string(r.u8(slot + 1));
        cmd.startAddress = std::to_string(r.u16(slot + 2));
        cmd.quantity = std::to_string(r.u16(slot + 4));
        cmd.mappingAddress = hexText(r.u16(slot + 6));
        cmd.mappingBit = std::to_string(r.u8(slot + 8));
        cmd.scanType = kScanType.decode(r.u8(slot + 9));
        cmd.dataFormat = kDataFormat.decode(r.u8(slot + 10));
        cmd.nodeNumber = nodeNumber;
    }
}

} // namespace

int subnetWithTooManyCommands(const ConfigStore &configuration)
{
    for (int k = 0; k < kImageSubnets; ++k)
        if (usedCommands(configuration.subnet(k)) > kImageCommandSlots)
            return k + 1;
    return 0;
}

Result<std::string> buildConfigImage(const ConfigStore &configuration)
{
    if (const int subnet = subnetWithTooManyCommands(configuration))
        return Error{ErrorCode::ImageTooManyCommands,
                     formatText(StrId::MsgTooManyEthernetCommands, {std::to_string(subnet)})};
    OffsetWriter w(kConfigImageSize);
    w.raw(0, encodeHeader(EthernetCommand::WriteConfiguration, kConfigImagePayload));
    const FIELDBUS &f = configuration.fieldbus;
    w.u8(ImageAt::IpAssignMode, kIpMode.encode(f.ipAssignMode));
    w.u32(ImageAt::IpAddress, addressBytes(f.ipAddress));
    w.u32(ImageAt::SubnetMask, addressBytes(f.subnetMask));
    w.u32(ImageAt::GatewayAddress, addressBytes(f.gatewayAddress));
    w.u32(ImageAt::Dns1, addressBytes(f.dns1));
    w.u32(ImageAt::Dns2, addressBytes(f.dns2));
    for (int k = 0; k < kImageSubnets; ++k)
        writeSubnet(w, configuration.subnet(k), k);
    return w.take();
}

Status applyConfigImage(std::string_view image, ConfigStore &configuration)
{
    const Error malformed{ErrorCode::ImageMalformed, text(StrId::MsgEthReadFailed)};
    if (image.size() < kConfigImageSize)
        return malformed;
    OffsetReader r(image.substr(0, kConfigImageSize));
    for (int k = 0; k < kImageSubnets; ++k)
        if (r.u32(ImageAt::subnetBlock(k) + ImageAt::CommandCount) > static_cast<std::uint32_t>(kImageCommandSlots))
            return malformed;
    if (std::string why = tooLargeValue(r); !why.empty())
        return Error{ErrorCode::ImageMalformed, std::move(why)};

    configuration.gatewayType = code(GatewayType::Ethernet);
    FIELDBUS &f = configuration.fieldbus;
    f.fieldbusType = text(StrId::FieldbusEtherNetIp);
    f.ipAssignMode = kIpMode.decode(r.u8(ImageAt::IpAssignMode));
    f.ipAddress = ipv4Text(r.u32(ImageAt::IpAddress), "192.168.0.10");
    f.subnetMask = ipv4Text(r.u32(ImageAt::SubnetMask), "255.255.255.0");
    f.gatewayAddress = ipv4Text(r.u32(ImageAt::GatewayAddress), "192.168.0.1");
    f.dns1 = ipv4Text(r.u32(ImageAt::Dns1), "0.0.0.0");
    f.dns2 = ipv4Text(r.u32(ImageAt::Dns2), "0.0.0.0");
    for (int k = 0; k < kImageSubnets; ++k)
        applySubnet(r, k, configuration.subnet(k));
    updateDerivedValues(configuration); // the image carries no byte counts; they follow the quantities
    return {};
}

} // namespace tqv
