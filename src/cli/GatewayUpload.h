#pragma once
// Reading a gateway's configuration for a command (upload, eth-upload, verify), and the serial
// port pieces the transfers share.
#include "QtRuntime.h"
#include "TerminalObserver.h"
#include "io/QtSerialLink.h"
#include "link/Clock.h"
#include "model/ConfigStore.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace tqv {

class CliApp;

// An open port with what a procedure runs with.
struct PortSession {
    explicit PortSession(std::ostream &err) : observer(err) {}
    QtRuntime runtime;
    QtSerialLink link;
    SteadyClock clock;
    TerminalObserver observer;
};

// Opens `port` for a transfer; nothing (and why, on the error stream) when it cannot be opened.
std::unique_ptr<PortSession> openPort(CliApp &app, const std::string &port, const PortParameters &parameters);

// The port's parameters: the stored defaults (8 data bits, no parity, one stop bit) at the chosen
// baud rate (`baud` empty: the type's default rate). Nothing, and the message printed, for a
// rate the program does not offer.
std::optional<PortParameters> parametersFor(CliApp &app, const std::string &baud, std::uint32_t gatewayType);

// Whether `address` is an IPv4 address; the message printed when not.
bool checkAddress(CliApp &app, const std::string &address);

// What a read of the gateway's configuration gave.
struct GatewayRead {
    int exitCode = 1; // kExitOk when `configuration` holds the gateway's configuration
    std::unique_ptr<ConfigStore> configuration;
    int firmware = 0; // major × 10 + minor, from the serial link's identity reply
    // Read, but with a message: the character intervals could not be read after the rest was.
    std::string message;
};

// The serial upload with `current` deciding type check and frames (the open document's part in
// the window); the steps go to the error stream.
GatewayRead uploadOverSerial(CliApp &app, const ConfigStore &current, const std::string &port, const std::string &baud);
// The Ethernet read, its image applied to a copy of `current`.
GatewayRead uploadOverEthernet(CliApp &app, const ConfigStore &current, const std::string &address);

} // namespace tqv
