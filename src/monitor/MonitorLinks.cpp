#include "MonitorLinks.h"

#include "resources/Strings.h"

#include <utility>

namespace tqv {

// --- framed serial link ---------------------------------------------------------------------

FramedMonitorLink::FramedMonitorLink(ByteLink &link, const Clock &clock, FramedMode mode, MonitorSink sink)
    : m_link(link), m_clock(clock), m_mode(mode), m_sink(std::move(sink))
{
}

void FramedMonitorLink::report(MonitorEventKind kind, std::string text, MonitorRow row)
{
    if (m_sink)
        m_sink(MonitorEvent{kind, std::move(row), std::move(text)});
}

void FramedMonitorLink::close()
{
    m_state = State::Closed;
    m_pending.clear();
    report(MonitorEventKind::Closed);
}

bool FramedMonitorLink::send(const std::string &bytes)
{
    // A failed write closes the port, as every serial write of the program does.
    if (m_link.write(bytes))
        return true;
    m_state = State::Closed;
    return false;
}

void FramedMonitorLink::start()
{
    m_link.discardInput();
    m_state = State::Handshake;
    m_handshakeDeadline = m_clock.now() + handshakeLimit;
    if (!send(framedAskSubnetType())) {
        report(MonitorEventKind::Message, text(StrId::MsgMonitorHardwareMismatch));
        close();
    }
}

void FramedMonitorLink::onBytes()
{
    if (m_state != State::Handshake)
        return;
    m_pending += m_link.readAll();
    if (m_pending.size() >= kFramedHandshakeSize)
        judge();
}

void FramedMonitorLink::judge()
{
    const std::string reply = m_pending.substr(0, std::min(m_pending.size(), kFramedHandshakeSize));
    m_pending.clear();
    if (const auto failure = judgeHandshake(reply, m_mode)) {
        report(MonitorEventKind::Message, text(*failure));
        close();
        return;
    }
    m_state = State::Running;
    if (!send(framedStart()))
        report(MonitorEventKind::TimerStopped);
}

bool FramedMonitorLink::requestWrite(std::string addressText, std::string dataText)
{
    if (m_state == State::Closed)
        return false;
    m_writePending = true;
    m_writeAddress = std::move(addressText);
    m_writeData = std::move(dataText);
    return true;
}

void FramedMonitorLink::exit()
{
    if (m_state != State::Closed)
        close();
}

void FramedMonitorLink::onTick()
{
    switch (m_state) {
    case State::Idle:
        return;
    case State::Handshake:
        m_pending += m_link.readAll();
        if (m_pending.size() >= kFramedHandshakeSize || m_clock.now() >= m_handshakeDeadline)
            judge();
        return;
    case State::Closed:
        report(MonitorEventKind::Message, text(StrId::MsgMonitorPortNotOpen));
        report(MonitorEventKind::TimerStopped);
        return;
    case State::Running:
        break;
    }
    const std::string fresh = m_link.readAll();
    if (fresh.empty() && m_pending.empty())
        return;
    m_pending += fresh;
    // A record that its length says is unfinished gets one more tick to arrive whole.
    const auto size = framedRecordSize(m_pending, m_mode);
    if (size && m_pending.size() < *size && !m_waited && !fresh.empty()) {
        m_waited = true;
        return;
    }
    std::string bytes = m_pending.substr(0, std::min(m_pending.size(), kFramedReadLimit));
    m_pending.clear();
    m_waited = false;
    handleRecord(bytes);
}

void FramedMonitorLink::handleRecord(const std::string &bytes)
{
    if (m_showing) {
        ParsedRecord record = parseFramedRecord(bytes, m_mode);
        if (record.verdict == RecordVerdict::NoReply)
            return;
        if (record.verdict == RecordVerdict::Show)
            report(MonitorEventKind::Row, {}, std::move(record.row));
    }
    if (m_writePending) {
        m_writePending = false;
        const WriteCheck check = checkFramedWrite(m_writeAddress, m_writeData);
        if (!check.ok()) {
            report(MonitorEventKind::Message, text(*check.error));
            report(MonitorEventKind::WriteDone, notSentText(text(*check.error)));
            report(MonitorEventKind::SendEnabled);
            return;
        }
        if (!send(framedWriteFrame(check.write.address, check.write.data))) {
            report(MonitorEventKind::Message, text(StrId::MsgMonitorFailOpenPort));
            report(MonitorEventKind::WriteDone, notSentText(text(StrId::MsgMonitorFailOpenPort)));
            report(MonitorEventKind::TimerStopped);
        } else {
            report(MonitorEventKind::WriteDone, sentText(check.write.address, check.write.data));
        }
        report(MonitorEventKind::SendEnabled);
        return;
    }
    if (m_stopPending) {
        send(framedStop());
        close();
        return;
    }
    if (!send(framedNext()))
        report(MonitorEventKind::TimerStopped);
}

// --- record serial link ---------------------------------------------------------------------

RecordMonitorLink::RecordMonitorLink(ByteLink &link, const Clock &clock, MonitorSink sink)
    : m_link(link), m_clock(clock), m_sink(std::move(sink))
{
}

void RecordMonitorLink::report(MonitorEventKind kind, std::string text, MonitorRow row)
{
    if (m_sink)
        m_sink(MonitorEvent{kind, std::move(row), std::move(text)});
}

bool RecordMonitorLink::send(const std::string &bytes)
{
    if (m_link.write(bytes))
        return true;
    m_state = State::Closed;
    return false;
}

void RecordMonitorLink::exit()
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    report(MonitorEventKind::Closed);
}

