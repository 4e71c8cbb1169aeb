#pragma once
// The Ethernet link's framing: every UDP datagram and TCP message to and from a gateway starts with
// an 8-byte header (command code, payload length, both big-endian). Also where the link's
// addresses and ports come from.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tqv {

enum class EthernetCommand : std::uint32_t {
    Search = 3,
    ReadConfiguration = 5,
    WriteConfiguration = 6,
    Restart = 10,
    Monitor = 14,     // start or stop monitoring
    MonitorNext = 16, // next monitor record, or write output data
};

constexpr std::uint32_t code(EthernetCommand command) { return static_cast<std::uint32_t>(command); }

constexpr std::size_t kMessageHeaderSize = 8;

struct MessageHeader {
    std::uint32_t command = 0;
    std::uint32_t length = 0; // payload bytes after the header

    bool operator==(const MessageHeader &) const = default;
};

// The 8 header bytes.
std::string encodeHeader(const MessageHeader &header);
std::string encodeHeader(EthernetCommand command, std::uint32_t length = 0);
// The header at the start of `bytes`; nothing when fewer than 8 bytes are there.
std::optional<MessageHeader> decodeHeader(std::string_view bytes);
// Whether `bytes` start with the 4-byte code of `command`. Replies are judged by these four bytes
// only (their length field is not trusted); fewer than four bytes never match.
bool startsWithCommand(std::string_view bytes, EthernetCommand command);

// The four bytes of a dotted IPv4 address ("192.168.0.10", first octet in the top byte): four
// decimal numbers of 1 to 3 digits, each 0 to 255, and nothing else. Nothing for any other text.
std::optional<std::uint32_t> ipv4Value(std::string_view text);

// Where the Ethernet link sends and listens. Tests and tools point every one of these at the
// loopback address and free ports through the environment, so that nothing leaves the machine.
struct EthernetEndpoints {
    std::string searchAddress = "255.255.255.255"; // TQV580_SEARCH_ADDRESS
    std::uint16_t gatewayPort = 18801;             // TQV580_GATEWAY_PORT: search (UDP) and transfers (TCP)
    std::uint16_t monitorPort = 18802;             // TQV580_MONITOR_PORT
    std::uint16_t localPort = 10002;               // TQV580_LOCAL_PORT: the search socket's own port

    bool operator==(const EthernetEndpoints &) const = default;
};

// The endpoints with each variable `lookup` returns a value for in place of its default. An empty
// value, or a port that is not a number from 1 to 65535, keeps the default.
EthernetEndpoints endpointsFrom(const std::function<std::optional<std::string>(const char *name)> &lookup);
// The same from the process environment.
EthernetEndpoints endpointsFromEnvironment();

} // namespace tqv
