#include "MonitorRecord.h"
#include "model/Domain.h"

#include "ethernet/MessageHeader.h"
#include "model/ByteBuffer.h"
#include "resources/Strings.h"

#include <algorithm>

namespace tqv {

namespace {

std::string decimal(unsigned value) { return std::to_string(value); }

std::string hexPair(std::uint8_t byte, bool upper)
{
    static const char lower[] = "0123456789abcdef";
    static const char upperDigits[] = "0123456789ABCDEF";
    const char *digits = upper ? upperDigits : lower;
    return {digits[byte >> 4], digits[byte & 0x0F]};
}

std::string bytes(std::initializer_list<std::uint8_t> values)
{
    return std::string(values.begin(), values.end());
}

std::string withSum(std::string frame)
{
    frame.push_back(static_cast<char>(byteSum(frame)));
    return frame;
}

std::string ethernetMessage(EthernetCommand command, std::string_view payload)
{
    return encodeHeader(command, static_cast<std::uint32_t>(payload.size())) + std::string(payload);
}

// Pairs at 0-1, 3-4, 6-7, ... of a text already checked; a lone last digit is dropped.
std::string pairsOf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3)
        out.push_back(static_cast<char>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1])));
    return out;
}

} // namespace

std::string statusText(std::uint8_t status)
{
    switch (status) {
    case 0: return text(StrId::MonitorStatusCorrect);
    case 1: return text(StrId::MonitorStatusAbnormal);
    case 2: return text(StrId::MonitorStatusIncorrect);
    case 3: return text(StrId::MonitorStatusTimeout);
    default: return formatText(StrId::MonitorStatusUnknown, {decimal(status)});
    }
}

std::string exceptionText(std::uint8_t firstDataByte)
{
    switch (firstDataByte) {
    case 2: return text(StrId::MonitorException02);
    case 3: return text(StrId::MonitorException03);
    case 4: return text(StrId::MonitorException04);
    case 5: return text(StrId::MonitorException05);
    case 6: return text(StrId::MonitorException06);
    case 7: return text(StrId::MonitorException07);
    case 8: return text(StrId::MonitorException08);
    default: return text(StrId::MonitorException01);
    }
}

std::string directionText(FramedMode mode, std::uint8_t direction)
{
    if (mode == FramedMode::Slave) {
        if (direction == 0)
            return text(StrId::MonitorModbusToProfibus);
        if (direction == 1)
            return text(StrId::MonitorProfibusToModbus);
    } else if (direction == 0) {
        return text(StrId::MonitorSerialPort) + text(StrId::MonitorToProfibus);
    } else if (direction == 1) {
        return text(StrId::MonitorProfibusTo) + text(StrId::MonitorSerialPort);
    }
    return formatText(StrId::MonitorDirectionUnknown, {decimal(direction)});
}

std::string framedDataText(FramedMode mode, std::string_view data)
{
    std::string out;
    out.reserve(data.size() * 3);
    for (char c : data) {
        if (mode == FramedMode::Master)
            out += ' ' + hexPair(static_cast<std::uint8_t>(c), true);
        else
            out += hexPair(static_cast<std::uint8_t>(c), true) + ' ';
    }
    return out;
}

std::string recordDataText(std::string_view data)
{
    std::string out;
    out.reserve(data.size() * 3);
    for (char c : data)
        out += hexPair(static_cast<std::uint8_t>(c), true) + ' ';
    return out;
}

std::vector<MonitorColumn> monitorColumns(MonitorLinkKind link, FramedMode mode)
{
    using C = MonitorColumn;
    switch (link) {
    case MonitorLinkKind::Framed:
        if (mode == FramedMode::Master)
            return {C::Index, C::Status, C::Slave, C::Function, C::Start, C::Data};
        return {C::Index, C::Status, C::Data};
    case MonitorLinkKind::RecordSerial:
        return {C::Index, C::Status, C::Slave, C::Start, C::Data};
    case MonitorLinkKind::Udp:
        return {C::Index, C::PortIndex, C::Status, C::Slave, C::Start, C::Data};
    }
    return {};
}

