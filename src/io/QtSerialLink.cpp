#include "QtSerialLink.h"

#include <QDeadlineTimer>
#include <QSerialPort>

#include <algorithm>

namespace tqv {

namespace {

// The driver's receive buffer, as the gateway's tools have always set it.
constexpr qint64 kReceiveQueueSize = 4069;

QSerialPort::Parity qtParity(Parity parity)
{
    switch (parity) {
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::Mark: return QSerialPort::MarkParity;
    case Parity::Space: return QSerialPort::SpaceParity;
    case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::DataBits qtDataBits(int bits)
{
    switch (bits) {
    case 5: return QSerialPort::Data5;
    case 6: return QSerialPort::Data6;
    case 7: return QSerialPort::Data7;
    default: return QSerialPort::Data8;
    }
}

// The port's own write limit: 10 ms per byte plus 10 ms.
int writeLimitMs(std::size_t size) { return static_cast<int>(10 * size + 10); }

} // namespace

QtSerialLink::QtSerialLink() = default;

QtSerialLink::~QtSerialLink() { close(); }

Status QtSerialLink::open(const std::string &portName, const PortParameters &parameters)
{
    close();
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(QString::fromStdString(portOpenName(portName)));
    if (!m_port->open(QIODevice::ReadWrite)) {
        close();
        return portOpenError(PortOpenFailure::Open, portName);
    }
    m_port->setReadBufferSize(kReceiveQueueSize);
    // Only these four change; everything else keeps the driver's values.
    const bool set = m_port->setBaudRate(parameters.baudRate) && m_port->setDataBits(qtDataBits(parameters.dataBits)) &&
                     m_port->setParity(qtParity(parameters.parity)) &&
                     m_port->setStopBits(parameters.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (!set) {
        close();
        return portOpenError(PortOpenFailure::WriteSettings, portName);
    }
    m_port->clear(QSerialPort::AllDirections);
    return {};
}

void QtSerialLink::close() { m_port.reset(); }

bool QtSerialLink::isOpen() const { return m_port && m_port->isOpen(); }

bool QtSerialLink::write(std::string_view bytes)
{
    if (!isOpen())
        return false;
    const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (m_port->write(data) != data.size())
        return false;
    const QDeadlineTimer deadline(writeLimitMs(bytes.size()));
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(static_cast<int>(deadline.remainingTime())) && deadline.hasExpired())
            break;
        if (m_port->error() == QSerialPort::ResourceError)
            break;
    }
    return m_port->bytesToWrite() == 0;
}

void QtSerialLink::poll()
{
    if (m_port->bytesAvailable() == 0)
        m_port->waitForReadyRead(0);
}

std::size_t QtSerialLink::bytesAvailable()
{
    if (!isOpen())
        return 0;
    poll();
    return static_cast<std::size_t>(m_port->bytesAvailable());
}

std::string QtSerialLink::readAll()
{
    if (!isOpen())
        return {};
    poll();
    return m_port->readAll().toStdString();
}

bool QtSerialLink::waitForBytes(Millis timeout)
{
    if (!isOpen())
        return false;
    if (bytesAvailable() > 0)
        return true;
    m_port->clearError();
    // A negative time would make a deadline that never expires.
    const QDeadlineTimer deadline(std::max<qint64>(0, timeout.count()));
    while (!deadline.hasExpired()) {
        if (m_port->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return m_port->bytesAvailable() > 0 || bytesAvailable() > 0;
        // Anything but the time running out (the device went away) ends the wait at once.
        if (m_port->error() != QSerialPort::TimeoutError && m_port->error() != QSerialPort::NoError)
            return false;
    }
    return bytesAvailable() > 0;
}

void QtSerialLink::discardInput()
{
    if (!isOpen())
        return;
    poll();
    m_port->readAll();
    m_port->clear(QSerialPort::Input);
}

} // namespace tqv
