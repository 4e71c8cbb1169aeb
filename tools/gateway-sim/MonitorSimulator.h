#pragma once

#include "FailurePlan.h"
#include "FrameAssembler.h"
#include "LineTransmitter.h"
#include "MonitorRecords.h"
#include "PtyPort.h"

#include <chrono>
#include <memory>
#include <optional>

namespace tqvsim {

// Which serial monitor link the gateway plays.
enum class MonitorLinkKind { Framed, Record };

// Where a monitoring run stands: which record of the sequence is out, and when it is given up on.
class MonitorPace {
public:
    using Clock = std::chrono::steady_clock;

    MonitorPace(MonitorSequence sequence, bool slaveForm, std::size_t maxData, std::uint32_t resendMs);

    MonitorEntry current() const;
    void restart() { m_position = 0; }
    void advance() { ++m_position; }

    // A record just went out (or was withheld on purpose): give it up at now + resend time.
    void armed() { m_deadline = Clock::now() + std::chrono::milliseconds(m_resendMs); }
    void disarm() { m_deadline.reset(); }
    const std::optional<Clock::time_point> &deadline() const { return m_deadline; }

    // The record is unanswered past its deadline: a record the program surely answers (status
    // 0..3, direction 0 or 1) may have been purged before it was read and goes out again; any
    // other (255, out of range) the program leaves unanswered on purpose, so the next one follows.
    void giveUp();

private:
    MonitorSequence m_sequence;
    bool m_slaveForm;
    std::size_t m_maxData;
    std::uint32_t m_resendMs;
    std::uint32_t m_position = 0;
    std::optional<Clock::time_point> m_deadline;
};

// Plays the gateway's monitor side on the pty: pushes records, one per request of the program,
// answers the framed link's handshake and prints every write it receives.
class MonitorSimulator {
public:
    struct Settings {
        MonitorLinkKind kind = MonitorLinkKind::Framed;
        std::uint8_t subnetType = 0; // what the handshake reports
        bool slaveForm = false;      // framed records in the slave/user form (00 F5 direction ...)
        std::uint32_t resendMs = 1000;
        std::uint32_t lineSpeed = 0;
    };

    MonitorSimulator(std::unique_ptr<PtyPort> port, MonitorSequence sequence, Settings settings, FailurePlan failures);

    // Prints "ready LINK", serves until SIGINT/SIGTERM, then removes the link. 0, or 1 when the
    // line failed.
    int run();

    static constexpr int kPartialRequestMs = 500;

private:
    void handle(const MonitorRecords::Request &request, std::uint8_t code);
    // Sends the current record with the failure effects of the request it answers.
    void sendRecord(const FailureEffects &effects);
    void sendWithEffects(Bytes bytes, const FailureEffects &effects, bool summed);

    std::unique_ptr<PtyPort> m_port;
    Settings m_settings;
    FailurePlan m_failures;
    LineTransmitter m_transmitter;
    MonitorPace m_pace;
    FrameAssembler m_frames;
    RecordRequestAssembler m_records;
    bool m_running;
};

} // namespace tqvsim
