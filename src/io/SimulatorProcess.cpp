#include "SimulatorProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QUdpSocket>

#include <csignal>
#include <sys/prctl.h>

namespace tqv {

namespace {
constexpr int kStartMs = 10000;
} // namespace

quint16 freeLoopbackPort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : 0;
}

SimulatorProcess::SimulatorProcess(QString program, QStringList arguments)
    : m_program(std::move(program)), m_arguments(std::move(arguments))
{
}

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SimulatorProcess::start(QString &error)
{
    if (!m_dir.isValid()) {
        error = m_dir.errorString();
        return false;
    }
    const bool ethernet = m_arguments.contains(QStringLiteral("--ethernet"));
    m_link = m_dir.filePath(QStringLiteral("gateway"));
    m_process.setProgram(m_program);
    m_process.setArguments(ethernet ? m_arguments : QStringList{QStringLiteral("--pty"), m_link} + m_arguments);
    if (ethernet && !qEnvironmentVariableIsSet("TQV580_MONITOR_PORT")) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (const quint16 port = freeLoopbackPort())
            environment.insert(QStringLiteral("TQV580_MONITOR_PORT"), QString::number(port));
        m_process.setProcessEnvironment(environment);
    }
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start();
    if (!m_process.waitForStarted(kStartMs)) {
        error = m_process.errorString();
        return false;
    }
    const QByteArray ready = ethernet ? QByteArray("ready") : "ready " + m_link.toLocal8Bit();
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kStartMs) {
        if (m_process.canReadLine() || m_process.waitForReadyRead(static_cast<int>(kStartMs - timer.elapsed()))) {
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
    error = QStringLiteral("%1 %2").arg(QString::fromLocal8Bit(out), QString::fromLocal8Bit(m_process.readAllStandardError()))
                .trimmed();
    return false;
}

bool SimulatorProcess::waitForLine(const QByteArray &wanted, int ms)
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

} // namespace tqv
