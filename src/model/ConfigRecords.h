#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tqv {

constexpr int kSubnetCount = 4;
constexpr int kMaxNodes = 128;
constexpr int kMaxCommands = 128;

// The fieldbus side of the gateway. Every parameter is held as the text the grid shows.
struct FIELDBUS {
    std::string fieldbusType;
    std::string deviceNetAddress;
    std::string deviceNetBaud;
    std::string inputSize;
    std::string outputSize;
    std::string profibusConfigMode;
    std::string profibusConfigData;
    std::string ipAssignMode;
    std::string ipAddress;
    std::string subnetMask;
    std::string gatewayAddress;
    std::string dns1;
    std::string dns2;

    bool operator==(const FIELDBUS &) const = default;
};

// One Modbus slave polled by a Modbus-master subnet.
struct NODE {
    std::string address;
    std::string name;

    bool operator==(const NODE &) const = default;
};

// One Modbus request of a subnet; `nodeNumber` (1-based) ties it to its node.
struct COMMAND {
    std::string slaveAddress;
    std::string functionCode;
    std::string startAddress;
    std::string quantity;
    std::string mappingAddress;
    std::string mappingBit;
    std::string byteCount;
    std::string dataFormat;
    std::string checkType;
    std::string scanType;
    std::int32_t nodeNumber = 0;

    bool operator==(const COMMAND &) const = default;
};

// One serial subnet: its protocol, the parameters of every protocol group, nodes and commands.
struct CONFIG {
    std::string doubleFaultReset;
    std::string protocol;
    std::string masterBaud;
    std::string masterDataBits;
    std::string masterParity;
    std::string masterStopBits;
    std::string masterMode;
    std::string responseTimeout;
    std::string pollDelay;
    std::string outputMode;
    std::string pulseTime;
    std::string scanRatio;
    std::string commandStatus;
    std::string timeoutAction;
    std::string timeoutCount;
    std::string charIntervalSend;
    std::string charIntervalReceive;
    std::string slaveBaud;
    std::string slaveDataBits;
    std::string slaveParity;
    std::string slaveStopBits;
    std::string ownAddress;
    std::string slaveMode;
    std::string customBaud;
    std::string customDataBits;
    std::string customParity;
    std::string customStopBits;
    std::string userBaud;
    std::string userDataBits;
    std::string userParity;
    std::string userStopBits;
    std::string frameType;
    std::string charTimeout;
    std::string frameLength;
    std::string autoSend;
    std::string autoSendPeriod;
    std::string crcCheck;
    std::string commInterface;
    std::string debugInterface;
    std::string inputLengthPrefix;
    std::string startChar;
    std::string stopChar;
    std::int32_t nodeCount = 0;
    std::int32_t commandCount = 0;
    std::array<NODE, kMaxNodes> nodes{};
    std::array<COMMAND, kMaxCommands> commands{};

    bool operator==(const CONFIG &) const = default;
};

// Name/member tables so that the archive, the JSON form and the text listing walk the same fields
// in the same (declaration) order instead of spelling them out three times.
template <typename Record> struct TextField {
    const char *name;
    std::string Record::*member;
};

extern const std::array<TextField<FIELDBUS>, 13> kFieldbusFields;
extern const std::array<TextField<CONFIG>, 42> kConfigFields;
extern const std::array<TextField<NODE>, 2> kNodeFields;
extern const std::array<TextField<COMMAND>, 10> kCommandFields;

} // namespace tqv
