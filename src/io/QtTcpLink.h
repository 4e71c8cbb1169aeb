#pragma once

#include "link/StreamLink.h"

#include <memory>

class QTcpSocket;

namespace tqv {

// A TCP connection behind StreamLink, on QTcpSocket. Blocking with deadlines, like the serial
// link: used from one thread only (a transfer's worker, or the command line), which makes the
// socket on connectTo and waits in QTcpSocket's own waitFor... calls with the time left.
class QtTcpLink final : public StreamLink {
public:
    // A send may take this long before it counts as failed.
    static constexpr Millis sendLimit{1000};

    QtTcpLink();
    ~QtTcpLink() override;
    QtTcpLink(const QtTcpLink &) = delete;
    QtTcpLink &operator=(const QtTcpLink &) = delete;

    // Connects to a dotted IPv4 address (no name lookup) within `timeout`.
    bool connectTo(const std::string &address, std::uint16_t port, Millis timeout) override;
    void close() override;
    bool isOpen() const;

    bool write(std::string_view bytes) override;
    std::size_t bytesAvailable() override;
    std::string readAll() override;
    // False when the time is up, or at once when the peer has closed or the connection failed.
    bool waitForBytes(Millis timeout) override;
    void discardInput() override;

private:
    std::unique_ptr<QTcpSocket> m_socket;
};

} // namespace tqv
