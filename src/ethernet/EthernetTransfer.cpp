#include "EthernetTransfer.h"

#include "ConfigImage.h"
#include "model/MappingValues.h"
#include "resources/Strings.h"
#include "serial/ValueCodes.h"

#include <algorithm>
#include <memory>

namespace tqv {

namespace {

// What a read request's reply is received into; a gateway may append a few bytes to the image.
constexpr std::size_t kReadReplyBufferSize = 1276;
// The write's acknowledgement: up to 16 bytes, judged by its first four.
constexpr std::size_t kAckBufferSize = 16;
constexpr std::size_t kCommandBytes = 4;
// The restart message's payload.
constexpr std::string_view kRestartKey = "Kelmarox";

std::string restartMessage() { return encodeHeader(EthernetCommand::Restart, kRestartKey.size()) + std::string(kRestartKey); }

} // namespace

EthernetTransfer::EthernetTransfer(StreamLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer)
    : m_link(link), m_clock(clock), m_prompter(prompter), m_observer(observer)
{
}

bool EthernetTransfer::connect(const EthernetTarget &target)
{
    m_link.close();
    if (m_link.connectTo(target.address, target.port, connectLimit))
        return true;
    m_link.close();
    m_prompter.error(text(StrId::MsgConnectFailed));
    return false;
}

std::string EthernetTransfer::fail(std::string message)
{
    m_link.close();
    if (!message.empty())
        m_prompter.error(message);
    return message;
}

TransferFailure EthernetTransfer::failure(StrId step, const EthernetTarget &target, FailureReason reason)
{
    TransferFailure f;
    f.step = text(step);
    f.target = target.address + ':' + std::to_string(target.port);
    f.network = true;
    f.reason = reason;
    if (reason == FailureReason::NoConnection)
        f.timeLimitMs = static_cast<int>(connectLimit.count());
    else if (reason == FailureReason::NoAnswer)
        f.timeLimitMs = static_cast<int>(replyLimit.count());
    return f;
}

std::optional<std::string> EthernetTransfer::receive(EthernetCommand expected, std::size_t enough, std::size_t limit)
{
    std::string bytes;
    const Millis deadline = m_clock.now() + replyLimit;
    for (;;) {
        bytes += m_link.readAll();
        if (bytes.size() >= enough)
            break;
        // A reply to another command is judged at once; the rest of it is not waited for.
        if (bytes.size() >= kCommandBytes && !startsWithCommand(bytes, expected))
            break;
        const Millis now = m_clock.now();
        if (now >= deadline)
            break;
        if (cancelled())
            return std::nullopt;
        // False: the time is up or the peer has closed; either way no more bytes are coming.
        if (!m_link.waitForBytes(deadline - now)) {
            bytes += m_link.readAll();
            break;
        }
    }
    if (bytes.size() > limit)
        bytes.resize(limit);
    return bytes;
}

EthernetWriteResult EthernetTransfer::write(const ConfigStore &configuration, const EthernetTarget &target)
{
    // Every press writes on a new connection; a restart belongs to the write just made.
    m_downloaded = false;
    const Result<std::string> image = buildConfigImage(configuration);
    if (!image) {
        m_link.close();
        m_prompter.info(image.message());
        return {EthernetOutcome::Failed, image.message()};
    }
    if (cancelled())
        return {EthernetOutcome::Cancelled, {}};
    if (!connect(target))
        return {EthernetOutcome::Failed, text(StrId::MsgConnectFailed),
                failure(StrId::StepEthConnect, target, FailureReason::NoConnection)};
    if (!m_link.write(image.value()))
        return {EthernetOutcome::Failed, fail(text(StrId::MsgEthWriteFailedCheck)),
                failure(StrId::StepEthWriteImage, target, FailureReason::NotSent)};

    const auto ack = receive(EthernetCommand::WriteConfiguration, kCommandBytes, kAckBufferSize);
    if (!ack) {
        m_link.close();
        return {EthernetOutcome::Cancelled, {}};
    }
    if (ack->empty())
        return {EthernetOutcome::Failed, fail(text(StrId::MsgEthWriteFailedCheck)),
                failure(StrId::StepEthWriteImage, target, FailureReason::NoAnswer)};
    // Fewer than four bytes compare as if zero-filled: not an acknowledgement.
    if (!startsWithCommand(*ack, EthernetCommand::WriteConfiguration))
        return {EthernetOutcome::Failed, fail(text(StrId::MsgEthWriteFailed)),
                failure(StrId::StepEthWriteImage, target, FailureReason::UnexpectedReply)};
    m_downloaded = true;
    m_observer.setStatus(text(StrId::DownloadFinished));
    return {EthernetOutcome::Succeeded, {}};
}

RestartOutcome EthernetTransfer::offerRestart()
{
    if (!m_downloaded) {
        m_link.close();
        return RestartOutcome::NotDownloaded;
    }
    // The connection ends here whatever the answer, so a second "Exit" does not ask again.
    m_downloaded = false;
    if (!m_prompter.askOkCancel(text(StrId::MsgRestartQuestion))) {
        m_link.close();
        return RestartOutcome::Declined;
    }
    const bool sent = m_link.write(restartMessage());
    m_link.close();
    return sent ? RestartOutcome::Sent : RestartOutcome::SendFailed;
}

EthernetReadResult EthernetTransfer::read(const ConfigStore &current, const EthernetTarget &target)
{
    EthernetReadResult result;
    if (cancelled()) {
        result.outcome = EthernetOutcome::Cancelled;
        return result;
    }
    if (!connect(target)) {
        result.message = text(StrId::MsgConnectFailed);
        result.failure = failure(StrId::StepEthConnect, target, FailureReason::NoConnection);
        return result;
    }
    // A request that cannot be sent ends the read without a message of its own.
    if (!m_link.write(encodeHeader(EthernetCommand::ReadConfiguration))) {
        m_link.close();
        result.failure = failure(StrId::StepEthReadImage, target, FailureReason::NotSent);
        return result;
    }
    const auto reply = receive(EthernetCommand::ReadConfiguration, kConfigImageSize, kReadReplyBufferSize);
    if (!reply) {
        m_link.close();
        result.outcome = EthernetOutcome::Cancelled;
        return result;
    }
    if (reply->empty()) {
        result.message = fail(text(StrId::MsgEthReadFailedCheck));
        result.failure = failure(StrId::StepEthReadImage, target, FailureReason::NoAnswer);
        return result;
    }
    // A reply to another command, one cut short, or an image that does not fit changes nothing.
    auto configuration = std::make_unique<ConfigStore>(current);
    if (!startsWithCommand(*reply, EthernetCommand::ReadConfiguration)) {
        result.message = fail(text(StrId::MsgEthReadFailed));
        result.failure = failure(StrId::StepEthReadImage, target, FailureReason::UnexpectedReply);
        return result;
    }
    if (const Status applied = applyConfigImage(*reply, *configuration); !applied) {
        result.message = fail(applied.message());
        result.failure = failure(StrId::StepEthReadImage, target, FailureReason::ReplyCutShort);
        return result;
    }
    m_link.close();
    configuration->configModified = true;
    result.configuration = std::move(*configuration);
    result.outcome = EthernetOutcome::Succeeded;
    m_observer.setStatus(text(StrId::UploadFinished));
    return result;
}

} // namespace tqv
