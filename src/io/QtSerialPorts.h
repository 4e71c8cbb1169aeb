#pragma once

#include <string>
#include <vector>

namespace tqv {

// The serial ports of this computer as the program lists them: QSerialPortInfo's port names,
// in its enumeration order.
std::vector<std::string> systemSerialPorts();

} // namespace tqv
