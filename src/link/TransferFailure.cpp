#include "TransferFailure.h"

#include "resources/Strings.h"

namespace tqv {

namespace {

constexpr int kWriteCommandRequest = 0x10;
constexpr int kOneSlaveOnlyError = 3;

// The gateway names one error code only: 3 to a command write.
std::string errorMeaning(int request, int code)
{
    if (request == kWriteCommandRequest && code == kOneSlaveOnlyError)
        return text(StrId::FailureErrorOneSlave);
    return text(StrId::FailureErrorUnknown);
}

} // namespace

std::string TransferFailure::reasonText() const
{
    switch (reason) {
    case FailureReason::NoAnswer:
        return formatText(StrId::FailureNoAnswer, {std::to_string(timeLimitMs)});
    case FailureReason::WrongChecksum:
        return text(StrId::FailureWrongChecksum);
    case FailureReason::ErrorReply:
        return formatText(StrId::FailureErrorReply, {std::to_string(errorCode), errorMeaning(request, errorCode)});
    case FailureReason::UnexpectedReply:
        return text(StrId::FailureUnexpectedReply);
    case FailureReason::NotSent:
        return text(StrId::FailureNotSent);
    case FailureReason::NoConnection:
        return formatText(StrId::FailureNoConnection, {std::to_string(timeLimitMs)});
    case FailureReason::ReplyCutShort:
        return text(StrId::FailureReplyCutShort);
    case FailureReason::OtherType:
        return formatText(StrId::FailureOtherType, {reported, expected});
    }
    return {};
}

std::vector<std::string> TransferFailure::lines() const
{
    std::vector<std::string> out;
    if (!step.empty())
        out.push_back(formatText(StrId::TransferFailedStep, {step}));
    if (!target.empty())
        out.push_back(formatText(network ? StrId::TransferFailedOnAddress : StrId::TransferFailedOnPort, {target}));
    out.push_back(formatText(StrId::TransferFailedReason, {reasonText()}));
    return out;
}

} // namespace tqv