std::vector<std::string> columnHeaders(MonitorLinkKind link, FramedMode mode)
{
    std::vector<std::string> out;
    for (MonitorColumn column : monitorColumns(link, mode)) {
        switch (column) {
        case MonitorColumn::Index: out.push_back(text(StrId::MonitorColumnIndex)); break;
        case MonitorColumn::PortIndex: out.push_back(text(StrId::MonitorColumnPortIndex)); break;
        case MonitorColumn::Status: out.push_back(text(StrId::MonitorColumnStatus)); break;
        case MonitorColumn::Slave: out.push_back(text(StrId::MonitorColumnSlave)); break;
        case MonitorColumn::Function: out.push_back(text(StrId::MonitorColumnFunction)); break;
        case MonitorColumn::Start: out.push_back(text(StrId::MonitorColumnStart)); break;
        case MonitorColumn::Data:
            out.push_back(text(link == MonitorLinkKind::Framed && mode != FramedMode::Master ? StrId::MonitorColumnDate
                                                                                              : StrId::MonitorColumnData));
            break;
        }
    }
    return out;
}

std::vector<std::string> columnSamples(MonitorColumn column, MonitorLinkKind link, FramedMode mode)
{
    std::vector<std::string> out;
    switch (column) {
    case MonitorColumn::Index: return {"8888888"};
    case MonitorColumn::PortIndex: return {"256"};
    case MonitorColumn::Slave:
    case MonitorColumn::Function: return {"255"};
    case MonitorColumn::Start: return {"65535"};
    case MonitorColumn::Status:
        if (link == MonitorLinkKind::Framed && mode != FramedMode::Master) {
            for (std::uint8_t d : {0, 1, 254})
                out.push_back(directionText(mode, d));
            return out;
        }
        for (std::uint8_t status : {0, 1, 2, 3, 254})
            out.push_back(statusText(status));
        return out;
    case MonitorColumn::Data:
        for (std::uint8_t code = 1; code <= 8; ++code)
            out.push_back(exceptionText(code));
        out.push_back(text(StrId::MonitorNoResponse));
        out.push_back(recordDataText(std::string(8, '\x88')));
        return out;
    }
    return out;
}

std::string sentText(std::uint16_t address, std::string_view data)
{
    std::string bytesText = recordDataText(data);
    if (!bytesText.empty())
        bytesText.pop_back();
    const std::string addressText = hexPair(static_cast<std::uint8_t>(address >> 8), true) +
                                    hexPair(static_cast<std::uint8_t>(address & 0xFF), true);
    return formatText(StrId::MonitorSent, {addressText, bytesText});
}

std::string notSentText(std::string_view reason)
{
    std::string why(reason);
    while (!why.empty() && (why.back() == ' ' || why.back() == '\n'))
        why.pop_back();
    return formatText(StrId::MonitorNotSent, {why});
}

FramedMode framedModeFromProtocol(std::string_view protocol)
{
    if (protocol == text(StrId::ProtocolModbusMaster))
        return FramedMode::Master;
    if (protocol == text(StrId::ProtocolModbusSlave))
        return FramedMode::Slave;
    return FramedMode::Other;
}

std::uint8_t byteSum(std::string_view data)
{
    unsigned sum = 0;
    for (char c : data)
        sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::string framedAskSubnetType() { return bytes({0xD0, 0x00, 0xD0}); }
std::string framedStart() { return bytes({0xD2, 0x01, 0xEA, 0xBD}); }
std::string framedNext() { return bytes({0xD4, 0x01, 0x00, 0xD5}); }
std::string framedStop() { return bytes({0xD2, 0x01, 0xF0, 0xC3}); }

std::string framedWriteFrame(std::uint16_t address, std::string_view data)
{
    const std::size_t n = std::min(data.size(), kMaxWriteBytes);
    std::string frame = bytes({0xD4, static_cast<std::uint8_t>(n + 3), 0x01,
                               static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF)});
    frame.append(data.substr(0, n));
    return withSum(std::move(frame));
}

