#include "EthernetSimulator.h"

#include "EthernetImageCodec.h"
#include "MonitorRecords.h"
#include "StateFile.h"
#include "StopSignal.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tqvsim {

namespace {

// Where the pieces of a read reply are cut under the pieces mode: the header alone first, then
// the image in three parts.
constexpr std::size_t kPieceCuts[] = {EthernetMessage::kHeaderSize, 300, 700};

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::string lastError(const char *what) { return std::string(what) + ": " + std::strerror(errno); }

} // namespace

EthernetSimulator::EthernetSimulator(EthernetResponder responder, EthernetFailures failures, std::uint16_t port,
                                     std::unique_ptr<tqv::ConfigStore> base, std::string saveFile)
    : m_responder(std::move(responder)),
      m_failures(std::move(failures)),
      m_port(port),
      m_base(std::move(base)),
      m_saveFile(std::move(saveFile))
{
}

EthernetSimulator::~EthernetSimulator()
{
    for (const auto &c : m_connections)
        ::close(c->fd);
    if (m_listener >= 0)
        ::close(m_listener);
    if (m_udp >= 0)
        ::close(m_udp);
    if (m_monitorUdp >= 0)
        ::close(m_monitorUdp);
}

void EthernetSimulator::enableMonitoring(std::uint16_t port, std::uint32_t resendMs)
{
    m_monitorPort = port;
    m_resendMs = resendMs;
}

std::optional<std::uint16_t> EthernetSimulator::portFromEnvironment(std::string &problem)
{
    return portFromEnvironment("TQV580_GATEWAY_PORT", kDefaultPort, problem);
}

std::optional<std::uint16_t> EthernetSimulator::portFromEnvironment(const char *variable, std::uint16_t fallback,
                                                                    std::string &problem)
{
    const char *text = std::getenv(variable);
    if (!text || !*text)
        return fallback;
    const std::string_view value(text);
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port, 10);
    if (ec != std::errc() || end != value.data() + value.size() || port == 0 || port > 65535) {
        problem = std::string(variable) + " \"" + std::string(value) + "\" is not a port number from 1 to 65535";
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

void EthernetSimulator::log(const std::string &text) const
{
    std::cerr << "tqv580-gateway-sim: " << text << std::endl;
}

bool EthernetSimulator::openSockets()
{
    const sockaddr_in address = loopback(m_port);
    m_udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_udp < 0 || ::bind(m_udp, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        log(lastError(("cannot listen for searches on UDP 127.0.0.1:" + std::to_string(m_port)).c_str()));
        return false;
    }
    if (m_monitorPort) {
        const sockaddr_in monitorAddress = loopback(*m_monitorPort);
        m_monitorUdp = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_monitorUdp < 0 ||
            ::bind(m_monitorUdp, reinterpret_cast<const sockaddr *>(&monitorAddress), sizeof monitorAddress) != 0) {
            log(lastError(("cannot listen for monitoring on UDP 127.0.0.1:" + std::to_string(*m_monitorPort)).c_str()));
            return false;
        }
    }
    if (m_failures.has(EthernetFailures::Mode::Refuse))
        return true; // nothing listens on TCP, so connections are refused
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (m_listener < 0 || ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 8) != 0) {
        log(lastError(("cannot listen on TCP 127.0.0.1:" + std::to_string(m_port)).c_str()));
        return false;
    }
    return true;
}

bool EthernetSimulator::saveState()
{
    if (m_saveFile.empty())
        return true;
    auto store = std::make_unique<tqv::ConfigStore>(*m_base);
    EthernetImageCodec::apply(m_responder.image(), *store);
    if (auto problem = StateFile::save(m_saveFile, *store)) {
        log(*problem);
        return false;
    }
    return true;
}

void EthernetSimulator::serveDatagram()
{
    std::uint8_t buffer[2048];
    while (true) {
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t n = ::recvfrom(m_udp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&sender), &senderSize);
        if (n < 0)
            return; // EAGAIN: all read; anything else: the next datagram may do better
        // Answers go back to the sender only, and only on loopback.
        if (sender.sin_family != AF_INET || sender.sin_addr.s_addr != htonl(INADDR_LOOPBACK))
            continue;
        const auto reply = m_responder.searchReply(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
        if (!reply)
            continue;
        if (::sendto(m_udp, reply->data(), reply->size(), 0, reinterpret_cast<const sockaddr *>(&sender),
                     senderSize) < 0)
            log(lastError("search reply"));
    }
}

