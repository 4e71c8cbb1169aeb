#pragma once
// Why a transfer stopped, as data: the step that failed, the port or address it talked to and the
// reason. The procedures fill it in where they fail; the window and the command line only show it.
#include <string>
#include <vector>

namespace tqv {

enum class FailureReason {
    NoAnswer,        // nothing came within the time limit
    WrongChecksum,   // a reply of the right length whose last byte is not its sum
    ErrorReply,      // the gateway refused the request with an error code
    UnexpectedReply, // bytes came, but not the reply the request expects
    NotSent,         // the request could not be written
    NoConnection,    // the connection was not made within the time limit
    ReplyCutShort,   // the reply stopped early or does not fit the configuration
    OtherType,       // the gateway is of another type than the configuration
};

struct TransferFailure {
    std::string step;   // what was being done, in the UI language
    std::string target; // the serial port's name, or address:port of the gateway
    bool network = false;
    FailureReason reason = FailureReason::NoAnswer;
    int timeLimitMs = 0;  // NoAnswer, NoConnection
    int errorCode = 0;    // ErrorReply
    int request = 0;      // ErrorReply: the request code the error answers (its codes' meanings)
    std::string reported; // OtherType: the type the gateway reports
    std::string expected; // OtherType: the configuration's type

    // The reason as one phrase ("no answer within 300 ms").
    std::string reasonText() const;
    // The step, the port or address (when known) and the reason, one line each.
    std::vector<std::string> lines() const;
};

} // namespace tqv
