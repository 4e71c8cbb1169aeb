#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tqv {

// tqv580-gateway-sim as a child process on a link in a temporary folder of its own: started and
// waited for ("ready LINK", or "ready" with --ethernet), stopped and reaped when the object goes.
// The child is also told to end when this process dies, so a crash leaves no gateway behind.
class SimulatorProcess {
public:
    SimulatorProcess(QString program, QStringList arguments);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Starts it and waits up to 10 s for its ready line; on failure `error` says why. Serial
    // gateways get `--pty LINK` in front of the arguments. With --ethernet and no
    // TQV580_MONITOR_PORT in the environment, its monitoring socket goes on a free port.
    bool start(QString &error);

    // The pty link of a serial gateway.
    const QString &link() const { return m_link; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // Waits up to `ms` for a line of the simulator's standard output (after its ready line). The
    // caller's event loop keeps running meanwhile.
    bool waitForLine(const QByteArray &wanted, int ms = 5000);

private:
    QString m_program;
    QStringList m_arguments;
    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_process;
};

// A UDP port on 127.0.0.1 that was free a moment ago; 0 when none could be had.
quint16 freeLoopbackPort();

} // namespace tqv