void EthernetSimulator::sendMonitorRecord()
{
    m_pace->armed();
    if (m_failures.has(EthernetFailures::Mode::NoAnswer))
        return;
    const Bytes record = MonitorRecords::udpRecord(m_pace->current());
    if (::sendto(m_monitorUdp, record.data(), record.size(), 0, reinterpret_cast<const sockaddr *>(&*m_monitorPeer),
                 sizeof *m_monitorPeer) < 0)
        log(lastError("monitor record"));
}

void EthernetSimulator::serveMonitorDatagram()
{
    using Kind = MonitorRecords::Request::Kind;
    std::uint8_t buffer[2048];
    while (true) {
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t n =
            ::recvfrom(m_monitorUdp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&sender), &senderSize);
        if (n < 0)
            return;
        if (sender.sin_family != AF_INET || sender.sin_addr.s_addr != htonl(INADDR_LOOPBACK))
            continue;
        const auto request =
            MonitorRecords::udpRequest(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
        const bool fromPeer = m_monitorPeer && m_monitorPeer->sin_port == sender.sin_port;
        switch (request.kind) {
        case Kind::Start: {
            // The commands as the gateway holds them now, after any download.
            tqv::ConfigStore store(*m_base);
            EthernetImageCodec::apply(m_responder.image(), store);
            m_pace.emplace(MonitorSequence(MonitorSequence::commandsOf(store, 2)), false, MonitorRecords::kMaxUdpData,
                           m_resendMs);
            m_monitorPeer = sender;
            sendMonitorRecord();
            break;
        }
        case Kind::Stop:
            if (fromPeer) {
                m_monitorPeer.reset();
                m_pace.reset();
            }
            break;
        case Kind::Write:
            std::cout << MonitorRecords::writeLine(request) << std::endl;
            [[fallthrough]];
        case Kind::Next:
            // A write takes the place of the next-record request; only the run's own peer drives it.
            if (fromPeer) {
                m_pace->advance();
                sendMonitorRecord();
            }
            break;
        default:
            log("a monitor datagram of " + std::to_string(n) + " bytes ignored");
            break;
        }
    }
}

void EthernetSimulator::acceptConnection()
{
    while (true) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (m_connections.size() >= kMaxConnections) {
            log("too many connections; one closed at once");
            ::close(fd);
            continue;
        }
        // Each send is its own segment, so that a reply sent in pieces arrives in pieces.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        m_connections.push_back(std::move(c));
    }
}

void EthernetSimulator::serve(Connection &c, const Bytes &message)
{
    EthernetResponder::Outcome outcome = m_responder.handle(message);
    if (!outcome.note.empty())
        log(outcome.note);
    // On disk before the acknowledgement, so that whoever sees the ack finds the file.
    if (outcome.stored)
        saveState();
    if (outcome.restarted) {
        ++m_restarts;
        std::cout << "restart" << std::endl;
    }
    if (outcome.reply.empty())
        return;

    Bytes reply = std::move(outcome.reply);
    const bool cut = outcome.isReadReply && m_failures.has(EthernetFailures::Mode::Short);
    if (cut) {
        reply.resize(reply.size() / 2);
        c.closeWhenSent = true;
    }
    Clock::time_point due = c.outgoing.empty() ? Clock::now() : c.outgoing.back().due;
    if (outcome.isReadReply && m_failures.has(EthernetFailures::Mode::Pieces)) {
        std::size_t from = 0;
        for (std::size_t cutAt : kPieceCuts) {
            if (cutAt >= reply.size())
                break;
            c.outgoing.push_back({Bytes(reply.begin() + static_cast<std::ptrdiff_t>(from),
                                        reply.begin() + static_cast<std::ptrdiff_t>(cutAt)),
                                  due});
            due += std::chrono::milliseconds(kPieceGapMs);
            from = cutAt;
        }
        c.outgoing.push_back({Bytes(reply.begin() + static_cast<std::ptrdiff_t>(from), reply.end()), due});
    } else {
        c.outgoing.push_back({std::move(reply), due});
    }
}

