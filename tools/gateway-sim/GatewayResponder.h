#pragma once

#include "GatewayMemory.h"
#include "GatewayModel.h"

#include <optional>
#include <span>

namespace tqvsim {

// Error codes of the simulator's refusals (the first data byte of code | 0x80, 0x02, error, 0x00,
// sum). 3 is left out on purpose: in the reply to a command write it tells the program that the
// gateway takes commands for one Modbus slave only, which only --fail error:10:3 should say.
enum class RefusalCode : std::uint8_t {
    UnknownCode = 1, // a command code the gateway does not have
    BadLength = 2,   // a data length that request never has
    BadSum = 4,      // the last byte is not the sum of the bytes before it
    OutOfRange = 5,  // subnet, command index or block beyond what it holds, count over 8, wrong clear key
};

// Plays the gateway's side of the configuration protocol: judges one request frame, applies a
// write to the memory and builds the reply.
class GatewayResponder {
public:
    GatewayResponder(GatewayModel model, std::uint8_t firmwareMajor, std::uint8_t firmwareMinor,
                     GatewayMemory memory);

    struct Outcome {
        Bytes reply;
        bool stored = false; // an accepted write changed (or rewrote) the memory
    };

    // `frame` is one whole frame as the length byte delimits it.
    Outcome handle(std::span<const std::uint8_t> frame);

    const GatewayMemory &memory() const { return m_memory; }
    const GatewayModel &model() const { return m_model; }
    // The type code the identity reply reports instead of the model's own.
    void setReportedType(std::uint8_t type) { m_reportedType = type; }

private:
    Outcome identity() const;
    Outcome refuse(std::uint8_t code, RefusalCode why) const;
    bool knownSubnet(std::uint8_t subnet) const;
    Outcome writeSubnet(std::span<const std::uint8_t> frame);
    Outcome readSubnet(std::uint8_t subnet) const;
    Outcome clearCommands(std::span<const std::uint8_t> frame);
    Outcome writeCommand(std::span<const std::uint8_t> frame);
    Outcome readCount(std::uint8_t subnet) const;
    Outcome readBlock(std::uint8_t subnet, std::uint8_t block) const;

    GatewayModel m_model;
    std::uint8_t m_firmwareMajor;
    std::uint8_t m_firmwareMinor;
    std::optional<std::uint8_t> m_reportedType;
    GatewayMemory m_memory;
};

} // namespace tqvsim
