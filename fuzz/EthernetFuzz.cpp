// Fuzz target for the Ethernet link's parsers of outside bytes: the search reply (both modes), the
// message header, the configuration image, and the read that receives it. Whatever the bytes, a
// reply is read without going past them, a refused image changes nothing, and an accepted one
// yields a configuration whose counts, nodes and commands agree and which writes and reads back
// as itself.
#include "ethernet/ConfigImage.h"
#include "ethernet/DeviceSearch.h"
#include "ethernet/EthernetTransfer.h"
#include "ethernet/MessageHeader.h"
#include "ScriptedPeer.h"
#include "resources/Strings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace {

using namespace tqv;

void checkSearchReply(std::string_view bytes)
{
    for (SearchMode mode : {SearchMode::Broadcast, SearchMode::FixedAddress}) {
        const auto device = parseSearchReply(bytes, mode, 7);
        const bool fits = (mode == SearchMode::FixedAddress || bytes.size() > kShortSearchReply) &&
                          bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("\0\0\0\3", 4);
        check(device.has_value() == fits, "a search reply read or skipped against its length and command");
        if (!device)
            continue;
        check(device->listNumber == (mode == SearchMode::Broadcast ? " 7" : "1"), "list number");
        check(device->macAddress.size() == 17, "MAC text is not six hex pairs");
        check(device->ipAddress.size() >= 7 && device->ipAddress.size() <= 15, "IP text length");
        check(device->firmware.size() >= 3 && device->firmware.size() <= 11, "firmware text length");
    }
    const auto header = decodeHeader(bytes);
    check(header.has_value() == (bytes.size() >= kMessageHeaderSize), "header read from fewer than 8 bytes");
}

void checkConfiguration(const ConfigStore &c)
{
    check(c.gatewayType == 4, "an applied image is not of the Ethernet type");
    for (int k = 0; k < kImageSubnets; ++k) {
        const CONFIG &s = c.subnet(k);
        check(s.commandCount >= 0 && s.commandCount <= kImageCommandSlots, "command count outside 0..48");
        check(s.nodeCount >= (s.commandCount > 0 ? 1 : 0) && s.nodeCount <= s.commandCount, "node count");
        for (int i = 0; i < s.commandCount; ++i) {
            const COMMAND &cmd = s.commands[static_cast<std::size_t>(i)];
            check(cmd.nodeNumber >= 1 && cmd.nodeNumber <= s.nodeCount, "node number outside the node table");
            check(s.nodes[static_cast<std::size_t>(cmd.nodeNumber - 1)].address == cmd.slaveAddress,
                  "a command's node has another address");
        }
    }
}

void checkImage(std::string_view bytes)
{
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    const auto before = std::make_unique<ConfigStore>(*store);
    const Status applied = applyConfigImage(bytes, *store);
    if (!applied) {
        check(*store == *before, "a refused image changed the configuration");
        return;
    }
    check(bytes.size() >= kConfigImageSize, "an image shorter than 1272 bytes was applied");
    checkConfiguration(*store);

    const Result<std::string> written = buildConfigImage(*store);
    check(written.ok() && written.value().size() == kConfigImageSize, "an applied image cannot be written back");
    auto again = std::make_unique<ConfigStore>(*store);
    check(applyConfigImage(written.value(), *again).ok(), "a written image is refused");
    check(*again == *store, "an image does not read back as itself");
}

// The gateway's side of a read: the reply in two pieces, 20 ms apart.
class ScriptedStream : public ScriptedPeer<StreamLink> {
public:
    using ScriptedPeer::ScriptedPeer;
    bool connectTo(const std::string &, std::uint16_t, Millis) override { return true; }
    void close() override {}
};

class SilentPrompter : public Prompter {
public:
    void info(const std::string &) override {}
    bool askYesNo(const std::string &) override { return false; }
    bool askOkCancel(const std::string &) override { return false; }
    Answer askYesNoCancel(const std::string &) override { return Answer::Cancel; }
};

class SilentObserver : public TransferObserver {
public:
    void setTitle(const std::string &) override {}
    void setStatus(const std::string &) override {}
    void setLine(int, const std::string &, LineState) override {}
    void setProgress(int, int) override {}
};

void checkRead(std::string_view bytes)
{
    ScriptedStream link(bytes, bytes.size() / 2);
    SilentPrompter prompter;
    SilentObserver observer;
    EthernetTransfer transfer(link, link, prompter, observer);
    auto current = std::make_unique<ConfigStore>();
    current->newConfiguration();
    const EthernetReadResult result = transfer.read(*current, {"127.0.0.1", 18801});
    const std::string_view kept = bytes.substr(0, 1276);
    auto expected = std::make_unique<ConfigStore>(*current);
    const bool fits = kept.size() >= 4 && kept.substr(0, 4) == std::string_view("\0\0\0\5", 4) &&
                      applyConfigImage(kept, *expected).ok();
    check((result.outcome == EthernetOutcome::Succeeded) == fits, "the read accepted what does not fit, or refused what does");
    if (fits) {
        expected->configModified = true;
        check(result.configuration == *expected, "the read applied something else than the image");
    }
    check(link.now() <= EthernetTransfer::replyLimit + Millis{40}, "the read waited past its limit");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool languageSet = (setLanguage(Language::English), true);
    (void)languageSet;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    checkSearchReply(bytes);
    checkImage(bytes);
    // Most inputs are shorter than an image: zero-padded, they reach every field of it.
    std::string padded(bytes.substr(0, kConfigImageSize));
    padded.resize(kConfigImageSize, '\0');
    checkImage(padded);
    checkRead(bytes);
    return 0;
}
