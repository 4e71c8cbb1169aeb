#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tqv {

// One received datagram and where it came from.
struct Datagram {
    std::string bytes;
    std::string address; // dotted IPv4 text
    std::uint16_t port = 0;
};

// UDP to gateways: the device search and the network monitor. Event driven: the owner is told
// through the ready callback (on its own thread) and then takes the datagrams; nothing blocks.
class DatagramLink {
public:
    virtual ~DatagramLink() = default;
    // Binds the local port (0: any); false when the port cannot be had.
    virtual bool bind(std::uint16_t localPort) = 0;
    virtual bool sendTo(const std::string &address, std::uint16_t port, std::string_view bytes) = 0;
    // The next pending datagram, if one is there.
    virtual std::optional<Datagram> receive() = 0;
    // Called whenever datagrams have arrived.
    virtual void setReadyCallback(std::function<void()> ready) = 0;
    virtual void close() = 0;
};

} // namespace tqv
