// The 8-byte header both ways, the command check of replies, and the endpoints taken from the
// environment.
#include "ethernet/MessageHeader.h"
#include "support/FakeSerialLink.h"

#include <gtest/gtest.h>

#include <map>

namespace tqv {
namespace {

TEST(MessageHeader, EncodesCommandAndLengthBigEndian)
{
    EXPECT_EQ(encodeHeader(EthernetCommand::Search), bytes({0, 0, 0, 3, 0, 0, 0, 0}));
    EXPECT_EQ(encodeHeader(EthernetCommand::WriteConfiguration, 1264), bytes({0, 0, 0, 6, 0, 0, 0x04, 0xF0}));
    EXPECT_EQ(encodeHeader(MessageHeader{0x01020304, 0xA0B0C0D0}), bytes({1, 2, 3, 4, 0xA0, 0xB0, 0xC0, 0xD0}));
}

TEST(MessageHeader, DecodesOnlyCompleteHeaders)
{
    EXPECT_EQ(decodeHeader(bytes({0, 0, 0, 10, 0, 0, 0, 8, 'K'})), (MessageHeader{10, 8}));
    EXPECT_EQ(decodeHeader(bytes({0xFF, 0, 0, 1, 0x80, 0, 0, 0})), (MessageHeader{0xFF000001, 0x80000000}));
    EXPECT_FALSE(decodeHeader(bytes({0, 0, 0, 3, 0, 0, 0})));
    EXPECT_FALSE(decodeHeader(""));
}

TEST(MessageHeader, CommandCheckLooksAtTheFirstFourBytesOnly)
{
    struct Row {
        std::string bytes;
        EthernetCommand command;
        bool matches;
    };
    const Row rows[] = {
        {bytes({0, 0, 0, 5}), EthernetCommand::ReadConfiguration, true},
        {bytes({0, 0, 0, 5, 0xFF, 0xFF, 0xFF, 0xFF}), EthernetCommand::ReadConfiguration, true},
        {bytes({0, 0, 0, 6}), EthernetCommand::ReadConfiguration, false},
        {bytes({1, 0, 0, 5}), EthernetCommand::ReadConfiguration, false},
        {bytes({0, 0, 0}), EthernetCommand::ReadConfiguration, false},
        {bytes({0, 0, 0, 3}), EthernetCommand::Search, true},
        {"", EthernetCommand::Search, false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(startsWithCommand(r.bytes, r.command), r.matches) << r.bytes.size();
}

TEST(MessageHeader, EndpointsDefaultAndComeFromTheEnvironment)
{
    const EthernetEndpoints defaults = endpointsFrom([](const char *) { return std::nullopt; });
    EXPECT_EQ(defaults.searchAddress, "255.255.255.255");
    EXPECT_EQ(defaults.gatewayPort, 18801);
    EXPECT_EQ(defaults.monitorPort, 18802);
    EXPECT_EQ(defaults.localPort, 10002);

    std::map<std::string, std::string> env = {{"TQV580_SEARCH_ADDRESS", "127.0.0.1"},
                                              {"TQV580_GATEWAY_PORT", "40001"},
                                              {"TQV580_MONITOR_PORT", "40002"},
                                              {"TQV580_LOCAL_PORT", "40003"}};
    auto lookup = [&](const char *name) -> std::optional<std::string> {
        const auto it = env.find(name);
        return it == env.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    EXPECT_EQ(endpointsFrom(lookup), (EthernetEndpoints{"127.0.0.1", 40001, 40002, 40003}));

    // Values that are no port keep the default; an empty address too.
    env = {{"TQV580_SEARCH_ADDRESS", ""}, {"TQV580_GATEWAY_PORT", "0"}, {"TQV580_MONITOR_PORT", "65536"},
           {"TQV580_LOCAL_PORT", "12x"}};
    EXPECT_EQ(endpointsFrom(lookup), defaults);
    env = {{"TQV580_LOCAL_PORT", "65535"}, {"TQV580_GATEWAY_PORT", "-5"}};
    EXPECT_EQ(endpointsFrom(lookup), (EthernetEndpoints{"255.255.255.255", 18801, 18802, 65535}));
}

} // namespace
} // namespace tqv
