#include "QtSerialPorts.h"

#include <QMetaObject>
#include <QObject>
#include <QSerialPortInfo>

namespace tqv {

std::vector<std::string> systemSerialPorts()
{
    std::vector<std::string> names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.push_back(info.portName().toStdString());
    return names;
}

QtSerialPortScan::~QtSerialPortScan()
{
    if (m_ports.valid())
        m_ports.wait();
}

void QtSerialPortScan::start(Source source, QObject *context, std::function<void()> done)
{
    if (m_ports.valid())
        m_ports.wait();
    m_ports = std::async(std::launch::async, [source = std::move(source), context, done = std::move(done)] {
        std::vector<std::string> ports = source();
        // Posted, not called: the owner takes the list on its own thread.
        QMetaObject::invokeMethod(context, done, Qt::QueuedConnection);
        return ports;
    });
}

bool QtSerialPortScan::finished() const
{
    return m_ports.valid() && m_ports.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

std::vector<std::string> QtSerialPortScan::take() { return m_ports.get(); }

} // namespace tqv
