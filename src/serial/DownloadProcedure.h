#pragma once
// Writing the open configuration into a gateway over the serial link. Straight-line code over a
// blocking link: the window runs it on a worker thread, the command line runs it directly.
#include "link/ByteLink.h"
#include "link/Clock.h"
#include "link/Prompter.h"
#include "link/TransferFailure.h"
#include "link/TransferObserver.h"
#include "model/ConfigStore.h"
#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace tqv {

// Whether a download writes the fieldbus parameters (0x21 or 0x30) of `store`, and the Modbus
// commands of `subnet` (a Modbus-master subnet as its frame carries the protocol).
bool downloadWritesFieldbus(const ConfigStore &store);
bool downloadWritesCommands(const CONFIG &subnet);

enum class DownloadOutcome {
    Downloaded,   // every step acknowledged (a failed character-interval write included)
    Stopped,      // a pre-check or the type (no serial transfer) stopped the press before any frame
    Failed,       // a step failed; its message has been shown
    TypeMismatch, // the gateway is of another type: the caller closes the link
    Cancelled,    // stopped from outside at a wait
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::Failed;
    // The failure's message (also shown through the prompter); empty otherwise. A Downloaded
    // result still carries one when the character-interval write, the last step, failed.
    std::string message;
    // Failed and TypeMismatch: the step, the reason (the caller adds the port).
    std::optional<TransferFailure> failure = std::nullopt;
};

class DownloadProcedure {
public:
    DownloadProcedure(ByteLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer);
    void setCancelFlag(const std::atomic<bool> *flag) { m_cancel = flag; }
    // The checks of a press of "Download", run before the first frame; they belong to the layer
    // above (the mapping rules), which hands them in. False from them stops the press.
    using PreChecks = std::function<bool(const ConfigStore &, bool incompleteMark, Prompter &)>;
    void setPreChecks(PreChecks checks) { m_preChecks = std::move(checks); }
    // One press of "Download": the pre-checks, then the transfer. Works on its own copy of the
    // configuration, so the open document is never changed.
    DownloadResult run(const ConfigStore &configuration, bool incompleteMark);

private:
    ByteLink &m_link;
    Clock &m_clock;
    Prompter &m_prompter;
    TransferObserver &m_observer;
    const std::atomic<bool> *m_cancel = nullptr;
    PreChecks m_preChecks;
};

} // namespace tqv
