#include "GatewayResponder.h"

#include <algorithm>

namespace tqvsim {

namespace {

// Request codes and the data lengths each one may carry (two for the frames with two forms).
struct RequestShape {
    std::uint8_t code;
    std::uint8_t length;
    std::uint8_t otherLength;
};

constexpr RequestShape kShapes[] = {
    {0x01, 0, 0},  // read gateway type
    {0x21, 4, 4},  // write DeviceNet parameters
    {0x22, 0, 0},  // read DeviceNet parameters
    {0x30, 2, 3},  // write PROFIBUS parameters, without or with the input length prefix byte
    {0x31, 0, 0},  // read PROFIBUS parameters
    {0x03, 14, 23}, // write subnet parameters, short or extended form
    {0x04, 1, 1},  // read subnet parameters: subnet
    {0x14, 3, 3},  // clear commands: subnet, 0x55, 0xAA
    {0x10, 13, 13}, // write one command
    {0x15, 1, 1},  // read command count: subnet
    {0x16, 2, 2},  // read command block: subnet, block
    {0x32, 1, 1},  // write timeout action / double-fault reset
    {0x33, 0, 0},  // read it
    {0x34, 9, 9},  // write PROFIBUS configuration data: count, eight bytes
    {0x35, 0, 0},  // read it
    {0x05, 4, 4},  // write character intervals
    {0x06, 0, 0},  // read them
};

const RequestShape *shapeOf(std::uint8_t code)
{
    for (const RequestShape &s : kShapes)
        if (s.code == code)
            return &s;
    return nullptr;
}

GatewayResponder::Outcome reply(std::uint8_t code, std::span<const std::uint8_t> data)
{
    return {WireFrame::make(code, data), false};
}

GatewayResponder::Outcome stored(std::uint8_t code) { return {WireFrame::ack(code), true}; }

constexpr std::uint8_t kClearKey1 = 0x55;
constexpr std::uint8_t kClearKey2 = 0xAA;
constexpr std::size_t kMaxConfigBytes = 8;

} // namespace

GatewayResponder::GatewayResponder(GatewayModel model, std::uint8_t firmwareMajor, std::uint8_t firmwareMinor,
                                   GatewayMemory memory)
    : m_model(model), m_firmwareMajor(firmwareMajor), m_firmwareMinor(firmwareMinor), m_memory(std::move(memory))
{
}

GatewayResponder::Outcome GatewayResponder::refuse(std::uint8_t code, RefusalCode why) const
{
    return {WireFrame::error(code, static_cast<std::uint8_t>(why)), false};
}

bool GatewayResponder::knownSubnet(std::uint8_t subnet) const
{
    return subnet < m_model.subnetCount() && !m_memory.subnetFields[subnet].empty();
}

GatewayResponder::Outcome GatewayResponder::handle(std::span<const std::uint8_t> frame)
{
    const std::uint8_t code = frame[0];
    if (!WireFrame::sumMatches(frame))
        return refuse(code, RefusalCode::BadSum);
    const RequestShape *shape = shapeOf(code);
    if (!shape)
        return refuse(code, RefusalCode::UnknownCode);
    const std::uint8_t length = frame[1];
    if (length != shape->length && length != shape->otherLength)
        return refuse(code, RefusalCode::BadLength);
    const auto data = frame.subspan(2, length);

    switch (code) {
    case 0x01:
        return identity();
    case 0x21:
        std::copy(data.begin(), data.end(), m_memory.deviceNet.begin());
        return stored(code);
    case 0x22:
        return reply(0x22, m_memory.deviceNet);
    case 0x30:
        m_memory.profibus.assign(data.begin(), data.end());
        return stored(code);
    case 0x31:
        return reply(0x31, m_memory.profibus);
    case 0x03:
        return writeSubnet(frame);
    case 0x04:
        return readSubnet(data[0]);
    case 0x14:
        return clearCommands(frame);
    case 0x10:
        return writeCommand(frame);
    case 0x15:
        return readCount(data[0]);
    case 0x16:
        return readBlock(data[0], data[1]);
    case 0x32:
        m_memory.timeoutValue = data[0];
        return stored(code);
    case 0x33: {
        const std::uint8_t value[] = {m_memory.timeoutValue};
        return reply(0x33, value);
    }
    case 0x34:
        if (data[0] > kMaxConfigBytes)
            return refuse(code, RefusalCode::OutOfRange);
        std::copy(data.begin(), data.end(), m_memory.profibusConfig.begin());
        return stored(code);
    case 0x35:
        return reply(0x35, m_memory.profibusConfig);
    case 0x05:
        std::copy(data.begin(), data.end(), m_memory.charIntervals.begin());
        return stored(code);
    case 0x06:
        return reply(0x06, m_memory.charIntervals);
    default:
        return refuse(code, RefusalCode::UnknownCode);
    }
}

GatewayResponder::Outcome GatewayResponder::identity() const
{
    // Type, firmware major and minor, then five bytes of further data that nobody reads.
    const std::uint8_t data[8] = {m_reportedType.value_or(m_model.reportedType()), m_firmwareMajor, m_firmwareMinor, 0, 0, 0, 0, 0};
    return reply(0x01, data);
}

GatewayResponder::Outcome GatewayResponder::writeSubnet(std::span<const std::uint8_t> frame)
{
    const std::uint8_t subnet = frame[2];
    if (!knownSubnet(subnet))
        return refuse(frame[0], RefusalCode::OutOfRange);
    // Offsets 3 up to the sum: 13 bytes in the short form, 22 in the extended one.
    m_memory.subnetFields[subnet].assign(frame.begin() + 3, frame.end() - 1);
    return stored(frame[0]);
}

GatewayResponder::Outcome GatewayResponder::readSubnet(std::uint8_t subnet) const
{
    if (!knownSubnet(subnet))
        return refuse(0x04, RefusalCode::OutOfRange);
    Bytes data{subnet};
    const Bytes &fields = m_memory.subnetFields[subnet];
    data.insert(data.end(), fields.begin(), fields.end());
    return reply(0x04, data);
}

GatewayResponder::Outcome GatewayResponder::clearCommands(std::span<const std::uint8_t> frame)
{
    const std::uint8_t subnet = frame[2];
    if (!knownSubnet(subnet) || frame[3] != kClearKey1 || frame[4] != kClearKey2)
        return refuse(frame[0], RefusalCode::OutOfRange);
    m_memory.commands[subnet] = CommandList{};
    return stored(frame[0]);
}

GatewayResponder::Outcome GatewayResponder::writeCommand(std::span<const std::uint8_t> frame)
{
    const std::uint8_t subnet = frame[2];
    const std::uint8_t index = frame[3];
    if (!knownSubnet(subnet))
        return refuse(frame[0], RefusalCode::OutOfRange);
    CommandList &list = m_memory.commands[subnet];
    // A command rewrites one already held or extends the list by one; a gap would leave records
    // nobody wrote, so it is refused like an index past the 128 the gateway holds.
    if (index >= kMaxCommandsPerSubnet || index > list.count)
        return refuse(frame[0], RefusalCode::OutOfRange);
    std::copy(frame.begin() + 4, frame.begin() + 4 + kCommandRecordSize, list.records[index].begin());
    if (index == list.count)
        ++list.count;
    return stored(frame[0]);
}

GatewayResponder::Outcome GatewayResponder::readCount(std::uint8_t subnet) const
{
    if (!knownSubnet(subnet))
        return refuse(0x15, RefusalCode::OutOfRange);
    const int count = m_memory.commands[subnet].count;
    const std::uint8_t data[] = {subnet, static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count & 0xFF)};
    return reply(0x15, data);
}

GatewayResponder::Outcome GatewayResponder::readBlock(std::uint8_t subnet, std::uint8_t block) const
{
    if (!knownSubnet(subnet))
        return refuse(0x16, RefusalCode::OutOfRange);
    const CommandList &list = m_memory.commands[subnet];
    const int perBlock = m_model.commandsPerBlock();
    const int first = block * perBlock;
    // Block 0 always answers, with no records for an empty list; later blocks must hold some.
    if (block > 0 && first >= list.count)
        return refuse(0x16, RefusalCode::OutOfRange);
    const int end = std::min(list.count, first + perBlock);
    Bytes data{subnet};
    for (int i = first; i < end; ++i) {
        data.push_back(static_cast<std::uint8_t>(i));
        const CommandRecord &r = list.records[static_cast<std::size_t>(i)];
        data.insert(data.end(), r.begin(), r.end());
    }
    return reply(0x16, data);
}

} // namespace tqvsim
