#include "QtTcpLink.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

namespace tqv {

QtTcpLink::QtTcpLink() = default;

QtTcpLink::~QtTcpLink() { close(); }

bool QtTcpLink::connectTo(const std::string &address, std::uint16_t port, Millis timeout)
{
    close();
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(address)) || host.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(host, port);
    if (!m_socket->waitForConnected(static_cast<int>(std::max<Millis::rep>(0, timeout.count())))) {
        close();
        return false;
    }
    return true;
}

void QtTcpLink::close()
{
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
}

bool QtTcpLink::isOpen() const { return m_socket && m_socket->state() == QAbstractSocket::ConnectedState; }

bool QtTcpLink::write(std::string_view bytes)
{
    if (!isOpen())
        return false;
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (m_socket->write(data) != data.size())
        return false;
    const QDeadlineTimer deadline(sendLimit.count());
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            break;
    }
    return m_socket->bytesToWrite() == 0;
}

std::size_t QtTcpLink::bytesAvailable()
{
    if (!m_socket)
        return 0;
    // Takes what the system holds without waiting.
    if (m_socket->bytesAvailable() == 0 && m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->waitForReadyRead(0);
    return static_cast<std::size_t>(m_socket->bytesAvailable());
}

std::string QtTcpLink::readAll()
{
    if (!m_socket)
        return {};
    bytesAvailable();
    return m_socket->readAll().toStdString();
}

bool QtTcpLink::waitForBytes(Millis timeout)
{
    if (!m_socket)
        return false;
    if (bytesAvailable() > 0)
        return true;
    const QDeadlineTimer deadline(std::max<qint64>(0, timeout.count()));
    while (m_socket->state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (m_socket->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return m_socket->bytesAvailable() > 0 || bytesAvailable() > 0;
        if (m_socket->error() != QAbstractSocket::SocketTimeoutError)
            break; // closed by the peer or failed: nothing more will come
    }
    return m_socket->bytesAvailable() > 0;
}

void QtTcpLink::discardInput()
{
    if (m_socket)
        m_socket->readAll();
    bytesAvailable();
    if (m_socket)
        m_socket->readAll();
}

} // namespace tqv
