#include "PropertyGrid.h"

#include "resources/Strings.h"

namespace tqv {

namespace {

bool is(const std::string &value, StrId id) { return value == text(id); }

bool isProtocol(const CONFIG &c, StrId id) { return is(c.protocol, id); }

void set(GridRows &rows, int row, StrId label, const std::string &value, bool grey = false)
{
    rows[static_cast<std::size_t>(row)] = GridRow{text(label), value, grey};
}

void setValue(GridRows &rows, int row, const std::string &value, bool grey = false)
{
    auto &r = rows[static_cast<std::size_t>(row)];
    r.value = value;
    r.grey = grey;
}

void grey(GridRows &rows, int row, bool g = true) { rows[static_cast<std::size_t>(row)].grey = g; }

bool isTypeThreeOrSix(const ConfigStore &s) { return s.gatewayType == 3 || s.gatewayType == 6; }

// ---- fieldbus item ---------------------------------------------------------------------------

void fieldbusRows(const ConfigStore &s, GridRows &rows)
{
    const FIELDBUS &f = s.fieldbus;
    const CONFIG &first = s.subnet(0);
    set(rows, 0, StrId::GridTypeOfProtocol, f.fieldbusType, true);
    const std::string &byHardware = text(StrId::GridSetByHardwareConfig);
    switch (s.gatewayType) {
    case 0:
        set(rows, 1, StrId::GridDeviceNetAddress, shownValue(f.deviceNetAddress));
        set(rows, 2, StrId::GridDeviceNetBaud, f.deviceNetBaud, s.modelFlag2);
        set(rows, 3, StrId::GridDeviceNetInputSize, f.inputSize);
        set(rows, 4, StrId::GridDeviceNetOutputSize, f.outputSize);
        break;
    case 4: {
        // Empty fields show their usual value without it being stored.
        auto orDefault = [](const std::string &v, const char *d) { return v.empty() ? std::string(d) : v; };
        set(rows, 1, StrId::GridAssignIpMode, f.ipAssignMode);
        set(rows, 2, StrId::GridIpAddress, orDefault(f.ipAddress, "192.168.0.10"));
        set(rows, 3, StrId::GridSubnetMask, orDefault(f.subnetMask, "255.255.255.0"));
        set(rows, 4, StrId::GridGatewayAddress, orDefault(f.gatewayAddress, "192.168.0.1"));
        set(rows, 5, StrId::GridDns1, orDefault(f.dns1, "0.0.0.0"));
        set(rows, 6, StrId::GridDns2, orDefault(f.dns2, "0.0.0.0"));
        break;
    }
    case 5:
    case 6:
        set(rows, 1, StrId::GridNumberOfBytes, byHardware, true);
        set(rows, 2, StrId::GridNumberOfBytes, byHardware, true);
        if (s.gatewayType == 6)
            set(rows, 3, StrId::GridInputLengthPrefix, first.inputLengthPrefix);
        break;
    case 1:
    case 3: {
        const bool flag1or6 = s.modelFlag1 || s.modelFlag6;
        const bool useBytes = is(f.profibusConfigMode, StrId::ProfibusUseBytesSelection);
        if (s.modelFlag4) {
            set(rows, 1, StrId::GridNumberOfBytes, byHardware, true);
            set(rows, 2, StrId::GridNumberOfBytes, byHardware, true);
            set(rows, 3, StrId::GridDoubleFaultReset, first.doubleFaultReset);
        } else if (!s.modelFlag7 && !s.modelFlag3 && !flag1or6) {
            set(rows, 1, StrId::GridNumberOfBytes, f.inputSize);
            set(rows, 2, StrId::GridNumberOfBytes, f.outputSize);
        } else if (!s.modelFlag7 && !s.modelFlag3) {
            set(rows, 1, StrId::GridNumberOfBytes, f.inputSize, !useBytes);
            set(rows, 2, StrId::GridNumberOfBytes, f.outputSize, !useBytes);
            set(rows, 3, StrId::GridProfibusConfigMode, f.profibusConfigMode);
            set(rows, 4, StrId::GridProfibusConfigData, f.profibusConfigData, useBytes);
        } else {
            set(rows, 1, StrId::GridNumberOfBytes, byHardware, true);
            set(rows, 2, StrId::GridNumberOfBytes, byHardware, true);
            if (isProtocol(first, StrId::ProtocolModbusMaster)) {
                set(rows, 3, StrId::GridTimeoutAction, first.timeoutAction);
                set(rows, 4, StrId::GridTimeoutCount, first.timeoutCount,
                    !is(first.timeoutAction, StrId::TimeoutClearData));
            } else if (isProtocol(first, StrId::ProtocolUserConfig)) {
                set(rows, 3, StrId::GridInputLengthPrefix, first.inputLengthPrefix);
            }
        }
        if (s.gatewayType == 1 && isProtocol(first, StrId::ProtocolUserConfig))
            set(rows, 3, StrId::GridInputLengthPrefix, first.inputLengthPrefix);
        break;
    }
    default:
        break; // type 2 (no fieldbus item) and unknown types: row 0 only
    }
}

// ---- subnet item -----------------------------------------------------------------------------

void subnetLabels(const ConfigStore &s, const CONFIG &c, GridRows &rows)
{
    const StrId labels[] = {StrId::GridProtocolsSelect, StrId::GridModbusBaudRate,  StrId::GridDataBits,
                            StrId::GridParityMode,      StrId::GridStopBit,         StrId::GridSlaveAddress,
                            StrId::GridCommunicationMode, StrId::GridResponseTimeout, StrId::GridPollDelay,
                            StrId::GridOutputMode,      StrId::GridOutputPulse,     StrId::GridScanRatio};
    for (int r = 0; r < 12; ++r)
        rows[static_cast<std::size_t>(r)].label = text(labels[r]);
    if (isTypeThreeOrSix(s))
        rows[1].label = text(StrId::GridBandRate);

    auto label = [&rows](int row, StrId id) { rows[static_cast<std::size_t>(row)].label = text(id); };
    if (isTypeThreeOrSix(s)) {
        label(12, s.modelFlag7 && isProtocol(c, StrId::ProtocolModbusMaster) ? StrId::GridCommandStatus
                                                                             : StrId::GridFrameType);
        label(13, StrId::GridCharTimeout);
        label(14, StrId::GridFrameLength);
        label(15, StrId::GridAutoSend);
        label(16, StrId::GridAutoSendPeriod);
        label(17, StrId::GridCrcCheck);
        label(18, StrId::GridCommInterface);
        label(19, StrId::GridDebugInterface);
        if (s.modelFlag7 && s.fileVersion >= 500) {
            set(rows, 20, StrId::GridCharIntervalSend, c.charIntervalSend);
            set(rows, 21, StrId::GridCharIntervalReceive, c.charIntervalReceive);
        }
    } else {
        if (s.modelFlag2) {
            label(12, StrId::GridCommInterface);
            label(13, StrId::GridDebugInterface);
        }
        if (s.modelFlag4 && isProtocol(c, StrId::ProtocolUserConfig)) {
            const StrId more[] = {StrId::GridFrameType, StrId::GridCharTimeout, StrId::GridFrameLength,
                                  StrId::GridStartChar, StrId::GridStopChar,    StrId::GridAutoSend,
                                  StrId::GridAutoSendPeriod, StrId::GridCrcCheck};
            for (int r = 0; r < 8; ++r)
                label(12 + r, more[r]);
        }
    }
}

void subnetRows(const ConfigStore &s, const ItemRef &item, GridRows &rows)
{
    const CONFIG &c = s.subnet(item.subnet);
    const bool type3 = s.gatewayType == 3;
    rows[0] = GridRow{text(StrId::GridProtocolsSelect), c.protocol, false};
    subnetLabels(s, c, rows);
    rows[0].value = c.protocol;

    const bool master = isProtocol(c, StrId::ProtocolModbusMaster);
    const bool slave = isProtocol(c, StrId::ProtocolModbusSlave);
    const bool custom = isProtocol(c, StrId::ProtocolSelfDefining);
    const bool user = isProtocol(c, StrId::ProtocolUserConfig);
    const std::string other = otherInterface(c.commInterface);

    if (master) {
        setValue(rows, 1, c.masterBaud);
        setValue(rows, 2, c.masterDataBits);
        setValue(rows, 3, c.masterParity);
        setValue(rows, 4, c.masterStopBits);
        setValue(rows, 5, "", true);
        setValue(rows, 6, c.masterMode);
        setValue(rows, 7, shownValue(c.responseTimeout));
        setValue(rows, 8, shownValue(c.pollDelay));
        setValue(rows, 9, c.outputMode);
        setValue(rows, 10, shownValue(c.pulseTime), !is(c.outputMode, StrId::OutputPulse));
        setValue(rows, 11, shownValue(c.scanRatio));
        if (type3) {
            setValue(rows, 12, c.commandStatus);
            setValue(rows, 18, c.commInterface);
            setValue(rows, 19, other, true);
        }
    } else if (slave) {
        setValue(rows, 1, c.slaveBaud);
        setValue(rows, 2, c.slaveDataBits);
        setValue(rows, 3, c.slaveParity);
        setValue(rows, 4, c.slaveStopBits);
        setValue(rows, 5, c.ownAddress);
        setValue(rows, 6, c.slaveMode);
        for (int r = 7; r <= 11; ++r)
            grey(rows, r);
        if (type3) {
            setValue(rows, 18, c.commInterface);
            setValue(rows, 19, other, true);
        }
    } else if (custom) {
        setValue(rows, 1, c.customBaud);
        setValue(rows, 2, c.customDataBits);
        setValue(rows, 3, c.customParity);
        setValue(rows, 4, c.customStopBits);
        for (int r = 5; r <= 11; ++r)
            grey(rows, r);
    } else if (user) {
        setValue(rows, 1, c.userBaud);
        setValue(rows, 2, c.userDataBits);
        setValue(rows, 3, c.userParity);
        setValue(rows, 4, c.userStopBits);
        for (int r = 5; r <= 11; ++r)
            grey(rows, r);
        setValue(rows, 12, c.frameType);
        setValue(rows, 13, c.charTimeout);
        setValue(rows, 14, c.frameLength, is(c.frameType, StrId::FrameCharTimeout));
        setValue(rows, 15, c.autoSend);
        setValue(rows, 16, c.autoSendPeriod, is(c.autoSend, StrId::Disable));
        setValue(rows, 17, c.crcCheck);
        setValue(rows, 18, c.commInterface);
        setValue(rows, 19, other, true);
    }

    if (s.modelFlag2 && (master || slave)) {
        setValue(rows, 12, c.commInterface);
        setValue(rows, 13, other, true);
    }
    if (s.modelFlag4 && user) {
        setValue(rows, 15, c.startChar);
        setValue(rows, 16, c.stopChar);
        setValue(rows, 17, c.autoSend);
        setValue(rows, 18, c.autoSendPeriod, is(c.autoSend, StrId::Disable));
        setValue(rows, 19, c.crcCheck);
    }
    if (type3 && (master || slave)) {
        for (int r = 12; r <= 17; ++r)
            grey(rows, r, !(master && r == 12));
    }
    if (user && s.modelFlag3)
        grey(rows, 0);
    grey(rows, 18, s.gatewayType == 6);
}

// ---- command item ----------------------------------------------------------------------------

bool isOneOf(const std::string &code, std::initializer_list<const char *> codes)
{
    for (const char *c : codes)
        if (code == c)
            return true;
    return false;
}

// Function codes whose data format is fixed to the vocabulary's first value.
bool fixedDataFormat(const ConfigStore &s, const std::string &code)
{
    return isOneOf(code, {"1", "2", "5", "15"}) || (usesDataFilter(s) && isOneOf(code, {"6", "16"}));
}

void commandRows(const ConfigStore &s, const ItemRef &item, GridRows &rows)
{
    if (item.number < 1 || item.number > kMaxCommands)
        return;
    const COMMAND &c = s.command(item.subnet, item.number);
    const std::string &fc = c.functionCode;
    const std::string mapping = shownValue(c.mappingAddress);
    set(rows, 0, StrId::GridSlaveAddressRange, shownValue(c.slaveAddress), true);
    set(rows, 1, StrId::GridFunctionalCodes, fc, true);
    set(rows, 2, StrId::GridStartingAddress, shownValue(c.startAddress));
    set(rows, 3, StrId::GridNumberOfRegister, shownValue(c.quantity), isOneOf(fc, {"5", "6"}));
    set(rows, 4, StrId::GridMappingAddress, mapping.empty() ? mapping : mapping + "H");
    set(rows, 5, StrId::GridMappingBit, shownValue(c.mappingBit), isOneOf(fc, {"3", "4", "6", "16"}));
    set(rows, 6, StrId::GridNumberOfByte, shownValue(c.byteCount), true);
    const bool filter = usesDataFilter(s);
    const bool fixed = fixedDataFormat(s, fc);
    const std::string first = text(filter ? StrId::FormatFullword : StrId::FormatNonExchange);
    set(rows, 7, filter ? StrId::GridDataFilter : StrId::GridByteExchange, fixed ? first : c.dataFormat, fixed);
    set(rows, 8, StrId::GridTypeOfCheck, c.checkType, true);
    set(rows, 9, StrId::GridTypeOfScan, c.scanType);
}

// ---- editable cells --------------------------------------------------------------------------

bool fieldbusEditable(const ConfigStore &s, int row)
{
    if (row == 0)
        return false;
    const CONFIG &first = s.subnet(0);
    switch (s.gatewayType) {
    case 0:
        return row >= 1 && row <= 4 && !(row == 2 && s.modelFlag2);
    case 1:
        if (s.modelFlag4)
            return row == 3;
        if (!s.modelFlag1 && !s.modelFlag6)
            return row == 1 || row == 2;
        if (is(s.fieldbus.profibusConfigMode, StrId::ProfibusUseBytesSelection))
            return row >= 1 && row <= 3;
        return row == 3 || row == 4;
    case 3:
        if (isProtocol(first, StrId::ProtocolUserConfig))
            return row == 3;
        if (isProtocol(first, StrId::ProtocolModbusSlave))
            return false;
        return row == 3 || (row == 4 && s.modelFlag7 && is(first.timeoutAction, StrId::TimeoutClearData));
    case 4:
        return row >= 1 && row <= 6;
    case 6:
        return row == 3;
    default:
        return false;
    }
}

bool subnetEditable(const ConfigStore &s, const CONFIG &c, int row, bool pulseEditable)
{
    if (row == 0 && ((s.gatewayType == 1 && !s.modelFlag4) || s.gatewayType == 4 || s.modelFlag3 || s.modelFlag2))
        return false;
    if (s.gatewayType == 5)
        return row >= 1 && row <= 6;
    if (s.gatewayType == 6) {
        if (row >= 1 && row <= 4)
            return true;
        if (row < 12 || row > 17)
            return false;
        if (row == 14 && is(c.frameType, StrId::FrameCharTimeout))
            return false;
        return !(row == 16 && is(c.autoSend, StrId::Disable));
    }
    if (isProtocol(c, StrId::ProtocolModbusMaster)) {
        if (row == 5 || (row == 10 && !pulseEditable))
            return false;
        if (s.gatewayType == 4 && (row == 2 || row == 6))
            return false;
        if (s.modelFlag7 && (row == 10 || (row >= 13 && row <= 17) || row == 19 || row > 21))
            return false;
        if (s.gatewayType != 3 && row > (s.modelFlag2 ? 12 : 11))
            return false;
        if (!s.modelFlag2 && !s.modelFlag7 && row > 12 && row != 18)
            return false;
        return true;
    }
    if (isProtocol(c, StrId::ProtocolModbusSlave)) {
        if (row <= 6)
            return true;
        if (s.gatewayType == 3)
            return row == 18 || (s.modelFlag7 && (row == 20 || row == 21));
        return s.modelFlag2 && row == 12;
    }
    if (isProtocol(c, StrId::ProtocolSelfDefining))
        return row <= 4;
    if (isProtocol(c, StrId::ProtocolUserConfig)) {
        if (row <= 4)
            return true;
        if (s.modelFlag4)
            return row == 12 || row == 13 || (row >= 15 && row <= 19);
        if (row >= 12 && row <= 18) {
            if (row == 14 && is(c.frameType, StrId::FrameCharTimeout))
                return false;
            return !(row == 16 && is(c.autoSend, StrId::Disable));
        }
        return s.modelFlag7 && (row == 20 || row == 21);
    }
    return false;
}

bool commandEditable(const ConfigStore &s, const ItemRef &item, int row)
{
    if (item.number < 1 || item.number > kMaxCommands)
        return false;
    const std::string &fc = s.command(item.subnet, item.number).functionCode;
    switch (row) {
    case 2:
    case 4:
    case 9:
        return true;
    case 3:
        return !isOneOf(fc, {"5", "6"});
    case 5:
        return isOneOf(fc, {"1", "2", "5", "15"});
    case 7:
        return isOneOf(fc, {"3", "4"}) || (isOneOf(fc, {"6", "16"}) && !usesDataFilter(s));
    default:
        return false;
    }
}

std::vector<std::string> texts(std::initializer_list<StrId> ids)
{
    std::vector<std::string> out;
    for (StrId id : ids)
        out.push_back(text(id));
    return out;
}

std::vector<std::string> enableDisable() { return texts({StrId::Enable, StrId::Disable}); }

std::vector<std::string> fieldbusChoices(const ConfigStore &s, int row)
{
    const CONFIG &first = s.subnet(0);
    switch (s.gatewayType) {
    case 0:
        if (row == 2)
            return texts({StrId::DeviceNetBaud125K, StrId::DeviceNetBaud250K, StrId::DeviceNetBaud500K,
                          StrId::DeviceNetBaudAuto});
        if (row == 3) {
            std::vector<std::string> v{"8", "16", "32", "64", "96"};
            if (!s.modelFlag5)
                v.insert(v.end(), {"128", "160"});
            return v;
        }
        if (row == 4) {
            std::vector<std::string> v{"8", "16", "32", "64"};
            if (!s.modelFlag5)
                v.insert(v.end(), {"96", "112"});
            return v;
        }
        return {};
    case 1:
    case 3:
        if (row == 1 || row == 2)
            return {"8", "16", "48", "112"};
        if (row == 3) {
            if (isProtocol(first, StrId::ProtocolUserConfig) || s.modelFlag4)
                return enableDisable();
            if (s.modelFlag7)
                return texts({StrId::TimeoutClearData, StrId::TimeoutHoldData});
            if (s.modelFlag1 || s.modelFlag6)
                return texts({StrId::ProfibusUseBytesSelection, StrId::ProfibusInputConfigData});
        }
        return {};
    case 4:
        if (row == 1)
            return texts({StrId::IpManualAssign, StrId::IpBootp, StrId::IpDhcp});
        return {};
    case 6:
        return row == 3 ? enableDisable() : std::vector<std::string>{};
    default:
        return {};
    }
}

std::vector<std::string> subnetChoices(const ConfigStore &s, int row)
{
    switch (row) {
    case 0: {
        if (s.modelFlag4)
            return texts({StrId::ProtocolModbusMaster, StrId::ProtocolUserConfig});
        std::vector<std::string> v = texts({StrId::ProtocolModbusMaster, StrId::ProtocolModbusSlave});
        if (s.gatewayType == 3)
            v.push_back(text(StrId::ProtocolUserConfig));
        if (s.gatewayType == 2)
            v.push_back(text(StrId::ProtocolSelfDefining));
        return v;
    }
    case 1:
        if (s.gatewayType == 4)
            return {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
        return {"300", "600", "1200", "2400", "9600", "19200", "38400", "57600", "115200"};
    case 2:
        return {"8"};
    case 3:
        return texts({StrId::ParityNone, StrId::ParityOdd, StrId::ParityEven, StrId::ParityMark, StrId::ParitySpace});
    case 4:
        return {"1", "2"};
    case 6:
        return {"RTU", "ASCII"};
    case 9:
        return texts({StrId::OutputCycle, StrId::OutputForbidden, StrId::OutputChangeOfValue});
    case 12:
        if (s.modelFlag2)
            return {"RS485", "RS232"};
        if (s.modelFlag7 && isProtocol(s.subnet(0), StrId::ProtocolModbusMaster)) {
            std::vector<std::string> v{text(StrId::Disable)};
            for (char d = '1'; d <= '6'; ++d)
                v.push_back(std::string(1, d) + text(StrId::Bytes));
            return v;
        }
        return texts({StrId::FrameCharTimeout, StrId::FrameLength});
    case 15:
        return s.modelFlag4 ? std::vector<std::string>{} : enableDisable();
    case 17:
        return enableDisable();
    case 18:
        return s.modelFlag4 ? std::vector<std::string>{} : std::vector<std::string>{"RS485", "RS232"};
    case 19:
        return s.modelFlag4 ? enableDisable() : std::vector<std::string>{};
    default:
        return {};
    }
}

std::vector<std::string> commandChoices(const ConfigStore &s, const ItemRef &item, int row)
{
    if (row == 9)
        return texts({StrId::ScanQuick, StrId::ScanSlow});
    if (row != 7)
        return {};
    if (usesDataFilter(s))
        return texts({StrId::FormatFullword, StrId::FormatHighByte, StrId::FormatLowByte});
    if (s.gatewayType == 4 && s.command(item.subnet, item.number).functionCode == "6")
        return texts({StrId::FormatNonExchange, StrId::FormatDoubleByteExchange});
    return texts({StrId::FormatNonExchange, StrId::FormatDoubleByteExchange, StrId::FormatFourByteExchange});
}

bool validSubnet(const ItemRef &item) { return item.subnet >= 0 && item.subnet < kSubnetCount; }

} // namespace

std::string shownValue(const std::string &field) { return field == "-1" ? std::string() : field; }

std::string otherInterface(const std::string &commInterface)
{
    return commInterface == "RS232" ? "RS485" : "RS232";
}

bool usesDataFilter(const ConfigStore &store) { return store.gatewayType == 3 || store.modelFlag1; }

void refreshCommandForDisplay(ConfigStore &store, const ItemRef &item)
{
    if (item.kind != ItemKind::Command || !validSubnet(item) || item.number < 1 || item.number > kMaxCommands)
        return;
    CONFIG &c = store.subnet(item.subnet);
    COMMAND &cmd = c.commands[static_cast<std::size_t>(item.number - 1)];
    if (cmd.nodeNumber >= 1 && cmd.nodeNumber <= kMaxNodes)
        cmd.slaveAddress = c.nodes[static_cast<std::size_t>(cmd.nodeNumber - 1)].address;
    if (c.masterMode == "RTU")
        cmd.checkType = text(StrId::CheckCrc);
    else if (c.masterMode == "ASCII")
        cmd.checkType = text(StrId::CheckLrc);
}

GridRows gridRows(const ConfigStore &store, const ItemRef &item)
{
    GridRows rows{};
    switch (item.kind) {
    case ItemKind::Fieldbus:
        fieldbusRows(store, rows);
        break;
    case ItemKind::Subnet:
        if (validSubnet(item))
            subnetRows(store, item, rows);
        break;
    case ItemKind::Node:
        if (validSubnet(item) && item.number >= 1 && item.number <= kMaxNodes)
            set(rows, 0, StrId::GridSlaveAddressRange, shownValue(store.node(item.subnet, item.number).address));
        break;
    case ItemKind::Command:
        if (validSubnet(item))
            commandRows(store, item, rows);
        break;
    case ItemKind::None:
        break;
    }
    return rows;
}

bool isEditableCell(const ConfigStore &store, const ItemRef &item, int row, bool pulseEditable)
{
    // No field lives below row 21, whatever the rules for a subnet would otherwise allow.
    if (row < 0 || row > 21)
        return false;
    switch (item.kind) {
    case ItemKind::Fieldbus:
        return fieldbusEditable(store, row);
    case ItemKind::Subnet:
        return validSubnet(item) && subnetEditable(store, store.subnet(item.subnet), row, pulseEditable);
    case ItemKind::Node:
        return row == 0;
    case ItemKind::Command:
        return validSubnet(item) && commandEditable(store, item, row);
    case ItemKind::None:
        return false;
    }
    return false;
}

std::vector<std::string> cellChoices(const ConfigStore &store, const ItemRef &item, int row)
{
    if (!isEditableCell(store, item, row, true))
        return {};
    switch (item.kind) {
    case ItemKind::Fieldbus:
        return fieldbusChoices(store, row);
    case ItemKind::Subnet:
        return subnetChoices(store, row);
    case ItemKind::Command:
        return commandChoices(store, item, row);
    default:
        return {};
    }
}

} // namespace tqv
