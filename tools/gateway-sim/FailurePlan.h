#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqvsim {

// How the simulator answers one request once the failure modes are applied.
struct FailureEffects {
    bool noReply = false;                 // timeout: the request is ignored, nothing is sent
    std::optional<std::uint8_t> errorCode; // error: refused with this code, nothing is stored
    bool wrongSum = false;                // sum: the reply's last byte is off by one
    bool split = false;                   // split: the reply goes out in two pieces 20 ms apart
    std::uint32_t delayMs = 0;            // slow: the reply starts this long after the request

    bool operator==(const FailureEffects &) const = default;
};

// The named misbehaviours switched on from the command line, and which of them hit a request code.
class FailurePlan {
public:
    enum class Kind { Timeout, Sum, Split, Error, Slow };

    struct Mode {
        Kind kind;
        std::optional<std::uint8_t> code; // nothing: every request
        std::uint32_t value = 0;          // error code or milliseconds
    };

    // Adds one mode written as on the command line: timeout:CODE, sum:CODE, split:CODE,
    // error:CODE:ERR, slow:CODE:MS, with CODE a hex request code ("10", "0x10") or "all".
    // Returns an explanation when `text` is not such a mode; the plan is then unchanged.
    std::optional<std::string> add(std::string_view text);

    // The effects on a request with `code`. For each kind a mode naming the code wins over an
    // "all" one; different kinds combine (an error reply can also be slow, split or mis-summed).
    FailureEffects effectsFor(std::uint8_t code) const;

    const std::vector<Mode> &modes() const { return m_modes; }

    static constexpr std::uint32_t kMaxDelayMs = 600000;

private:
    std::vector<Mode> m_modes;
};

} // namespace tqvsim
