#include "ValueCommit.h"

#include "resources/Strings.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace tqv {

namespace {

bool is(const std::string &value, StrId id) { return value == text(id); }

bool inRange(long v, long low, long high) { return v >= low && v <= high; }

bool onlyDigits(const std::string &t)
{
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isOneOf(const std::string &code, std::initializer_list<const char *> codes)
{
    for (const char *c : codes)
        if (code == c)
            return true;
    return false;
}

std::string printed(long v) { return std::to_string(v); }

std::string lowerHex(unsigned long v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lx", v);
    return buffer;
}

// The protocol groups' fields, by row 1..4 of the list.
std::string *serialField(CONFIG &c, int row)
{
    if (row < 1 || row > 4)
        return nullptr;
    if (is(c.protocol, StrId::ProtocolModbusMaster)) {
        std::string *f[] = {&c.masterBaud, &c.masterDataBits, &c.masterParity, &c.masterStopBits};
        return f[row - 1];
    }
    if (is(c.protocol, StrId::ProtocolModbusSlave)) {
        std::string *f[] = {&c.slaveBaud, &c.slaveDataBits, &c.slaveParity, &c.slaveStopBits};
        return f[row - 1];
    }
    if (is(c.protocol, StrId::ProtocolSelfDefining)) {
        std::string *f[] = {&c.customBaud, &c.customDataBits, &c.customParity, &c.customStopBits};
        return f[row - 1];
    }
    if (is(c.protocol, StrId::ProtocolUserConfig)) {
        std::string *f[] = {&c.userBaud, &c.userDataBits, &c.userParity, &c.userStopBits};
        return f[row - 1];
    }
    return nullptr;
}

RowUpdate colour(int row, bool grey) { return RowUpdate{row, std::nullopt, std::nullopt, grey}; }
RowUpdate value(int row, const std::string &v) { return RowUpdate{row, std::nullopt, v, std::nullopt}; }

// ---- edit box rules --------------------------------------------------------------------------

// Stores `text` into `field` when `accept`, else puts the stored value back.
void storeOrPutBack(bool accept, std::string &text, std::string &field)
{
    if (accept)
        field = text;
    else
        text = field;
}

// Stores when `accept`, else clears the cell (the field keeps its value).
void storeOrClear(bool accept, std::string &text, std::string &field)
{
    if (accept)
        field = text;
    else
        text.clear();
}

void fieldbusEdit(ConfigStore &s, int row, std::string &text)
{
    FIELDBUS &f = s.fieldbus;
    if (s.gatewayType == 0 && row == 1) {
        storeOrPutBack(isCanonical(text) && inRange(decimalValue(text), 0, 63), text, f.deviceNetAddress);
    } else if (s.gatewayType == 4 && row >= 2 && row <= 6) {
        std::string *fields[] = {&f.ipAddress, &f.subnetMask, &f.gatewayAddress, &f.dns1, &f.dns2};
        storeOrPutBack(isIpAddress(text), text, *fields[row - 2]);
    } else if (s.gatewayType == 1 && (s.modelFlag1 || s.modelFlag6) && row == 4) {
        text = checkProfibusConfigData(text, f.profibusConfigData);
        f.profibusConfigData = text;
    } else if (s.modelFlag7 && row == 4) {
        storeOrPutBack(inRange(decimalValue(text), 2, 254), text, s.subnet(0).timeoutCount);
    }
}

void subnetEdit(ConfigStore &s, int subnet, int row, std::string &text, bool pulseEditable, Prompter &prompter)
{
    CONFIG &c = s.subnet(subnet);
    const long v = decimalValue(text);
    const bool flag4 = s.modelFlag4;
    switch (row) {
    case 5:
        if (!inRange(v, 0, 247)) {
            text.clear();
            break;
        }
        if (s.modelFlag7) {
            if (decimalFieldCheck(text, 0, 247, tqv::text(StrId::GridSlaveAddress), prompter))
                c.ownAddress = text;
        } else if (isCanonical(text)) {
            // Without modelFlag7 a canonical address in range is kept as well, rather than only shown.
            c.ownAddress = text;
        }
        text = c.ownAddress;
        break;
    case 7:
        storeOrClear(inRange(v, 300, 60000), text, c.responseTimeout);
        break;
    case 8:
        storeOrClear(inRange(v, 0, 2500), text, c.pollDelay);
        break;
    case 10:
        if (pulseEditable)
            storeOrClear(inRange(v, 200, 2500), text, c.pulseTime);
        break;
    case 11:
        storeOrClear(inRange(v, 1, 255), text, c.scanRatio);
        break;
    case 13:
        storeOrClear(flag4 || inRange(v, 10, 60000), text, c.charTimeout);
        break;
    case 14:
        storeOrClear(flag4 || inRange(v, 1, 223), text, c.frameLength);
        break;
    case 15:
        if (flag4)
            c.startChar = text;
        break;
    case 16:
        if (flag4)
            c.stopChar = text;
        else
            storeOrClear(inRange(v, 10, 60000), text, c.autoSendPeriod);
        break;
    case 18:
        if (flag4)
            c.autoSendPeriod = text;
        break;
    case 20:
    case 21:
        if (s.modelFlag7) {
            std::string &field = row == 20 ? c.charIntervalSend : c.charIntervalReceive;
            const StrId name = row == 20 ? StrId::GridCharIntervalSend : StrId::GridCharIntervalReceive;
            if (decimalFieldCheck(text, 0, 6000, tqv::text(name), prompter))
                field = text;
            text = field;
        }
        break;
    default:
        break;
    }
}

void nodeEdit(ConfigStore &s, const ItemRef &item, std::string &text, bool stillSelected, Prompter &prompter,
              CommitResult &result)
{
    CONFIG &c = s.subnet(item.subnet);
    NODE &node = s.node(item.subnet, item.number);
    for (int n = 1; n <= c.nodeCount; ++n) {
        if (c.nodes[static_cast<std::size_t>(n - 1)].address == text && text != node.address) {
            prompter.info(tqv::text(StrId::MsgNodeRepetitive));
            text = node.address;
        }
    }
    const long v = decimalValue(text);
    if (!inRange(v, 0, 247) || text.empty())
        text = node.address;
    if (!stillSelected)
        return;
    if (isCanonical(text) && inRange(decimalValue(text), 0, 247) && !text.empty()) {
        node.address = text;
        node.name = tqv::text(StrId::NodeNamePrefix) + text;
        result.renamedNode = node.name;
        // The node's command items take the new address.
        for (int p = 1; p <= c.commandCount; ++p) {
            COMMAND &cmd = c.commands[static_cast<std::size_t>(p - 1)];
            if (cmd.nodeNumber == item.number && !functionName(cmd.functionCode).empty())
                cmd.slaveAddress = text;
        }
    } else {
        text.clear();
        for (int p = 1; p <= c.commandCount; ++p) {
            COMMAND &cmd = c.commands[static_cast<std::size_t>(p - 1)];
            if (cmd.slaveAddress == node.address)
                cmd.slaveAddress = "-1";
        }
        node.address = "-1";
    }
}

// Offset of a PLC-style address for the function code, when `n` lies in its range.
std::optional<long> plcOffset(const std::string &fc, long n)
{
    if (isOneOf(fc, {"1", "5", "15"}) && n > 0 && n < 10000)
        return 1;
    if (fc == "2" && n > 10000 && n < 20000)
        return 10001;
    if (fc == "4" && n > 30000 && n < 40000)
        return 30001;
    if (isOneOf(fc, {"3", "6", "16"}) && n > 40000 && n < 50000)
        return 40001;
    return std::nullopt;
}

// The largest quantity of a register function, or nothing where there is no limit.
std::optional<long> registerLimit(const ConfigStore &s)
{
    if (s.gatewayType == 2)
        return 127;
    if (s.gatewayType == 0)
        return 36;
    if (s.modelFlag4)
        return 84;
    if (s.gatewayType == 1 || s.gatewayType == 3)
        return s.modelFlag7 ? 122 : 56;
    return std::nullopt;
}

struct BufferRange {
    unsigned long readHigh;       // read commands: 0x0000 (0x0002 for DeviceNet) .. readHigh
    unsigned long writeHigh;      // write commands also 0x4000 .. writeHigh
    unsigned long low = 0x0000;
};

BufferRange bufferRange(const ConfigStore &s)
{
    switch (s.gatewayType) {
    case 0:
        return {0x009F, 0x406F, 0x0002};
    case 2:
        return {0x0BFF, 0x4BFF};
    case 4:
        return {0x01FF, 0x41FF};
    default: // 1 and 3; 5 and 6 use the same PROFIBUS buffers
        if (s.modelFlag4)
            return {0x00A7, 0x40A7};
        if (s.modelFlag7)
            return {0x00F3, 0x40DF};
        return {0x006F, 0x406F};
    }
}

bool mappingInRange(const ConfigStore &s, const std::string &fc, unsigned long v)
{
    const BufferRange r = bufferRange(s);
    if (isOneOf(fc, {"1", "2", "3", "4"}))
        return v >= r.low && v <= r.readHigh;
    if (isOneOf(fc, {"5", "6", "15", "16"})) {
        // Writes may take their data from the input buffer too (exchange between subnets).
        const unsigned long inputLow = s.gatewayType == 0 ? 0x0000 : r.low;
        return (v >= inputLow && v <= r.readHigh) || (v >= 0x4000 && v <= r.writeHigh);
    }
    return false;
}

void commandEdit(ConfigStore &s, const ItemRef &item, int row, std::string &text, bool stillSelected,
                 Prompter &prompter, CommitResult &result)
{
    COMMAND &cmd = s.command(item.subnet, item.number);
    const std::string &fc = cmd.functionCode;
    switch (row) {
    case 2: {
        if (!isCanonical(text)) {
            text = cmd.startAddress;
            break;
        }
        const long n = decimalValue(text);
        storeOrPutBack(inRange(n, 0, 65535), text, cmd.startAddress);
        if (stillSelected) {
            const long m = decimalValue(text);
            if (auto offset = plcOffset(fc, m); offset && prompter.askOkCancel(tqv::text(StrId::MsgPlcAddress)))
                text = printed(m - *offset);
        }
        storeOrPutBack(inRange(decimalValue(text), 0, 65535), text, cmd.startAddress);
        break;
    }
    case 3: {
        const long n = decimalValue(text);
        if (n <= 0) {
            text = cmd.quantity;
            if (stillSelected)
                result.rowUpdates.push_back(value(6, shownValue(cmd.byteCount)));
            break;
        }
        if (!isCanonical(text)) {
            text = cmd.quantity;
            break;
        }
        if (isOneOf(fc, {"5", "6"})) {
            cmd.quantity = "1";
        } else if (isOneOf(fc, {"1", "2", "15"})) {
            const bool refuse = (n > 2000 && s.gatewayType == 2) ||
                                (n > 400 && (s.gatewayType == 0 || s.gatewayType == 1 || s.gatewayType == 3));
            storeOrPutBack(!refuse, text, cmd.quantity);
        } else if (isOneOf(fc, {"3", "4", "16"})) {
            const auto limit = registerLimit(s);
            storeOrPutBack(!limit || n <= *limit, text, cmd.quantity);
        }
        const long q = decimalValue(text);
        if (q > 0 && (isOneOf(fc, {"1", "2", "15"}) || isOneOf(fc, {"3", "4", "16"}))) {
            cmd.byteCount = printed(isOneOf(fc, {"1", "2", "15"}) ? (q - 1) / 8 + 1 : 2 * q);
            if (stillSelected)
                result.rowUpdates.push_back(value(6, cmd.byteCount));
        }
        break;
    }
    case 4: {
        std::string lower = text;
        for (char &ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const unsigned long v = std::strtoul(lower.c_str(), nullptr, 16);
        const std::string bare = lowerHex(v);
        if (lower != bare && lower != bare + "h") {
            text = cmd.mappingAddress;
            break;
        }
        text = bare;
        storeOrPutBack(mappingInRange(s, fc, v), text, cmd.mappingAddress);
        break;
    }
    case 5:
        storeOrPutBack(isCanonical(text) && inRange(decimalValue(text), 0, 7), text, cmd.mappingBit);
        break;
    default:
        break;
    }
}

// ---- list rules ------------------------------------------------------------------------------

void fieldbusPick(ConfigStore &s, int row, const std::string &picked, CommitResult &result)
{
    FIELDBUS &f = s.fieldbus;
    CONFIG &first = s.subnet(0);
    switch (s.gatewayType) {
    case 0:
        if (row == 2)
            f.deviceNetBaud = picked;
        else if (row == 3)
            f.inputSize = picked;
        else if (row == 4)
            f.outputSize = picked;
        break;
    case 1:
    case 3:
        if (row == 1) {
            f.inputSize = picked;
        } else if (row == 2) {
            f.outputSize = picked;
        } else if (row == 3) {
            if (is(first.protocol, StrId::ProtocolUserConfig)) {
                first.inputLengthPrefix = picked;
            } else if (s.modelFlag4) {
                first.doubleFaultReset = picked;
            } else if (s.modelFlag7) {
                first.timeoutAction = picked;
                result.rowUpdates.push_back(colour(4, is(picked, StrId::TimeoutHoldData)));
            } else if (s.modelFlag1 || s.modelFlag6) {
                f.profibusConfigMode = picked;
                const bool bytes = is(picked, StrId::ProfibusUseBytesSelection);
                result.rowUpdates.push_back(colour(1, !bytes));
                result.rowUpdates.push_back(colour(2, !bytes));
                result.rowUpdates.push_back(colour(4, bytes));
            }
        }
        break;
    case 4:
        if (row == 1)
            f.ipAssignMode = picked;
        break;
    case 6:
        if (row == 3 && is(first.protocol, StrId::ProtocolUserConfig))
            first.inputLengthPrefix = picked;
        break;
    default:
        break;
    }
}

void protocolChange(ConfigStore &s, int subnet, CommitResult &result)
{
    const CONFIG &c = s.subnet(subnet);
    result.protocolChanged = true;
    if (is(c.protocol, StrId::ProtocolUserConfig)) {
        result.disableTreeCommands = true;
        if (s.modelFlag7)
            result.mappingCommandsEnabled = false;
    } else if (is(c.protocol, StrId::ProtocolSelfDefining)) {
        result.disableTreeCommands = true;
    } else if (is(c.protocol, StrId::ProtocolModbusSlave)) {
        if (s.gatewayType == 3 && s.modelFlag7) {
            result.disableAddNode = true;
            result.mappingCommandsEnabled = false;
        }
    } else if (is(c.protocol, StrId::ProtocolModbusMaster)) {
        result.listNodesAgain = true;
        if (s.modelFlag4)
            result.firstRowLabel = tqv::text(StrId::GridBandRate);
        if (s.modelFlag7)
            result.mappingCommandsEnabled = true;
    }
}

void subnetPick(ConfigStore &s, int subnet, int row, const std::string &picked, CommitResult &result)
{
    CONFIG &c = s.subnet(subnet);
    const bool master = is(c.protocol, StrId::ProtocolModbusMaster);
    const bool user = is(c.protocol, StrId::ProtocolUserConfig);
    switch (row) {
    case 0:
        c.protocol = picked;
        protocolChange(s, subnet, result);
        break;
    case 1:
    case 2:
    case 3:
    case 4:
        if (std::string *field = serialField(c, row))
            *field = picked;
        break;
    case 6:
        if (master)
            c.masterMode = picked;
        else if (is(c.protocol, StrId::ProtocolModbusSlave))
            c.slaveMode = picked;
        break;
    case 9: {
        c.outputMode = picked;
        const bool pulse = is(picked, StrId::OutputPulse);
        result.pulseEditable = pulse;
        result.rowUpdates.push_back(colour(10, !pulse));
        break;
    }
    case 12:
        if (s.modelFlag2) {
            c.commInterface = picked;
            result.rowUpdates.push_back(value(13, otherInterface(picked)));
        } else if (s.modelFlag7 && master) {
            c.commandStatus = picked;
        } else if (s.modelFlag4 || user) {
            c.frameType = picked;
            if (!s.modelFlag4)
                result.rowUpdates.push_back(colour(14, is(c.frameType, StrId::FrameCharTimeout)));
        }
        break;
    case 15:
        if (!s.modelFlag4 && user) {
            c.autoSend = picked;
            result.rowUpdates.push_back(colour(16, is(picked, StrId::Disable)));
        }
        break;
    case 17:
        if (s.modelFlag4)
            c.autoSend = picked;
        else if (user)
            c.crcCheck = picked;
        break;
    case 18:
        // Stored for every gateway type: a pick that only changed the cell would be lost silently.
        c.commInterface = picked;
        result.rowUpdates.push_back(value(19, otherInterface(c.commInterface)));
        break;
    case 19:
        if (s.modelFlag4)
            c.crcCheck = picked;
        break;
    default:
        break;
    }
}

} // namespace

long decimalValue(const std::string &text)
{
    // The C library's reading: leading blanks and a sign allowed, stops at the first non-digit.
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<long>(v);
}

bool isCanonical(const std::string &text) { return !text.empty() && text == printed(decimalValue(text)); }

bool isIpAddress(const std::string &text)
{
    std::string rest = text;
    auto part = [](const std::string &p) {
        if (p.empty() || !onlyDigits(p))
            return false;
        long v = 0;
        for (char c : p) {
            v = v * 10 + (c - '0');
            if (v > 255)
                return false;
        }
        return true;
    };
    for (int i = 0; i < 3; ++i) {
        const std::size_t dot = rest.find('.');
        if (dot == std::string::npos || dot < 1 || dot > 3)
            return false;
        if (!part(rest.substr(0, dot)))
            return false;
        rest = rest.substr(dot + 1);
    }
    return part(rest);
}

bool decimalFieldCheck(const std::string &text, long low, long high, const std::string &name, Prompter &prompter)
{
    if (text.empty())
        return false;
    if (!onlyDigits(text)) {
        prompter.info(formatText(StrId::MsgIllegalCharacters, {name}));
        return false;
    }
    const long v = decimalValue(text);
    if (!inRange(v, low, high)) {
        prompter.info(formatText(StrId::MsgOutOfRange, {name, printed(low), printed(high)}));
        return false;
    }
    return true;
}

std::string checkProfibusConfigData(const std::string &text, const std::string &stored)
{
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ' ')
            return stored;
    for (std::size_t i = 2; i < text.size(); i += 3)
        if (text[i] != ' ')
            return stored;
    if (text.size() > 24)
        return stored;
    return text;
}

CommitResult commitEditText(ConfigStore &store, const CommitTarget &target, std::string text, bool stillSelected,
                            bool pulseEditable, Prompter &prompter)
{
    CommitResult result;
    const ItemRef &item = target.item;
    switch (item.kind) {
    case ItemKind::Fieldbus:
        fieldbusEdit(store, target.row, text);
        break;
    case ItemKind::Subnet:
        if (item.subnet >= 0 && item.subnet < kSubnetCount)
            subnetEdit(store, item.subnet, target.row, text, pulseEditable, prompter);
        break;
    case ItemKind::Node:
        if (target.row == 0 && item.number >= 1 && item.number <= store.subnet(item.subnet).nodeCount)
            nodeEdit(store, item, text, stillSelected, prompter, result);
        break;
    case ItemKind::Command:
        if (item.number >= 1 && item.number <= store.subnet(item.subnet).commandCount)
            commandEdit(store, item, target.row, text, stillSelected, prompter, result);
        break;
    case ItemKind::None:
        break;
    }
    if (stillSelected) {
        const bool mapping = item.kind == ItemKind::Command && target.row == 4 && !text.empty();
        result.cellText = mapping ? text + "H" : text;
    }
    store.configModified = true;
    return result;
}

CommitResult commitListPick(ConfigStore &store, const CommitTarget &target, const std::string &picked,
                            bool stillSelected)
{
    CommitResult result;
    if (stillSelected)
        result.cellText = picked;
    const ItemRef &item = target.item;
    switch (item.kind) {
    case ItemKind::Fieldbus:
        fieldbusPick(store, target.row, picked, result);
        break;
    case ItemKind::Subnet:
        if (item.subnet >= 0 && item.subnet < kSubnetCount)
            subnetPick(store, item.subnet, target.row, picked, result);
        break;
    case ItemKind::Command:
        if (item.number >= 1 && item.number <= store.subnet(item.subnet).commandCount) {
            COMMAND &cmd = store.command(item.subnet, item.number);
            if (target.row == 7)
                cmd.dataFormat = picked;
            else if (target.row == 9)
                cmd.scanType = picked;
        }
        break;
    default:
        break;
    }
    if (!stillSelected)
        result.rowUpdates.clear();
    store.configModified = true;
    return result;
}

} // namespace tqv
