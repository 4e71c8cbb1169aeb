#include "MessageHeader.h"

#include "model/ByteBuffer.h"

#include <charconv>
#include <cstdlib>

namespace tqv {

std::string encodeHeader(const MessageHeader &header)
{
    OffsetWriter w(kMessageHeaderSize);
    w.u32(0, header.command);
    w.u32(4, header.length);
    return w.take();
}

std::string encodeHeader(EthernetCommand command, std::uint32_t length)
{
    return encodeHeader(MessageHeader{code(command), length});
}

std::optional<MessageHeader> decodeHeader(std::string_view bytes)
{
    OffsetReader r(bytes);
    MessageHeader header{r.u32(0), r.u32(4)};
    if (r.failed())
        return std::nullopt;
    return header;
}

bool startsWithCommand(std::string_view bytes, EthernetCommand command)
{
    OffsetReader r(bytes);
    const std::uint32_t value = r.u32(0);
    return !r.failed() && value == code(command);
}

std::optional<std::uint32_t> ipv4Value(std::string_view t)
{
    std::uint32_t value = 0;
    const char *p = t.data();
    const char *end = t.data() + t.size();
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (p == end || *p != '.')
                return std::nullopt;
            ++p;
        }
        unsigned part = 0;
        const auto [next, ec] = std::from_chars(p, end, part);
        if (ec != std::errc() || next - p > 3 || part > 255)
            return std::nullopt;
        value = (value << 8) | part;
        p = next;
    }
    if (p != end)
        return std::nullopt;
    return value;
}

namespace {

std::optional<std::uint16_t> portValue(const std::string &text)
{
    unsigned value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

EthernetEndpoints endpointsFrom(const std::function<std::optional<std::string>(const char *name)> &lookup)
{
    EthernetEndpoints e;
    if (const auto address = lookup("TQV580_SEARCH_ADDRESS"); address && !address->empty())
        e.searchAddress = *address;
    const auto port = [&](const char *name, std::uint16_t &target) {
        if (const auto value = lookup(name))
            if (const auto number = portValue(*value))
                target = *number;
    };
    port("TQV580_GATEWAY_PORT", e.gatewayPort);
    port("TQV580_MONITOR_PORT", e.monitorPort);
    port("TQV580_LOCAL_PORT", e.localPort);
    return e;
}

EthernetEndpoints endpointsFromEnvironment()
{
    return endpointsFrom([](const char *name) -> std::optional<std::string> {
        if (const char *value = std::getenv(name))
            return std::string(value);
        return std::nullopt;
    });
}

} // namespace tqv
