#pragma once

#include "monitor/MonitorSession.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

namespace tqv {

class QtSerialLink;
class QtUdpLink;

// A monitoring session on the Qt event loop: it owns the port or the socket and the timer, feeds
// the session its ticks and arrivals, stops the timer when told, and closes the port when the run
// has ended. The monitor dialogs and the command line use it alike.
class QtMonitorRun : public QObject {
public:
    QtMonitorRun(MonitorLine line, FramedMode mode, MonitorSink sink, QObject *parent = nullptr);
    ~QtMonitorRun() override;

    const MonitorSession &session() const { return *m_session; }
    // Opens `portName` with the line's settings and starts. False when the run ended at once (the
    // port could not be opened, or the framed link failed its start): the sink has been told why.
    bool startSerial(const std::string &portName);
    // Binds `localPort` and asks the gateway at `address`:`monitorPort` to start. False when the
    // local port cannot be had.
    bool startUdp(const std::string &address, std::uint16_t monitorPort, std::uint16_t localPort);

    std::optional<StrId> write(std::string_view address, std::string_view data);
    void setShowing(bool showing);
    // The gateway's way out (see MonitorSession::stop); the timer runs until the end is reported.
    void stop();
    // At once, without a stop message.
    void exit();

private:
    void onEvent(const MonitorEvent &e);
    // After every call into the session: a run that has ended lets its port go.
    void settle();

    MonitorSink m_sink;
    SteadyClock m_clock;
    std::unique_ptr<MonitorSession> m_session;
    std::unique_ptr<QtSerialLink> m_port;
    std::unique_ptr<QtUdpLink> m_socket;
    QTimer m_timer;
};

} // namespace tqv
