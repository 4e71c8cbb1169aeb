#include "ValueCommit.h"

#include "GridLayout.h"
#include "link/NotingPrompter.h"
#include "model/DerivedValues.h"
#include "model/GatewayLimits.h"
#include "model/ModelProfile.h"
#include "resources/Strings.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace tqv {

namespace {

bool inRange(long v, long low, long high) { return v >= low && v <= high; }

bool onlyDigits(const std::string &t)
{
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string printed(long v) { return std::to_string(v); }

std::string lowerHex(unsigned long v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lx", v);
    return buffer;
}

RowUpdate colour(int row, bool grey) { return RowUpdate{row, std::nullopt, std::nullopt, grey}; }
RowUpdate value(int row, const std::string &v) { return RowUpdate{row, std::nullopt, v, std::nullopt}; }

// Stores `text` when `accept`; otherwise the cell shows the stored value again or nothing.
void storeOr(bool accept, std::string &text, std::string &field, Refused refused)
{
    if (accept)
        field = text;
    else if (refused == Refused::PutBack)
        text = field;
    else
        text.clear();
}

// ---- edit box rules that do more than check a text -------------------------------------------------

void nodeAddressEdit(ConfigStore &s, const ItemRef &item, std::string &text, bool stillSelected, Prompter &prompter,
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
            if (cmd.nodeNumber == item.number && functionCodeOf(cmd.functionCode))
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

// Offset of a PLC-style address (coils from 1, inputs from 10001, input registers from 30001,
// holding registers from 40001) for the function code, when `n` lies in its range.
std::optional<long> plcOffset(const std::string &functionCode, long n)
{
    const auto fc = functionCodeOf(functionCode);
    if (!fc)
        return std::nullopt;
    long base = 0;
    switch (*fc) {
    case FunctionCode::ReadCoils:
    case FunctionCode::WriteSingleCoil:
    case FunctionCode::WriteMultipleCoils:
        base = 1;
        break;
    case FunctionCode::ReadDiscreteInputs:
        base = 10001;
        break;
    case FunctionCode::ReadInputRegisters:
        base = 30001;
        break;
    case FunctionCode::ReadHoldingRegisters:
    case FunctionCode::WriteSingleRegister:
    case FunctionCode::WriteMultipleRegisters:
        base = 40001;
        break;
    }
    if (n >= base && n <= base + 9998)
        return base;
    return std::nullopt;
}

void startAddressEdit(const std::string &fc, std::string &text, std::string &field, bool stillSelected,
                      Prompter &prompter)
{
    if (!isCanonical(text) || !inRange(decimalValue(text), 0, 65535)) {
        // Refused as typed: the question is about the user's value, never about the one put back.
        text = field;
        return;
    }
    field = text;
    if (stillSelected) {
        const long m = decimalValue(text);
        if (auto offset = plcOffset(fc, m); offset && prompter.askOkCancel(tqv::text(StrId::MsgPlcAddress)))
            text = printed(m - *offset);
    }
    storeOr(inRange(decimalValue(text), 0, 65535), text, field, Refused::PutBack);
}

void quantityEdit(const ConfigStore &s, COMMAND &cmd, std::string &text, bool stillSelected, CommitResult &result)
{
    const int byteRow = rowIndex(CommandRow::ByteCount);
    const std::string &fc = cmd.functionCode;
    const long n = decimalValue(text);
    if (n <= 0) {
        text = cmd.quantity;
        if (stillSelected)
            result.rowUpdates.push_back(value(byteRow, shownValue(cmd.byteCount)));
        return;
    }
    if (!isCanonical(text)) {
        text = cmd.quantity;
        return;
    }
    if (!functionCodeOf(fc))
        return;
    // A single write keeps its one item whatever was typed (the derived values set it).
    if (!isSingleWrite(fc)) {
        const auto limit = isBitFunction(fc) ? bitQuantityLimit(s) : registerQuantityLimit(s);
        storeOr(!limit || n <= *limit, text, cmd.quantity, Refused::PutBack);
    }
    updateDerivedValues(cmd);
    if (stillSelected)
        result.rowUpdates.push_back(value(byteRow, shownValue(cmd.byteCount)));
}

bool mappingInRange(const ConfigStore &s, const std::string &fc, unsigned long v)
{
    const BufferRange r = bufferRange(s);
    if (isReadFunction(fc))
        return v >= r.inputLow && v <= r.inputHigh;
    // Writes may take their data from the input buffer too (exchange between subnets), from its start.
    if (isWriteFunction(fc))
        return v <= r.inputHigh || (v >= kOutputBufferBase && v <= r.outputHigh);
    return false;
}

void mappingAddressEdit(const ConfigStore &s, const std::string &fc, std::string &text, std::string &field)
{
    std::string lower = text;
    for (char &ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const unsigned long v = std::strtoul(lower.c_str(), nullptr, 16);
    const std::string bare = lowerHex(v);
    if (lower != bare && lower != bare + "h") {
        text = field;
        return;
    }
    text = bare;
    storeOr(mappingInRange(s, fc, v), text, field, Refused::PutBack);
}

void applyEdit(ConfigStore &s, const ItemRef &item, const EditRule &rule, std::string &text, bool stillSelected,
               Prompter &prompter, CommitResult &result)
{
    std::string *field = fieldOf(s, item, rule.field);
    if (!field)
        return;
    const long v = decimalValue(text);
    switch (rule.check) {
    case TextCheck::None:
        break;
    case TextCheck::AsTyped:
        *field = text;
        break;
    case TextCheck::Range:
        storeOr(inRange(v, rule.low, rule.high), text, *field, rule.refused);
        break;
    case TextCheck::CanonicalRange:
        storeOr(isCanonical(text) && inRange(v, rule.low, rule.high), text, *field, rule.refused);
        break;
    case TextCheck::Reported:
        if (decimalFieldCheck(text, rule.low, rule.high, tqv::text(rule.name), prompter))
            *field = text;
        text = *field;
        break;
    case TextCheck::IpAddress:
        storeOr(isIpAddress(text), text, *field, rule.refused);
        break;
    case TextCheck::ProfibusConfigData:
        text = checkProfibusConfigData(text, *field);
        *field = text;
        break;
    case TextCheck::OwnAddress:
        // Out of range empties the cell without a message; hardware-configuration models report other faults,
        // the others keep a plain number. The cell then shows what is stored.
        if (!inRange(v, rule.low, rule.high)) {
            text.clear();
            break;
        }
        if (profileOf(s).hardwareConfigModel
                ? decimalFieldCheck(text, rule.low, rule.high, tqv::text(rule.name), prompter)
                : isCanonical(text))
            *field = text;
        text = *field;
        break;
    case TextCheck::NodeAddress:
        nodeAddressEdit(s, item, text, stillSelected, prompter, result);
        break;
    case TextCheck::StartAddress:
        startAddressEdit(s.command(item.subnet, item.number).functionCode, text, *field, stillSelected, prompter);
        break;
    case TextCheck::Quantity:
        quantityEdit(s, s.command(item.subnet, item.number), text, stillSelected, result);
        break;
    case TextCheck::MappingAddress:
        mappingAddressEdit(s, s.command(item.subnet, item.number).functionCode, text, *field);
        break;
    }
}

// ---- list picks ----------------------------------------------------------------------------------

void protocolChange(ConfigStore &s, const ItemRef &item, bool stillSelected, CommitResult &result)
{
    const CONFIG &c = s.subnet(item.subnet);
    result.protocolChanged = true;
    if (c.protocol == tqv::text(StrId::ProtocolUserConfig)) {
        result.disableTreeCommands = true;
        if (profileOf(s).hardwareConfigModel)
            result.mappingCommandsEnabled = false;
    } else if (c.protocol == tqv::text(StrId::ProtocolSelfDefining)) {
        result.disableTreeCommands = true;
    } else if (c.protocol == tqv::text(StrId::ProtocolModbusSlave)) {
        if (profileOf(s).profibusModbus && profileOf(s).hardwareConfigModel) {
            result.disableAddNode = true;
            result.mappingCommandsEnabled = false;
        }
    } else if (c.protocol == tqv::text(StrId::ProtocolModbusMaster)) {
        result.listNodesAgain = true;
        if (profileOf(s).hardwareConfigModel)
            result.mappingCommandsEnabled = true;
    }
    if (stillSelected) {
        result.rows = gridRows(s, item, GridOccasion::ProtocolChanged);
        result.pulseEditable = pulseEditableFor(s, item);
    }
}

void applyPick(ConfigStore &s, const ItemRef &item, const PickRule &rule, const std::string &picked,
               bool stillSelected, CommitResult &result)
{
    std::string *field = fieldOf(s, item, rule.field);
    if (!field)
        return;
    *field = picked;
    for (const PickEffect &effect : rule.effects) {
        switch (effect.kind) {
        case PickEffect::Kind::GreyIfPicked:
            result.rowUpdates.push_back(colour(effect.row, picked == tqv::text(effect.value)));
            break;
        case PickEffect::Kind::GreyUnlessPicked:
            result.rowUpdates.push_back(colour(effect.row, picked != tqv::text(effect.value)));
            break;
        case PickEffect::Kind::OtherInterface:
            result.rowUpdates.push_back(value(effect.row, otherInterface(picked)));
            break;
        }
    }
    if (rule.setsPulse)
        result.pulseEditable = picked == tqv::text(StrId::OutputPulse);
    if (rule.changesProtocol)
        protocolChange(s, item, stillSelected, result);
}

// Two texts that name the same value: hexadecimal case and the "H" of mapping addresses aside.
bool sameValue(std::string a, std::string b)
{
    auto normal = [](std::string &t) {
        for (char &ch : t)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (!t.empty() && t.back() == 'h')
            t.pop_back();
    };
    normal(a);
    normal(b);
    return a == b;
}

std::string hex4(unsigned v)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", v);
    return buffer;
}

// Why a typed value was not taken, in the user's language.
std::string refusalReason(const ConfigStore &s, const ItemRef &item, const EditRule &rule, const std::string &typed)
{
    auto range = [](long low, long high) { return formatText(StrId::ReasonAllowedRange, {printed(low), printed(high)}); };
    std::string why;
    switch (rule.check) {
    case TextCheck::Range:
    case TextCheck::CanonicalRange:
    case TextCheck::Reported:
    case TextCheck::OwnAddress:
        why = range(rule.low, rule.high);
        break;
    case TextCheck::NodeAddress:
        why = range(0, 247);
        break;
    case TextCheck::StartAddress:
        why = range(0, 65535);
        break;
    case TextCheck::IpAddress:
        why = text(StrId::ReasonExpectIpAddress);
        break;
    case TextCheck::ProfibusConfigData:
        why = text(StrId::ReasonExpectProfibusData);
        break;
    case TextCheck::Quantity: {
        const std::string &fc = s.command(item.subnet, item.number).functionCode;
        const auto limit = isBitFunction(fc) ? bitQuantityLimit(s) : registerQuantityLimit(s);
        why = limit ? range(1, *limit) : text(StrId::ReasonExpectPositiveNumber);
        break;
    }
    case TextCheck::MappingAddress: {
        const BufferRange r = bufferRange(s);
        const std::string &fc = s.command(item.subnet, item.number).functionCode;
        why = isWriteFunction(fc) ? formatText(StrId::ReasonExpectWriteMapping, {hex4(0), hex4(r.inputHigh),
                                                                                 hex4(kOutputBufferBase), hex4(r.outputHigh)})
                                  : formatText(StrId::ReasonExpectReadMapping, {hex4(r.inputLow), hex4(r.inputHigh)});
        break;
    }
    case TextCheck::None:
    case TextCheck::AsTyped:
        break;
    }
    return formatText(StrId::MsgValueNotTaken, {typed, why});
}

// Commits change existing records only: nodes and commands up to their subnet's counts.
bool committable(const ConfigStore &s, const ItemRef &item)
{
    switch (item.kind) {
    case ItemKind::Fieldbus:
        return true;
    case ItemKind::Subnet:
        return item.subnet >= 0 && item.subnet < kSubnetCount;
    case ItemKind::Node:
        return item.number >= 1 && item.number <= s.subnet(item.subnet).nodeCount;
    case ItemKind::Command:
        return item.number >= 1 && item.number <= s.subnet(item.subnet).commandCount;
    case ItemKind::None:
        break;
    }
    return false;
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
    const CellInfo cell = describeCell(store, target.item, target.row, pulseEditable);
    if (cell.edit.check != TextCheck::None && committable(store, target.item)) {
        const std::string typed = text;
        const std::string *field = fieldOf(store, target.item, cell.edit.field);
        const std::string before = field ? *field : std::string();
        NotingPrompter noting(prompter);
        applyEdit(store, target.item, cell.edit, text, stillSelected, noting, result);
        // A value the rules dropped without a word gets its reason, for the status line.
        if (field && *field == before && !sameValue(typed, before) && !sameValue(typed, text) && noting.messages() == 0)
            result.refusal = refusalReason(store, target.item, cell.edit, typed);
    }
    if (stillSelected)
        result.cellText = text.empty() ? text : text + cell.suffix;
    store.configModified = true;
    return result;
}

CommitResult commitListPick(ConfigStore &store, const CommitTarget &target, const std::string &picked,
                            bool stillSelected)
{
    CommitResult result;
    if (stillSelected)
        result.cellText = picked;
    const CellInfo cell = describeCell(store, target.item, target.row, true);
    if (!std::holds_alternative<std::monostate>(cell.pick.field) && committable(store, target.item))
        applyPick(store, target.item, cell.pick, picked, stillSelected, result);
    if (!stillSelected)
        result.rowUpdates.clear();
    store.configModified = true;
    return result;
}

} // namespace tqv
