#pragma once

#include <string>

namespace tqv {

// Program-wide state kept beside the configuration store for the whole run and never saved.
struct SessionState {
    // The incomplete-information mark: set when the last mapping pass reported a problem, so that
    // a download asks before writing such a configuration.
    bool incompleteInformation = false;
    // Cleared when the gateway chosen in the device search forbids remote configuration; the
    // download refuses to start while it is clear.
    bool remoteConfigAllowed = true;
    // The Ethernet gateway that transfers and monitoring talk to (dotted IPv4; empty: none chosen).
    // Set by a click on a row of the device search, or by the Ethernet configuration dialog.
    std::string targetAddress;
    // Whether the device search queries `targetAddress` alone instead of broadcasting.
    bool useFixedAddress = false;
};

} // namespace tqv