std::optional<std::string> RecordMonitorLink::takeRecord(bool waitForRest)
{
    const std::string fresh = m_link.readAll();
    m_pending += fresh;
    if (m_pending.empty())
        return std::nullopt;
    const auto size = recordSize(m_pending);
    if (waitForRest && (!size || m_pending.size() < *size) && !m_waited && !fresh.empty()) {
        m_waited = true;
        return std::nullopt;
    }
    std::string bytes = m_pending.substr(0, std::min(m_pending.size(), kRecordReadLimit));
    m_pending.clear();
    m_waited = false;
    return bytes;
}

bool RecordMonitorLink::beginWrite(MonitorWrite write)
{
    if (m_state != State::Running)
        return false;
    m_write = std::move(write);
    m_state = State::Writing;
    m_settleUntil = m_clock.now() + writeSettle;
    m_attempts = 0;
    return true;
}

void RecordMonitorLink::onTick()
{
    if (m_state == State::Closed) {
        report(MonitorEventKind::Message, text(StrId::MsgMonitorPortNotOpen));
        report(MonitorEventKind::TimerStopped);
        return;
    }
    if (m_state == State::Running) {
        const auto bytes = takeRecord(true);
        if (!bytes)
            return;
        ParsedRecord record = parseSerialRecord(*bytes);
        if (record.verdict == RecordVerdict::NoReply)
            return;
        if (record.verdict == RecordVerdict::Show)
            report(MonitorEventKind::Row, {}, std::move(record.row));
        if (!send(recordNext()))
            report(MonitorEventKind::TimerStopped);
        return;
    }
    // Writing: after the settle time, one attempt per tick at the record the gateway is waiting on.
    if (m_clock.now() < m_settleUntil)
        return;
    ++m_attempts;
    const auto bytes = takeRecord(m_attempts < writeAttempts);
    if (!bytes) {
        if (m_attempts >= writeAttempts) {
            m_state = State::Running;
            report(MonitorEventKind::Message, text(StrId::MsgMonitorReadFailed));
            report(MonitorEventKind::WriteDone, notSentText(text(StrId::MsgMonitorReadFailed)));
            report(MonitorEventKind::SendEnabled);
        }
        return;
    }
    ParsedRecord record = parseSerialRecord(*bytes);
    if (record.verdict == RecordVerdict::NoReply) {
        m_state = State::Running;
        report(MonitorEventKind::Message, text(StrId::MsgMonitorFormatWrong));
        report(MonitorEventKind::WriteDone, notSentText(text(StrId::MsgMonitorFormatWrong)));
        report(MonitorEventKind::SendEnabled);
        return;
    }
    if (record.verdict == RecordVerdict::Show)
        report(MonitorEventKind::Row, {}, std::move(record.row));
    m_state = State::Running;
    if (send(recordWriteFrame(m_write.address, m_write.data))) {
        report(MonitorEventKind::WriteDone, sentText(m_write.address, m_write.data));
    } else {
        report(MonitorEventKind::WriteDone, notSentText(text(StrId::MonitorReasonSendFailed)));
        report(MonitorEventKind::TimerStopped);
    }
    report(MonitorEventKind::SendEnabled);
}

