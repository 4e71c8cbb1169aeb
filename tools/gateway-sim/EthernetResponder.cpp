#include "EthernetResponder.h"

#include "EthernetImageCodec.h"

#include <algorithm>

namespace tqvsim {

using M = EthernetMessage;

namespace {

constexpr std::size_t kFirmwareMajor = 24;
constexpr std::size_t kFirmwareMinor = 26;
constexpr std::size_t kMac = 28;
constexpr std::size_t kIp = 36;
constexpr std::size_t kPermission = 64;

} // namespace

EthernetResponder::EthernetResponder(EthernetIdentity identity, Bytes image, EthernetFailures failures)
    : m_identity(identity), m_image(std::move(image)), m_failures(std::move(failures))
{
}

std::uint32_t EthernetResponder::wrongCodeFor(std::uint32_t code)
{
    // A read answered as if it were a write, everything else as if it were a read.
    return code == M::kReadConfig ? M::kWriteConfig : M::kReadConfig;
}

std::uint32_t EthernetResponder::replyCode(std::uint32_t code) const
{
    return m_failures.has(EthernetFailures::Mode::WrongCode) ? wrongCodeFor(code) : code;
}

std::optional<Bytes> EthernetResponder::searchReply(std::span<const std::uint8_t> datagram) const
{
    const auto header = M::header(datagram);
    if (!header || header->code != M::kSearch || m_failures.has(EthernetFailures::Mode::NoAnswer))
        return std::nullopt;
    Bytes reply = M::make(replyCode(M::kSearch), M::kSearchReplySize - M::kHeaderSize);
    M::put16(reply, kFirmwareMajor, m_identity.firmwareMajor);
    M::put16(reply, kFirmwareMinor, m_identity.firmwareMinor);
    std::ranges::copy(m_identity.mac, reply.begin() + kMac);
    std::ranges::copy(m_identity.ip, reply.begin() + kIp);
    M::put32(reply, kPermission, m_identity.permission);
    return reply;
}

EthernetResponder::Outcome EthernetResponder::handle(std::span<const std::uint8_t> message)
{
    Outcome out;
    const auto header = M::header(message);
    if (!header)
        return out;
    if (m_failures.has(EthernetFailures::Mode::NoAnswer)) {
        out.note = "command " + std::to_string(header->code) + " left unanswered (no-answer)";
        return out;
    }
    switch (header->code) {
    case M::kReadConfig: {
        out.reply = m_image;
        M::put32(out.reply, 0, replyCode(M::kReadConfig));
        out.isReadReply = true;
        break;
    }
    case M::kWriteConfig: {
        out.reply = M::make(replyCode(M::kWriteConfig), M::kWriteAckSize - M::kHeaderSize);
        if (auto problem = EthernetImageCodec::problemWith(message)) {
            // Refused: an acknowledgement that is not 00 00 00 06, and the image stays as it was.
            M::put32(out.reply, 0, 0);
            out.note = "write refused: " + *problem;
        } else if (m_failures.has(EthernetFailures::Mode::WrongCode)) {
            out.note = "write not kept (wrong-code)";
        } else {
            m_image.assign(message.begin(), message.end());
            out.stored = true;
        }
        break;
    }
    case M::kRestart: {
        const std::span<const std::uint8_t> key = message.subspan(M::kHeaderSize);
        if (std::ranges::equal(key, M::kRestartKey, [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); }))
            out.restarted = true;
        else
            out.note = "restart without the key ignored";
        break;
    }
    default:
        out.note = "command " + std::to_string(header->code) + " is not one this port serves; ignored";
        break;
    }
    return out;
}

} // namespace tqvsim
