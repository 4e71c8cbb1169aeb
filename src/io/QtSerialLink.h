#pragma once

#include "link/ByteLink.h"
#include "model/Result.h"
#include "serial/SerialSettings.h"

#include <memory>
#include <string>

class QSerialPort;

namespace tqv {

// The serial port (or a pty) behind ByteLink, on QSerialPort. One thread owns it (the GUI thread
// or a QThread): open() makes the QSerialPort in the thread that calls it, and every other call,
// close() and destruction included, must come from that same thread. Waiting blocks that thread in QSerialPort's own
// waitForReadyRead with the time left, so a reply is taken the moment it arrives.
class QtSerialLink final : public ByteLink {
public:
    QtSerialLink();
    ~QtSerialLink() override;
    QtSerialLink(const QtSerialLink &) = delete;
    QtSerialLink &operator=(const QtSerialLink &) = delete;

    // Opens the port listed as `portName` (see portOpenName) for reading and writing, sets it to
    // `parameters`, and clears both directions. Fails with the port-open or port-settings error
    // (its message ready to show); the link is then closed.
    Status open(const std::string &portName, const PortParameters &parameters);
    void close();
    bool isOpen() const;

    bool write(std::string_view bytes) override;
    std::size_t bytesAvailable() override;
    std::string readAll() override;
    bool waitForBytes(Millis timeout) override;
    void discardInput() override;

private:
    // Takes what the driver holds into QSerialPort's buffer without waiting.
    void poll();

    std::unique_ptr<QSerialPort> m_port;
};

} // namespace tqv
