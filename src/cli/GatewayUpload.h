#pragma once
// The gateway session of a command (upload, download, eth-*, verify), and the serial port pieces
// the transfers share.
#include "QtRuntime.h"
#include "TerminalObserver.h"
#include "gateway/GatewaySession.h"
#include "io/QtSerialLink.h"
#include "link/Clock.h"
#include "model/ConfigStore.h"
#include "resources/StringId.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace tqv {

class CliApp;

// The port's parameters: the stored defaults (8 data bits, no parity, one stop bit) at the chosen
// baud rate (`baud` empty: the type's default rate). Nothing, and the message printed, for a
// rate the program does not offer.
std::optional<PortParameters> parametersFor(CliApp &app, const std::string &baud, std::uint32_t gatewayType);

// Whether `address` is an IPv4 address; the message printed when not.
bool checkAddress(CliApp &app, const std::string &address);

// How a command may reach a gateway, and what it says when the configuration's route is not
// among them.
struct GatewayAccess {
    std::string port;    // serial: the port (empty: the command has no serial way)
    std::string baud;
    std::string address; // Ethernet: the gateway's address (empty: no network way)
    StrId noSerialWay = StrId::CliVerifyNeedsPort;
    StrId noNetworkWay = StrId::CliVerifyNeedsAddress;
};

// A command's session to the gateway with everything it runs on.
struct CliGateway {
    explicit CliGateway(std::ostream &err) : observer(err) {}
    QtRuntime runtime;
    QtSerialLink port;
    SteadyClock clock;
    TerminalObserver observer;
    std::unique_ptr<GatewaySession> session;
};

// Opens the session `configuration`'s route takes. Before any port is opened or frame sent, a
// route the command has no way for is refused with its message (exit 2); a port that cannot be
// opened gives exit 1. Nothing then, and `exitCode` says why.
std::unique_ptr<CliGateway> openGateway(CliApp &app, const ConfigStore &configuration, const GatewayAccess &access,
                                        Prompter &prompter, int &exitCode);

// A failed transfer's step, port or address and reason, one line each, on the error stream.
void reportFailure(CliApp &app, const std::optional<TransferFailure> &failure);

// What a read of the gateway's configuration gave.
struct GatewayReadBack {
    int exitCode = 1; // kExitOk when `read` is complete
    GatewayRead read;
};

// The read with `current` deciding type check and frames (the open document's part in the
// window); the steps go to the error stream.
GatewayReadBack readGateway(CliApp &app, const ConfigStore &current, const GatewayAccess &access);

} // namespace tqv
