#pragma once

// The gateway's serial configuration protocol: command codes, buffer sizes, time limits and the
// byte layout of the records a reply carries. Frames are built, judged and decoded elsewhere
// (FrameBuilder, ReplyJudge, ReplyDecoder); this header only names the numbers they share.

#include "link/Clock.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tqv {

// A request or reply as it travels: one char per byte.
using Frame = std::string;

// Command codes of the requests (a reply carries the code of its request).
struct SerialCode {
    static constexpr std::uint8_t ReadGatewayType = 0x01;
    static constexpr std::uint8_t WriteSubnet = 0x03;
    static constexpr std::uint8_t ReadSubnet = 0x04;
    static constexpr std::uint8_t WriteCharIntervals = 0x05;
    static constexpr std::uint8_t ReadCharIntervals = 0x06;
    static constexpr std::uint8_t WriteCommand = 0x10;
    static constexpr std::uint8_t ClearCommands = 0x14;
    static constexpr std::uint8_t ReadCommandCount = 0x15;
    static constexpr std::uint8_t ReadCommandBlock = 0x16;
    static constexpr std::uint8_t WriteDeviceNet = 0x21;
    static constexpr std::uint8_t ReadDeviceNet = 0x22;
    static constexpr std::uint8_t WriteProfibus = 0x30;
    static constexpr std::uint8_t ReadProfibus = 0x31;
    static constexpr std::uint8_t WriteTimeoutAction = 0x32;
    static constexpr std::uint8_t ReadTimeoutAction = 0x33;
    static constexpr std::uint8_t WriteProfibusConfigData = 0x34;
    static constexpr std::uint8_t ReadProfibusConfigData = 0x35;
};

// A gateway refuses a request with its code | 0x80, two data bytes (the first the error code).
constexpr std::uint8_t kErrorReplyFlag = 0x80;
constexpr std::uint8_t errorReplyCode(std::uint8_t request) { return static_cast<std::uint8_t>(request | kErrorReplyFlag); }
// The error code of a refused command write (0x90) meaning "only one Modbus slave".
constexpr std::uint8_t kErrorOneSlaveOnly = 3;

// Receive buffers: ordinary replies, command blocks (0x16), and the 0x32/0x33 replies. A reply is
// cut to its buffer; what does not fit is dropped.
constexpr std::size_t kReplyBufferSize = 26;
constexpr std::size_t kCommandBlockBufferSize = 250;
constexpr std::size_t kTimeoutActionBufferSize = 128;

// Time limits from the end of the request to the first reply byte.
constexpr Millis kReplyTimeLimit{300};
constexpr Millis kCommandBlockTimeLimit{1000};
// A reply whose length is not checked is complete once the line has been quiet this long; a
// first byte that comes late still gets this long for the rest of its frame.
constexpr Millis kSettleTime{50};
// The port's own read limit for reads of a fixed length: per byte, plus once per read.
constexpr Millis kFixedReadTimePerByte{10};
constexpr Millis kFixedReadTimeExtra{10};
// The character-interval write waits this long before it reads its acknowledgement.
constexpr Millis kCompareDelay{100};

// Frame sizes.
constexpr std::size_t kAckSize = 3;
constexpr std::size_t kGatewayTypeReplySize = 11;
constexpr std::size_t kShortSubnetFrameSize = 17;    // 14 data bytes
constexpr std::size_t kExtendedSubnetFrameSize = 26; // 23 data bytes
constexpr std::size_t kCommandFrameSize = 16;
constexpr std::size_t kCharIntervalsFrameSize = 7;
constexpr std::size_t kProfibusConfigFrameSize = 12;

// Record sizes held by the upload store.
constexpr std::size_t kGatewayTypeDataSize = 8;
constexpr std::size_t kDeviceNetParameterSize = 4;
constexpr std::size_t kProfibusParameterSize = 3;
constexpr std::size_t kSubnetParameterSize = 22; // the 0x03 fields from frame offset 3 on
constexpr std::size_t kShortSubnetParameterSize = 13;
constexpr std::size_t kCommandRecordSize = 11;   // the 0x10 fields at frame offsets 4..14
constexpr std::size_t kCommandBlockRecordSize = 12; // command index + the 11 bytes
constexpr std::size_t kMaxProfibusConfigBytes = 8;

// Codes of a subnet's protocol in byte 3 of a 0x03 frame.
struct ProtocolCode {
    static constexpr std::uint8_t ModbusMaster = 0;
    static constexpr std::uint8_t ModbusSlave = 1;
    static constexpr std::uint8_t SelfDefining = 2;
    static constexpr std::uint8_t UserConfig = 3;
};

// Byte n of a subnet parameter record is offset n + 3 of a 0x03 frame.
struct SubnetByte {
    static constexpr std::size_t Protocol = 0;
    static constexpr std::size_t Baud = 1;
    static constexpr std::size_t DataBits = 2;
    static constexpr std::size_t Parity = 3;
    static constexpr std::size_t StopBits = 4;
    static constexpr std::size_t OwnAddress = 5;
    static constexpr std::size_t Mode = 6;
    static constexpr std::size_t ResponseTimeout = 7; // high, low
    static constexpr std::size_t PollDelay = 9;
    static constexpr std::size_t OutputMode = 10;
    static constexpr std::size_t PulseTime = 11;
    static constexpr std::size_t ScanRatio = 12;
    static constexpr std::size_t CommandStatusOrFrameType = 13;
    static constexpr std::size_t CharTimeout = 14; // high, low
    static constexpr std::size_t FrameLength = 16;
    static constexpr std::size_t AutoSend = 17;
    static constexpr std::size_t AutoSendPeriod = 18; // high, low
    static constexpr std::size_t CrcCheck = 20;
    static constexpr std::size_t CommInterface = 21;
};
constexpr std::size_t kSubnetFrameFieldOffset = 3;

// Byte n of a command record is offset n + 4 of a 0x10 frame.
struct CommandByte {
    static constexpr std::size_t SlaveAddress = 0;
    static constexpr std::size_t FunctionCode = 1;
    static constexpr std::size_t StartAddress = 2; // high, low
    static constexpr std::size_t Quantity = 4;     // high, low
    static constexpr std::size_t MappingAddress = 6; // high, low
    static constexpr std::size_t MappingBit = 8;
    static constexpr std::size_t ScanType = 9;
    static constexpr std::size_t DataFormat = 10;
};
constexpr std::size_t kCommandFrameFieldOffset = 4;

} // namespace tqv
