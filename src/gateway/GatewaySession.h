#pragma once
// One way to a gateway for every front end: identify, read the configuration, write it, verify it
// and restart where the link has a restart. The serial line and the Ethernet gateway each have an
// implementation; which one a configuration takes is decided once, by gatewayRouteOf.
#include "compare/ConfigDiff.h"
#include "ethernet/EthernetTransfer.h"
#include "link/ByteLink.h"
#include "link/Clock.h"
#include "link/Prompter.h"
#include "link/StreamLink.h"
#include "link/TransferFailure.h"
#include "link/TransferObserver.h"
#include "model/ConfigStore.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tqv {

// The link a configuration is transferred over.
enum class GatewayRoute { Serial, Ethernet };
GatewayRoute gatewayRouteOf(const ConfigStore &configuration);
// What a transfer over the route carries, for comparisons.
Carried carriedBy(GatewayRoute route);

enum class TransferOutcome {
    Done,         // the whole transfer went through
    Stopped,      // stopped before any frame was sent: a check, a question answered No, a refusal
    Failed,       // a step failed; its message has been shown
    TypeMismatch, // the gateway is of another type; the serial port has been closed
    Cancelled,    // stopped from outside at a wait
};

// What a read of the gateway's configuration gave.
struct GatewayRead {
    TransferOutcome outcome = TransferOutcome::Failed;
    // Done: the gateway's configuration, built on the current one's type and flags. The current
    // configuration is never changed by the read.
    ConfigStore configuration;
    int firmware = kAnyFirmware; // major × 10 + minor where the gateway tells it (serial)
    // The message of the step that failed. A Done read may carry one: a value read after the
    // configuration was complete (the character intervals) could not be read.
    std::string message;
    // Failed, TypeMismatch: which step failed, on which port or address, and why.
    std::optional<TransferFailure> failure = std::nullopt;

    // Everything the transfer carries was read.
    bool complete() const { return outcome == TransferOutcome::Done && message.empty(); }
};

struct GatewayWrite {
    TransferOutcome outcome = TransferOutcome::Failed;
    // The failed step's message; a Done write may carry one (the character-interval write, last).
    std::string message;
    // Failed, TypeMismatch: which step failed, on which port or address, and why.
    std::optional<TransferFailure> failure = std::nullopt;

    bool complete() const { return outcome == TransferOutcome::Done && message.empty(); }
};

// What a read-back proves about a project.
struct Verification {
    enum class Verdict {
        Equal,        // every value the transfer carries is the project's
        Different,    // `differences` lists what is not
        NotVerified,  // the read-back is incomplete: nothing is proven; `failedStep` says where
    };
    Verdict verdict = Verdict::NotVerified;
    std::vector<Difference> differences;
    std::string failedStep; // NotVerified: the message of the step that failed (may be empty when cancelled)

    // The verdict as the one line the window and the command line show.
    std::string summary() const;
};

// The verify rule: a complete read compared over what `carried` carries; an incomplete one is
// never a match, whatever part of it was read.
Verification verificationOf(const ConfigStore &project, const GatewayRead &read, Carried carried);

// The links a session may use; it owns none of them.
struct GatewayLinks {
    // Serial: the open port, and how to close it (after a type mismatch the port is closed, so a
    // further press fails at its first exchange).
    ByteLink *port = nullptr;
    std::function<void()> closePort;
    std::string portName; // as a failure names it
    // Ethernet: a new, unconnected connection for each transfer, and where the gateway is.
    std::function<std::unique_ptr<StreamLink>()> newConnection;
    EthernetTarget target;
};

class GatewaySession {
public:
    GatewaySession(Clock &clock, Prompter &prompter, TransferObserver &observer)
        : m_clock(clock), m_prompter(prompter), m_observer(observer)
    {
    }
    virtual ~GatewaySession() = default;

    virtual GatewayRoute route() const = 0;
    // A flag another thread sets to stop a transfer at its next wait.
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }

    // Before the download dialog opens (the window's thread, `prompter` its message boxes): the
    // remote-configuration permission, and whatever the route checks of the whole configuration
    // first (the serial completeness check, which fills in the byte counts of `document`).
    virtual bool downloadMayOpen(ConfigStore &document, bool remoteConfigAllowed, Prompter &prompter) = 0;
    // At each press of "Download", on the window's thread: the checks that may change the document
    // (the Ethernet checks recompute its byte counts). False: the press ends here.
    virtual bool downloadPressChecks(ConfigStore &document, bool incompleteMark, Prompter &prompter) = 0;

    // Writes `configuration` (the serial pre-checks and questions included). Never changes it.
    virtual GatewayWrite write(const ConfigStore &configuration, bool incompleteMark) = 0;
    // Reads the gateway's configuration; `current` decides the type check and how replies are read.
    virtual GatewayRead read(const ConfigStore &current) = 0;
    // Reads the gateway back without messages of its own and applies the verify rule.
    Verification verify(const ConfigStore &project);

    // Leaving after a write: the restart the link offers (Ethernet: asked, then sent on OK).
    virtual RestartOutcome offerRestart() { return RestartOutcome::NotDownloaded; }
    // Whether the last write left something to offer a restart for.
    virtual bool restartPending() const { return false; }

protected:
    // The read of `verify`, through the given prompter and observer.
    virtual GatewayRead readWith(const ConfigStore &current, Prompter &prompter, TransferObserver &observer) = 0;

    Clock &m_clock;
    Prompter &m_prompter;
    TransferObserver &m_observer;
    const std::atomic<bool> *m_cancel = nullptr;
};

// The session for `configuration`'s route over `links`.
std::unique_ptr<GatewaySession> makeGatewaySession(const ConfigStore &configuration, GatewayLinks links, Clock &clock,
                                                   Prompter &prompter, TransferObserver &observer);

} // namespace tqv
