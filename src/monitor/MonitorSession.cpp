#include "MonitorSession.h"

#include "model/ModelProfile.h"
#include "resources/Strings.h"

#include <utility>

namespace tqv {

MonitorLine monitorLine(MonitorLinkKind kind)
{
    MonitorLine line;
    line.kind = kind;
    if (line.serial())
        line.port.baudRate = monitorLineSettings(kind).baudRate;
    switch (kind) {
    case MonitorLinkKind::Framed:
        line.tick = FramedMonitorLink::tickInterval;
        break;
    case MonitorLinkKind::RecordSerial:
        line.tick = RecordMonitorLink::tickInterval;
        break;
    case MonitorLinkKind::Udp:
        line.tick = UdpMonitorLink::tickInterval;
        break;
    }
    return line;
}

MonitorLine monitorLineFor(const ConfigStore &store, bool firmware5)
{
    return monitorLine(monitorLinkFor(store, firmware5));
}

MonitorSession::MonitorSession(MonitorLine line, const Clock &clock, MonitorSink sink, FramedMode mode)
    : m_line(line), m_clock(clock), m_sink(std::move(sink)), m_mode(mode)
{
}

MonitorSession::~MonitorSession() = default;

void MonitorSession::onEvent(const MonitorEvent &e)
{
    if (m_state == State::Ended)
        return;
    if (e.kind == MonitorEventKind::Closed) {
        end();
        return;
    }
    if (m_sink)
        m_sink(e);
}

void MonitorSession::end()
{
    if (m_state == State::Ended)
        return;
    m_state = State::Ended;
    if (m_sink)
        m_sink(MonitorEvent{MonitorEventKind::Closed, {}, {}});
}

void MonitorSession::start(ByteLink *port, std::string_view portName)
{
    if (m_state != State::Idle || !m_line.serial())
        return;
    auto sink = [this](const MonitorEvent &e) { onEvent(e); };
    if (!port) {
        // Each serial link has its own words for a port that cannot be opened.
        const std::string message = m_line.kind == MonitorLinkKind::Framed
                                        ? formatText(StrId::MsgMonitorOpenPortFailed, {std::string(portName)})
                                        : text(StrId::MsgMonitorPortNotOpen);
        m_state = State::Running;
        onEvent(MonitorEvent{MonitorEventKind::Message, {}, message});
        end();
        return;
    }
    m_state = State::Running;
    if (m_line.kind == MonitorLinkKind::Framed) {
        m_framed = std::make_unique<FramedMonitorLink>(*port, m_clock, m_mode, sink);
        m_framed->setShowing(m_showing);
        m_framed->start();
    } else {
        m_record = std::make_unique<RecordMonitorLink>(*port, m_clock, sink);
    }
}

bool MonitorSession::start(DatagramLink &socket, const std::string &address, std::uint16_t port,
                           std::uint16_t localPort)
{
    if (m_state != State::Idle || m_line.kind != MonitorLinkKind::Udp)
        return false;
    m_udp = std::make_unique<UdpMonitorLink>(socket, m_clock, address, port,
                                             [this](const MonitorEvent &e) { onEvent(e); });
    if (!m_udp->start(localPort)) {
        // Nothing was said to the gateway, so there is nothing to tell the user either.
        m_state = State::Ended;
        return false;
    }
    m_state = State::Running;
    return true;
}

void MonitorSession::input()
{
    if (m_state != State::Running && m_state != State::Stopping)
        return;
    if (m_framed)
        m_framed->onBytes();
    else if (m_record)
        m_record->onBytes();
    else if (m_udp)
        m_udp->onDatagram();
}

void MonitorSession::tick()
{
    if (m_state != State::Running && m_state != State::Stopping)
        return;
    if (m_framed)
        m_framed->onTick();
    else if (m_record)
        m_record->onTick();
    else if (m_udp)
        m_udp->onTick();
}

std::optional<StrId> MonitorSession::refusal(std::string_view address, std::string_view data) const
{
    if (m_line.kind == MonitorLinkKind::Framed)
        return std::nullopt;
    return checkRecordWrite(address, data).error;
}

std::optional<StrId> MonitorSession::write(std::string_view address, std::string_view data)
{
    bool taken = false;
    if (m_line.kind == MonitorLinkKind::Framed) {
        taken = m_framed && m_framed->requestWrite(std::string(address), std::string(data));
    } else {
        const WriteCheck check = checkRecordWrite(address, data);
        if (!check.ok())
            return check.error;
        taken = m_record ? m_record->beginWrite(check.write) : m_udp && m_udp->beginWrite(check.write);
    }
    // A link that takes no write (ended, or halted after a failed write) says so, and "Send" is
    // given back rather than left waiting for an end that never comes.
    if (!taken && m_state != State::Ended && m_sink) {
        m_sink(MonitorEvent{MonitorEventKind::WriteDone, {}, notSentText(text(StrId::MonitorReasonEnded))});
        m_sink(MonitorEvent{MonitorEventKind::SendEnabled, {}, {}});
    }
    return std::nullopt;
}

bool MonitorSession::writing() const
{
    if (m_framed)
        return m_framed->writePending();
    if (m_record)
        return m_record->writing();
    return m_udp && m_udp->writing();
}

void MonitorSession::setShowing(bool showing)
{
    m_showing = showing;
    if (m_framed)
        m_framed->setShowing(showing);
}

bool MonitorSession::showing() const { return m_showing; }

void MonitorSession::stop()
{
    switch (m_state) {
    case State::Idle:
        end();
        return;
    case State::Stopping:
    case State::Ended:
        return;
    case State::Running:
        break;
    }
    m_state = State::Stopping;
    if (m_framed) {
        if (m_framed->closed())
            end();
        else
            m_framed->requestStop();
    } else if (m_udp) {
        m_udp->requestStop();
    } else {
        if (m_record)
            m_record->exit();
        end();
    }
}

void MonitorSession::exit()
{
    if (m_framed)
        m_framed->exit();
    else if (m_record)
        m_record->exit();
    end();
}

} // namespace tqv
