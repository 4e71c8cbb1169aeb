#include "ConfigStore.h"

#include "../resources/Strings.h"

namespace tqv {

namespace {

bool ConfigStore::*const kFlags[7] = {
    &ConfigStore::modelFlag1, &ConfigStore::modelFlag2, &ConfigStore::modelFlag3,
    &ConfigStore::modelFlag4, &ConfigStore::modelFlag5, &ConfigStore::modelFlag6,
    &ConfigStore::modelFlag7,
};

void resetSubnet(CONFIG &c, const std::string &dataFormat)
{
    c.protocol = text(StrId::ProtocolModbusMaster);
    c.masterBaud = "19200";
    c.masterDataBits = "8";
    c.masterParity = text(StrId::ParityNone);
    c.masterStopBits = "1";
    c.masterMode = "RTU";
    c.responseTimeout = "300";
    c.pollDelay = "0";
    c.outputMode = text(StrId::OutputChangeOfValue);
    c.pulseTime = "-1";
    c.scanRatio = "10";
    c.commandStatus = text(StrId::Disable);
    c.timeoutAction = text(StrId::TimeoutClearData);
    c.timeoutCount = "3";
    c.charIntervalSend = "0";
    c.charIntervalReceive = "0";
    c.slaveBaud = "19200";
    c.slaveDataBits = "8";
    c.slaveParity = text(StrId::ParityNone);
    c.slaveStopBits = "1";
    c.ownAddress = "";
    c.slaveMode = "RTU";
    c.customBaud = "300";
    c.customDataBits = "8";
    c.customParity = text(StrId::ParityNone);
    c.customStopBits = "1";
    c.userBaud = "19200";
    c.userDataBits = "8";
    c.userParity = text(StrId::ParityNone);
    c.userStopBits = "1";
    c.frameType = text(StrId::FrameCharTimeout);
    c.charTimeout = "10";
    c.frameLength = "111";
    c.autoSend = text(StrId::Disable);
    c.autoSendPeriod = "1000";
    c.crcCheck = text(StrId::Disable);
    c.commInterface = "RS485";
    c.debugInterface = "RS232";
    c.inputLengthPrefix = text(StrId::Disable);
    c.startChar = "";
    c.stopChar = "";
    c.nodeCount = 0;
    c.commandCount = 0;
    for (NODE &n : c.nodes)
        n = NODE{"-1", text(StrId::NodeNewName)};
    for (COMMAND &cmd : c.commands) {
        cmd = COMMAND{};
        cmd.scanType = text(StrId::ScanQuick);
        cmd.dataFormat = dataFormat;
    }
}

} // namespace

bool ConfigStore::modelFlag(int number) const
{
    return number >= 1 && number <= 7 && this->*kFlags[number - 1];
}

void ConfigStore::setModelFlag(int number, bool value)
{
    if (number >= 1 && number <= 7)
        this->*kFlags[number - 1] = value;
}

void ConfigStore::clearModelFlags()
{
    for (auto flag : kFlags)
        this->*flag = false;
}

std::string ConfigStore::newCommandDataFormat() const
{
    return text(isDataFilterType(gatewayType) || modelFlag1 ? StrId::FormatFullword : StrId::FormatNonExchange);
}

void ConfigStore::newConfiguration()
{
    clearModelFlags();
    modelFlag7 = true;
    gatewayType = code(GatewayType::ProfibusModbus);
    resetToDefaults();
    applyFieldbusType();
}

void ConfigStore::resetToDefaults()
{
    FIELDBUS &f = fieldbus;
    f.fieldbusType = text(StrId::FieldbusDeviceNet);
    f.deviceNetAddress = "0";
    f.deviceNetBaud = text(modelFlag2 ? StrId::DeviceNetBaudAuto : StrId::DeviceNetBaud125K);
    f.ipAssignMode = text(StrId::IpManualAssign);
    f.ipAddress = "192.168.0.10";
    f.subnetMask = "255.255.255.0";
    f.gatewayAddress = "192.168.0.1";
    f.dns1 = "0.0.0.0";
    f.dns2 = "0.0.0.0";
    f.profibusConfigMode = text(StrId::ProfibusUseBytesSelection);
    f.profibusConfigData = "";
    const char *size = "8";
    if (isDeviceNetType(gatewayType))
        size = "64";
    else if (isProfibusFamily(gatewayType))
        size = "112";
    f.inputSize = size;
    f.outputSize = size;

    // Only subnet 1 carries the double-fault reset; the field of the others is left alone.
    subnets[0].doubleFaultReset = text(StrId::Enable);

    const std::string dataFormat = newCommandDataFormat();
    for (CONFIG &c : subnets)
        resetSubnet(c, dataFormat);

    CONFIG &first = subnets[0];
    if (modelFlag3) {
        first.protocol = text(StrId::ProtocolUserConfig);
        first.inputLengthPrefix = text(StrId::Disable);
    } else if (isType(gatewayType, GatewayType::ProfibusModbusSlave)) {
        first.protocol = text(StrId::ProtocolModbusSlave);
        first.ownAddress = "1";
    } else if (isType(gatewayType, GatewayType::ProfibusUserConfig)) {
        first.protocol = text(StrId::ProtocolUserConfig);
    }
    if (modelFlag4)
        first.outputMode = text(StrId::OutputChangeOfValue);
}

void ConfigStore::applyFieldbusType()
{
    if (isDeviceNetType(gatewayType))
        fieldbus.fieldbusType = text(StrId::FieldbusDeviceNet);
    else if (isProfibusFamily(gatewayType))
        fieldbus.fieldbusType = text(StrId::FieldbusProfibus);
    else if (isEthernetType(gatewayType))
        fieldbus.fieldbusType = text(StrId::FieldbusEtherNetIp);
}

void ConfigStore::setTypeAndFlags(std::uint32_t type, const std::array<bool, 7> &flags)
{
    gatewayType = type;
    for (int n = 1; n <= 7; ++n)
        setModelFlag(n, flags[static_cast<std::size_t>(n - 1)]);
    resetToDefaults();
    applyFieldbusType();
}

NODE &ConfigStore::node(int subnetIndex, int nodeNumber)
{
    return subnet(subnetIndex).nodes.at(static_cast<std::size_t>(nodeNumber - 1));
}

const NODE &ConfigStore::node(int subnetIndex, int nodeNumber) const
{
    return subnet(subnetIndex).nodes.at(static_cast<std::size_t>(nodeNumber - 1));
}

COMMAND &ConfigStore::command(int subnetIndex, int position)
{
    return subnet(subnetIndex).commands.at(static_cast<std::size_t>(position - 1));
}

const COMMAND &ConfigStore::command(int subnetIndex, int position) const
{
    return subnet(subnetIndex).commands.at(static_cast<std::size_t>(position - 1));
}

Result<int> ConfigStore::addNode(int subnetIndex)
{
    CONFIG &c = subnet(subnetIndex);
    if (c.nodeCount >= kMaxNodes)
        return Error{ErrorCode::NodeLimit, text(StrId::MsgNodeLimit)};
    ++c.nodeCount;
    c.nodes[static_cast<std::size_t>(c.nodeCount - 1)] = NODE{"-1", text(StrId::NodeNewName)};
    return c.nodeCount;
}

Result<int> ConfigStore::addCommand(int subnetIndex, int nodeNumber, const std::string &functionCode)
{
    CONFIG &c = subnet(subnetIndex);
    if (c.commandCount >= kMaxCommands)
        return Error{ErrorCode::CommandLimit, text(StrId::MsgCommandLimit)};
    ++c.commandCount;
    COMMAND &cmd = c.commands[static_cast<std::size_t>(c.commandCount - 1)];
    cmd.nodeNumber = nodeNumber;
    cmd.startAddress.clear();
    cmd.quantity = isSingleWrite(functionCode) ? "1" : "";
    cmd.mappingAddress.clear();
    cmd.mappingBit.clear();
    cmd.byteCount.clear();
    cmd.slaveAddress = (nodeNumber >= 1 && nodeNumber <= kMaxNodes) ? node(subnetIndex, nodeNumber).address
                                                                    : std::string("-1");
    cmd.dataFormat = newCommandDataFormat();
    cmd.scanType = text(StrId::ScanQuick);
    cmd.functionCode = functionCode;
    return c.commandCount;
}

} // namespace tqv
