#include "ReplyDecoder.h"
#include "model/ModelProfile.h"

#include "FrameBytes.h"

#include <algorithm>

namespace tqv {

namespace {

template <std::size_t N> std::array<std::uint8_t, N> copyOut(const FrameView &v, std::size_t offset)
{
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = v.at(offset + i);
    return out;
}

bool validSubnet(std::uint8_t index) { return index < kSubnetCount; }

} // namespace

ReplyContext ReplyContext::of(const ConfigStore &store)
{
    const ModelProfile model = profileOf(store);
    return {store.gatewayType, model.interfaceModel, model.reportsEthernetType};
}

bool uncheckedProfibusReply(const ReplyContext &context)
{
    return hasProfibusThirdByte(context.gatewayType) || context.interfaceModel;
}

bool extendedSubnetReply(const ReplyContext &context)
{
    return hasExtendedSubnetFrame(context.gatewayType) || context.interfaceModel;
}

std::size_t frameLength(std::string_view received)
{
    if (received.size() < 2)
        return 0;
    return static_cast<std::uint8_t>(received[1]) + std::size_t{3};
}

bool isAcknowledgement(std::string_view reply, std::uint8_t request)
{
    const FrameView v(reply);
    return v.has(kAckSize) && v.at(0) == request && v.at(1) == 0 && v.at(2) == request;
}

std::optional<ErrorReply> decodeErrorReply(std::string_view reply)
{
    const FrameView v(reply);
    const std::uint8_t code = v.at(0);
    if ((code & kErrorReplyFlag) == 0 || code == kErrorReplyFlag || v.at(1) != 2 || !v.sumMatches(4))
        return std::nullopt;
    return ErrorReply{code, v.at(2)};
}

std::optional<std::array<std::uint8_t, kGatewayTypeDataSize>> decodeGatewayTypeReply(std::string_view reply)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadGatewayType || v.at(1) != kGatewayTypeDataSize ||
        !v.sumMatches(kGatewayTypeReplySize - 1))
        return std::nullopt;
    return copyOut<kGatewayTypeDataSize>(v, 2);
}

GatewayIdentity gatewayIdentity(const std::array<std::uint8_t, kGatewayTypeDataSize> &data)
{
    return {data[0], data[1] * 10 + data[2]};
}

std::optional<std::array<std::uint8_t, kDeviceNetParameterSize>> decodeDeviceNetReply(std::string_view reply)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadDeviceNet || v.at(1) != kDeviceNetParameterSize ||
        !v.sumMatches(2 + kDeviceNetParameterSize))
        return std::nullopt;
    return copyOut<kDeviceNetParameterSize>(v, 2);
}

std::optional<std::array<std::uint8_t, kProfibusParameterSize>> decodeProfibusReply(std::string_view reply,
                                                                                   const ReplyContext &context)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadProfibus)
        return std::nullopt;
    if (uncheckedProfibusReply(context)) {
        // No length or sum to check, but the three bytes must have come.
        if (!v.has(2 + kProfibusParameterSize))
            return std::nullopt;
        return copyOut<kProfibusParameterSize>(v, 2);
    }
    if (v.at(1) != 2 || !v.sumMatches(4))
        return std::nullopt;
    return std::array<std::uint8_t, kProfibusParameterSize>{v.at(2), v.at(3), 0};
}

std::optional<SubnetReply> decodeSubnetReply(std::string_view reply, const ReplyContext &context)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadSubnet)
        return std::nullopt;
    const bool extended = extendedSubnetReply(context);
    // The extended reply's length byte is not checked; its sum is.
    if (extended ? !v.sumMatches(kExtendedSubnetFrameSize - 1)
                 : v.at(1) != kShortSubnetFrameSize - 3 || !v.sumMatches(kShortSubnetFrameSize - 1))
        return std::nullopt;
    if (!validSubnet(v.at(2)))
        return std::nullopt;
    SubnetReply out;
    out.subnet = v.at(2);
    const std::size_t fields = extended ? kSubnetParameterSize : kShortSubnetParameterSize;
    for (std::size_t i = 0; i < fields; ++i)
        out.parameters[i] = v.at(kSubnetFrameFieldOffset + i);
    return out;
}

std::optional<CommandCountReply> decodeCommandCountReply(std::string_view reply)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadCommandCount || v.at(1) != 3 || !v.sumMatches(5))
        return std::nullopt;
    const int count = v.be16(3);
    if (!validSubnet(v.at(2)) || count > kMaxCommands)
        return std::nullopt;
    return CommandCountReply{v.at(2), count};
}

std::optional<CommandBlockReply> decodeCommandBlockReply(std::string_view reply)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadCommandBlock)
        return std::nullopt;
    const std::size_t n = v.at(1);
    // N counts the subnet byte and the records; the whole frame must fit the block buffer.
    if (n < 1 || n + 3 > kCommandBlockBufferSize || !v.sumMatches(n + 2) || !validSubnet(v.at(2)))
        return std::nullopt;
    CommandBlockReply out;
    out.subnet = v.at(2);
    const std::size_t k = (n - 1) / kCommandBlockRecordSize;
    for (std::size_t j = 0; j < k; ++j) {
        const std::size_t at = 3 + j * kCommandBlockRecordSize;
        const std::uint8_t index = v.at(at);
        if (index >= kMaxCommands)
            return std::nullopt;
        out.records.emplace_back(index, copyOut<kCommandRecordSize>(v, at + 1));
    }
    return out;
}

std::optional<std::uint8_t> decodeTimeoutActionReply(std::string_view reply)
{
    const FrameView v(reply);
    // Judged by its first byte; the value byte must have come all the same.
    if (v.at(0) != SerialCode::ReadTimeoutAction || !v.has(3))
        return std::nullopt;
    return v.at(2);
}

std::optional<std::vector<std::uint8_t>> decodeProfibusConfigDataReply(std::string_view reply)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadProfibusConfigData || v.at(1) != 0x09)
        return std::nullopt;
    const std::size_t n = v.at(2);
    // The frame has room for 8 bytes; a larger count would read past them.
    if (n > kMaxProfibusConfigBytes || !v.has(3 + n))
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < n; ++i)
        bytes.push_back(v.at(3 + i));
    return bytes;
}

std::optional<CharIntervals> decodeCharIntervalsReply(std::string_view reply)
{
    const FrameView v(reply);
    if (v.at(0) != SerialCode::ReadCharIntervals || v.at(1) != 4 || !v.sumMatches(6))
        return std::nullopt;
    return CharIntervals{v.be16(2), v.be16(4)};
}

} // namespace tqv
