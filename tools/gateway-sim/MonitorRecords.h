#pragma once

#include "WireFrame.h"

#include "model/ConfigStore.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tqvsim {

// One Modbus exchange the simulated gateway reports: taken from a configured command.
struct MonitorCommand {
    std::uint8_t subnet = 0;
    std::uint8_t slave = 1;
    std::uint8_t function = 3;
    std::uint16_t start = 0;
    std::uint16_t quantity = 1;

    bool operator==(const MonitorCommand &) const = default;
};

// One record of the deterministic sequence, before a link puts it into its own layout.
struct MonitorEntry {
    std::uint32_t position = 0;
    MonitorCommand command;
    std::uint8_t status = 0;       // 0..3, 255, or the out-of-range 4; the direction on the framed slave form
    std::uint8_t exceptionCode = 0; // status 1: the Modbus exception
    Bytes data;                    // the reply data (or the exchanged frame on the framed slave form)
};

// The record each position of a monitoring run shows: commands in turn, statuses in a fixed cycle.
class MonitorSequence {
public:
    // An empty list is replaced by kFallbackCommand.
    explicit MonitorSequence(std::vector<MonitorCommand> commands);

    // Every command of the subnets the gateway holds (`subnetCount` first ones), in order.
    static std::vector<MonitorCommand> commandsOf(const tqv::ConfigStore &store, int subnetCount);

    // The record at `position` in the master form (status cycle kStatusCycle), its data cut to
    // `maxData` bytes.
    MonitorEntry masterEntry(std::uint32_t position, std::size_t maxData) const;
    // The record at `position` in the framed slave/user form (direction cycle kDirectionCycle).
    MonitorEntry slaveEntry(std::uint32_t position, std::size_t maxData) const;

    // Data bytes a reply to `function` with `quantity` carries: 1, 2, 15 one bit each; 3, 4, 16
    // two bytes each; 5, 6 and any other function two bytes.
    static std::size_t replyDataSize(std::uint8_t function, std::uint16_t quantity);

    const std::vector<MonitorCommand> &commands() const { return m_commands; }

    static constexpr std::uint8_t kStatusCycle[] = {0, 0, 1, 2, 3, 255, 4};
    static constexpr std::uint8_t kDirectionCycle[] = {0, 1, 0, 1, 255, 2};
    static constexpr MonitorCommand kFallbackCommand{0, 1, 3, 0, 2};

private:
    std::vector<MonitorCommand> m_commands;
};

// Byte layouts of the three monitor links as the gateway sends them, and the program's requests.
class MonitorRecords {
public:
    // Framed serial link ------------------------------------------------------------------------
    static constexpr std::uint8_t kHandshake = 0xD0;
    static constexpr std::uint8_t kStartStop = 0xD2;
    static constexpr std::uint8_t kNextOrWrite = 0xD4;
    static constexpr std::uint8_t kStartKey = 0xEA;
    static constexpr std::uint8_t kStopKey = 0xF0;
    static constexpr std::uint8_t kSlaveMarker = 0xF5;
    static constexpr std::size_t kHandshakeSize = 16;
    // What the program reads of a framed record, of a record-link record, of a datagram.
    static constexpr std::size_t kFramedReadLimit = 249;
    static constexpr std::size_t kRecordReadLimit = 200;
    static constexpr std::size_t kUdpReadLimit = 300;
    static constexpr std::size_t kMaxFramedMasterData = kFramedReadLimit - 9; // 00 L st sl fn hi lo n .. sum
    static constexpr std::size_t kMaxFramedSlaveData = kFramedReadLimit - 4;  // 00 F5 dir .. sum
    static constexpr std::size_t kMaxRecordData = kRecordReadLimit - 5;
    static constexpr std::size_t kMaxUdpData = kUdpReadLimit - 20;

    // The subnet type the handshake reports for subnet 1's protocol: Modbus master 0, Modbus
    // slave 1, User Config and Self-defining protocol 3 (the program watches both the same way).
    static std::uint8_t subnetType(const tqv::ConfigStore &store);

    // D0, 13 zero bytes, the subnet type, the 8-bit sum of the 15 bytes before it.
    static Bytes framedHandshake(std::uint8_t subnetType);
    // 00, L = 6 + n, status, slave, function, start high, start low, n, n data bytes, sum. Status 1
    // carries the exception code as its only data byte; 3, 255 carry none.
    static Bytes framedMasterRecord(const MonitorEntry &entry);
    // 00, F5, direction, data, sum.
    static Bytes framedSlaveRecord(const MonitorEntry &entry);

    // Record serial link: status, slave, start high, start low, n, n data bytes.
    static Bytes recordLinkRecord(const MonitorEntry &entry);

    // UDP link: header (command kUdpRecordCode, payload length L = 12 + n), subnet index (4 bytes),
    // status (4 bytes), function, slave, start (2 bytes), n data bytes. Status 1 carries four data
    // bytes 00 00 00 and the exception code.
    static Bytes udpRecord(const MonitorEntry &entry);
    static constexpr std::uint32_t kUdpMonitorCode = 14;
    static constexpr std::uint32_t kUdpRecordCode = 16;

    // The data a record of `entry` carries on the master-form links (framed mode 0, record link).
    static Bytes recordData(const MonitorEntry &entry);

    // A request from the program, read off any of the three links.
    struct Request {
        enum class Kind { Handshake, Start, Stop, Next, Write, Unknown } kind = Kind::Unknown;
        std::uint16_t address = 0; // Write
        Bytes data;                // Write
        bool operator==(const Request &) const = default;
    };
    // A whole framed-link frame with a good sum (as FrameAssembler hands it out).
    static Request framedRequest(std::span<const std::uint8_t> frame);
    // A whole UDP datagram; Unknown when its header's length is not the datagram's.
    static Request udpRequest(std::span<const std::uint8_t> datagram);

    // "write ADDR DATA": ADDR four upper-case hex digits, then each data byte as a blank and two
    // upper-case hex digits.
    static std::string writeLine(const Request &write);
};

// Cuts the record serial link's unframed requests out of the byte stream: 00 (next) and
// 01 ADDR-HI ADDR-LO N DATA (write). A byte that starts neither is dropped and counted.
class RecordRequestAssembler {
public:
    void feed(std::span<const std::uint8_t> bytes);
    std::optional<MonitorRecords::Request> next();
    bool hasPartial() const { return !m_buffer.empty(); }
    void discardPartial() { m_buffer.clear(); }
    std::size_t dropped() const { return m_dropped; }

private:
    Bytes m_buffer;
    std::size_t m_dropped = 0;
};

} // namespace tqvsim