// --- UDP link -------------------------------------------------------------------------------

UdpMonitorLink::UdpMonitorLink(DatagramLink &link, const Clock &clock, std::string address, std::uint16_t port,
                               MonitorSink sink)
    : m_link(link), m_clock(clock), m_address(std::move(address)), m_port(port), m_sink(std::move(sink))
{
}

void UdpMonitorLink::report(MonitorEventKind kind, std::string text, MonitorRow row)
{
    if (m_sink)
        m_sink(MonitorEvent{kind, std::move(row), std::move(text)});
}

void UdpMonitorLink::close()
{
    m_link.close();
    m_state = State::Closed;
}

bool UdpMonitorLink::start(std::uint16_t localPort)
{
    if (!m_link.bind(localPort)) {
        close();
        return false;
    }
    m_state = State::Running;
    m_link.sendTo(m_address, m_port, udpStart());
    return true;
}

bool UdpMonitorLink::beginWrite(MonitorWrite write)
{
    if (m_state != State::Running)
        return false;
    m_write = std::move(write);
    m_state = State::WriteSettling;
    m_deadline = m_clock.now() + settle;
    return true;
}

void UdpMonitorLink::requestStop()
{
    if (m_state == State::Closed || m_state == State::Stopping)
        return;
    if (m_state == State::Idle) {
        close();
        report(MonitorEventKind::Closed);
        return;
    }
    m_state = State::Stopping;
    m_deadline = m_clock.now() + settle;
}

void UdpMonitorLink::onTick()
{
    switch (m_state) {
    case State::Idle:
    case State::Halted:
    case State::Closed:
        return;
    case State::Stopping:
        if (m_clock.now() < m_deadline)
            return;
        m_link.sendTo(m_address, m_port, udpStop());
        close();
        report(MonitorEventKind::Closed);
        return;
    case State::WriteSettling:
        if (m_clock.now() < m_deadline)
            return;
        m_state = State::WriteReceiving;
        m_deadline = m_clock.now() + receiveLimit;
        [[fallthrough]];
    case State::WriteReceiving: {
        const auto datagram = m_link.receive();
        if (!datagram) {
            if (m_clock.now() >= m_deadline) {
                m_state = State::Halted;
                report(MonitorEventKind::WriteDone, notSentText(text(StrId::MonitorReasonNoRecord)));
                report(MonitorEventKind::TimerStopped);
            }
            return;
        }
        ParsedRecord record = parseUdpRecord(datagram->bytes);
        if (record.verdict != RecordVerdict::Show) {
            m_state = State::Halted;
            report(MonitorEventKind::WriteDone, notSentText(text(StrId::MonitorReasonBadRecord)));
            report(MonitorEventKind::TimerStopped);
            return;
        }
        report(MonitorEventKind::Row, {}, std::move(record.row));
        if (!m_link.sendTo(m_address, m_port, udpWriteMessage(m_write.address, m_write.data))) {
            m_state = State::Halted;
            report(MonitorEventKind::WriteDone, notSentText(text(StrId::MonitorReasonSendFailed)));
            report(MonitorEventKind::TimerStopped);
            return;
        }
        m_state = State::Running;
        report(MonitorEventKind::WriteDone, sentText(m_write.address, m_write.data));
        report(MonitorEventKind::SendEnabled);
        return;
    }
    case State::Running:
        break;
    }
    const auto datagram = m_link.receive();
    if (!datagram)
        return;
    ParsedRecord record = parseUdpRecord(datagram->bytes);
    if (record.verdict == RecordVerdict::NoReply)
        return;
    if (record.verdict == RecordVerdict::Show)
        report(MonitorEventKind::Row, {}, std::move(record.row));
    m_link.sendTo(m_address, m_port, udpNext());
}

} // namespace tqv
