#pragma once

#include "FailurePlan.h"

#include "resources/Strings.h"

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
    std::uint8_t firmwareMajor = 5;
    std::uint8_t firmwareMinor = 0;
    std::string stateFile; // --state: .tqv or .json
    std::string saveFile;  // --save: .tqv or .json
    FailurePlan failures;
    std::uint32_t lineSpeed = 0; // --line-speed in baud; 0: bytes leave at once
    tqv::Language language = tqv::Language::English;
    bool help = false;
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
};

} // namespace tqvsim
