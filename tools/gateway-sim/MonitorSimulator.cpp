#include "MonitorSimulator.h"

#include "StopSignal.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace tqvsim {

namespace {

constexpr std::uint32_t kSplitGapMs = 20;

int msUntil(std::chrono::steady_clock::time_point t)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(t - std::chrono::steady_clock::now()).count();
    return static_cast<int>(std::max<std::int64_t>(0, left));
}

} // namespace

MonitorPace::MonitorPace(MonitorSequence sequence, bool slaveForm, std::size_t maxData, std::uint32_t resendMs)
    : m_sequence(std::move(sequence)), m_slaveForm(slaveForm), m_maxData(maxData), m_resendMs(resendMs)
{
}

MonitorEntry MonitorPace::current() const
{
    return m_slaveForm ? m_sequence.slaveEntry(m_position, m_maxData) : m_sequence.masterEntry(m_position, m_maxData);
}

void MonitorPace::giveUp()
{
    const std::uint8_t status = current().status;
    const bool answered = m_slaveForm ? status <= 1 : status <= 3;
    if (!answered)
        advance();
}

MonitorSimulator::MonitorSimulator(std::unique_ptr<PtyPort> port, MonitorSequence sequence, Settings settings,
                                   FailurePlan failures)
    : m_port(std::move(port)),
      m_settings(settings),
      m_failures(std::move(failures)),
      m_transmitter(m_port->masterFd(), settings.lineSpeed),
      m_pace(std::move(sequence), settings.kind == MonitorLinkKind::Framed && settings.slaveForm,
             settings.kind == MonitorLinkKind::Record ? MonitorRecords::kMaxRecordData
             : settings.slaveForm                     ? MonitorRecords::kMaxFramedSlaveData
                                                      : MonitorRecords::kMaxFramedMasterData,
             settings.resendMs),
      // The record link runs from the start; the framed link waits for its start frame.
      m_running(settings.kind == MonitorLinkKind::Record)
{
}

void MonitorSimulator::sendWithEffects(Bytes bytes, const FailureEffects &effects, bool summed)
{
    if (effects.noReply)
        return;
    if (effects.wrongSum && summed)
        bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
    if (effects.delayMs > 0 && !m_transmitter.pause(effects.delayMs))
        return;
    if (effects.split && bytes.size() > 1) {
        const auto all = std::span<const std::uint8_t>(bytes);
        if (m_transmitter.send(all.first(bytes.size() / 2)) && m_transmitter.pause(kSplitGapMs))
            m_transmitter.send(all.subspan(bytes.size() / 2));
        return;
    }
    m_transmitter.send(bytes);
}

void MonitorSimulator::sendRecord(const FailureEffects &effects)
{
    const MonitorEntry entry = m_pace.current();
    Bytes bytes;
    if (m_settings.kind == MonitorLinkKind::Record)
        bytes = MonitorRecords::recordLinkRecord(entry);
    else if (m_settings.slaveForm)
        bytes = MonitorRecords::framedSlaveRecord(entry);
    else
        bytes = MonitorRecords::framedMasterRecord(entry);
    sendWithEffects(std::move(bytes), effects, m_settings.kind == MonitorLinkKind::Framed);
    m_pace.armed(); // also when withheld: it goes out when its time is up
}

void MonitorSimulator::handle(const MonitorRecords::Request &request, std::uint8_t code)
{
    using Kind = MonitorRecords::Request::Kind;
    const FailureEffects effects = m_failures.effectsFor(code);
    switch (request.kind) {
    case Kind::Handshake:
        sendWithEffects(MonitorRecords::framedHandshake(m_settings.subnetType), effects, true);
        return;
    case Kind::Start:
        m_running = true;
        m_pace.restart();
        sendRecord(effects);
        return;
    case Kind::Stop:
        m_running = false;
        m_pace.disarm();
        return;
    case Kind::Write:
        std::cout << MonitorRecords::writeLine(request) << std::endl;
        [[fallthrough]];
    case Kind::Next:
        // A write takes the place of the next-record request, so it is answered the same way.
        if (!m_running)
            return;
        m_pace.advance();
        sendRecord(effects);
        return;
    case Kind::Unknown:
        std::cerr << "tqv580-gateway-sim: a request with code " << static_cast<int>(code) << " ignored" << std::endl;
        return;
    }
}

int MonitorSimulator::run()
{
    using Clock = std::chrono::steady_clock;
    std::cout << "ready " << m_port->link() << std::endl;
    if (m_running)
        sendRecord({});

    int status = 0;
    Clock::time_point lastByte{};
    std::uint8_t buffer[4096];
    const bool framed = m_settings.kind == MonitorLinkKind::Framed;
    while (!StopSignal::requested()) {
        std::optional<Clock::time_point> wake = m_running ? m_pace.deadline() : std::nullopt;
        const bool partial = framed ? m_frames.hasPartial() : m_records.hasPartial();
        if (partial) {
            const auto drop = lastByte + std::chrono::milliseconds(kPartialRequestMs);
            if (!wake || drop < *wake)
                wake = drop;
        }
        pollfd fds[2] = {{m_port->masterFd(), POLLIN, 0}, {StopSignal::fd(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, wake ? msUntil(*wake) : -1);
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
            const auto now = Clock::now();
            if (partial && now >= lastByte + std::chrono::milliseconds(kPartialRequestMs)) {
                // Silence in the middle of a request: drop it so the next one starts clean.
                if (framed)
                    m_frames.discardPartial();
                else
                    m_records.discardPartial();
            }
            if (m_running && m_pace.deadline() && now >= *m_pace.deadline()) {
                m_pace.giveUp();
                sendRecord({});
            }
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
            const auto bytes = std::span<const std::uint8_t>(buffer, n);
            if (framed) {
                m_frames.feed(bytes);
                while (auto frame = m_frames.next()) {
                    if (!WireFrame::sumMatches(*frame)) {
                        std::cerr << "tqv580-gateway-sim: a frame with a wrong sum ignored" << std::endl;
                        continue;
                    }
                    handle(MonitorRecords::framedRequest(*frame), (*frame)[0]);
                }
            } else {
                m_records.feed(bytes);
                while (auto request = m_records.next())
                    handle(*request, request->kind == MonitorRecords::Request::Kind::Write ? 0x01 : 0x00);
            }
        }
    }
    m_port->removeLink();
    return status;
}

} // namespace tqvsim