bool EthernetSimulator::readFrom(Connection &c)
{
    std::uint8_t buffer[4096];
    while (!c.peerClosed) {
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            if (errno == EINTR)
                continue;
            return false; // reset by the peer
        }
        if (n == 0) {
            c.peerClosed = true;
            break;
        }
        c.assembler.feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
    }
    // After a cut-short reply the connection only waits to be closed.
    while (!c.closeWhenSent) {
        const auto message = c.assembler.next();
        if (!message)
            break;
        serve(c, *message);
    }
    if (c.assembler.refused()) {
        log("a message announcing " + std::to_string(c.assembler.refusedLength()) +
            " bytes; connection closed");
        return false;
    }
    return !(c.peerClosed && c.outgoing.empty());
}

bool EthernetSimulator::writeTo(Connection &c)
{
    const auto now = Clock::now();
    while (!c.outgoing.empty() && c.outgoing.front().due <= now) {
        Bytes &bytes = c.outgoing.front().bytes;
        const ssize_t n = ::send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;
            if (errno == EINTR)
                continue;
            return false;
        }
        if (static_cast<std::size_t>(n) < bytes.size()) {
            bytes.erase(bytes.begin(), bytes.begin() + n);
            return true; // the rest when the socket is writable again
        }
        c.outgoing.pop_front();
    }
    return !(c.outgoing.empty() && (c.peerClosed || c.closeWhenSent));
}

int EthernetSimulator::pollTimeoutMs() const
{
    std::optional<Clock::time_point> next;
    if (m_pace && m_pace->deadline())
        next = *m_pace->deadline();
    for (const auto &c : m_connections)
        if (!c->outgoing.empty() && (!next || c->outgoing.front().due < *next))
            next = c->outgoing.front().due;
    if (!next)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
    return static_cast<int>(std::max<std::int64_t>(0, left));
}

int EthernetSimulator::run()
{
    if (!openSockets())
        return 1;
    std::cout << "ready" << std::endl;

    int status = 0;
    std::vector<pollfd> fds;
    while (!StopSignal::requested()) {
        const auto now = Clock::now();
        fds.clear();
        fds.push_back({StopSignal::fd(), POLLIN, 0});
        fds.push_back({m_udp, POLLIN, 0});
        fds.push_back({m_listener, POLLIN, 0});   // -1 under refuse: poll() skips it
        fds.push_back({m_monitorUdp, POLLIN, 0}); // -1 without monitoring
        constexpr std::size_t kFirstConnection = 4;
        for (const auto &c : m_connections) {
            short events = c->peerClosed ? 0 : POLLIN;
            // Writability only matters once something is due; asking earlier would spin.
            if (!c->outgoing.empty() && c->outgoing.front().due <= now)
                events |= POLLOUT;
            fds.push_back({c->fd, events, 0});
        }
        const int ready = ::poll(fds.data(), fds.size(), pollTimeoutMs());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            log(lastError("poll"));
            status = 1;
            break;
        }
        if (StopSignal::requested())
            break;
        if (fds[1].revents & POLLIN)
            serveDatagram();
        if (fds[3].revents & POLLIN)
            serveMonitorDatagram();
        if (m_pace && m_pace->deadline() && Clock::now() >= *m_pace->deadline()) {
            m_pace->giveUp();
            sendMonitorRecord();
        }
        // Connections first, by their slots in `fds`; accepted ones join on the next round.
        for (std::size_t i = 0; i < m_connections.size(); ++i) {
            Connection &c = *m_connections[i];
            const short revents = fds[kFirstConnection + i].revents;
            bool keep = true;
            if ((revents & POLLERR) || ((revents & POLLHUP) && c.peerClosed))
                keep = false; // nothing more can reach the peer
            else if (revents & (POLLIN | POLLHUP))
                keep = readFrom(c);
            if (keep)
                keep = writeTo(c);
            if (!keep) {
                ::close(c.fd);
                c.fd = -1;
            }
        }
        std::erase_if(m_connections, [](const auto &c) { return c->fd < 0; });
        if (m_listener >= 0 && (fds[2].revents & POLLIN))
            acceptConnection();
    }

    for (const auto &c : m_connections)
        ::close(c->fd);
    m_connections.clear();
    if (m_restarts > 0)
        log(std::to_string(m_restarts) + (m_restarts == 1 ? " restart" : " restarts") + " recorded");
    if (!saveState())
        status = 1;
    return status;
}

} // namespace tqvsim