std::optional<StrId> judgeHandshake(std::string_view reply, FramedMode mode)
{
    OffsetReader r(reply);
    const std::uint8_t command = r.u8(0), subnetType = r.u8(14), sum = r.u8(kFramedHandshakeSize - 1);
    if (r.failed() || command != 0xD0 || byteSum(reply.substr(0, kFramedHandshakeSize - 1)) != sum)
        return StrId::MsgMonitorHardwareMismatch;
    switch (subnetType) {
    case 0:
        return mode == FramedMode::Master ? std::nullopt : std::optional(StrId::MsgMonitorMismatchMaster);
    case 1:
        return mode == FramedMode::Slave ? std::nullopt : std::optional(StrId::MsgMonitorMismatchSlave);
    case 3:
        return mode == FramedMode::Other ? std::nullopt : std::optional(StrId::MsgMonitorMismatchUserConfig);
    default:
        return StrId::MsgMonitorIllegalSubnet;
    }
}

std::optional<std::size_t> framedRecordSize(std::string_view data, FramedMode mode)
{
    OffsetReader r(data);
    const std::uint8_t length = r.u8(1);
    if (mode != FramedMode::Master || r.failed())
        return std::nullopt;
    return std::max<std::size_t>(8, std::size_t{length} + 3);
}

ParsedRecord parseFramedRecord(std::string_view data, FramedMode mode)
{
    OffsetReader r(data);
    ParsedRecord out;
    if (mode == FramedMode::Master) {
        // command, L, status, slave, function, address high/low, byte 7, data up to byte L+1.
        const std::uint8_t length = r.u8(1), status = r.u8(2), slave = r.u8(3), function = r.u8(4);
        const std::uint16_t address = r.u16(5);
        r.u8(7);
        if (r.failed())
            return out;
        if (status == 255)
            return {RecordVerdict::NoReply, {}};
        const std::size_t end = std::size_t{length} + 2;
        const std::string_view payload = end > 8 ? r.raw(8, end - 8) : std::string_view{};
        if (r.failed())
            return out;
        out.verdict = RecordVerdict::Show;
        out.row.status = status;
        out.row.cells = {std::string(), statusText(status), decimal(slave), decimal(function), decimal(address),
                         framedDataText(mode, payload)};
        return out;
    }
    // command, F5 (mode 1), direction, data, check byte.
    const std::uint8_t marker = r.u8(1), direction = r.u8(2);
    if (r.failed())
        return out;
    if (mode == FramedMode::Slave && marker != 0xF5)
        return {RecordVerdict::NoReply, {}};
    if (direction == 255)
        return {RecordVerdict::NoReply, {}};
    const std::string_view payload = data.size() > 4 ? r.raw(3, data.size() - 4) : std::string_view{};
    out.verdict = RecordVerdict::Show;
    out.row.status = direction;
    out.row.cells = {std::string(), directionText(mode, direction), framedDataText(mode, payload)};
    return out;
}

std::string recordNext() { return std::string(1, '\0'); }

std::string recordWriteFrame(std::uint16_t address, std::string_view data)
{
    const std::size_t n = std::min(data.size(), kMaxWriteBytes);
    std::string frame = bytes({0x01, static_cast<std::uint8_t>(address >> 8),
                               static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(n)});
    frame.append(data.substr(0, n));
    return frame;
}

std::optional<std::size_t> recordSize(std::string_view data)
{
    OffsetReader r(data);
    const std::uint8_t status = r.u8(0);
    if (r.failed())
        return std::nullopt;
    if (status > 3)
        return std::size_t{1};
    const std::uint8_t count = r.u8(4);
    if (r.failed())
        return std::nullopt;
    return std::size_t{5} + count;
}

