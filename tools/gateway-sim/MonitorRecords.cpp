#include "MonitorRecords.h"

#include "EthernetMessage.h"
#include "ValueCodes.h"

#include <algorithm>
#include <cstdio>

namespace tqvsim {

namespace {

std::uint8_t high(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }
std::uint8_t low(std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Reply data that changes from record to record, so that a repeated or skipped record shows.
Bytes countingData(std::uint32_t position, std::size_t size)
{
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>((position + i) & 0xFF);
    return data;
}

Bytes withSum(Bytes frame)
{
    frame.push_back(WireFrame::sum(frame));
    return frame;
}

} // namespace

MonitorSequence::MonitorSequence(std::vector<MonitorCommand> commands) : m_commands(std::move(commands))
{
    if (m_commands.empty())
        m_commands.push_back(kFallbackCommand);
}

std::vector<MonitorCommand> MonitorSequence::commandsOf(const tqv::ConfigStore &store, int subnetCount)
{
    std::vector<MonitorCommand> commands;
    for (int s = 0; s < subnetCount && s < static_cast<int>(store.subnets.size()); ++s) {
        const tqv::CONFIG &subnet = store.subnet(s);
        const int count = std::clamp<int>(subnet.commandCount, 0, static_cast<int>(subnet.commands.size()));
        for (int i = 0; i < count; ++i) {
            const tqv::COMMAND &c = subnet.commands[static_cast<std::size_t>(i)];
            MonitorCommand m;
            m.subnet = static_cast<std::uint8_t>(s);
            m.slave = static_cast<std::uint8_t>(ValueCodes::decimal(c.slaveAddress));
            m.function = static_cast<std::uint8_t>(ValueCodes::decimal(c.functionCode));
            m.start = static_cast<std::uint16_t>(ValueCodes::decimal(c.startAddress));
            m.quantity = static_cast<std::uint16_t>(std::max<std::uint32_t>(1, ValueCodes::decimal(c.quantity) & 0xFFFF));
            commands.push_back(m);
        }
    }
    return commands;
}

std::size_t MonitorSequence::replyDataSize(std::uint8_t function, std::uint16_t quantity)
{
    switch (function) {
    case 1:
    case 2:
    case 15:
        return (static_cast<std::size_t>(quantity) + 7) / 8;
    case 3:
    case 4:
    case 16:
        return 2 * static_cast<std::size_t>(quantity);
    default:
        return 2;
    }
}

MonitorEntry MonitorSequence::masterEntry(std::uint32_t position, std::size_t maxData) const
{
    MonitorEntry e;
    e.position = position;
    e.command = m_commands[position % m_commands.size()];
    const std::size_t cycle = std::size(kStatusCycle);
    e.status = kStatusCycle[position % cycle];
    // Every exception the program names, in turn: 2..8, then 1 ("any other").
    e.exceptionCode = static_cast<std::uint8_t>(2 + (position / cycle) % 8);
    if (e.exceptionCode == 9)
        e.exceptionCode = 1;
    if (e.status == 0 || e.status == 2 || e.status == 4)
        e.data = countingData(position, std::min(maxData, replyDataSize(e.command.function, e.command.quantity)));
    return e;
}

MonitorEntry MonitorSequence::slaveEntry(std::uint32_t position, std::size_t maxData) const
{
    MonitorEntry e;
    e.position = position;
    e.command = m_commands[position % m_commands.size()];
    e.status = kDirectionCycle[position % std::size(kDirectionCycle)];
    const MonitorCommand &c = e.command;
    if (e.status == 1) {
        // The answer the gateway gave: slave, function, byte count, data.
        const Bytes reply = countingData(position, std::min<std::size_t>(replyDataSize(c.function, c.quantity), 255));
        e.data = {c.slave, c.function, static_cast<std::uint8_t>(reply.size())};
        e.data.insert(e.data.end(), reply.begin(), reply.end());
    } else if (e.status != 255) {
        // The request it took: slave, function, start, quantity.
        e.data = {c.slave, c.function, high(c.start), low(c.start), high(c.quantity), low(c.quantity)};
    }
    if (e.data.size() > maxData)
        e.data.resize(maxData);
    return e;
}

std::uint8_t MonitorRecords::subnetType(const tqv::ConfigStore &store)
{
    const std::uint8_t protocol = ValueCodes::protocol(store.subnet(0).protocol);
    if (protocol == ValueCodes::kModbusMaster || protocol == ValueCodes::kModbusSlave)
        return protocol;
    return ValueCodes::kUserConfig;
}

Bytes MonitorRecords::framedHandshake(std::uint8_t subnetType)
{
    Bytes reply(kHandshakeSize - 1, 0);
    reply[0] = kHandshake;
    reply[14] = subnetType;
    return withSum(std::move(reply));
}

Bytes MonitorRecords::recordData(const MonitorEntry &entry)
{
    if (entry.status == 1)
        return {entry.exceptionCode};
    return entry.data;
}

Bytes MonitorRecords::framedMasterRecord(const MonitorEntry &entry)
{
    const Bytes data = recordData(entry);
    const MonitorCommand &c = entry.command;
    Bytes record = {0x00,        static_cast<std::uint8_t>(6 + data.size()),
                    entry.status, c.slave,
                    c.function,  high(c.start),
                    low(c.start), static_cast<std::uint8_t>(data.size())};
    record.insert(record.end(), data.begin(), data.end());
    return withSum(std::move(record));
}

Bytes MonitorRecords::framedSlaveRecord(const MonitorEntry &entry)
{
    Bytes record = {0x00, kSlaveMarker, entry.status};
    record.insert(record.end(), entry.data.begin(), entry.data.end());
    return withSum(std::move(record));
}

Bytes MonitorRecords::recordLinkRecord(const MonitorEntry &entry)
{
    const Bytes data = recordData(entry);
    const MonitorCommand &c = entry.command;
    Bytes record = {entry.status, c.slave, high(c.start), low(c.start), static_cast<std::uint8_t>(data.size())};
    record.insert(record.end(), data.begin(), data.end());
    return record;
}

Bytes MonitorRecords::udpRecord(const MonitorEntry &entry)
{
    const Bytes data = entry.status == 1 ? Bytes{0, 0, 0, entry.exceptionCode} : entry.data;
    const MonitorCommand &c = entry.command;
    Bytes record = EthernetMessage::make(kUdpRecordCode, static_cast<std::uint32_t>(12 + data.size()));
    EthernetMessage::put32(record, 8, c.subnet);
    EthernetMessage::put32(record, 12, entry.status);
    record[16] = c.function;
    record[17] = c.slave;
    EthernetMessage::put16(record, 18, c.start);
    std::copy(data.begin(), data.end(), record.begin() + 20);
    return record;
}

MonitorRecords::Request MonitorRecords::framedRequest(std::span<const std::uint8_t> frame)
{
    using Kind = Request::Kind;
    Request r;
    if (frame.size() < WireFrame::kOverhead)
        return r;
    const auto data = frame.subspan(2, frame.size() - WireFrame::kOverhead);
    if (frame[0] == kHandshake && data.empty())
        r.kind = Kind::Handshake;
    else if (frame[0] == kStartStop && data.size() == 1 && data[0] == kStartKey)
        r.kind = Kind::Start;
    else if (frame[0] == kStartStop && data.size() == 1 && data[0] == kStopKey)
        r.kind = Kind::Stop;
    else if (frame[0] == kNextOrWrite && data.size() == 1 && data[0] == 0x00)
        r.kind = Kind::Next;
    else if (frame[0] == kNextOrWrite && data.size() >= 3 && data[0] == 0x01) {
        r.kind = Kind::Write;
        r.address = static_cast<std::uint16_t>(data[1] << 8 | data[2]);
        r.data.assign(data.begin() + 3, data.end());
    }
    return r;
}

MonitorRecords::Request MonitorRecords::udpRequest(std::span<const std::uint8_t> datagram)
{
    using Kind = Request::Kind;
    Request r;
    const auto header = EthernetMessage::header(datagram);
    if (!header || datagram.size() != EthernetMessage::kHeaderSize + header->length)
        return r;
    const auto payload = datagram.subspan(EthernetMessage::kHeaderSize);
    if (header->code == kUdpMonitorCode && payload.size() == 8 &&
        EthernetMessage::get32(payload, 4) == 0) {
        const std::uint32_t key = EthernetMessage::get32(payload, 0);
        if (key == 0xEAEAEAEAu)
            r.kind = Kind::Start;
        else if (key == 0xF0F0F0F0u)
            r.kind = Kind::Stop;
    } else if (header->code == kUdpRecordCode && payload.size() == 4 && EthernetMessage::get32(payload, 0) == 0) {
        r.kind = Kind::Next;
    } else if (header->code == kUdpRecordCode && payload.size() >= 6 && EthernetMessage::get32(payload, 0) == 1) {
        r.kind = Kind::Write;
        r.address = EthernetMessage::get16(payload, 4);
        r.data.assign(payload.begin() + 6, payload.end());
    }
    return r;
}

std::string MonitorRecords::writeLine(const Request &write)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(write.address));
    std::string line = "write ";
    line += text;
    for (std::uint8_t b : write.data) {
        std::snprintf(text, sizeof text, " %02X", static_cast<unsigned>(b));
        line += text;
    }
    return line;
}

void RecordRequestAssembler::feed(std::span<const std::uint8_t> bytes)
{
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<MonitorRecords::Request> RecordRequestAssembler::next()
{
    using Request = MonitorRecords::Request;
    while (!m_buffer.empty()) {
        if (m_buffer[0] == 0x00) {
            m_buffer.erase(m_buffer.begin());
            return Request{Request::Kind::Next, 0, {}};
        }
        if (m_buffer[0] == 0x01) {
            if (m_buffer.size() < 4 || m_buffer.size() < 4u + m_buffer[3])
                return std::nullopt;
            const std::size_t n = m_buffer[3];
            Request r{Request::Kind::Write, static_cast<std::uint16_t>(m_buffer[1] << 8 | m_buffer[2]),
                      Bytes(m_buffer.begin() + 4, m_buffer.begin() + 4 + static_cast<std::ptrdiff_t>(n))};
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + 4 + static_cast<std::ptrdiff_t>(n));
            return r;
        }
        m_buffer.erase(m_buffer.begin());
        ++m_dropped;
    }
    return std::nullopt;
}

} // namespace tqvsim
