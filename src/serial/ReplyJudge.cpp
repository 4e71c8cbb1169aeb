#include "ReplyJudge.h"

#include "FrameBytes.h"

namespace tqv {

namespace {

std::uint8_t firstByte(std::string_view reply) { return reply.empty() ? 0 : static_cast<std::uint8_t>(reply[0]); }

std::uint8_t accept(std::uint8_t code, bool valid) { return valid ? code : 0; }

} // namespace

std::uint8_t judgeDownloadReply(std::string_view reply)
{
    const std::uint8_t code = firstByte(reply);
    switch (code) {
    case SerialCode::ReadGatewayType:
        return accept(code, decodeGatewayTypeReply(reply).has_value());
    case SerialCode::WriteSubnet:
    case SerialCode::WriteCommand:
    case SerialCode::ClearCommands:
    case SerialCode::WriteDeviceNet:
    case SerialCode::WriteProfibus:
        return accept(code, isAcknowledgement(reply, code));
    case errorReplyCode(SerialCode::ReadGatewayType):
    case errorReplyCode(SerialCode::WriteSubnet):
    case errorReplyCode(SerialCode::WriteCommand):
    case errorReplyCode(SerialCode::WriteDeviceNet):
    case errorReplyCode(SerialCode::WriteProfibus):
        return accept(code, decodeErrorReply(reply).has_value());
    default:
        return 0;
    }
}

std::uint8_t judgeUploadReply(std::string_view reply, const ReplyContext &context)
{
    const std::uint8_t got = firstByte(reply);
    switch (got) {
    case SerialCode::ReadGatewayType: {
        const auto data = decodeGatewayTypeReply(reply);
        // An Ethernet gateway answers on the serial link only as the fault-reset model.
        const bool ethernet = data && (*data)[0] == reportedTypeOf(code(GatewayType::Ethernet));
        return accept(got, data && (!ethernet || context.reportsEthernetType));
    }
    case SerialCode::ReadSubnet:
        return accept(got, decodeSubnetReply(reply, context).has_value());
    case SerialCode::ReadCommandCount:
        return accept(got, decodeCommandCountReply(reply).has_value());
    case SerialCode::ReadCommandBlock:
        return accept(got, decodeCommandBlockReply(reply).has_value());
    case SerialCode::ReadDeviceNet:
        return accept(got, decodeDeviceNetReply(reply).has_value());
    case SerialCode::ReadProfibus:
        return accept(got, decodeProfibusReply(reply, context).has_value());
    case errorReplyCode(SerialCode::ReadGatewayType):
    case errorReplyCode(SerialCode::ReadCommandCount):
        return accept(got, decodeErrorReply(reply).has_value());
    default:
        return 0;
    }
}

std::uint8_t judgeReply(Judge judge, std::uint8_t request, std::string_view reply, const ReplyContext &context)
{
    switch (request) {
    case SerialCode::WriteTimeoutAction: {
        const FrameView v(reply);
        return accept(request, v.has(2) && v.at(0) == request && v.at(1) == 0);
    }
    case SerialCode::ReadTimeoutAction:
        return accept(request, decodeTimeoutActionReply(reply).has_value());
    case SerialCode::WriteProfibusConfigData:
        return accept(request, isAcknowledgement(reply, request));
    case SerialCode::ReadProfibusConfigData:
        return accept(request, decodeProfibusConfigDataReply(reply).has_value());
    case SerialCode::WriteCharIntervals:
        return accept(request, reply.size() == kAckSize && isAcknowledgement(reply, request));
    case SerialCode::ReadCharIntervals:
        return accept(request, decodeCharIntervalsReply(reply).has_value());
    default:
        return judge == Judge::Download ? judgeDownloadReply(reply) : judgeUploadReply(reply, context);
    }
}

bool storeUploadReply(std::string_view reply, const ReplyContext &context, UploadStore &store)
{
    const std::uint8_t code = judgeUploadReply(reply, context);
    switch (code) {
    case SerialCode::ReadGatewayType:
        store.gatewayTypeData = *decodeGatewayTypeReply(reply);
        return true;
    case SerialCode::ReadDeviceNet:
        store.deviceNetParameters = *decodeDeviceNetReply(reply);
        return true;
    case SerialCode::ReadProfibus:
        store.profibusParameters = *decodeProfibusReply(reply, context);
        return true;
    case SerialCode::ReadSubnet: {
        const SubnetReply r = *decodeSubnetReply(reply, context);
        store.subnetParameters[static_cast<std::size_t>(r.subnet)] = r.parameters;
        return true;
    }
    case SerialCode::ReadCommandCount: {
        const CommandCountReply r = *decodeCommandCountReply(reply);
        store.commandCounts[static_cast<std::size_t>(r.subnet)] = r.count;
        return true;
    }
    case SerialCode::ReadCommandBlock: {
        const CommandBlockReply r = *decodeCommandBlockReply(reply);
        for (const auto &[index, record] : r.records)
            store.commandRecords[static_cast<std::size_t>(r.subnet)][static_cast<std::size_t>(index)] = record;
        return true;
    }
    default:
        return false;
    }
}

} // namespace tqv
