#include "QtSerialPorts.h"

#include <QSerialPortInfo>

namespace tqv {

std::vector<std::string> systemSerialPorts()
{
    std::vector<std::string> names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.push_back(info.portName().toStdString());
    return names;
}

} // namespace tqv