ParsedRecord parseSerialRecord(std::string_view data)
{
    // status, slave, address high/low, n, n data bytes.
    OffsetReader r(data);
    ParsedRecord out;
    const std::uint8_t status = r.u8(0);
    if (r.failed() || status == 255)
        return out;
    if (status > 3)
        return {RecordVerdict::NoReply, {}};
    const std::uint8_t slave = r.u8(1);
    const std::uint16_t address = r.u16(2);
    const std::string_view payload = r.raw(5, r.u8(4));
    if (r.failed())
        return out;
    std::string dataText;
    if (status == 1)
        dataText = exceptionText(OffsetReader(payload).u8(0)); // no data byte reads as 0
    else if (status == 3)
        dataText = text(StrId::MonitorNoResponse);
    else
        dataText = recordDataText(payload);
    out.verdict = RecordVerdict::Show;
    out.row.status = status;
    out.row.cells = {std::string(), statusText(status), decimal(slave), decimal(address), std::move(dataText)};
    return out;
}

std::string udpStart() { return ethernetMessage(EthernetCommand::Monitor, bytes({0xEA, 0xEA, 0xEA, 0xEA, 0, 0, 0, 0})); }
std::string udpStop() { return ethernetMessage(EthernetCommand::Monitor, bytes({0xF0, 0xF0, 0xF0, 0xF0, 0, 0, 0, 0})); }
std::string udpNext() { return ethernetMessage(EthernetCommand::MonitorNext, bytes({0, 0, 0, 0})); }

std::string udpWriteMessage(std::uint16_t address, std::string_view data)
{
    const std::size_t n = std::min(data.size(), kMaxWriteBytes);
    std::string payload = bytes({0, 0, 0, 1, static_cast<std::uint8_t>(address >> 8),
                                 static_cast<std::uint8_t>(address & 0xFF)});
    payload.append(data.substr(0, n));
    return ethernetMessage(EthernetCommand::MonitorNext, payload);
}

ParsedRecord parseUdpRecord(std::string_view datagram)
{
    // header (length low byte at 7), subnet index 8..11, status 12..15, slave 17, address 18..19,
    // L - 12 data bytes from 20.
    OffsetReader r(datagram.substr(0, std::min(datagram.size(), kUdpReadLimit)));
    const std::uint8_t length = r.u8(7), port = r.u8(11), status = r.u8(15);
    if (r.failed() || status > 3)
        return {RecordVerdict::NoReply, {}};
    ParsedRecord out;
    const std::uint8_t slave = r.u8(17);
    const std::uint16_t address = r.u16(18);
    const std::string_view payload = r.raw(20, length > 12 ? length - 12u : 0u);
    const std::uint8_t exception = status == 1 ? r.u8(23) : 0;
    if (r.failed())
        return out;
    out.verdict = RecordVerdict::Show;
    out.row.status = status;
    // The same explanations as the serial record link: the exception's meaning, a node that did not answer.
    std::string dataText = status == 1 ? exceptionText(exception)
                           : status == 3 ? text(StrId::MonitorNoResponse)
                                         : recordDataText(payload);
    out.row.cells = {std::string(), decimal(port + 1u), statusText(status), decimal(slave), decimal(address),
                     std::move(dataText)};
    return out;
}

WriteCheck checkFramedWrite(std::string_view addressText, std::string_view dataText)
{
    WriteCheck check;
    for (std::size_t i = 0; i < dataText.size(); ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? dataText[i] != ' ' : hexDigit(dataText[i]) < 0) {
            check.error = StrId::MsgMonitorIllegalCharacter;
            return check;
        }
    }
    if (addressText.size() > 4) {
        check.error = StrId::MsgMonitorAddressTooLong;
        return check;
    }
    unsigned address = 0;
    for (char c : addressText) {
        if (hexDigit(c) < 0) {
            check.error = StrId::MsgMonitorAddressIllegal;
            return check;
        }
        address = address * 16 + static_cast<unsigned>(hexDigit(c));
    }
    if (address < 0x4000 || address > 0x40F3) {
        check.error = StrId::MsgMonitorAddressRange;
        return check;
    }
    check.write = {static_cast<std::uint16_t>(address), pairsOf(dataText)};
    if (check.write.data.size() > kMaxWriteBytes)
        check.error = StrId::MsgMonitorTooManyBytes;
    return check;
}

