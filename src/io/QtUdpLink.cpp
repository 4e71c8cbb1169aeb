#include "QtUdpLink.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace tqv {

QtUdpLink::QtUdpLink() = default;

QtUdpLink::~QtUdpLink() { close(); }

bool QtUdpLink::bind(std::uint16_t localPort)
{
    close();
    m_socket = std::make_unique<QUdpSocket>();
    QObject::connect(m_socket.get(), &QUdpSocket::readyRead, m_socket.get(), [this] {
        if (m_ready)
            m_ready();
    });
    // Not shared: a second program on the same port gets a refusal instead of half the replies.
    return m_socket->bind(QHostAddress::AnyIPv4, localPort, QAbstractSocket::DontShareAddress);
}

std::uint16_t QtUdpLink::localPort() const
{
    return m_socket && m_socket->state() == QAbstractSocket::BoundState ? m_socket->localPort() : 0;
}

bool QtUdpLink::sendTo(const std::string &address, std::uint16_t port, std::string_view bytes)
{
    if (!m_socket)
        return false;
    QHostAddress destination;
    if (!destination.setAddress(QString::fromStdString(address)) ||
        destination.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return m_socket->writeDatagram(data, destination, port) == data.size();
}

std::optional<Datagram> QtUdpLink::receive()
{
    if (!m_socket || !m_socket->hasPendingDatagrams())
        return std::nullopt;
    const QNetworkDatagram d = m_socket->receiveDatagram();
    if (!d.isValid())
        return std::nullopt;
    Datagram out;
    out.bytes = d.data().toStdString();
    bool ok = false;
    const quint32 ipv4 = d.senderAddress().toIPv4Address(&ok);
    out.address = ok ? QHostAddress(ipv4).toString().toStdString() : d.senderAddress().toString().toStdString();
    out.port = static_cast<std::uint16_t>(d.senderPort());
    return out;
}

void QtUdpLink::setReadyCallback(std::function<void()> ready) { m_ready = std::move(ready); }

void QtUdpLink::close()
{
    if (m_socket) {
        m_socket->disconnect();
        m_socket->close();
        m_socket.reset();
    }
}

} // namespace tqv
