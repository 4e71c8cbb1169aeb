#pragma once

#include "link/DatagramLink.h"

#include <functional>
#include <memory>

class QUdpSocket;

namespace tqv {

// UDP behind DatagramLink, on QUdpSocket. Signal driven: the ready callback runs from the
// socket's readyRead in the thread that owns the link (the GUI thread, or the command line's
// event loop); nothing here blocks.
class QtUdpLink final : public DatagramLink {
public:
    QtUdpLink();
    ~QtUdpLink() override;
    QtUdpLink(const QtUdpLink &) = delete;
    QtUdpLink &operator=(const QtUdpLink &) = delete;

    // Binds to `localPort` on every local IPv4 address (0: a free port); false when the port
    // cannot be had.
    bool bind(std::uint16_t localPort) override;
    // The port bound to (0 when not bound).
    std::uint16_t localPort() const;
    // False for a destination that is not a dotted IPv4 address, or when the datagram was not sent.
    bool sendTo(const std::string &address, std::uint16_t port, std::string_view bytes) override;
    std::optional<Datagram> receive() override;
    void setReadyCallback(std::function<void()> ready) override;
    void close() override;

private:
    std::unique_ptr<QUdpSocket> m_socket;
    std::function<void()> m_ready;
};

} // namespace tqv
