#pragma once

#include "EthernetFailures.h"
#include "FailurePlan.h"
#include "MonitorSimulator.h"

#include "resources/Strings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tqvsim {

// Everything the command line sets.
struct SimOptions {
    std::string link;                        // --pty: where the program side's path is published
    std::optional<std::uint32_t> gatewayType; // --gateway-type (else the state file's, else 3)
    std::optional<std::uint8_t> reportedType; // --reported-type (else the gateway type + 1)
    std::uint16_t firmwareMajor = 5; // at most 255 on the serial line
    std::uint16_t firmwareMinor = 0;
    std::string stateFile; // --state: .tqv or .json
    std::string saveFile;  // --save: .tqv or .json
    FailurePlan failures;  // serial failure modes
    bool ethernet = false; // --ethernet: the Ethernet gateway on loopback instead of a pty
    std::array<std::uint8_t, 4> ip{127, 0, 0, 1};                  // --ip, reported in the search reply
    std::array<std::uint8_t, 6> mac{0x02, 0x00, 0x00, 0x00, 0x05, 0x80}; // --mac
    std::uint32_t permission = 1;                                  // --permission
    EthernetFailures ethernetFailures;                             // Ethernet failure modes
    std::uint32_t lineSpeed = 0; // --line-speed in baud; 0: bytes leave at once
    tqv::Language language = tqv::Language::English;
    bool help = false;
    std::optional<MonitorLinkKind> monitor;    // --monitor framed|record: the monitor side instead
    std::optional<std::uint8_t> monitorType;   // --monitor-type: the subnet type the handshake reports
    std::uint32_t monitorResendMs = 1000;      // --monitor-resend
};

// Reads the simulator's command line and writes its help.
class SimCommandLine {
public:
    struct Parsed {
        std::optional<SimOptions> options;
        std::string error; // why the usage is bad, when there are no options
    };

    // `args` without the program name.
    static Parsed parse(std::span<const std::string_view> args);

    static std::string helpText();

    static constexpr std::uint32_t kMaxLineSpeed = 4000000;
    static constexpr std::uint32_t kMaxResendMs = 600000;
};

} // namespace tqvsim
