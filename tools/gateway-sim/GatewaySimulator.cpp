#include "GatewaySimulator.h"

#include "MemoryCodec.h"
#include "StateFile.h"
#include "StopSignal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace tqvsim {

namespace {

constexpr std::uint32_t kSplitGapMs = 20;

} // namespace

GatewaySimulator::GatewaySimulator(std::unique_ptr<PtyPort> port, GatewayResponder responder, FailurePlan failures,
                                   std::uint32_t lineSpeed, std::unique_ptr<tqv::ConfigStore> base,
                                   std::string saveFile)
    : m_port(std::move(port)),
      m_responder(std::move(responder)),
      m_failures(std::move(failures)),
      m_transmitter(m_port->masterFd(), lineSpeed),
      m_base(std::move(base)),
      m_saveFile(std::move(saveFile))
{
}

bool GatewaySimulator::saveState()
{
    if (m_saveFile.empty())
        return true;
    auto store = std::make_unique<tqv::ConfigStore>(*m_base);
    MemoryCodec::decode(m_responder.memory(), *store);
    if (auto problem = StateFile::save(m_saveFile, *store)) {
        std::cerr << "tqv580-gateway-sim: " << *problem << std::endl;
        return false;
    }
    return true;
}

void GatewaySimulator::serve(const Bytes &frame)
{
    const FailureEffects effects = m_failures.effectsFor(frame[0]);
    if (effects.noReply)
        return;
    Bytes reply;
    if (effects.errorCode) {
        reply = WireFrame::error(frame[0], *effects.errorCode);
    } else {
        GatewayResponder::Outcome outcome = m_responder.handle(frame);
        // On disk before the acknowledgement, so that whoever sees the ack finds the file.
        if (outcome.stored)
            saveState();
        reply = std::move(outcome.reply);
    }
    if (effects.wrongSum)
        reply.back() = static_cast<std::uint8_t>(reply.back() + 1);
    if (effects.delayMs > 0 && !m_transmitter.pause(effects.delayMs))
        return;
    if (effects.split && reply.size() > 1) {
        const auto first = std::span<const std::uint8_t>(reply).first(reply.size() / 2);
        const auto rest = std::span<const std::uint8_t>(reply).subspan(reply.size() / 2);
        if (m_transmitter.send(first) && m_transmitter.pause(kSplitGapMs))
            m_transmitter.send(rest);
        return;
    }
    m_transmitter.send(reply);
}

int GatewaySimulator::run()
{
    using Clock = std::chrono::steady_clock;
    std::cout << "ready " << m_port->link() << std::endl;

    int status = 0;
    Clock::time_point lastByte{};
    std::uint8_t buffer[4096];
    while (!StopSignal::requested()) {
        int timeoutMs = -1;
        if (m_assembler.hasPartial()) {
            const auto left = lastByte + std::chrono::milliseconds(kPartialFrameMs) - Clock::now();
            timeoutMs = static_cast<int>(
                std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        }
        pollfd fds[2] = {{m_port->masterFd(), POLLIN, 0}, {StopSignal::fd(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::cerr << "tqv580-gateway-sim: poll: " << std::strerror(errno) << std::endl;
            status = 1;
            break;
        }
        if (StopSignal::requested())
            break;
        if (ready == 0) {
            // Silence in the middle of a request: drop it so the next request starts clean.
            if (m_assembler.hasPartial())
                m_assembler.discardPartial();
            continue;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            std::size_t n = 0;
            const PtyPort::Read got = m_port->read(buffer, sizeof buffer, n);
            if (got == PtyPort::Read::Again)
                continue;
            if (got == PtyPort::Read::Failed) {
                status = 1;
                break;
            }
            lastByte = Clock::now();
            m_assembler.feed(std::span<const std::uint8_t>(buffer, n));
            while (auto frame = m_assembler.next()) {
                serve(*frame);
                if (StopSignal::requested())
                    break;
            }
        }
    }

    m_port->removeLink();
    if (!saveState())
        status = 1;
    return status;
}

} // namespace tqvsim
