#pragma once

#include <functional>
#include <future>
#include <string>
#include <vector>

class QObject;

namespace tqv {

// The serial ports of this computer as the program lists them: QSerialPortInfo's port names,
// in its enumeration order.
std::vector<std::string> systemSerialPorts();

// The port list read on a thread of its own: reading it opens some thousands of files through
// udev, which the window's thread must not wait for at start-up.
class QtSerialPortScan {
public:
    using Source = std::function<std::vector<std::string>()>;
    QtSerialPortScan() = default;
    ~QtSerialPortScan();
    QtSerialPortScan(const QtSerialPortScan &) = delete;
    QtSerialPortScan &operator=(const QtSerialPortScan &) = delete;

    // Reads `source` on a thread of its own; `done` then runs on `context`'s thread. The context
    // must outlive this object.
    void start(Source source, QObject *context, std::function<void()> done);
    bool running() const { return m_ports.valid(); }
    bool finished() const;
    // The list read; waits for a scan still running. Only while running().
    std::vector<std::string> take();

private:
    std::future<std::vector<std::string>> m_ports;
};

} // namespace tqv
