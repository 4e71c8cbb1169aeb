#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUdpSocket>

#ifndef TQV_GATEWAY_SIM_BINARY
#error "TQV_GATEWAY_SIM_BINARY must name the built tqv580-gateway-sim"
#endif

namespace tqv {

// tqv580-gateway-sim as a child process on a link in a temporary folder of its own: started
// and waited for ("ready LINK"), stopped and reaped when the object goes.
class GatewaySimProcess {
public:
    explicit GatewaySimProcess(QStringList arguments) : m_arguments(std::move(arguments)) {}
    ~GatewaySimProcess()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    GatewaySimProcess(const GatewaySimProcess &) = delete;
    GatewaySimProcess &operator=(const GatewaySimProcess &) = delete;

    // Starts it and waits up to 10 s for its ready line; on failure `error` says why.
    bool start(QString &error)
    {
        if (!m_dir.isValid()) {
            error = QStringLiteral("no temporary folder");
            return false;
        }
        // On the serial line it plays the gateway behind a pty at LINK; with --ethernet on loopback
        // ports the environment names, and says just "ready".
        const bool ethernet = m_arguments.contains(QStringLiteral("--ethernet"));
        m_link = m_dir.filePath(QStringLiteral("gateway"));
        m_process.setProgram(QStringLiteral(TQV_GATEWAY_SIM_BINARY));
        m_process.setArguments(ethernet ? m_arguments : QStringList{QStringLiteral("--pty"), m_link} + m_arguments);
        if (ethernet && !qEnvironmentVariableIsSet("TQV580_MONITOR_PORT")) {
            // Its monitoring socket on a free port, unless the test chose one: never the fixed default.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            QUdpSocket probe;
            if (probe.bind(QHostAddress::LocalHost, 0))
                environment.insert(QStringLiteral("TQV580_MONITOR_PORT"), QString::number(probe.localPort()));
            m_process.setProcessEnvironment(environment);
        }
        m_process.start();
        if (!m_process.waitForStarted(10000)) {
            error = m_process.errorString();
            return false;
        }
        const QByteArray ready = ethernet ? QByteArray("ready") : "ready " + m_link.toLocal8Bit();
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            if (m_process.canReadLine() || m_process.waitForReadyRead(static_cast<int>(10000 - timer.elapsed()))) {
                while (m_process.canReadLine()) {
                    const QByteArray line = m_process.readLine().trimmed();
                    out += line + '\n';
                    if (line == ready)
                        return true;
                }
            } else if (m_process.state() == QProcess::NotRunning) {
                break;
            }
        }
        error = QStringLiteral("no ready line; stdout: %1 stderr: %2")
                    .arg(QString::fromLocal8Bit(out), QString::fromLocal8Bit(m_process.readAllStandardError()));
        return false;
    }

    const QString &link() const { return m_link; }

    // Waits up to `ms` for a line of the simulator's standard output (after its ready line). The
    // caller's event loop keeps running meanwhile: a dialog under test may have to act first.
    bool waitForLine(const QByteArray &wanted, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        do {
            while (m_process.canReadLine())
                if (m_process.readLine().trimmed() == wanted)
                    return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            m_process.waitForReadyRead(10);
        } while (timer.elapsed() < ms);
        return false;
    }

private:
    QStringList m_arguments;
    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_process;
};

} // namespace tqv
