#include "QtMonitorRun.h"

#include "QtSerialLink.h"
#include "QtUdpLink.h"

namespace tqv {

QtMonitorRun::QtMonitorRun(MonitorLine line, FramedMode mode, MonitorSink sink, QObject *parent)
    : QObject(parent), m_sink(std::move(sink))
{
    m_session = std::make_unique<MonitorSession>(line, m_clock, [this](const MonitorEvent &e) { onEvent(e); }, mode);
    m_timer.setInterval(static_cast<int>(line.tick.count()));
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_session->tick();
        settle();
    });
}

QtMonitorRun::~QtMonitorRun()
{
    m_timer.stop();
    // Nothing may reach a sink whose owner is going away.
    m_sink = nullptr;
    m_session->exit();
    m_session.reset();
    m_port.reset();
    m_socket.reset();
}

void QtMonitorRun::onEvent(const MonitorEvent &e)
{
    if (e.kind == MonitorEventKind::TimerStopped || e.kind == MonitorEventKind::Closed)
        m_timer.stop();
    if (m_sink)
        m_sink(e);
}

void QtMonitorRun::settle()
{
    if (m_session->ended()) {
        m_timer.stop();
        if (m_port)
            m_port->close();
    }
}

bool QtMonitorRun::startSerial(const std::string &portName)
{
    m_port = std::make_unique<QtSerialLink>();
    const bool opened = m_port->open(portName, m_session->line().port).ok();
    if (opened)
        m_timer.start();
    m_session->start(opened ? m_port.get() : nullptr, portName);
    settle();
    return !m_session->ended();
}

bool QtMonitorRun::startUdp(const std::string &address, std::uint16_t monitorPort, std::uint16_t localPort)
{
    m_socket = std::make_unique<QtUdpLink>();
    if (!m_session->start(*m_socket, address, monitorPort, localPort))
        return false;
    m_socket->setReadyCallback([this] {
        m_session->input();
        settle();
    });
    m_timer.start();
    return true;
}

std::optional<StrId> QtMonitorRun::write(std::string_view address, std::string_view data)
{
    const auto refused = m_session->write(address, data);
    settle();
    return refused;
}

void QtMonitorRun::setShowing(bool showing) { m_session->setShowing(showing); }

void QtMonitorRun::stop()
{
    m_session->stop();
    // A halted link still has its stop to send: the timer carries it.
    if (!m_session->ended() && !m_timer.isActive())
        m_timer.start();
    settle();
}

void QtMonitorRun::exit()
{
    m_session->exit();
    settle();
}

} // namespace tqv
