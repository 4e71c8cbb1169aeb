#include "Exchange.h"

#include "FrameBytes.h"
#include "ReplyDecoder.h"
#include "resources/Strings.h"

#include <algorithm>

namespace tqv {

namespace {

// An exchange that ended without a reply to judge.
ExchangeResult ended(ExchangeStatus status)
{
    ExchangeResult result;
    result.status = status;
    return result;
}

std::string hexCode(std::uint8_t code)
{
    constexpr char digits[] = "0123456789ABCDEF";
    return {digits[code >> 4], digits[code & 0x0F]};
}

// A reply whose length byte says it is complete, but whose last byte is not its sum.
bool wrongSum(const Frame &reply)
{
    const FrameView view(reply);
    const std::size_t sumAt = std::size_t{2} + view.at(1);
    return view.has(3) && reply.size() == sumAt + 1 && !view.sumMatches(sumAt);
}

} // namespace

std::string stepOfRequest(std::string_view request)
{
    const FrameView frame(request);
    const std::uint8_t code = frame.at(0);
    const std::string subnet = std::to_string(frame.at(2) + 1);
    switch (code) {
    case SerialCode::ReadGatewayType:
        return text(StrId::StepReadGatewayType);
    case SerialCode::WriteDeviceNet:
    case SerialCode::WriteProfibus:
        return formatText(StrId::StepWriteFieldbus, {hexCode(code)});
    case SerialCode::ReadDeviceNet:
    case SerialCode::ReadProfibus:
        return formatText(StrId::StepReadFieldbus, {hexCode(code)});
    case SerialCode::WriteSubnet:
        return formatText(StrId::StepWriteSubnet, {subnet});
    case SerialCode::ReadSubnet:
        return formatText(StrId::StepReadSubnet, {subnet});
    case SerialCode::ClearCommands:
        return formatText(StrId::StepClearCommands, {subnet});
    case SerialCode::WriteCommand:
        return formatText(StrId::StepWriteCommand, {std::to_string(frame.at(3) + 1), subnet});
    case SerialCode::ReadCommandCount:
        return formatText(StrId::StepReadCommandCount, {subnet});
    case SerialCode::ReadCommandBlock:
        return formatText(StrId::StepReadCommandBlock, {std::to_string(frame.at(3) + 1), subnet});
    case SerialCode::WriteTimeoutAction:
    case SerialCode::ReadTimeoutAction:
        return formatText(StrId::StepTimeoutAction, {hexCode(code)});
    case SerialCode::WriteProfibusConfigData:
    case SerialCode::ReadProfibusConfigData:
        return formatText(StrId::StepProfibusConfig, {hexCode(code)});
    case SerialCode::WriteCharIntervals:
    case SerialCode::ReadCharIntervals:
        return formatText(StrId::StepCharIntervals, {hexCode(code)});
    default:
        return "0x" + hexCode(code);
    }
}

TransferFailure failureOf(std::string_view request, const ExchangeResult &result)
{
    TransferFailure failure;
    failure.step = stepOfRequest(request);
    failure.request = request.empty() ? 0 : static_cast<std::uint8_t>(request[0]);
    switch (result.status) {
    case ExchangeStatus::Timeout:
        failure.reason = FailureReason::NoAnswer;
        failure.timeLimitMs = static_cast<int>(result.timeLimit.count());
        break;
    case ExchangeStatus::LinkFailed:
        failure.reason = FailureReason::NotSent;
        break;
    case ExchangeStatus::ErrorReply:
        failure.reason = FailureReason::ErrorReply;
        failure.errorCode = result.errorCode;
        break;
    default:
        failure.reason = wrongSum(result.reply) ? FailureReason::WrongChecksum : FailureReason::UnexpectedReply;
        break;
    }
    return failure;
}

ReplyRule replyRuleFor(std::uint8_t request, const ReplyContext &context)
{
    ReplyRule rule;
    switch (request) {
    case SerialCode::ReadCommandBlock:
        rule.bufferSize = kCommandBlockBufferSize;
        rule.timeLimit = kCommandBlockTimeLimit;
        break;
    case SerialCode::ReadProfibus:
        if (uncheckedProfibusReply(context))
            rule.completion = Completion::Quiet;
        break;
    case SerialCode::ReadSubnet:
        if (extendedSubnetReply(context))
            rule.completion = Completion::Quiet;
        break;
    case SerialCode::WriteTimeoutAction:
    case SerialCode::ReadTimeoutAction:
        rule.bufferSize = kTimeoutActionBufferSize;
        rule.completion = Completion::LengthOrQuiet;
        rule.discardStale = false;
        break;
    case SerialCode::WriteProfibusConfigData:
        rule.discardStale = false;
        break;
    case SerialCode::ReadProfibusConfigData:
        rule.completion = Completion::Quiet;
        rule.discardStale = false;
        break;
    default:
        break;
    }
    return rule;
}

Exchange::Exchange(ByteLink &link, Clock &clock, Judge judge, ReplyContext context)
    : m_link(link), m_clock(clock), m_judge(judge), m_context(context)
{
}

ExchangeResult Exchange::run(std::string_view request)
{
    if (request.empty())
        return ended(ExchangeStatus::LinkFailed);
    const std::uint8_t code = static_cast<std::uint8_t>(request[0]);
    const ReplyRule rule = replyRuleFor(code, m_context);
    // Bytes still waiting belong to an earlier request (a reply that came too late); dropped
    // before this request goes out, so that nothing of this request's reply is lost with them.
    if (rule.discardStale)
        m_link.discardInput();
    if (!m_link.write(request))
        return ended(ExchangeStatus::LinkFailed);
    const Millis start = m_clock.now();
    Received received = readReply(rule, start);
    if (received.cancelled)
        return ended(ExchangeStatus::Cancelled);
    ExchangeResult result = finish(code, std::move(received.bytes), start);
    result.timeLimit = rule.timeLimit;
    return result;
}

Exchange::Received Exchange::readReply(const ReplyRule &rule, Millis start)
{
    Received r;
    Millis lastAt{};
    for (;;) {
        const Millis now = m_clock.now();
        std::string chunk = m_link.readAll();
        if (!chunk.empty()) {
            lastAt = now;
            r.bytes += chunk;
        }
        if (r.bytes.size() >= rule.bufferSize)
            break;
        Millis deadline = start + rule.timeLimit;
        if (!r.bytes.empty()) {
            if (rule.completion != Completion::Quiet) {
                const std::size_t length = frameLength(r.bytes);
                if (length != 0 && r.bytes.size() >= length)
                    break;
            }
            // The limit is for the start of the reply: once begun, it runs on while its bytes keep
            // coming within the settle time of each other, however close to the limit it began
            // and however slow the line. A reply read by its length byte also waits out the limit
            // for a rest that comes late.
            deadline = lastAt + kSettleTime;
            if (rule.completion == Completion::LengthByte)
                deadline = std::max(deadline, start + rule.timeLimit);
        }
        if (now >= deadline)
            break;
        if (cancelled()) {
            r.cancelled = true;
            return r;
        }
        m_link.waitForBytes(deadline - now);
    }
    // What does not fit the buffer is dropped.
    if (r.bytes.size() > rule.bufferSize)
        r.bytes.resize(rule.bufferSize);
    return r;
}

Exchange::Received Exchange::readUpTo(std::size_t count, Millis deadline)
{
    Received r;
    for (;;) {
        r.bytes += m_link.readAll();
        const Millis now = m_clock.now();
        if (r.bytes.size() >= count || now >= deadline)
            break;
        if (cancelled()) {
            r.cancelled = true;
            return r;
        }
        m_link.waitForBytes(deadline - now);
    }
    if (r.bytes.size() > count)
        r.bytes.resize(count);
    return r;
}

ExchangeResult Exchange::finish(std::uint8_t request, Frame reply, Millis start)
{
    ExchangeResult result;
    result.elapsed = m_clock.now() - start;
    if (reply.empty()) {
        result.status = ExchangeStatus::Timeout;
        return result;
    }
    result.judged = judgeReply(m_judge, request, reply, m_context);
    if (result.judged == request) {
        result.status = ExchangeStatus::Accepted;
    } else if (result.judged != 0 && result.judged == errorReplyCode(request)) {
        result.status = ExchangeStatus::ErrorReply;
        result.errorCode = decodeErrorReply(reply)->error;
    } else {
        result.status = ExchangeStatus::Rejected;
    }
    result.reply = std::move(reply);
    return result;
}

ExchangeResult Exchange::sendAndCompare(std::string_view request)
{
    if (request.empty() || !m_link.write(request))
        return ended(ExchangeStatus::LinkFailed);
    const Millis start = m_clock.now();
    const Millis limit = kCompareDelay + kFixedReadTimePerByte * static_cast<int>(kAckSize) + kFixedReadTimeExtra;
    Received received = readUpTo(kAckSize, start + limit);
    if (received.cancelled)
        return ended(ExchangeStatus::Cancelled);
    ExchangeResult result = finish(static_cast<std::uint8_t>(request[0]), std::move(received.bytes), start);
    result.timeLimit = limit;
    return result;
}

ExchangeResult Exchange::readFixedLength(std::string_view request, std::size_t length)
{
    if (request.empty() || !m_link.write(request))
        return ended(ExchangeStatus::LinkFailed);
    const Millis start = m_clock.now();
    const Millis limit = kFixedReadTimePerByte * static_cast<long>(length) + kFixedReadTimeExtra;
    Received received = readUpTo(length, start + limit);
    if (received.cancelled)
        return ended(ExchangeStatus::Cancelled);
    ExchangeResult result = finish(static_cast<std::uint8_t>(request[0]), std::move(received.bytes), start);
    result.timeLimit = limit;
    // Fewer bytes than asked for is no valid reply, whatever they hold.
    if (result.accepted() && result.reply.size() < length)
        result.status = ExchangeStatus::Rejected;
    return result;
}

} // namespace tqv
