#pragma once
// Writing a configuration into an Ethernet gateway, restarting it, and reading its configuration
// back: one TCP connection per transfer, the whole configuration as one image. Straight-line code
// over a blocking StreamLink with time limits; the window runs it on a worker thread, the command
// line directly.
#include "MessageHeader.h"
#include "link/Clock.h"
#include "link/Prompter.h"
#include "link/TransferFailure.h"
#include "link/StreamLink.h"
#include "link/TransferObserver.h"
#include "model/ConfigStore.h"
#include "resources/StringId.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace tqv {

// The read functions' mapping addresses plus their byte counts may reach this far (inputs), the
// write functions' this far (outputs, 0x41FF).
constexpr long kEthernetInputLimit = 511;
constexpr long kEthernetOutputLimit = 16895;

struct EthernetTarget {
    std::string address; // dotted IPv4: the session's target address
    std::uint16_t port = 18801;
};

enum class EthernetOutcome {
    Succeeded,
    Failed,    // its message (if the step has one) has been shown
    Cancelled, // stopped from outside at a wait
};

struct EthernetWriteResult {
    EthernetOutcome outcome = EthernetOutcome::Failed;
    std::string message; // the failure's message; empty otherwise
    std::optional<TransferFailure> failure = std::nullopt; // Failed on the way to or from the gateway
};

struct EthernetReadResult {
    EthernetOutcome outcome = EthernetOutcome::Failed;
    // Succeeded only: the configuration the caller passed with the image applied, marked
    // modified (it no longer matches any file). The caller makes it the open document.
    ConfigStore configuration;
    std::string message;
    std::optional<TransferFailure> failure = std::nullopt;
};

enum class RestartOutcome {
    NotDownloaded, // no acknowledged write on this connection: nothing asked
    Declined,      // the question was answered Cancel: nothing sent
    Sent,
    SendFailed,    // the window keeps its dialog open
};

class EthernetTransfer {
public:
    static constexpr Millis connectLimit{3000};
    static constexpr Millis replyLimit{1000};

    EthernetTransfer(StreamLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer);
    // A flag another thread sets to stop the transfer at its next wait.
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }

    // The write of a press of "Download", after ethernetWriteChecks: connect, send the image, wait
    // for the acknowledgement. On success the connection stays open for the restart and the
    // status reads "Finish download!"; any failure closes it.
    EthernetWriteResult write(const ConfigStore &configuration, const EthernetTarget &target);
    // Whether the last write was acknowledged on the connection still open.
    bool downloaded() const { return m_downloaded; }
    // Leaving the download dialog: after an acknowledged write, asks whether to restart the
    // gateway and on OK sends the restart message. The connection is closed in every case.
    RestartOutcome offerRestart();

    // A press of "Upload": connect, request, receive the whole image within the time limit, and
    // apply it to a copy of `current`. The connection is closed in every case; `current` is never
    // changed.
    EthernetReadResult read(const ConfigStore &current, const EthernetTarget &target);

private:
    bool cancelled() const { return m_cancel && m_cancel->load(); }
    // Connects within connectLimit; on failure shows the connect message.
    bool connect(const EthernetTarget &target);
    // Receives a reply to `expected` until `enough` bytes are there, its first four bytes show
    // another command, the reply time has passed or the peer has closed; at most `limit` bytes
    // are kept. Nothing when cancelled.
    std::optional<std::string> receive(EthernetCommand expected, std::size_t enough, std::size_t limit);
    // Closes the connection and shows `message` (none when empty).
    std::string fail(std::string message);
    // The failure of `step` on `target` for `reason`.
    static TransferFailure failure(StrId step, const EthernetTarget &target, FailureReason reason);

    StreamLink &m_link;
    Clock &m_clock;
    Prompter &m_prompter;
    TransferObserver &m_observer;
    const std::atomic<bool> *m_cancel = nullptr;
    bool m_downloaded = false;
};

} // namespace tqv
