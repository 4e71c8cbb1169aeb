#pragma once

#include "link/DatagramLink.h"
#include "link/StreamLink.h"
#include "support/FakeSerialLink.h"

#include <deque>
#include <string>
#include <vector>

namespace tqv {

// A UDP link whose peer is the test: it records what is sent and delivers datagrams the test
// queues, calling the ready callback as a socket's signal would.
class FakeDatagramLink : public DatagramLink {
public:
    struct Sent {
        std::string address;
        std::uint16_t port;
        std::string bytes;
    };

    bool bind(std::uint16_t localPort) override
    {
        boundPort = localPort;
        return bindSucceeds;
    }
    bool sendTo(const std::string &address, std::uint16_t port, std::string_view bytes) override
    {
        sent.push_back({address, port, std::string(bytes)});
        return sendSucceeds;
    }
    std::optional<Datagram> receive() override
    {
        if (m_pending.empty())
            return std::nullopt;
        Datagram d = std::move(m_pending.front());
        m_pending.pop_front();
        return d;
    }
    void setReadyCallback(std::function<void()> ready) override { m_ready = std::move(ready); }
    void close() override { ++closes; }

    // Queues datagrams and signals once, as one readyRead for several arrivals.
    void arrive(std::vector<std::string> datagrams)
    {
        for (std::string &bytes : datagrams)
            m_pending.push_back({std::move(bytes), "127.0.0.1", 18801});
        if (m_ready)
            m_ready();
    }
    bool hasReadyCallback() const { return static_cast<bool>(m_ready); }

    std::vector<Sent> sent;
    std::uint16_t boundPort = 0;
    bool bindSucceeds = true;
    bool sendSucceeds = true;
    int closes = 0;

private:
    std::deque<Datagram> m_pending;
    std::function<void()> m_ready;
};

// A TCP link whose peer is a script (the serial fake's replies, pieces and timing), plus the
// connection: connects succeed unless refused, and closing is counted.
class FakeStreamLink : public StreamLink {
public:
    explicit FakeStreamLink(FakeClock &clock) : peer(clock) {}

    bool connectTo(const std::string &address, std::uint16_t port, Millis timeout) override
    {
        connects.push_back({address, port});
        connectTimeout = timeout;
        m_open = !refuseConnect;
        return m_open;
    }
    void close() override
    {
        if (m_open)
            ++closes;
        m_open = false;
    }
    bool write(std::string_view bytes) override { return m_open && !failWrites && peer.write(bytes); }
    std::size_t bytesAvailable() override { return m_open ? peer.bytesAvailable() : 0; }
    std::string readAll() override { return m_open ? peer.readAll() : std::string(); }
    bool waitForBytes(Millis timeout) override { return m_open && peer.waitForBytes(timeout); }
    void discardInput() override { peer.discardInput(); }

    bool isOpen() const { return m_open; }

    FakeSerialLink peer;
    std::vector<std::pair<std::string, std::uint16_t>> connects;
    Millis connectTimeout{0};
    bool refuseConnect = false;
    bool failWrites = false;
    int closes = 0;

private:
    bool m_open = false;
};

} // namespace tqv
