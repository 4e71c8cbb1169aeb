// Fuzz target for the judges and decoders of the gateway's serial replies, and for the exchange
// that reads them: arbitrary bytes, under every gateway type and the model flags that change
// reply shapes, must be judged without reading past them, stored only when accepted, and never
// put a subnet, command index or count outside the upload store.
#include "ScriptedPeer.h"
#include "serial/Exchange.h"
#include "serial/ReplyDecoder.h"
#include "serial/ReplyJudge.h"
#include "serial/UploadStore.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <iterator>
#include <utility>

namespace {

using namespace tqv;

constexpr std::uint8_t kRequests[] = {0x01, 0x03, 0x04, 0x05, 0x06, 0x10, 0x14, 0x15, 0x16,
                                      0x21, 0x22, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35};

void checkDecoders(std::string_view reply, const ReplyContext &context)
{
    if (const auto block = decodeCommandBlockReply(reply)) {
        check(block->subnet >= 0 && block->subnet < kSubnetCount, "block subnet outside 0..3");
        check(block->records.size() <= (kCommandBlockBufferSize - 4) / kCommandBlockRecordSize,
              "more records than the block buffer holds");
        for (const auto &record : block->records)
            check(record.first >= 0 && record.first < kMaxCommands, "command index outside 0..127");
    }
    if (const auto count = decodeCommandCountReply(reply))
        check(count->count >= 0 && count->count <= kMaxCommands && count->subnet < kSubnetCount,
              "command count outside 0..128");
    if (const auto subnet = decodeSubnetReply(reply, context))
        check(subnet->subnet >= 0 && subnet->subnet < kSubnetCount, "subnet outside 0..3");
    if (const auto data = decodeProfibusConfigDataReply(reply))
        check(data->size() <= kMaxProfibusConfigBytes, "more than 8 configuration bytes");
    (void)decodeGatewayTypeReply(reply);
    (void)decodeDeviceNetReply(reply);
    (void)decodeProfibusReply(reply, context);
    (void)decodeTimeoutActionReply(reply);
    (void)decodeCharIntervalsReply(reply);
    if (const auto error = decodeErrorReply(reply))
        check((error->code & kErrorReplyFlag) != 0, "error reply without its flag");
    const std::size_t length = frameLength(reply);
    check(reply.size() < 2 ? length == 0 : length == static_cast<std::uint8_t>(reply[1]) + 3u,
          "frame length not from the length byte");
}

void checkJudges(std::string_view reply, const ReplyContext &context, UploadStore &store)
{
    const std::uint8_t first = reply.empty() ? 0 : static_cast<std::uint8_t>(reply[0]);
    const std::uint8_t download = judgeDownloadReply(reply);
    const std::uint8_t upload = judgeUploadReply(reply, context);
    check(download == 0 || download == first, "download judge returned another code");
    check(upload == 0 || upload == first, "upload judge returned another code");
    for (std::uint8_t request : kRequests)
        for (Judge judge : {Judge::Download, Judge::Upload}) {
            const std::uint8_t judged = judgeReply(judge, request, reply, context);
            check(judged == 0 || judged == first, "judgement is not the reply's code");
        }

    const auto before = std::make_unique<UploadStore>(store);
    const bool stored = storeUploadReply(reply, context, store);
    const bool dataReply = upload != 0 && (upload & kErrorReplyFlag) == 0;
    check(stored == dataReply, "stored a reply the judge refused, or refused one it accepted");
    if (!stored)
        check(store == *before, "a refused reply changed the store");
    for (std::int32_t count : store.commandCounts)
        check(count >= 0 && count <= kMaxCommands, "stored count outside 0..128");
}

// The peer of the exchange: the reply arrives in two pieces, 20 ms apart, split in the middle.
using ScriptedLink = ScriptedPeer<ByteLink>;

void checkExchange(std::string_view reply, const ReplyContext &context)
{
    if (reply.empty())
        return;
    const std::uint8_t request = kRequests[static_cast<std::uint8_t>(reply[0]) % std::size(kRequests)];
    ScriptedLink link(reply, reply.size() / 2);
    Exchange exchange(link, link, Judge::Upload, context);
    const Frame frame{static_cast<char>(request), '\0', static_cast<char>(request)};
    const ExchangeResult result = exchange.run(frame);
    const ReplyRule rule = replyRuleFor(request, context);
    check(result.reply.size() <= rule.bufferSize, "a reply longer than its buffer was kept");
    check(result.accepted() == (judgeReply(Judge::Upload, request, result.reply, context) == request),
          "exchange and judge disagree");
    check(result.status != ExchangeStatus::Timeout || result.reply.empty(), "a timeout with bytes");
    check(link.now() <= rule.timeLimit + kSettleTime + Millis{40}, "the exchange waited past its limits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char *>(data), size);
    auto store = std::make_unique<UploadStore>();
    for (std::uint32_t type = 0; type < 8; ++type)
        for (int flags = 0; flags < 4; ++flags) {
            const ReplyContext context{type, (flags & 1) != 0, (flags & 2) != 0};
            checkDecoders(reply, context);
            checkJudges(reply, context, *store);
        }
    checkExchange(reply, ReplyContext{3, false, false});
    checkExchange(reply, ReplyContext{2, false, false});
    return 0;
}
