#include "ConfigRecords.h"

namespace tqv {

#define TQV_FIELD(R, f) TextField<R>{#f, &R::f}

const std::array<TextField<FIELDBUS>, 13> kFieldbusFields = {
    TQV_FIELD(FIELDBUS, fieldbusType),   TQV_FIELD(FIELDBUS, deviceNetAddress),
    TQV_FIELD(FIELDBUS, deviceNetBaud),  TQV_FIELD(FIELDBUS, inputSize),
    TQV_FIELD(FIELDBUS, outputSize),     TQV_FIELD(FIELDBUS, profibusConfigMode),
    TQV_FIELD(FIELDBUS, profibusConfigData), TQV_FIELD(FIELDBUS, ipAssignMode),
    TQV_FIELD(FIELDBUS, ipAddress),      TQV_FIELD(FIELDBUS, subnetMask),
    TQV_FIELD(FIELDBUS, gatewayAddress), TQV_FIELD(FIELDBUS, dns1),
    TQV_FIELD(FIELDBUS, dns2),
};

const std::array<TextField<CONFIG>, 42> kConfigFields = {
    TQV_FIELD(CONFIG, doubleFaultReset), TQV_FIELD(CONFIG, protocol),
    TQV_FIELD(CONFIG, masterBaud),       TQV_FIELD(CONFIG, masterDataBits),
    TQV_FIELD(CONFIG, masterParity),     TQV_FIELD(CONFIG, masterStopBits),
    TQV_FIELD(CONFIG, masterMode),       TQV_FIELD(CONFIG, responseTimeout),
    TQV_FIELD(CONFIG, pollDelay),        TQV_FIELD(CONFIG, outputMode),
    TQV_FIELD(CONFIG, pulseTime),        TQV_FIELD(CONFIG, scanRatio),
    TQV_FIELD(CONFIG, commandStatus),    TQV_FIELD(CONFIG, timeoutAction),
    TQV_FIELD(CONFIG, timeoutCount),     TQV_FIELD(CONFIG, charIntervalSend),
    TQV_FIELD(CONFIG, charIntervalReceive), TQV_FIELD(CONFIG, slaveBaud),
    TQV_FIELD(CONFIG, slaveDataBits),    TQV_FIELD(CONFIG, slaveParity),
    TQV_FIELD(CONFIG, slaveStopBits),    TQV_FIELD(CONFIG, ownAddress),
    TQV_FIELD(CONFIG, slaveMode),        TQV_FIELD(CONFIG, customBaud),
    TQV_FIELD(CONFIG, customDataBits),   TQV_FIELD(CONFIG, customParity),
    TQV_FIELD(CONFIG, customStopBits),   TQV_FIELD(CONFIG, userBaud),
    TQV_FIELD(CONFIG, userDataBits),     TQV_FIELD(CONFIG, userParity),
    TQV_FIELD(CONFIG, userStopBits),     TQV_FIELD(CONFIG, frameType),
    TQV_FIELD(CONFIG, charTimeout),      TQV_FIELD(CONFIG, frameLength),
    TQV_FIELD(CONFIG, autoSend),         TQV_FIELD(CONFIG, autoSendPeriod),
    TQV_FIELD(CONFIG, crcCheck),         TQV_FIELD(CONFIG, commInterface),
    TQV_FIELD(CONFIG, debugInterface),   TQV_FIELD(CONFIG, inputLengthPrefix),
    TQV_FIELD(CONFIG, startChar),        TQV_FIELD(CONFIG, stopChar),
};

const std::array<TextField<NODE>, 2> kNodeFields = {
    TQV_FIELD(NODE, address),
    TQV_FIELD(NODE, name),
};

const std::array<TextField<COMMAND>, 10> kCommandFields = {
    TQV_FIELD(COMMAND, slaveAddress),   TQV_FIELD(COMMAND, functionCode),
    TQV_FIELD(COMMAND, startAddress),   TQV_FIELD(COMMAND, quantity),
    TQV_FIELD(COMMAND, mappingAddress), TQV_FIELD(COMMAND, mappingBit),
    TQV_FIELD(COMMAND, byteCount),      TQV_FIELD(COMMAND, dataFormat),
    TQV_FIELD(COMMAND, checkType),      TQV_FIELD(COMMAND, scanType),
};

#undef TQV_FIELD

} // namespace tqv
