#pragma once

#include "EthernetFailures.h"
#include "EthernetResponder.h"
#include "MessageAssembler.h"
#include "MonitorSimulator.h"

#include "model/ConfigStore.h"

#include <chrono>
#include <netinet/in.h>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tqvsim {

// Runs the simulated Ethernet gateway on 127.0.0.1: search datagrams on a UDP port, read, write
// and restart on TCP connections to the same port number, all from one poll() loop.
class EthernetSimulator {
public:
    // `base` is the configuration the held image is applied to when it is saved.
    EthernetSimulator(EthernetResponder responder, EthernetFailures failures, std::uint16_t port,
                      std::unique_ptr<tqv::ConfigStore> base, std::string saveFile);
    // Monitoring on UDP `port` of 127.0.0.1; without it the gateway does not monitor.
    void enableMonitoring(std::uint16_t port, std::uint32_t resendMs);
    ~EthernetSimulator();
    EthernetSimulator(const EthernetSimulator &) = delete;
    EthernetSimulator &operator=(const EthernetSimulator &) = delete;

    // Opens the sockets, prints "ready", serves until SIGINT/SIGTERM, then saves. Returns the
    // exit status: 0, or 1 when a socket could not be opened, the loop failed or the final save did.
    int run();

    // The port from TQV580_GATEWAY_PORT (18801 when it is unset or empty); nothing, with `problem`
    // set, when it is not a port number from 1 to 65535.
    static std::optional<std::uint16_t> portFromEnvironment(std::string &problem);
    // The same for another variable and default (TQV580_MONITOR_PORT, 18802).
    static std::optional<std::uint16_t> portFromEnvironment(const char *variable, std::uint16_t fallback,
                                                            std::string &problem);

    static constexpr std::uint16_t kDefaultPort = 18801;
    static constexpr std::uint16_t kDefaultMonitorPort = 18802;
    static constexpr int kPieceGapMs = 20;
    static constexpr std::size_t kMaxConnections = 16;

private:
    using Clock = std::chrono::steady_clock;

    // Bytes waiting to go out on a connection, each not before its time.
    struct Chunk {
        Bytes bytes;
        Clock::time_point due;
    };
    struct Connection {
        int fd = -1;
        MessageAssembler assembler;
        std::deque<Chunk> outgoing;
        bool peerClosed = false;    // end of stream seen: close once everything is sent
        bool closeWhenSent = false; // a cut-short reply: close once it is out
    };

    bool openSockets();
    void acceptConnection();
    void serveDatagram();
    // Reads what the connection offers; false when it is to be closed now.
    bool readFrom(Connection &c);
    // Sends what is due; false when it is to be closed now.
    bool writeTo(Connection &c);
    void serve(Connection &c, const Bytes &message);
    bool saveState();
    int pollTimeoutMs() const;
    void serveMonitorDatagram();
    void sendMonitorRecord();
    void log(const std::string &text) const;

    EthernetResponder m_responder;
    EthernetFailures m_failures;
    std::uint16_t m_port;
    std::unique_ptr<tqv::ConfigStore> m_base;
    std::string m_saveFile;
    int m_udp = -1;
    int m_listener = -1;
    std::vector<std::unique_ptr<Connection>> m_connections;
    int m_restarts = 0;
    std::optional<std::uint16_t> m_monitorPort;
    std::uint32_t m_resendMs = 1000;
    int m_monitorUdp = -1;
    std::optional<sockaddr_in> m_monitorPeer; // whoever started the running monitoring run
    std::optional<MonitorPace> m_pace;
};

} // namespace tqvsim