WriteCheck checkRecordWrite(std::string_view addressText, std::string_view dataText)
{
    WriteCheck check;
    std::string address(addressText), data(dataText);
    for (std::string *s : {&address, &data})
        std::transform(s->begin(), s->end(), s->begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (address.empty() || data.empty()) {
        check.error = StrId::MsgMonitorFillForm;
        return check;
    }
    for (const std::string *s : {&address, &data}) {
        for (char c : *s) {
            if (c != ' ' && (hexDigit(c) < 0 || (c >= 'A' && c <= 'F'))) {
                check.error = StrId::MsgMonitorWrongHex;
                return check;
            }
        }
    }
    // A blank inside a pair would read as a digit of nothing: refused like a misplaced separator.
    for (std::size_t i = 0; i < data.size(); ++i) {
        if ((i % 3 == 2) != (data[i] == ' ')) {
            check.error = StrId::MsgMonitorInputFormat;
            return check;
        }
    }
    if (address.size() != 4 || address.find(' ') != std::string::npos) {
        check.error = StrId::MsgMonitorInputFormat;
        return check;
    }
    unsigned value = 0;
    for (char c : address)
        value = value * 16 + static_cast<unsigned>(hexDigit(c));
    if (value < 0x4000 || value > 0x406F) {
        check.error = StrId::MsgMonitorAddressBeyond;
        return check;
    }
    check.write = {static_cast<std::uint16_t>(value), pairsOf(data)};
    if (check.write.data.size() > kMaxWriteBytes)
        check.error = StrId::MsgMonitorTooManyBytes;
    return check;
}

std::string framedSaveHeader(FramedMode mode)
{
    if (mode != FramedMode::Master)
        return {};
    return text(StrId::MonitorColumnIndex) + std::string(5, ' ') + text(StrId::MonitorColumnStatus)
           + std::string(7, ' ') + text(StrId::MonitorColumnSlave) + std::string(8, ' ')
           + text(StrId::MonitorColumnFunction) + std::string(3, ' ') + text(StrId::MonitorColumnStart)
           + std::string(7, ' ') + text(StrId::MonitorColumnData) + "\r\n";
}

std::string framedSaveLine(FramedMode mode, const MonitorRow &row)
{
    auto cell = [&](std::size_t i) { return i < row.cells.size() ? row.cells[i] : std::string(); };
    if (mode == FramedMode::Master)
        return cell(0) + '\t' + cell(1) + '\t' + cell(2) + "\t\t" + cell(3) + '\t' + cell(4) + "\t\t" + cell(5) + "\r\n";
    return cell(0) + '\t' + cell(1) + '\t' + cell(2) + "\r\n";
}

std::string recordSaveBlock(MonitorLinkKind link, const MonitorRow &row)
{
    auto cell = [&](std::size_t i) { return i < row.cells.size() ? row.cells[i] : std::string(); };
    const bool timeout = row.status == 3;
    std::string out;
    std::size_t first = 1; // after the index
    if (link == MonitorLinkKind::Udp) {
        out += text(StrId::MonitorColumnPortIndex) + '\t' + (timeout ? std::string() : cell(1)) + '\n';
        first = 2;
    }
    const bool emptyValues = timeout && link == MonitorLinkKind::Udp;
    out += text(StrId::MonitorColumnStatus) + "\t\t" + cell(first) + '\n';
    out += text(StrId::MonitorColumnSlave) + '\t' + (emptyValues ? std::string() : cell(first + 1)) + '\n';
    out += text(StrId::MonitorColumnStart) + '\t' + (emptyValues ? std::string() : cell(first + 2)) + '\n';
    out += text(StrId::MonitorColumnData) + '\t' + (timeout ? std::string() : cell(first + 3)) + '\n';
    out += '\n';
    return out;
}

MonitorLinkKind monitorLinkFor(const ConfigStore &store, bool firmware5)
{
    return profileOf(store).monitorLink(firmware5);
}

bool monitorCommandEnabled(const ConfigStore &store)
{
    return profileOf(store).monitorIoData;
}

} // namespace tqv
