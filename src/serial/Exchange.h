#pragma once

#include "ReplyJudge.h"
#include "SerialProtocol.h"
#include "link/ByteLink.h"
#include "link/Clock.h"
#include "link/TransferFailure.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace tqv {

// How an exchange ended.
enum class ExchangeStatus {
    Accepted,   // the judge returned the request's code
    Timeout,    // no byte came within the time limit
    Rejected,   // bytes came, but not a valid reply of this request
    ErrorReply, // the gateway refused the request (request | 0x80); errorCode says why
    LinkFailed, // the request could not be written
    Cancelled,  // stopped from outside before the reply was complete
};

// How one exchange ended, with the reply it read.
struct ExchangeResult {
    ExchangeStatus status = ExchangeStatus::Timeout;
    std::uint8_t judged = 0;    // what the judge returned (0: not valid)
    std::uint8_t errorCode = 0; // ErrorReply only: the first data byte
    Frame reply;                // the bytes read, cut to the reply's buffer
    Millis elapsed{0};          // from the end of the request to the end of the reply
    Millis timeLimit{0};        // how long the first byte was waited for

    bool accepted() const { return status == ExchangeStatus::Accepted; }
    // Nothing came back: the steps show their timeout message for this.
    bool noReply() const { return status == ExchangeStatus::Timeout || status == ExchangeStatus::LinkFailed; }
    // The gateway refused with exactly this error code.
    bool refusedWith(std::uint8_t code) const { return status == ExchangeStatus::ErrorReply && errorCode == code; }
};

// When a reply is complete: by its length byte; once the line has been quiet for the settle time
// (replies whose length the protocol does not check); or by its length byte when that makes sense
// of it, else once quiet (replies judged by their first bytes, whose length byte is usually right).
// The step a request stands for, from its own bytes ("Write command 3 of subnet 1 (0x10)").
std::string stepOfRequest(std::string_view request);
// Why an exchange that was not accepted failed, for the step `request` stands for; the target is
// left to the caller, which knows the port.
TransferFailure failureOf(std::string_view request, const ExchangeResult &result);

enum class Completion { LengthByte, Quiet, LengthOrQuiet };

// How the reply to one request is read.
struct ReplyRule {
    std::size_t bufferSize = kReplyBufferSize; // a reply is cut to this; reading stops once it is full
    Millis timeLimit = kReplyTimeLimit;        // for the first byte
    Completion completion = Completion::LengthByte;
    bool discardStale = true; // drop unread bytes before the request (0x32 to 0x35 do not)
};
ReplyRule replyRuleFor(std::uint8_t request, const ReplyContext &context);

// The request/reply exchange of the serial configuration protocol over a blocking link: write
// the request, wait for the reply (event-driven: taken as soon as it is complete, bounded by the
// time limit), judge it. Straight-line and blocking; every wait goes through the link with the
// time left, so tests drive it with a fake link and a fake clock.
class Exchange {
public:
    Exchange(ByteLink &link, Clock &clock, Judge judge, ReplyContext context);

    // One exchange of any request but 0x05 and 0x06 (whose own exchanges follow).
    ExchangeResult run(std::string_view request);
    // 0x05: write the request; accepted when its three acknowledgement bytes (05 00 05) come
    // within 100 ms plus the port's read limit for three bytes.
    ExchangeResult sendAndCompare(std::string_view request);
    // 0x06: write the request and read exactly `length` bytes within the port's read limit
    // (10 ms per byte plus 10 ms); accepted when they are a valid reply.
    ExchangeResult readFixedLength(std::string_view request, std::size_t length);

    // A flag another thread sets to stop a waiting exchange (checked before every wait).
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }
    const ReplyContext &context() const { return m_context; }

private:
    struct Received {
        Frame bytes;
        bool cancelled = false;
    };
    // Reads until `count` bytes are there or `deadline` has passed.
    Received readUpTo(std::size_t count, Millis deadline);
    // Reads one reply under `rule`, the request having ended at `start`.
    Received readReply(const ReplyRule &rule, Millis start);
    ExchangeResult finish(std::uint8_t request, Frame reply, Millis start);
    bool cancelled() const { return m_cancel && m_cancel->load(); }

    ByteLink &m_link;
    Clock &m_clock;
    Judge m_judge;
    ReplyContext m_context;
    const std::atomic<bool> *m_cancel = nullptr;
};

} // namespace tqv
